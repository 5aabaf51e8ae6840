#include "lsp/text_positions.h"

#include <algorithm>

namespace kx::lsp {
namespace {

// The bytes and UTF-16 units of the character at text[at]; a byte that
// starts no well-formed sequence is one byte and one unit.
std::pair<std::size_t, int> Character_At(std::string_view text, std::size_t at) {
  const auto byte = static_cast<unsigned char>(text[at]);
  const std::size_t size = byte < 0xC2 ? 1 : byte < 0xE0 ? 2 : byte < 0xF0 ? 3 : byte < 0xF5 ? 4 : 1;
  if (size == 1 || at + size > text.size()) return {1, 1};
  for (std::size_t i = 1; i < size; ++i)
    if ((static_cast<unsigned char>(text[at + i]) & 0xC0) != 0x80) return {1, 1};
  return {size, size == 4 ? 2 : 1};
}

}  // namespace

TextIndex::TextIndex(std::string_view text) : text_(text) {
  starts_.push_back(0);
  script_starts_.push_back(0);
  bool ascii = true;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char byte = text[i];
    if (static_cast<unsigned char>(byte) >= 0x80) ascii = false;
    if (byte == '\n') script_starts_.push_back(i + 1);
    if (byte != '\n' && byte != '\r') continue;
    ends_.push_back(i);
    if (byte == '\r' && i + 1 < text.size() && text[i + 1] == '\n') script_starts_.push_back(++i + 1);
    starts_.push_back(i + 1);
    ascii_.push_back(ascii);
    ascii = true;
  }
  ends_.push_back(text.size());
  ascii_.push_back(ascii);
}

std::size_t TextIndex::Line_Of(std::size_t offset) const {
  return static_cast<std::size_t>(std::upper_bound(starts_.begin(), starts_.end(), offset) -
                                  starts_.begin()) -
         1;
}

std::size_t TextIndex::Offset_Of(LspPosition position) const {
  if (position.line < 0) return 0;
  const auto line = static_cast<std::size_t>(position.line);
  if (line >= starts_.size()) return text_.size();
  const std::size_t end = ends_[line];
  if (position.character <= 0) return starts_[line];
  if (ascii_[line]) return std::min(end, starts_[line] + static_cast<std::size_t>(position.character));
  std::size_t at = starts_[line];
  for (int units = 0; at < end;) {
    const auto [bytes, width] = Character_At(text_, at);
    if (units + width > position.character) break;
    units += width;
    at += bytes;
  }
  return at;
}

LspPosition TextIndex::Position_Of(std::size_t offset) const {
  offset = std::min(offset, text_.size());
  const std::size_t line = Line_Of(offset);
  const std::size_t stop = std::min(offset, ends_[line]);
  if (ascii_[line]) return {static_cast<int>(line), static_cast<int>(stop - starts_[line])};
  std::size_t at = starts_[line];
  int units = 0;
  if (last_.line == line && last_.offset <= stop && last_.offset > at) {
    at = last_.offset;
    units = last_.units;
  }
  while (at < stop) {
    const auto [bytes, width] = Character_At(text_, at);
    if (at + bytes > stop) break;
    at += bytes;
    units += width;
  }
  last_ = {line, at, units};
  return {static_cast<int>(line), units};
}

std::size_t TextIndex::Offset_Of_Script(int line, int column) const {
  if (line < 1) return 0;
  if (line > static_cast<int>(script_starts_.size())) return text_.size();
  const std::size_t start = script_starts_[static_cast<std::size_t>(line - 1)];
  std::size_t end = text_.size();
  if (line < static_cast<int>(script_starts_.size())) {
    end = script_starts_[static_cast<std::size_t>(line)] - 1;
    if (end > start && text_[end - 1] == '\r') --end;
  }
  return std::min(end, start + static_cast<std::size_t>(std::max(column, 1) - 1));
}

std::pair<int, int> TextIndex::Script_Place_Of(std::size_t offset) const {
  offset = std::min(offset, text_.size());
  const auto after = std::upper_bound(script_starts_.begin(), script_starts_.end(), offset);
  return {static_cast<int>(after - script_starts_.begin()), static_cast<int>(offset - *(after - 1)) + 1};
}

std::size_t TextIndex::Line_End_At(std::size_t offset) const {
  return ends_[Line_Of(std::min(offset, text_.size()))];
}

}  // namespace kx::lsp
