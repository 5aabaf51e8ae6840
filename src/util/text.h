#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kx {

// A backslash directly followed by a lowercase n becomes one line feed; every
// other character, a lone or doubled backslash included, is kept.
std::string Unescape_Newlines(std::string_view text);

// Every line feed becomes the two characters backslash and n.
std::string Escape_Newlines(std::string_view text);

// A block of `size` zero bytes.
std::vector<unsigned char> Allocate_Zeroed(std::size_t size);

}  // namespace kx
