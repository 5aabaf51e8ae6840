#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "util/byte_reader.h"

namespace kx {

// One exported data symbol that has bytes in its file.
struct ExportedSymbol {
  std::string name;
  std::uint64_t file_offset = 0;
  // The size in bytes where the format records it (ELF); none for PE.
  std::optional<std::uint64_t> size;
};

// An exported data symbol whose bytes are not in the file (uninitialised
// data, an absolute value, ...): it cannot be patched.
struct RefusedSymbol {
  std::string name;
  std::string reason;
};

// The exported data symbols of a Windows DLL (PE32, PE32+) or an ELF file
// (32 and 64 bit, little-endian). Functions and forwarded exports are not
// listed. Both lists are sorted by name (byte order), then by offset.
struct ExportTable {
  std::string format;  // "PE32", "PE32+", "ELF32" or "ELF64"
  std::vector<ExportedSymbol> symbols;
  std::vector<RefusedSymbol> refused;

  // The first symbol of this exact name, or nullptr.
  const ExportedSymbol* Find(std::string_view name) const;
};

// A file that cannot be read, or is no well-formed PE or ELF file. The
// message is complete and names the file when one was read.
using ExportTableError = MalformedInput;

// Reads the export table of the file at `path`; throws ExportTableError.
ExportTable Read_Export_Table(const std::filesystem::path& path);

// The same for a file's bytes; the message of ExportTableError names no file.
ExportTable Parse_Export_Table(std::string_view image);

// The table as text, one symbol a line, in the table's order:
//   name, blanks up to a common column, the offset as 0x and eight or more
//   upper-case hexadecimal digits, two blanks, the size in decimal or "-".
// Then one line per refused symbol: name, blanks, "refused: " and the reason.
// Control characters and backslashes in names and reasons (which may quote a
// section name) print as \xNN. Every line ends with a line feed; an empty
// table gives an empty text.
std::string Format_Exports(const ExportTable& table);

}  // namespace kx
