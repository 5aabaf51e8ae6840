#include "config/export_test_images.h"

#include <vector>

namespace kx::testing {

void ImageWriter::Put(std::uint64_t offset, std::uint64_t value, int bytes) {
  if (image_.size() < offset + bytes) image_.resize(offset + bytes, '\0');
  for (int i = 0; i < bytes; ++i) image_[offset + i] = char(value >> (8 * i) & 0xFF);
}

void ImageWriter::Put_Text(std::uint64_t offset, const std::string& text) {
  for (std::size_t i = 0; i < text.size(); ++i) Put(offset + i, static_cast<unsigned char>(text[i]), 1);
  Put(offset + text.size(), 0, 1);
}

// PE layout: headers; .text (RVA 0x1000, file 0x200, 0x10 bytes); .data (RVA
// 0x2000, file 0x210, 0x40 bytes in the file of 0x80 in memory); .bss (RVA
// 0x3000, none in the file); .edata (RVA 0x4000, file 0x250) last.
// Exports by name: Code (function), Data (0x2010), Forward (to another DLL),
// Table (0x2000), Tail (0x2050: memory beyond the file bytes of .data),
// Zero (.bss).
PeTestImage Make_Pe_Image(bool plus) {
  ImageWriter w;
  PeTestImage result;
  w.Put(0, 'M', 1);
  w.Put(1, 'Z', 1);
  w.Put(0x3C, 0x40, 4);
  w.Put_Text(0x40, "PE");
  w.Put(0x44, plus ? 0x8664 : 0x14C, 2);
  w.Put(0x46, 4, 2);
  std::uint64_t optional = 0x58;
  std::uint64_t optional_size = plus ? 240 : 224;
  w.Put(0x54, optional_size, 2);
  w.Put(optional, plus ? 0x20B : 0x10B, 2);
  std::uint64_t directories = optional + (plus ? 112 : 96);
  w.Put(directories - 4, 16, 4);
  result.optional_header = optional;

  struct Section {
    const char* name;
    std::uint32_t rva, virtual_size, raw_size, raw_offset, characteristics;
  };
  const std::uint32_t edata_size = 0x100;
  std::vector<Section> sections = {
      {".text", 0x1000, 0x10, 0x10, 0x200, 0x60000020},
      {".data", 0x2000, 0x80, 0x40, 0x210, 0xC0000040},
      {".bss", 0x3000, 0x100, 0, 0, 0xC0000080},
      {".edata", 0x4000, edata_size, edata_size, 0x250, 0x40000040},
  };
  result.section_table = optional + optional_size;
  for (std::size_t i = 0; i < sections.size(); ++i) {
    std::uint64_t header = result.section_table + 40 * i;
    w.Put_Text(header, sections[i].name);
    w.Put(header + 8, sections[i].virtual_size, 4);
    w.Put(header + 12, sections[i].rva, 4);
    w.Put(header + 16, sections[i].raw_size, 4);
    w.Put(header + 20, sections[i].raw_offset, 4);
    w.Put(header + 36, sections[i].characteristics, 4);
  }
  for (std::uint64_t i = 0; i < 0x50; ++i) w.Put(0x200 + i, 0xA0 + i % 16, 1);

  // The export directory and its tables, all in .edata.
  const std::uint32_t base_rva = 0x4000, base_file = 0x250;
  w.Put(directories, base_rva, 4);
  w.Put(directories + 4, edata_size, 4);
  struct Export {
    const char* name;
    std::uint32_t rva;
  };
  std::vector<Export> exports = {{"Code", 0x1000},  {"Data", 0x2010}, {"Forward", 0},
                                 {"Table", 0x2000}, {"Tail", 0x2050}, {"Zero", 0x3000}};
  std::uint32_t count = std::uint32_t(exports.size());
  std::uint32_t functions = 40, names = functions + 4 * count, ordinals = names + 4 * count;
  std::uint32_t strings = ordinals + 2 * count;
  w.Put(base_file + 20, count, 4);
  w.Put(base_file + 24, count, 4);
  w.Put(base_file + 28, base_rva + functions, 4);
  w.Put(base_file + 32, base_rva + names, 4);
  w.Put(base_file + 36, base_rva + ordinals, 4);
  std::uint32_t forwarder = strings;
  w.Put_Text(base_file + forwarder, "OTHER.Function");
  strings += 16;
  for (std::uint32_t i = 0; i < count; ++i) {
    // Functions in reverse order, so ordinals and names differ.
    std::uint32_t slot = count - 1 - i;
    std::uint32_t rva = exports[i].rva != 0 ? exports[i].rva : base_rva + forwarder;
    w.Put(base_file + functions + 4 * slot, rva, 4);
    w.Put(base_file + names + 4 * i, base_rva + strings, 4);
    w.Put(base_file + ordinals + 2 * i, slot, 2);
    w.Put_Text(base_file + strings, exports[i].name);
    strings += std::uint32_t(std::string(exports[i].name).size()) + 1;
  }
  w.Put(base_file + edata_size - 1, 0x5A, 1);
  result.export_directory = base_file;
  result.name_table = base_file + names;
  result.ordinal_table = base_file + ordinals;
  result.image = w.image();
  return result;
}

// ELF layout: header; .text; .data (address 0x2000, 0x40 bytes); .bss
// (address 0x3000, no file bytes); .dynsym; .dynstr; .shstrtab; then the
// section headers last. Symbols: func (function), Table (0x2000, 16 bytes),
// Data (0x2010, 4 bytes), Local (local binding), Hidden (hidden visibility),
// Zero (.bss), Abs (absolute), Imported (undefined), Past (runs beyond .data),
// Common (common).
ElfTestImage Make_Elf_Image(bool wide) {
  ImageWriter w;
  ElfTestImage result;
  int header_size = wide ? 64 : 52;
  result.symbol_size = wide ? 24 : 16;
  result.section_header_size = wide ? 64 : 40;
  auto word = [&](std::uint64_t offset, std::uint64_t value) { w.Put(offset, value, wide ? 8 : 4); };

  w.Put(0, 0x7F, 1);
  w.Put_Text(1, "ELF");
  w.Put(4, wide ? 2 : 1, 1);
  w.Put(5, 1, 1);
  w.Put(6, 1, 1);
  w.Put(16, 3, 2);  // a shared object
  w.Put(18, wide ? 62 : 3, 2);
  w.Put(20, 1, 4);

  std::uint64_t text = 0x100, data = 0x110;
  for (std::uint64_t i = 0; i < 0x50; ++i) w.Put(text + i, 0xA0 + i % 16, 1);
  result.data_offset = data;

  std::string dynstr(1, '\0');
  auto add_string = [&dynstr](const std::string& text) {
    std::uint32_t at = std::uint32_t(dynstr.size());
    dynstr += text;
    dynstr += '\0';
    return at;
  };
  struct Symbol {
    const char* name;
    std::uint64_t value, size;
    std::uint8_t info, other;
    std::uint16_t section;
  };
  const std::uint8_t global_object = 0x11, global_function = 0x12, local_object = 0x01;
  std::vector<Symbol> symbols = {
      {"", 0, 0, 0, 0, 0},
      {"func", 0x1000, 0x10, global_function, 0, 1},
      {"Table", 0x2000, 0x10, global_object, 0, 2},
      {"Data", 0x2010, 4, global_object, 0, 2},
      {"Local", 0x2014, 4, local_object, 0, 2},
      {"Hidden", 0x2018, 4, global_object, 2, 2},
      {"Zero", 0x3000, 0x40, global_object, 0, 3},
      {"Abs", 0x1234, 4, global_object, 0, 0xFFF1},
      {"Imported", 0, 4, global_object, 0, 0},
      {"Past", 0x2038, 0x10, global_object, 0, 2},
      {"Common", 4, 4, global_object, 0, 0xFFF2},
  };
  std::uint64_t dynsym = data + 0x40;
  result.symbols = dynsym;
  for (std::size_t i = 0; i < symbols.size(); ++i) {
    const Symbol& s = symbols[i];
    std::uint64_t entry = dynsym + i * result.symbol_size;
    w.Put(entry, s.name[0] != '\0' ? add_string(s.name) : 0, 4);
    w.Put(entry + (wide ? 4 : 12), s.info, 1);
    w.Put(entry + (wide ? 5 : 13), s.other, 1);
    w.Put(entry + (wide ? 6 : 14), s.section, 2);
    word(entry + (wide ? 8 : 4), s.value);
    word(entry + (wide ? 16 : 8), s.size);
  }
  std::uint64_t dynsym_size = symbols.size() * result.symbol_size;
  std::uint64_t dynstr_at = dynsym + dynsym_size;
  for (std::size_t i = 0; i < dynstr.size(); ++i)
    w.Put(dynstr_at + i, static_cast<unsigned char>(dynstr[i]), 1);

  std::string shstrtab(1, '\0');
  auto add_name = [&shstrtab](const std::string& text) {
    std::uint32_t at = std::uint32_t(shstrtab.size());
    shstrtab += text;
    shstrtab += '\0';
    return at;
  };
  struct Section {
    std::uint32_t name, type;
    std::uint64_t address, offset, size;
    std::uint32_t link;
    std::uint64_t entry_size;
  };
  std::vector<Section> sections = {
      {0, 0, 0, 0, 0, 0, 0},
      {add_name(".text"), 1, 0x1000, text, 0x10, 0, 0},
      {add_name(".data"), 1, 0x2000, data, 0x40, 0, 0},
      {add_name(".bss"), 8, 0x3000, data + 0x40, 0x100, 0, 0},
      {add_name(".dynsym"), 11, 0x4000, dynsym, dynsym_size, 5, std::uint64_t(result.symbol_size)},
      {add_name(".dynstr"), 3, 0x5000, dynstr_at, dynstr.size(), 0, 0},
      {0, 3, 0, 0, 0, 0, 0},
  };
  std::uint64_t shstrtab_at = dynstr_at + dynstr.size();
  sections[6].name = add_name(".shstrtab");
  sections[6].offset = shstrtab_at;
  sections[6].size = shstrtab.size();
  for (std::size_t i = 0; i < shstrtab.size(); ++i)
    w.Put(shstrtab_at + i, static_cast<unsigned char>(shstrtab[i]), 1);

  std::uint64_t headers = (shstrtab_at + shstrtab.size() + 7) / 8 * 8;
  result.section_headers = headers;
  for (std::size_t i = 0; i < sections.size(); ++i) {
    const Section& s = sections[i];
    std::uint64_t at = headers + i * result.section_header_size;
    w.Put(at, s.name, 4);
    w.Put(at + 4, s.type, 4);
    word(at + (wide ? 16 : 12), s.address);
    word(at + (wide ? 24 : 16), s.offset);
    word(at + (wide ? 32 : 20), s.size);
    w.Put(at + (wide ? 40 : 24), s.link, 4);
    word(at + (wide ? 56 : 36), s.entry_size);
  }
  word(wide ? 40 : 32, headers);
  w.Put(wide ? 52 : 40, header_size, 2);
  w.Put(wide ? 58 : 46, result.section_header_size, 2);
  w.Put(wide ? 60 : 48, sections.size(), 2);
  w.Put(wide ? 62 : 50, 6, 2);
  result.image = w.image();
  return result;
}

}  // namespace kx::testing
