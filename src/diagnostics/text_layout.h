#pragma once

#include <string>
#include <string_view>

namespace kx {

// Lays the text out by words at `width` columns. Every line break of the
// input survives; each input line is cut into units (a run of non-blanks of
// at most `width` characters and the blanks behind it while the unit stays
// within `width`) placed greedily. A width below 1 returns an unchanged copy.
std::string Wrap_Words(std::string_view text, int width);

// Cuts every line of the text into pieces of exactly `width` characters, the
// last piece holding the rest. A width below 1 returns an unchanged copy.
std::string Break_Lines(std::string_view text, int width);

}  // namespace kx
