#include "net/HeaderDate.h"

#include <cctype>
#include <chrono>
#include <ctime>
#include <optional>
#include <stdexcept>

#include "core/Text.h"

namespace net {

namespace {

const char* const kDays[] = {"sun", "mon", "tue", "wed", "thu", "fri", "sat"};
const char* const kMonths[] = {"jan", "feb", "mar", "apr", "may", "jun",
                               "jul", "aug", "sep", "oct", "nov", "dec"};

std::string lower3(const std::string& s) {
    return core::ToLower(std::string_view(s).substr(0, 3));
}

void dropLeadingBlanks(std::string& s) {
    std::size_t i = 0;
    while (i < s.size() && s[i] == ' ')
        ++i;
    s.erase(0, i);
}

// Takes the text up to sep (or the end), removes it with the separator and the blanks after it.
std::string takePart(std::string& s, char sep) {
    const auto at = s.find(sep);
    std::string part = s.substr(0, at);
    s.erase(0, at == std::string::npos ? s.size() : at + 1);
    dropLeadingBlanks(s);
    return part;
}

std::optional<int> number(const std::string& s) {
    if (s.empty() || s.size() > 9) return std::nullopt;
    for (const char c : s)
        if (!std::isdigit(static_cast<unsigned char>(c))) return std::nullopt;
    return std::stoi(s);
}

int monthOf(const std::string& s) {
    if (s.size() < 3) return 0;
    const std::string m = lower3(s);
    for (int i = 0; i < 12; ++i)
        if (m == kMonths[i]) return i + 1;
    return 0;
}

// Steps up to the time of day; throws when the text cannot be read. rest receives what follows.
TDateTime parseDateAndTime(std::string s, std::string& rest) {
    for (const char* day : kDays)
        if (lower3(s) == day) {
            takePart(s, ' ');
            break;
        }
    const auto blank = s.find(' ');
    const auto dash = s.find('-', 1);
    const char sep = dash != std::string::npos && (blank == std::string::npos || dash < blank) ? '-' : ' ';

    const std::string first = s.substr(0, s.find(sep));
    int day, month;
    if (monthOf(first) != 0) {
        month = monthOf(takePart(s, sep));
        day = number(takePart(s, sep)).value_or(1);
    } else {
        day = number(takePart(s, sep)).value_or(1);
        month = monthOf(takePart(s, sep));
    }

    std::string word = takePart(s, ' ');
    std::optional<int> year = number(word);
    if (!year) {
        // asctime layout: the year comes last.
        year = number(core::Trim(s));
        rest = word;
    } else {
        rest = s;
    }
    if (!year) throw std::invalid_argument("year");
    int y = *year;
    if (y < 80)
        y += 2000;
    else if (y < 100)
        y += 1900;

    int h = 0, mi = 0, sec = 0;
    if (rest.find(':') != std::string::npos) {
        std::string time = takePart(rest, ' ');
        const std::string hs = takePart(time, ':');
        const std::string ms = takePart(time, ':');
        const std::string ss = takePart(time, ':');
        h = hs.empty() ? 0 : number(hs).value();
        mi = ms.empty() ? 0 : number(ms).value();
        sec = ss.empty() ? 0 : number(ss).value();
    }
    return EncodeDateTime(y, month, day, h, mi, sec);
}

// A numeric zone such as "+0130" in days; names and anything unreadable count as 0.
double zoneOffset(const std::string& rest) {
    if (rest.size() <= 4 || (rest[0] != '+' && rest[0] != '-')) return 0;
    const auto hours = number(rest.substr(1, 2));
    const auto minutes = number(rest.substr(3, 2));
    if (!hours || !minutes) return 0;
    const double offset = (*hours * 60 + *minutes) / 1440.0;
    return rest[0] == '-' ? -offset : offset;
}

}  // namespace

TDateTime EncodeDateTime(int year, int month, int day, int hour, int minute, int second) {
    using namespace std::chrono;
    const year_month_day ymd{std::chrono::year(year), std::chrono::month(static_cast<unsigned>(month)),
                             std::chrono::day(static_cast<unsigned>(day))};
    if (!ymd.ok() || hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59)
        throw std::invalid_argument("date");
    const auto epoch = sys_days{std::chrono::year(1899) / December / 30};
    const double days = (sys_days{ymd} - epoch).count();
    return days + (hour * 3600 + minute * 60 + second) / 86400.0;
}

TDateTime ParseHeaderDate(const std::string& text, int localBiasMinutes) {
    const std::string s = core::Trim(text);
    if (s.empty()) return 0;
    std::string rest;
    TDateTime value = 0;
    try {
        value = parseDateAndTime(s, rest);
    } catch (const std::exception&) {
        value = 0;
    }
    rest = core::Trim(rest);
    value -= zoneOffset(rest);
    return value + localBiasMinutes / 1440.0;
}

int CurrentLocalBiasMinutes() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return static_cast<int>(local.tm_gmtoff / 60);
}

TDateTime ParseHeaderDate(const std::string& text) {
    return ParseHeaderDate(text, CurrentLocalBiasMinutes());
}

}  // namespace net
