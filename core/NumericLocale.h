#pragma once
// KeepCNumericLocale: numbers in option texts stay in the C form for the whole process.
//
// The media libraries read decimals ("i_qfactor=0.71") with the C library, which follows LC_NUMERIC. Qt's
// application object adopts the user's locale at construction, so under a decimal-comma locale (de_DE, fr_FR)
// every preset with a fraction would be refused. Call once, right after the application object exists and
// before any other thread starts. Texts shown to the user are formatted by Qt and are not affected.

#include <clocale>

namespace core {

inline void KeepCNumericLocale() {
    std::setlocale(LC_NUMERIC, "C");
}

}  // namespace core
