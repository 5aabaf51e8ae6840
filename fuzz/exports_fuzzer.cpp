// The export-table reader behind `kestrixc --exports` on any bytes: it either
// refuses them with a message or gives a table whose symbols all have their
// bytes inside the file, sorted as promised, and whose printed form keeps
// one line per symbol.
#include <algorithm>
#include <string_view>

#include "config/export_table.h"
#include "fuzz_support.h"

namespace {

using kx::fuzz::Finding;

void Check_Table(const kx::ExportTable& table, std::string_view image) {
  const bool pe = table.format == "PE32" || table.format == "PE32+";
  const bool elf = table.format == "ELF32" || table.format == "ELF64";
  if (!(pe && image.starts_with("MZ")) && !(elf && image.starts_with("\x7F"
                                                                     "ELF")))
    Finding("the format " + table.format + " does not match the file's signature");
  for (const kx::ExportedSymbol& symbol : table.symbols) {
    // A PE symbol has at least its first byte in the file, an ELF symbol all of its bytes.
    const std::uint64_t size = symbol.size.value_or(1);
    if (symbol.file_offset > image.size() || size > image.size() - symbol.file_offset)
      Finding("the symbol '" + symbol.name + "' lies past the end of the file");
    if (pe == symbol.size.has_value())
      Finding("the symbol '" + symbol.name + "' has a size against its format");
  }
  auto symbol_order = [](const kx::ExportedSymbol& a, const kx::ExportedSymbol& b) {
    return a.name != b.name ? a.name < b.name : a.file_offset < b.file_offset;
  };
  if (!std::is_sorted(table.symbols.begin(), table.symbols.end(), symbol_order))
    Finding("the symbols are out of order");
  if (!std::is_sorted(table.refused.begin(), table.refused.end(),
                      [](const auto& a, const auto& b) { return a.name < b.name; }))
    Finding("the refused symbols are out of order");
  const std::string text = kx::Format_Exports(table);
  if (std::count(text.begin(), text.end(), '\n') !=
      std::ptrdiff_t(table.symbols.size() + table.refused.size()))
    Finding("the printed table does not have one line per symbol:\n" + text);
  if (!text.empty() && text.back() != '\n') Finding("the printed table does not end with a line break");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view image(reinterpret_cast<const char*>(data), size);
  try {
    Check_Table(kx::Parse_Export_Table(image), image);
  } catch (const kx::ExportTableError& error) {
    if (std::string_view(error.what()).empty()) Finding("a refusal without a message");
  }
  return 0;
}
