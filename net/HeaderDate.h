#pragma once
// ParseHeaderDate: dates of response headers (Date, Last-Modified, Expires) as TDateTime values in local
// time.

#include <string>

namespace net {

// Days since 1899-12-30, with the time of day as the fraction.
using TDateTime = double;

// Parses the three layouts HTTP uses (RFC 1123, RFC 850, asctime) and numeric zone offsets.
// An empty text gives 0. A text that cannot be read gives the date 0, still shifted by the zone
// offset and the local bias. localBiasMinutes is added to universal time to get local time.
TDateTime ParseHeaderDate(const std::string& text, int localBiasMinutes);

// The same with the current local bias of the machine (daylight saving included when in force).
TDateTime ParseHeaderDate(const std::string& text);

// The local bias now, in minutes east of universal time.
int CurrentLocalBiasMinutes();

TDateTime EncodeDateTime(int year, int month, int day, int hour, int minute, int second);

}  // namespace net
