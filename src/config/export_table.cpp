#include "config/export_table.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "config/export_formats.h"
#include "util/format.h"
#include "util/unique_file.h"

namespace kx {
namespace {

constexpr std::uintmax_t kLargestFile = 1ULL << 30;

std::string Read_Whole_File(const std::filesystem::path& path) {
  std::error_code error;
  if (std::filesystem::is_directory(path, error)) Fail_Malformed("it is a folder, not a file");
  if (std::filesystem::exists(path, error) && !std::filesystem::is_regular_file(path, error))
    Fail_Malformed("it is not a regular file");
  UniqueFile file = Open_File(path, "rb");
  if (!file) Fail_Malformed(Format_Printf("cannot open it: %s", std::strerror(errno)));
  std::string image;
  char buffer[65536];
  std::size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) {
    image.append(buffer, got);
    if (image.size() > kLargestFile) Fail_Malformed("it is larger than 1 GiB, too large for a template");
  }
  if (std::ferror(file.get())) Fail_Malformed(Format_Printf("cannot read it: %s", std::strerror(errno)));
  return image;
}

// A name as printed: bytes that would break the line become \xNN.
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
    return Parse_Export_Table(Read_Whole_File(path));
  } catch (const ExportTableError& error) {
    throw ExportTableError(path.string() + ": " + error.what());
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
    text += name_column(symbol.name) + "refused: " + symbol.reason + '\n';
  return text;
}

}  // namespace kx
