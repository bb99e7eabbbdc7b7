#pragma once
// The texts of the About windows that are ours to word: the ownership line and the legal notice.

#include <QString>

namespace wizard {

// The ownership line: the year and the edition profile's "Copyright" text.
QString OwnershipLine(int year, const QString& copyright);

// The fixed legal notice of the compact About window (one paragraph; the window wraps it).
QString LegalNotice();

}  // namespace wizard
