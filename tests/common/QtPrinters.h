#pragma once
// How GoogleTest prints Qt's text types in a failure: as text, not as a dump of bytes. Found by
// argument-dependent lookup; the Qt test programs get this header in every file through their precompiled
// headers (tests/CMakeLists.txt), so that every file prints these types alike.

#include <gtest/gtest.h>

#include <QByteArray>
#include <QString>
#include <ostream>

inline void PrintTo(const QString& text, std::ostream* os) {
    *os << ::testing::PrintToString(text.toStdString());
}

inline void PrintTo(const QByteArray& bytes, std::ostream* os) {
    *os << ::testing::PrintToString(bytes.toStdString());
}
