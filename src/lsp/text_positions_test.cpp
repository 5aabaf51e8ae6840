#include "lsp/text_positions.h"

#include <gtest/gtest.h>

#include "lsp/document_store.h"

namespace kx::lsp {
namespace {

// "é" is two bytes and one unit, "😀" four bytes and two units.
const std::string kText = "ab\r\nxé😀y\rz\n\xFFq";

struct PlaceCase {
  std::size_t offset;
  LspPosition position;  // Position_Of(offset)
  int line, column;      // Script_Place_Of(offset)
};

TEST(TextIndex, ConvertsOffsetsBothWays) {
  const TextIndex index(kText);
  const std::vector<PlaceCase> cases = {
      {0, {0, 0}, 1, 1},   {2, {0, 2}, 1, 3},  {3, {0, 2}, 1, 4},   // a place inside CR LF: the line's end
      {4, {1, 0}, 2, 1},   {5, {1, 1}, 2, 2},  {6, {1, 1}, 2, 3},   // inside "é": its start
      {7, {1, 2}, 2, 4},   {11, {1, 4}, 2, 8}, {12, {1, 5}, 2, 9},  // a lone CR ends only the client's line
      {13, {2, 0}, 2, 10}, {15, {3, 0}, 3, 1}, {16, {3, 1}, 3, 2},  // a stray byte is one unit
      {99, {3, 2}, 3, 3},
  };
  for (const PlaceCase& c : cases) {
    SCOPED_TRACE(c.offset);
    EXPECT_EQ(index.Position_Of(c.offset), c.position);
    EXPECT_EQ(index.Script_Place_Of(c.offset), std::make_pair(c.line, c.column));
  }
}

TEST(TextIndex, ClampsPlacesToTheText) {
  const TextIndex index(kText);
  const std::vector<std::pair<LspPosition, std::size_t>> positions = {
      {{0, 99}, 2}, {{1, 2}, 7},  {{1, 3}, 7},  // between the two units of a pair: the pair's start
      {{1, 4}, 11}, {{1, 9}, 12}, {{2, 1}, 14}, {{7, 0}, 17}, {{-1, 5}, 0},
  };
  for (const auto& [position, offset] : positions)
    EXPECT_EQ(index.Offset_Of(position), offset) << position.line << ":" << position.character;
  const std::vector<std::tuple<int, int, std::size_t>> places = {
      {1, 1, 0}, {1, 9, 2}, {2, 4, 7}, {2, 99, 14}, {3, 2, 16}, {9, 1, 17}, {0, 1, 0}};
  for (const auto& [line, column, offset] : places)
    EXPECT_EQ(index.Offset_Of_Script(line, column), offset) << line << ":" << column;
}

TEST(TextIndex, AppliesChangesInTheClientsPlaces) {
  const std::vector<std::tuple<LspPosition, LspPosition, std::string, std::string>> cases = {
      {{1, 3}, {1, 4}, "!", "ab\r\nxé!y\rz\n\xFFq"},       // the second unit of the pair
      {{2, 1}, {1, 5}, "", "ab\r\nxé😀y\n\xFFq"},           // a range given end first
      {{0, 2}, {1, 0}, " ", "ab xé😀y\rz\n\xFFq"},          // across CR LF
      {{3, 9}, {9, 9}, "\n[", "ab\r\nxé😀y\rz\n\xFFq\n["},  // past the end
  };
  for (const auto& [start, end, inserted, expected] : cases) {
    std::string text = kText;
    Apply_Change(text, {std::make_pair(start, end), inserted});
    EXPECT_EQ(text, expected);
  }
  std::string text = kText;
  Apply_Change(text, {std::nullopt, "new"});
  EXPECT_EQ(text, "new");
}

}  // namespace
}  // namespace kx::lsp
