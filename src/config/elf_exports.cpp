// Exported data of an ELF file: the dynamic symbol table (or, without one,
// the static one), its object symbols and the sections that hold them.
#include <cstdint>
#include <string>
#include <vector>

#include "config/export_formats.h"
#include "util/format.h"

namespace kx {
namespace {

constexpr std::uint8_t kClass32 = 1;
constexpr std::uint8_t kClass64 = 2;
constexpr std::uint8_t kLittleEndian = 1;
constexpr std::uint16_t kRelocatable = 1;  // ET_REL: symbol values are offsets in their section
constexpr std::uint32_t kSymbolTable = 2;
constexpr std::uint32_t kStringTable = 3;
constexpr std::uint32_t kNoBits = 8;
constexpr std::uint32_t kDynamicSymbols = 11;
constexpr std::uint8_t kObject = 1;
constexpr std::uint8_t kGlobal = 1;
constexpr std::uint8_t kWeak = 2;
constexpr std::uint8_t kUnique = 10;
constexpr std::uint16_t kFirstReservedIndex = 0xFF00;
constexpr std::uint16_t kAbsolute = 0xFFF1;
constexpr std::uint16_t kCommon = 0xFFF2;
constexpr std::uint16_t kExtendedIndex = 0xFFFF;

struct ElfSection {
  std::uint32_t name = 0;
  std::uint32_t type = 0;
  std::uint64_t address = 0;
  std::uint64_t offset = 0;
  std::uint64_t size = 0;
  std::uint32_t link = 0;
  std::uint64_t entry_size = 0;
};

class ElfImage {
 public:
  explicit ElfImage(const ByteReader& file) : file_(file) {}

  ExportTable Read();

 private:
  std::uint64_t Word(std::uint64_t offset, const char* what) const {
    return wide_ ? file_.U64(offset, what) : file_.U32(offset, what);
  }
  void Read_Sections(std::uint64_t offset, std::uint16_t entry_size, std::uint64_t count,
                     std::uint32_t names_index);
  ElfSection Read_Section(std::uint64_t header) const;
  // Throws unless the bytes of section `index` lie in the file; returns their end.
  std::uint64_t Data_End(std::uint64_t index) const;
  // The section's name, or "number N" while the names are unknown.
  std::string Section_Name(std::uint64_t index) const;
  void Read_Symbols(const ElfSection& symbols, std::uint64_t symbols_index, ExportTable& table) const;

  const ByteReader& file_;
  bool wide_ = false;
  bool relocatable_ = false;
  std::vector<ElfSection> sections_;
  std::vector<std::string> names_;
};

ExportTable ElfImage::Read() {
  ExportTable table;
  std::uint8_t elf_class = file_.U8(4, "the ELF header");
  std::uint8_t data = file_.U8(5, "the ELF header");
  if (elf_class != kClass32 && elf_class != kClass64)
    Fail_Malformed(Format_Printf("unknown ELF class %u (1 is 32-bit, 2 is 64-bit)", elf_class));
  if (data != kLittleEndian)
    Fail_Malformed(data == 2 ? std::string("big-endian ELF files are not supported")
                          : Format_Printf("unknown ELF byte order %u", data));
  wide_ = elf_class == kClass64;
  table.format = wide_ ? "ELF64" : "ELF32";
  file_.Require(0, wide_ ? 64 : 52, "the ELF header");
  relocatable_ = file_.U16(16, "the ELF header") == kRelocatable;

  std::uint64_t sections_at = Word(wide_ ? 40 : 32, "the ELF header");
  std::uint64_t fields = wide_ ? 58 : 46;
  std::uint16_t entry_size = file_.U16(fields, "the ELF header");
  std::uint64_t count = file_.U16(fields + 2, "the ELF header");
  std::uint32_t names_index = file_.U16(fields + 4, "the ELF header");
  if (sections_at == 0) Fail_Malformed("the file has no section headers, so its symbols cannot be found");
  Read_Sections(sections_at, entry_size, count, names_index);

  const ElfSection* symbols = nullptr;
  std::uint64_t symbols_index = 0;
  for (std::uint64_t want : {kDynamicSymbols, kSymbolTable}) {
    for (std::uint64_t i = 0; i < sections_.size() && symbols == nullptr; ++i) {
      if (sections_[i].type == want) {
        symbols = &sections_[i];
        symbols_index = i;
      }
    }
  }
  if (symbols != nullptr) Read_Symbols(*symbols, symbols_index, table);
  return table;
}

void ElfImage::Read_Sections(std::uint64_t offset, std::uint16_t entry_size, std::uint64_t count,
                             std::uint32_t names_index) {
  std::uint16_t expected = wide_ ? 64 : 40;
  if (entry_size != expected)
    Fail_Malformed(Format_Printf("the section headers are %u bytes each instead of %u", entry_size, expected));
  if (count == 0 || names_index == kExtendedIndex) {
    // Many sections: the real count and name table index stand in section 0.
    ElfSection first = Read_Section(offset);
    if (count == 0) count = first.size;
    if (names_index == kExtendedIndex) names_index = first.link;
  }
  if (count > file_.size() / entry_size)
    Fail_Malformed("the file is truncated: the section header table lies past its end");
  file_.Require(offset, count * entry_size, "the section header table");
  for (std::uint64_t i = 0; i < count; ++i) sections_.push_back(Read_Section(offset + i * entry_size));

  names_.assign(sections_.size(), std::string());
  if (names_index == 0) return;
  if (names_index >= sections_.size())
    Fail_Malformed(Format_Printf("the section name table is section %u of only %u", names_index,
                              unsigned(sections_.size())));
  const ElfSection& names = sections_[names_index];
  std::uint64_t end = Data_End(names_index);
  for (std::uint64_t i = 0; i < sections_.size(); ++i) {
    if (sections_[i].name >= names.size)
      Fail_Malformed(Format_Printf("the name of section %u lies outside the section name table", unsigned(i)));
    names_[i] = file_.Text(names.offset + sections_[i].name, end, "a section name");
  }
}

ElfSection ElfImage::Read_Section(std::uint64_t header) const {
  const char* what = "the section header table";
  ElfSection section;
  section.name = file_.U32(header, what);
  section.type = file_.U32(header + 4, what);
  section.address = Word(header + (wide_ ? 16 : 12), what);
  section.offset = Word(header + (wide_ ? 24 : 16), what);
  section.size = Word(header + (wide_ ? 32 : 20), what);
  section.link = file_.U32(header + (wide_ ? 40 : 24), what);
  section.entry_size = Word(header + (wide_ ? 56 : 36), what);
  return section;
}

std::uint64_t ElfImage::Data_End(std::uint64_t index) const {
  const ElfSection& section = sections_[index];
  if (!file_.Contains(section.offset, section.size))
    Fail_Malformed(Format_Printf("the file is truncated: the data of section %s lies past its end",
                              Section_Name(index).c_str()));
  return section.offset + section.size;
}

std::string ElfImage::Section_Name(std::uint64_t index) const {
  if (index < names_.size() && !names_[index].empty()) return names_[index];
  return Format_Printf("number %llu", (unsigned long long)index);
}

void ElfImage::Read_Symbols(const ElfSection& symbols, std::uint64_t symbols_index,
                            ExportTable& table) const {
  std::string table_name = Section_Name(symbols_index);
  std::uint64_t entry_size = wide_ ? 24 : 16;
  if (symbols.entry_size != entry_size)
    Fail_Malformed(Format_Printf("the symbol table %s has entries of %llu bytes instead of %llu",
                              table_name.c_str(), (unsigned long long)symbols.entry_size,
                              (unsigned long long)entry_size));
  if (symbols.size % entry_size != 0)
    Fail_Malformed(
        Format_Printf("the symbol table %s does not hold a whole number of entries", table_name.c_str()));
  Data_End(symbols_index);
  if (symbols.link == 0 || symbols.link >= sections_.size() || sections_[symbols.link].type != kStringTable)
    Fail_Malformed(Format_Printf("the symbol table %s names no string table (link %u)", table_name.c_str(),
                              symbols.link));
  const ElfSection& strings = sections_[symbols.link];
  std::uint64_t strings_end = Data_End(symbols.link);

  for (std::uint64_t entry = symbols.offset + entry_size; entry < symbols.offset + symbols.size;
       entry += entry_size) {
    const char* what = "the symbol table";
    std::uint32_t name_at = file_.U32(entry, what);
    std::uint8_t info = file_.U8(entry + (wide_ ? 4 : 12), what);
    std::uint8_t other = file_.U8(entry + (wide_ ? 5 : 13), what);
    std::uint16_t index = file_.U16(entry + (wide_ ? 6 : 14), what);
    std::uint64_t value = Word(entry + (wide_ ? 8 : 4), what);
    std::uint64_t size = Word(entry + (wide_ ? 16 : 8), what);

    std::uint8_t binding = info >> 4;
    std::uint8_t visibility = other & 3;
    bool exported = binding == kGlobal || binding == kWeak || binding == kUnique;
    bool visible = visibility == 0 || visibility == 3;  // default or protected
    if ((info & 0xF) != kObject || !exported || !visible || index == 0) continue;

    if (name_at >= strings.size) Fail_Malformed("a symbol name lies outside its string table");
    std::string name = file_.Text(strings.offset + name_at, strings_end, "a symbol name");
    if (index == kAbsolute) {
      table.refused.push_back({name, "it is an absolute value with no bytes in the file"});
      continue;
    }
    if (index == kCommon) {
      table.refused.push_back({name, "it is a common symbol with no bytes in the file"});
      continue;
    }
    if (index >= kFirstReservedIndex) {
      table.refused.push_back({name, Format_Printf("its section index 0x%X is not supported", index)});
      continue;
    }
    if (index >= sections_.size())
      Fail_Malformed(Format_Printf("the symbol '%s' names section %u of only %u", name.c_str(), index,
                                unsigned(sections_.size())));
    const ElfSection& section = sections_[index];
    std::string section_name = Section_Name(index);
    if (section.type == kNoBits) {
      table.refused.push_back(
          {name, Format_Printf("it has no bytes in the file (section %s holds uninitialised data)",
                               section_name.c_str())});
      continue;
    }
    std::uint64_t within = relocatable_ ? value : value - section.address;
    if ((!relocatable_ && value < section.address) || within > section.size || size > section.size - within) {
      table.refused.push_back({name, Format_Printf("it lies outside its section %s", section_name.c_str())});
      continue;
    }
    Data_End(index);
    table.symbols.push_back({name, section.offset + within, size});
  }
}

}  // namespace

ExportTable Read_Elf_Exports(const ByteReader& file) { return ElfImage(file).Read(); }

}  // namespace kx
