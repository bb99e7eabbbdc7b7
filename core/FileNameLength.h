#pragma once
// Fitting a file name into NAME_MAX bytes: the stem is shortened, never inside a UTF-8 sequence, so that
// whatever follows it (a counter, an extension, a temporary suffix) still fits.

#include <string>
#include <string_view>

namespace core {

// The first n bytes of text, or up to three fewer so that no UTF-8 sequence is cut (a name in another
// encoding only gets a little shorter).
std::string CutUtf8(std::string_view text, size_t n);

// stem + tail, the stem shortened so that the whole fits one file-name component (NAME_MAX bytes).
std::string FitNameMax(std::string_view stem, std::string_view tail);

}  // namespace core
