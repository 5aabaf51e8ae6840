#include "config/export_table.h"

#include <algorithm>
#include <vector>

#include "config/export_formats.h"
#include "util/format.h"
#include "util/platform.h"
#include "util/whole_file.h"

namespace kx {
namespace {

// A name or reason as printed: bytes that would break the line become \xNN.
std::string Printable(const std::string& name) {
  std::string text;
  for (unsigned char c : name) {
    if (c < 0x20 || c == 0x7F || c == '\\')
      text += Format_Printf("\\x%02X", c);
    else
      text += char(c);
  }
  return text;
}

}  // namespace

const ExportedSymbol* ExportTable::Find(std::string_view name) const {
  for (const ExportedSymbol& symbol : symbols)
    if (symbol.name == name) return &symbol;
  return nullptr;
}

ExportTable Parse_Export_Table(std::string_view image) {
  ByteReader file(image);
  ExportTable table;
  if (image.substr(0, 2) == "MZ") {
    table = Read_Pe_Exports(file);
  } else if (image.substr(0, 4) ==
             "\x7F"
             "ELF") {
    table = Read_Elf_Exports(file);
  } else {
    Fail_Malformed(image.empty() ? "the file is empty"
                                 : "the file is neither a Windows DLL (PE) nor an ELF shared object");
  }
  std::stable_sort(table.symbols.begin(), table.symbols.end(), [](const auto& a, const auto& b) {
    return a.name != b.name ? a.name < b.name : a.file_offset < b.file_offset;
  });
  std::stable_sort(table.refused.begin(), table.refused.end(),
                   [](const auto& a, const auto& b) { return a.name < b.name; });
  return table;
}

ExportTable Read_Export_Table(const std::filesystem::path& path) {
  try {
    const std::vector<unsigned char> image = Read_Whole_File(path);
    return Parse_Export_Table({reinterpret_cast<const char*>(image.data()), image.size()});
  } catch (const WholeFileError& error) {
    throw ExportTableError(platform::Path_Text(path) + ": " + error.what());
  } catch (const ExportTableError& error) {
    throw ExportTableError(platform::Path_Text(path) + ": " + error.what());
  }
}

std::string Format_Exports(const ExportTable& table) {
  std::size_t width = 0;
  for (const ExportedSymbol& symbol : table.symbols) width = std::max(width, Printable(symbol.name).size());
  for (const RefusedSymbol& symbol : table.refused) width = std::max(width, Printable(symbol.name).size());
  auto name_column = [width](const std::string& name) {
    std::string column = Printable(name);
    column.resize(width, ' ');
    return column + "  ";
  };
  std::string text;
  for (const ExportedSymbol& symbol : table.symbols) {
    text += name_column(symbol.name);
    text += Format_Printf("0x%08llX  ", (unsigned long long)symbol.file_offset);
    text += symbol.size ? std::to_string(*symbol.size) : "-";
    text += '\n';
  }
  for (const RefusedSymbol& symbol : table.refused)
    text += name_column(symbol.name) + "refused: " + Printable(symbol.reason) + '\n';
  return text;
}

}  // namespace kx
