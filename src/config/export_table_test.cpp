#include "config/export_table.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <functional>

#include "util/testing.h"

namespace kx {
namespace {

constexpr std::uint64_t kPeOptionalHeader = 0x58, kPeExportDirectory = 0x250;
constexpr std::uint64_t kPeNameTable = kPeExportDirectory + 64, kPeOrdinalTable = kPeExportDirectory + 88;
constexpr std::uint64_t kElfSymbols = 0x150, kElfSectionHeaders = 0x300;

std::uint64_t Pe_Section_Table(bool plus) { return kPeOptionalHeader + (plus ? 240 : 224); }

// Writes `value` as `bytes` little-endian bytes at `at`, growing the image as needed.
void Put(std::string& image, std::uint64_t at, std::uint64_t value, int bytes) {
  if (image.size() < at + bytes) image.resize(at + bytes);
  for (int i = 0; i < bytes; ++i) image[at + i] = static_cast<char>(value >> 8 * i);
}

// The bytes of `text` and a zero byte after them.
void Put_Text(std::string& image, std::uint64_t at, std::string_view text) {
  Put(image, at + text.size(), 0, 1);
  text.copy(image.data() + at, text.size());
}

struct Field {
  std::uint64_t at, value;
  int bytes;
};

void Put_All(std::string& image, std::uint64_t base, std::initializer_list<Field> fields) {
  for (const Field& field : fields) Put(image, base + field.at, field.value, field.bytes);
}

// Small but complete images with one symbol of every kind the readers tell apart, laid out by hand. Each
// ends in bytes the reader needs, so every shorter prefix is truncated.
//
// PE: .text (RVA 0x1000, file 0x200), .data (RVA 0x2000, file 0x210, 0x40 of its 0x80 bytes in the file),
// .bss (RVA 0x3000), .edata (RVA 0x4000, file 0x250) holding the export directory. Exports by name: Code
// (a function), Data (0x2010), Forward (to another DLL), Table (0x2000), Tail (0x2050) and Zero (.bss).
// clang-format off
std::string Make_Pe_Image(bool plus) {
  std::string image;
  Put_Text(image, 0, "MZ");
  Put_Text(image, 0x40, "PE");
  const std::uint64_t directories = kPeOptionalHeader + (plus ? 112 : 96), edata = 0x4000;
  Put_All(image, 0, {{0x3C, 0x40, 4}, {0x44, plus ? 0x8664u : 0x14Cu, 2}, {0x46, 4, 2},
                     {0x54, plus ? 240u : 224u, 2}, {kPeOptionalHeader, plus ? 0x20Bu : 0x10Bu, 2},
                     {directories - 4, 16, 4}, {directories, edata, 4}, {directories + 4, 0x100, 4}});
  const struct {
    const char* name;
    std::uint32_t rva, size, raw_size, raw_offset, flags;
  } sections[] = {{".text", 0x1000, 0x10, 0x10, 0x200, 0x60000020},
                  {".data", 0x2000, 0x80, 0x40, 0x210, 0xC0000040},
                  {".bss", 0x3000, 0x100, 0, 0, 0xC0000080},
                  {".edata", edata, 0x100, 0x100, 0x250, 0x40000040}};
  std::uint64_t at = Pe_Section_Table(plus);
  for (const auto& s : sections) {
    Put_Text(image, at, s.name);
    Put_All(image, at,
            {{8, s.size, 4}, {12, s.rva, 4}, {16, s.raw_size, 4}, {20, s.raw_offset, 4}, {36, s.flags, 4}});
    at += 40;
  }
  // The directory, then the tables of addresses (+40), names (+64) and ordinals (+88), then the texts (+100).
  const std::uint64_t d = kPeExportDirectory;
  Put_All(image, d, {{20, 6, 4}, {24, 6, 4}, {28, edata + 40, 4}, {32, edata + 64, 4}, {36, edata + 88, 4}});
  Put_Text(image, d + 100, "OTHER.Function");
  const std::pair<std::string_view, std::uint64_t> exports[] = {
      {"Code", 0x1000}, {"Data", 0x2010}, {"Forward", edata + 100}, {"Table", 0x2000}, {"Tail", 0x2050},
      {"Zero", 0x3000}};
  std::uint64_t text = 116;
  for (std::uint64_t i = 0; i < 6; ++i) {
    // The addresses in reverse order, so that ordinals and name positions differ.
    Put_All(image, d, {{40 + 4 * (5 - i), exports[i].second, 4}, {64 + 4 * i, edata + text, 4},
                       {88 + 2 * i, 5 - i, 2}});
    Put_Text(image, d + text, exports[i].first);
    text += exports[i].first.size() + 1;
  }
  Put(image, d + 0xFF, 0x5A, 1);  // the last byte of .edata
  return image;
}

// ELF: .text, .data (address 0x2000, file 0x110, 0x40 bytes), .bss (0x3000), .dynsym (file 0x150), .dynstr,
// .shstrtab and the section headers (file 0x300) last. Symbols: func (a function), Table (0x2000, 16 bytes),
// Data (0x2010, 4 bytes), Local, Hidden, Zero (.bss), Abs, Imported (undefined), Past (beyond .data), Common.
std::string Make_Elf_Image(bool wide) {
  std::string image;
  const int word = wide ? 8 : 4;
  const std::uint64_t symbol_size = wide ? 24 : 16, header_size = wide ? 64 : 40;
  Put_Text(image, 0, "\x7F" "ELF");
  Put_All(image, 0, {{4, wide ? 2u : 1u, 1}, {5, 1, 1}, {6, 1, 1}, {16, 3, 2}, {18, wide ? 62u : 3u, 2},
                     {20, 1, 4}, {wide ? 40u : 32u, kElfSectionHeaders, word},
                     {wide ? 58u : 46u, header_size, 2}, {wide ? 60u : 48u, 7, 2}, {wide ? 62u : 50u, 6, 2}});
  const struct {
    std::string_view name;
    std::uint64_t value, size, info, other, section;
  } symbols[] = {{"", 0, 0, 0, 0, 0},              {"func", 0x1000, 0x10, 0x12, 0, 1},
                 {"Table", 0x2000, 0x10, 0x11, 0, 2}, {"Data", 0x2010, 4, 0x11, 0, 2},
                 {"Local", 0x2014, 4, 0x01, 0, 2},    {"Hidden", 0x2018, 4, 0x11, 2, 2},
                 {"Zero", 0x3000, 0x40, 0x11, 0, 3},  {"Abs", 0x1234, 4, 0x11, 0, 0xFFF1},
                 {"Imported", 0, 4, 0x11, 0, 0},      {"Past", 0x2038, 0x10, 0x11, 0, 2},
                 {"Common", 4, 4, 0x11, 0, 0xFFF2}};
  std::string names(1, '\0');
  std::uint64_t at = kElfSymbols;
  for (const auto& s : symbols) {
    Put_All(image, at, {{0, s.name.empty() ? 0 : names.size(), 4}, {wide ? 4u : 12u, s.info, 1},
                        {wide ? 5u : 13u, s.other, 1}, {wide ? 6u : 14u, s.section, 2},
                        {wide ? 8u : 4u, s.value, word}, {wide ? 16u : 8u, s.size, word}});
    if (!s.name.empty()) (names += s.name) += '\0';
    at += symbol_size;
  }
  Put_Text(image, 0x260, names);
  Put_Text(image, 0x2A0, std::string_view("\0.text\0.data\0.bss\0.dynsym\0.dynstr\0.shstrtab", 43));
  const struct {
    std::uint64_t name, type, address, offset, size, link, entry_size;
  } sections[] = {{0, 0, 0, 0, 0, 0, 0},
                  {1, 1, 0x1000, 0x100, 0x10, 0, 0},
                  {7, 1, 0x2000, 0x110, 0x40, 0, 0},
                  {13, 8, 0x3000, 0x150, 0x100, 0, 0},
                  {18, 11, 0x4000, kElfSymbols, 11 * symbol_size, 5, symbol_size},
                  {26, 3, 0x5000, 0x260, names.size(), 0, 0},
                  {34, 3, 0, 0x2A0, 44, 0, 0}};
  at = kElfSectionHeaders;
  for (const auto& s : sections) {
    Put_All(image, at, {{0, s.name, 4}, {4, s.type, 4}, {wide ? 16u : 12u, s.address, word},
                        {wide ? 24u : 16u, s.offset, word}, {wide ? 32u : 20u, s.size, word},
                        {wide ? 40u : 24u, s.link, 4}, {wide ? 56u : 36u, s.entry_size, word}});
    at += header_size;
  }
  return image;
}
// clang-format on

const char* const kPeExports =
    "Data   0x00000220  -\n"
    "Table  0x00000210  -\n"
    "Tail   refused: it has no bytes in the file (RVA 0x2050 lies in the uninitialised part of section "
    ".data)\n"
    "Zero   refused: it has no bytes in the file (RVA 0x3000 lies in the uninitialised part of section "
    ".bss)\n";
const char* const kElfExports =
    "Data    0x00000120  4\n"
    "Table   0x00000110  16\n"
    "Abs     refused: it is an absolute value with no bytes in the file\n"
    "Common  refused: it is a common symbol with no bytes in the file\n"
    "Past    refused: it lies outside its section .data\n"
    "Zero    refused: it has no bytes in the file (section .bss holds uninitialised data)\n";

// The message of the ExportTableError that `read` throws.
std::string Error_Of(const std::function<void()>& read) {
  try {
    read();
  } catch (const ExportTableError& error) {
    return error.what();
  }
  return "no error";
}
std::string Error_Of(std::string_view image) {
  return Error_Of([&] { Parse_Export_Table(image); });
}

std::string Patched(std::string image, std::uint64_t at, std::uint64_t value, int bytes) {
  Put(image, at, value, bytes);
  return image;
}

// Every shorter prefix of an image is refused as truncated, and whatever a
// single byte holds, the reader answers with a table or a message.
TEST(ExportTable, ListsTheDataSymbolsOfEveryFormatAndRefusesEveryTruncation) {
  const std::tuple<const char*, std::string, const char*> formats[] = {
      {"PE32", Make_Pe_Image(false), kPeExports},
      {"PE32+", Make_Pe_Image(true), kPeExports},
      {"ELF32", Make_Elf_Image(false), kElfExports},
      {"ELF64", Make_Elf_Image(true), kElfExports}};
  for (const auto& [format, image, listing] : formats) {
    const ExportTable table = Parse_Export_Table(image);
    EXPECT_EQ(table.format, format);
    EXPECT_EQ(Format_Exports(table), listing) << format;
    EXPECT_TRUE(table.Find("Table") != nullptr && table.Find("Zero") == nullptr);
    for (std::size_t at = 0; at < image.size(); ++at) {
      const std::string message = Error_Of(std::string_view(image).substr(0, at));
      EXPECT_TRUE(message != "no error" && (at < 64 || message.find("truncated") != std::string::npos))
          << format << " cut to " << at << ": " << message;
      for (unsigned char value : {0x00, 0x01, 0x7F, 0x80, 0xFF}) Error_Of(Patched(image, at, value, 1));
    }
  }
}

TEST(ExportTable, MalformedFilesAreRefusedWithAClearMessage) {
  const std::string pe = Make_Pe_Image(false), pe_plus = Make_Pe_Image(true);
  const std::string elf = Make_Elf_Image(false), elf_wide = Make_Elf_Image(true);
  const std::uint64_t table = Pe_Section_Table(false), d = kPeExportDirectory, h = kElfSectionHeaders;
  const std::pair<std::string, const char*> cases[] = {
      {"", "the file is empty"},
      {"template list { }\n", "the file is neither a Windows DLL (PE) nor an ELF shared object"},
      {Patched(pe, 0x3C, 0x7FFFFFF0, 4), "the file is truncated: the PE signature lies past its end"},
      {Patched(pe, 0x40, 0, 1), "no PE signature at offset 0x40: the file is no Windows DLL"},
      {Patched(pe, kPeOptionalHeader, 0x107, 2),
       "unknown optional header magic 0x107 (PE32 is 0x10B, PE32+ 0x20B)"},
      {Patched(pe_plus, 0x54, 0xFFFF, 2), "the file is truncated: the optional header lies past its end"},
      {Patched(pe, 0x46, 0xFFFF, 2), "the file is truncated: the section table lies past its end"},
      {Patched(pe, table + 3 * 40 + 16, 0x10000, 4),
       "the file is truncated: the data of section .edata lies past its end"},
      {Patched(pe, kPeOptionalHeader + 96, 0x9000, 4),
       "the export directory lies at RVA 0x9000, in no section"},
      {Patched(pe_plus, kPeOptionalHeader + 112, 0x3000, 4),
       "the export directory runs past the file data of section .bss"},
      {Patched(pe, d + 24, 60, 4), "the export name table runs past the file data of section .edata"},
      {Patched(pe, d + 20, 0xFFFFFFFF, 4),
       "the export address table runs past the file data of section .edata"},
      {Patched(pe, kPeOrdinalTable + 2, 6, 2),
       "the export 'Data' has the ordinal index 6, beyond the 6 entries of the export address table"},
      {Patched(pe, kPeNameTable, 0x8000, 4), "the name of export 0 lies at RVA 0x8000, in no section"},
      // The last byte of .edata, which is not zero.
      {Patched(pe, kPeNameTable, 0x40FF, 4), "an export name has no terminating zero byte"},
      {Patched(elf_wide, 5, 2, 1), "big-endian ELF files are not supported"},
      {Patched(elf_wide, 4, 3, 1), "unknown ELF class 3 (1 is 32-bit, 2 is 64-bit)"},
      {Patched(elf, 32, 0, 4), "the file has no section headers, so its symbols cannot be found"},
      {Patched(elf_wide, 58, 40, 2), "the section headers are 40 bytes each instead of 64"},
      {Patched(elf_wide, 40, 0xFFFFFFFFFFFF0000, 8),
       "the file is truncated: the section header table lies past its end"},
      // Many sections, counted in section 0.
      {Patched(Patched(elf, 48, 0, 2), h + 20, 0xFFFFFFFF, 4),
       "the file is truncated: the section header table lies past its end"},
      {Patched(elf_wide, 62, 9, 2), "the section name table is section 9 of only 7"},
      {Patched(elf_wide, h + 4 * 64 + 56, 16, 8),
       "the symbol table .dynsym has entries of 16 bytes instead of 24"},
      {Patched(elf, h + 4 * 40 + 24, 2, 4), "the symbol table .dynsym names no string table (link 2)"},
      {Patched(elf_wide, h + 4 * 64 + 32, 24 * 1000, 8),
       "the file is truncated: the data of section .dynsym lies past its end"},
      {Patched(elf_wide, kElfSymbols + 2 * 24 + 6, 40, 2), "the symbol 'Table' names section 40 of only 7"},
      {Patched(elf, kElfSymbols + 2 * 16, 5000, 4), "a symbol name lies outside its string table"},
  };
  for (const auto& [image, message] : cases) EXPECT_EQ(Error_Of(image), message);
}

TEST(ExportTable, RefusesWhatIsNoRegularFileAndPrintsNamesOnOneLine) {
  testing::TempDir dir;
  const std::string missing = (dir.path() / "missing.dll").string(), folder = dir.path().string();
  const std::string fifo = (dir.path() / "fifo.dll").string();
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);  // never waited on
  // Each message begins with the path of its file.
  for (const std::string& path :
       {missing + ": cannot open it: No such file or directory", folder + ": it is a folder, not a file",
        std::string("/dev/zero: it is not a regular file"), fifo + ": it is not a regular file"})
    EXPECT_EQ(Error_Of([&] { Read_Export_Table(path.substr(0, path.find(": "))); }), path);
  // Control characters and backslashes print as \xNN, in reasons too; offsets take eight or more digits.
  ExportTable table;
  table.symbols = {{"a\nb\\c", 0x123456789AULL, 7}, {"x", 0, std::nullopt}};
  table.refused = {{"r", "it lies outside its section t\n"}};
  EXPECT_EQ(Format_Exports(table),
            "a\\x0Ab\\x5Cc  0x123456789A  7\nx            0x00000000  -\n"
            "r            refused: it lies outside its section t\\x0A\n");
}

}  // namespace
}  // namespace kx
