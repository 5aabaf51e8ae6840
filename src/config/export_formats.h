#pragma once

#include "util/byte_reader.h"
#include "config/export_table.h"

namespace kx {

// The readers of the two file formats. Each fills `format`, `symbols` and
// `refused` in file order (the caller sorts) and throws ExportTableError on a
// malformed or truncated file.
ExportTable Read_Pe_Exports(const ByteReader& file);
ExportTable Read_Elf_Exports(const ByteReader& file);

}  // namespace kx
