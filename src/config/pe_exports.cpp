// Exported data of a Windows DLL: export directory, then for each named
// export its address (an RVA), the section holding it and the file offset.
#include <cstdint>
#include <string>
#include <vector>

#include "config/export_formats.h"
#include "util/format.h"

namespace kx {
namespace {

constexpr std::uint32_t kPeSignature = 0x00004550;  // "PE\0\0"
constexpr std::uint16_t kPe32Magic = 0x10B;
constexpr std::uint16_t kPe32PlusMagic = 0x20B;
constexpr std::uint32_t kSectionHoldsCode = 0x00000020;
constexpr std::uint32_t kSectionExecutable = 0x20000000;
constexpr std::uint64_t kSectionHeaderSize = 40;
constexpr std::uint64_t kExportDirectorySize = 40;

struct PeSection {
  std::string name;
  std::uint32_t virtual_address = 0;
  std::uint32_t virtual_size = 0;
  std::uint32_t raw_size = 0;
  std::uint32_t raw_offset = 0;
  std::uint32_t characteristics = 0;

  // The part of the address space the section covers.
  std::uint64_t span() const { return virtual_size != 0 ? virtual_size : raw_size; }
  bool Holds(std::uint64_t rva) const { return rva >= virtual_address && rva - virtual_address < span(); }
  bool Is_Code() const { return (characteristics & (kSectionHoldsCode | kSectionExecutable)) != 0; }
};

class PeImage {
 public:
  explicit PeImage(const ByteReader& file) : file_(file) {}

  ExportTable Read();

 private:
  void Read_Sections(std::uint64_t offset, std::uint16_t count);
  const PeSection* Find_Section(std::uint64_t rva) const;
  // The file offset of `length` bytes at `rva`, which must have file bytes.
  std::uint64_t File_Offset(std::uint64_t rva, std::uint64_t length, const std::string& what) const;
  // Throws unless the section's file data lies in the file; returns its end.
  std::uint64_t Raw_End(const PeSection& section) const;

  const ByteReader& file_;
  std::vector<PeSection> sections_;
};

ExportTable PeImage::Read() {
  ExportTable table;
  std::uint32_t pe = file_.U32(0x3C, "the DOS header");
  if (file_.U32(pe, "the PE signature") != kPeSignature)
    Fail_Malformed(Format_Printf("no PE signature at offset 0x%X: the file is no Windows DLL", pe));
  std::uint64_t coff = std::uint64_t{pe} + 4;
  std::uint16_t section_count = file_.U16(coff + 2, "the COFF header");
  std::uint16_t optional_size = file_.U16(coff + 16, "the COFF header");
  std::uint64_t optional = coff + 20;
  file_.Require(optional, optional_size, "the optional header");

  std::uint16_t magic = file_.U16(optional, "the optional header");
  std::uint64_t count_at = 0;
  if (magic == kPe32Magic) {
    table.format = "PE32";
    count_at = 92;
  } else if (magic == kPe32PlusMagic) {
    table.format = "PE32+";
    count_at = 108;
  } else {
    Fail_Malformed(Format_Printf("unknown optional header magic 0x%X (PE32 is 0x10B, PE32+ 0x20B)", magic));
  }
  Read_Sections(optional + optional_size, section_count);

  std::uint64_t directories = count_at + 4;
  if (directories + 8 > optional_size) return table;  // no export directory entry
  if (file_.U32(optional + count_at, "the optional header") == 0) return table;
  std::uint32_t export_rva = file_.U32(optional + directories, "the export directory entry");
  std::uint32_t export_size = file_.U32(optional + directories + 4, "the export directory entry");
  if (export_rva == 0) return table;

  std::uint64_t directory = File_Offset(export_rva, kExportDirectorySize, "the export directory");
  std::uint32_t function_count = file_.U32(directory + 20, "the export directory");
  std::uint32_t name_count = file_.U32(directory + 24, "the export directory");
  if (name_count == 0) return table;
  std::uint64_t functions = File_Offset(file_.U32(directory + 28, "the export directory"),
                                        4ULL * function_count, "the export address table");
  std::uint64_t names = File_Offset(file_.U32(directory + 32, "the export directory"), 4ULL * name_count,
                                    "the export name table");
  std::uint64_t ordinals = File_Offset(file_.U32(directory + 36, "the export directory"), 2ULL * name_count,
                                       "the export ordinal table");

  for (std::uint64_t i = 0; i < name_count; ++i) {
    std::uint32_t name_rva = file_.U32(names + 4 * i, "the export name table");
    const PeSection* name_section = Find_Section(name_rva);
    if (name_section == nullptr)
      Fail_Malformed(
          Format_Printf("the name of export %u lies at RVA 0x%X, in no section", unsigned(i), name_rva));
    std::uint64_t name_offset = File_Offset(name_rva, 1, "an export name");
    std::string name = file_.Text(name_offset, Raw_End(*name_section), "an export name");

    std::uint16_t index = file_.U16(ordinals + 2 * i, "the export ordinal table");
    if (index >= function_count)
      Fail_Malformed(
          Format_Printf("the export '%s' has the ordinal index %u, beyond the %u entries of the export "
                        "address table",
                        name.c_str(), index, function_count));
    std::uint32_t rva = file_.U32(functions + 4ULL * index, "the export address table");
    if (rva >= export_rva && rva - export_rva < export_size) continue;  // forwarded to another DLL

    const PeSection* section = Find_Section(rva);
    if (section == nullptr) {
      table.refused.push_back(
          {name, Format_Printf("its address (RVA 0x%X) lies in no section of the file", rva)});
      continue;
    }
    if (section->Is_Code()) continue;  // a function
    std::uint64_t within = rva - section->virtual_address;
    if (within >= section->raw_size) {
      table.refused.push_back(
          {name, Format_Printf(
                     "it has no bytes in the file (RVA 0x%X lies in the uninitialised part of section %s)",
                     rva, section->name.c_str())});
      continue;
    }
    Raw_End(*section);
    table.symbols.push_back({name, section->raw_offset + within, std::nullopt});
  }
  return table;
}

void PeImage::Read_Sections(std::uint64_t offset, std::uint16_t count) {
  file_.Require(offset, kSectionHeaderSize * count, "the section table");
  for (std::uint64_t i = 0; i < count; ++i) {
    std::uint64_t header = offset + kSectionHeaderSize * i;
    PeSection section;
    std::string_view name = file_.Bytes(header, 8, "the section table");
    section.name = std::string(name.substr(0, name.find('\0')));
    section.virtual_size = file_.U32(header + 8, "the section table");
    section.virtual_address = file_.U32(header + 12, "the section table");
    section.raw_size = file_.U32(header + 16, "the section table");
    section.raw_offset = file_.U32(header + 20, "the section table");
    section.characteristics = file_.U32(header + 36, "the section table");
    sections_.push_back(std::move(section));
  }
}

const PeSection* PeImage::Find_Section(std::uint64_t rva) const {
  for (const PeSection& section : sections_)
    if (section.Holds(rva)) return &section;
  return nullptr;
}

std::uint64_t PeImage::Raw_End(const PeSection& section) const {
  if (!file_.Contains(section.raw_offset, section.raw_size))
    Fail_Malformed(Format_Printf("the file is truncated: the data of section %s lies past its end",
                              section.name.c_str()));
  return std::uint64_t{section.raw_offset} + section.raw_size;
}

std::uint64_t PeImage::File_Offset(std::uint64_t rva, std::uint64_t length, const std::string& what) const {
  const PeSection* section = Find_Section(rva);
  if (section == nullptr)
    Fail_Malformed(Format_Printf("%s lies at RVA 0x%llX, in no section", what.c_str(), (unsigned long long)rva));
  Raw_End(*section);
  std::uint64_t within = rva - section->virtual_address;
  if (within > section->raw_size || length > section->raw_size - within)
    Fail_Malformed(
        Format_Printf("%s runs past the file data of section %s", what.c_str(), section->name.c_str()));
  return section->raw_offset + within;
}

}  // namespace

ExportTable Read_Pe_Exports(const ByteReader& file) { return PeImage(file).Read(); }

}  // namespace kx
