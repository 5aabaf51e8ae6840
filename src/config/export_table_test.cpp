#include "config/export_table.h"

#include <gtest/gtest.h>

#include <vector>

#include "config/export_test_images.h"
#include "diagnostics/testing.h"

namespace kx {
namespace {

using testing::ImageWriter;
using testing::Make_Elf_Image;
using testing::Make_Pe_Image;

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

struct FormatCase {
  const char* format;
  std::string image;
  const char* listing;
};

std::vector<FormatCase> Every_Format() {
  return {{"PE32", Make_Pe_Image(false).image, kPeExports},
          {"PE32+", Make_Pe_Image(true).image, kPeExports},
          {"ELF32", Make_Elf_Image(false).image, kElfExports},
          {"ELF64", Make_Elf_Image(true).image, kElfExports}};
}

std::string Error_Of(std::string_view image) {
  try {
    Parse_Export_Table(image);
  } catch (const ExportTableError& error) {
    return error.what();
  }
  return "no error";
}

TEST(ExportTable, ListsDataSymbolsOfEveryFormatAndRefusesThoseWithoutFileBytes) {
  for (const FormatCase& c : Every_Format()) {
    SCOPED_TRACE(c.format);
    ExportTable table = Parse_Export_Table(c.image);
    EXPECT_EQ(table.format, c.format);
    EXPECT_EQ(Format_Exports(table), c.listing);
    ASSERT_NE(table.Find("Table"), nullptr);
    EXPECT_EQ(table.Find("Zero"), nullptr);
  }
}

// Every shorter prefix is refused as truncated, and whatever a single byte
// holds, the reader answers with a table or a message.
TEST(ExportTable, TruncatedAndCorruptedImagesNeverReadOutsideTheFile) {
  for (const FormatCase& c : Every_Format()) {
    for (std::size_t at = 0; at < c.image.size(); ++at) {
      std::string message = Error_Of(std::string_view(c.image).substr(0, at));
      ASSERT_NE(message, "no error") << c.format << " cut to " << at << " bytes";
      if (at >= 64) {
        EXPECT_NE(message.find("truncated"), std::string::npos) << c.format << ": " << message;
      }
      for (unsigned char value : {0x00, 0x01, 0x7F, 0x80, 0xFF}) {
        std::string image = c.image;
        image[at] = char(value);
        try {
          Parse_Export_Table(image);
        } catch (const ExportTableError& error) {
          EXPECT_GT(std::string(error.what()).size(), 10u);
        }
      }
    }
  }
}

// One little-endian write into a test image, at an offset from one of its parts (or from its start).
template <typename Image>
struct Edit {
  std::uint64_t Image::*part;
  std::uint64_t offset, value;
  int bytes;
};

template <typename Image>
std::string Edited(Image made, const std::vector<Edit<Image>>& edits) {
  ImageWriter w;
  w.image() = made.image;
  for (const Edit<Image>& e : edits) w.Put((e.part ? made.*e.part : 0) + e.offset, e.value, e.bytes);
  return w.image();
}
std::string Pe(bool plus, const std::vector<Edit<testing::PeTestImage>>& edits) {
  return Edited(Make_Pe_Image(plus), edits);
}
std::string Elf(bool wide, const std::vector<Edit<testing::ElfTestImage>>& edits) {
  return Edited(Make_Elf_Image(wide), edits);
}

TEST(ExportTable, MalformedFilesAreRefusedWithAClearMessage) {
  using P = testing::PeTestImage;
  using E = testing::ElfTestImage;
  const std::pair<std::string, const char*> cases[] = {
      {"", "the file is empty"},
      {"template list { }\n", "the file is neither a Windows DLL (PE) nor an ELF shared object"},
      {Pe(false, {{nullptr, 0x3C, 0x7FFFFFF0, 4}}),
       "the file is truncated: the PE signature lies past its end"},
      {Pe(false, {{nullptr, 0x40, 0, 1}}), "no PE signature at offset 0x40: the file is no Windows DLL"},
      {Pe(false, {{&P::optional_header, 0, 0x107, 2}}),
       "unknown optional header magic 0x107 (PE32 is 0x10B, PE32+ 0x20B)"},
      {Pe(true, {{nullptr, 0x54, 0xFFFF, 2}}),
       "the file is truncated: the optional header lies past its end"},
      {Pe(false, {{nullptr, 0x46, 0xFFFF, 2}}), "the file is truncated: the section table lies past its end"},
      {Pe(false, {{&P::section_table, 3 * 40 + 16, 0x10000, 4}}),
       "the file is truncated: the data of section .edata lies past its end"},
      {Pe(false, {{&P::optional_header, 96, 0x9000, 4}}),
       "the export directory lies at RVA 0x9000, in no section"},
      {Pe(true, {{&P::optional_header, 112, 0x3000, 4}}),
       "the export directory runs past the file data of section .bss"},
      {Pe(false, {{&P::export_directory, 24, 0x40000000, 4}}),
       "the export name table runs past the file data of section .edata"},
      {Pe(false, {{&P::export_directory, 20, 0xFFFFFFFF, 4}}),
       "the export address table runs past the file data of section .edata"},
      {Pe(false, {{&P::ordinal_table, 2, 6, 2}}),
       "the export 'Data' has the ordinal index 6, beyond the 6 entries of the export address table"},
      {Pe(false, {{&P::name_table, 0, 0x8000, 4}}), "the name of export 0 lies at RVA 0x8000, in no section"},
      // The last byte of .edata, which is not zero.
      {Pe(false, {{&P::name_table, 0, 0x40FF, 4}}), "an export name has no terminating zero byte"},
      {Elf(true, {{nullptr, 5, 2, 1}}), "big-endian ELF files are not supported"},
      {Elf(true, {{nullptr, 4, 3, 1}}), "unknown ELF class 3 (1 is 32-bit, 2 is 64-bit)"},
      {Elf(false, {{nullptr, 32, 0, 4}}), "the file has no section headers, so its symbols cannot be found"},
      {Elf(true, {{nullptr, 58, 40, 2}}), "the section headers are 40 bytes each instead of 64"},
      {Elf(true, {{nullptr, 40, 0xFFFFFFFFFFFF0000, 8}}),
       "the file is truncated: the section header table lies past its end"},
      // Many sections, counted in section 0.
      {Elf(false, {{nullptr, 48, 0, 2}, {&E::section_headers, 20, 0xFFFFFFFF, 4}}),
       "the file is truncated: the section header table lies past its end"},
      {Elf(true, {{nullptr, 62, 9, 2}}), "the section name table is section 9 of only 7"},
      {Elf(true, {{&E::section_headers, 4 * 64 + 56, 16, 8}}),
       "the symbol table .dynsym has entries of 16 bytes instead of 24"},
      {Elf(false, {{&E::section_headers, 4 * 40 + 24, 2, 4}}),
       "the symbol table .dynsym names no string table (link 2)"},
      {Elf(true, {{&E::section_headers, 4 * 64 + 32, 24 * 1000, 8}}),
       "the file is truncated: the data of section .dynsym lies past its end"},
      {Elf(true, {{&E::symbols, 2 * 24 + 6, 40, 2}}), "the symbol 'Table' names section 40 of only 7"},
      {Elf(false, {{&E::symbols, 2 * 16, 5000, 4}}), "a symbol name lies outside its string table"},
  };
  for (const auto& [image, message] : cases) EXPECT_EQ(Error_Of(image), message);
}

TEST(ExportTable, ReadsFilesAndNamesThemInItsMessages) {
  testing::TempDir dir;
  std::filesystem::path dll = dir.Write("sample.dll", Make_Pe_Image(false).image);
  EXPECT_EQ(Format_Exports(Read_Export_Table(dll)), kPeExports);

  auto error_of = [](const std::filesystem::path& path) {
    try {
      Read_Export_Table(path);
    } catch (const ExportTableError& error) {
      return std::string(error.what());
    }
    return std::string("no error");
  };
  std::string missing = (dir.path() / "missing.dll").string();
  EXPECT_EQ(error_of(missing), missing + ": cannot open it: No such file or directory");
  EXPECT_EQ(error_of(dir.path()), dir.path().string() + ": it is a folder, not a file");
  EXPECT_EQ(error_of("/dev/zero"), "/dev/zero: it is not a regular file");
  std::filesystem::path cut = dir.Write("cut.so", Make_Elf_Image(true).image.substr(0, 40));
  EXPECT_EQ(error_of(cut), cut.string() + ": the file is truncated: the ELF header lies past its end");
}

TEST(ExportTable, FormatKeepsOneSymbolALine) {
  ExportTable table;
  EXPECT_EQ(Format_Exports(table), "");
  table.symbols.push_back({"a\nb\\c", 0x123456789AULL, 7});
  table.symbols.push_back({"x", 0, std::nullopt});
  EXPECT_EQ(Format_Exports(table),
            "a\\x0Ab\\x5Cc  0x123456789A  7\n"
            "x            0x00000000  -\n");
}

}  // namespace
}  // namespace kx
