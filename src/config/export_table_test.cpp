#include "config/export_table.h"

#include <gtest/gtest.h>

#include <functional>

#include "config/export_test_images.h"
#include "vmobject/testing.h"

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

TEST(ExportTable, EveryTruncationIsBadInput) {
  for (const FormatCase& c : Every_Format()) {
    for (std::size_t length = 0; length < c.image.size(); ++length) {
      std::string message = Error_Of(std::string_view(c.image).substr(0, length));
      ASSERT_NE(message, "no error") << c.format << " cut to " << length << " bytes";
      if (length >= 64) {
        EXPECT_NE(message.find("truncated"), std::string::npos) << c.format << ": " << message;
      }
    }
  }
}

// Whatever a single byte holds, the reader answers with a table or a message.
TEST(ExportTable, CorruptedBytesNeverReadOutsideTheFile) {
  for (const FormatCase& c : Every_Format()) {
    for (std::size_t at = 0; at < c.image.size(); ++at) {
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

struct Corruption {
  const char* what;
  std::function<std::string()> image;
  const char* message;
};

std::string Pe_With(bool plus, const std::function<void(testing::PeTestImage&, ImageWriter&)>& change) {
  testing::PeTestImage pe = Make_Pe_Image(plus);
  ImageWriter w;
  w.image() = pe.image;
  change(pe, w);
  return w.image();
}

std::string Elf_With(bool wide, const std::function<void(testing::ElfTestImage&, ImageWriter&)>& change) {
  testing::ElfTestImage elf = Make_Elf_Image(wide);
  ImageWriter w;
  w.image() = elf.image;
  change(elf, w);
  return w.image();
}

TEST(ExportTable, MalformedFilesAreRefusedWithAClearMessage) {
  const std::vector<Corruption> cases = {
      {"empty", [] { return std::string(); }, "the file is empty"},
      {"text file", [] { return std::string("template list { }\n"); },
       "the file is neither a Windows DLL (PE) nor an ELF shared object"},
      {"PE header offset past the end",
       [] { return Pe_With(false, [](auto&, ImageWriter& w) { w.Put(0x3C, 0x7FFFFFF0, 4); }); },
       "the file is truncated: the PE signature lies past its end"},
      {"no PE signature", [] { return Pe_With(false, [](auto&, ImageWriter& w) { w.Put(0x40, 0, 1); }); },
       "no PE signature at offset 0x40: the file is no Windows DLL"},
      {"unknown magic",
       [] { return Pe_With(false, [](auto& pe, ImageWriter& w) { w.Put(pe.optional_header, 0x107, 2); }); },
       "unknown optional header magic 0x107 (PE32 is 0x10B, PE32+ 0x20B)"},
      {"optional header past the end",
       [] { return Pe_With(true, [](auto&, ImageWriter& w) { w.Put(0x54, 0xFFFF, 2); }); },
       "the file is truncated: the optional header lies past its end"},
      {"too many sections",
       [] { return Pe_With(false, [](auto&, ImageWriter& w) { w.Put(0x46, 0xFFFF, 2); }); },
       "the file is truncated: the section table lies past its end"},
      {"section data past the end",
       [] {
         return Pe_With(false,
                        [](auto& pe, ImageWriter& w) { w.Put(pe.section_table + 3 * 40 + 16, 0x10000, 4); });
       },
       "the file is truncated: the data of section .edata lies past its end"},
      {"export directory in no section",
       [] {
         return Pe_With(false, [](auto& pe, ImageWriter& w) { w.Put(pe.optional_header + 96, 0x9000, 4); });
       },
       "the export directory lies at RVA 0x9000, in no section"},
      {"export directory in .bss",
       [] {
         return Pe_With(true, [](auto& pe, ImageWriter& w) { w.Put(pe.optional_header + 112, 0x3000, 4); });
       },
       "the export directory runs past the file data of section .bss"},
      {"name count beyond the section",
       [] {
         return Pe_With(false,
                        [](auto& pe, ImageWriter& w) { w.Put(pe.export_directory + 24, 0x40000000, 4); });
       },
       "the export name table runs past the file data of section .edata"},
      {"function count beyond the section",
       [] {
         return Pe_With(false,
                        [](auto& pe, ImageWriter& w) { w.Put(pe.export_directory + 20, 0xFFFFFFFF, 4); });
       },
       "the export address table runs past the file data of section .edata"},
      {"ordinal index out of range",
       [] { return Pe_With(false, [](auto& pe, ImageWriter& w) { w.Put(pe.ordinal_table + 2, 6, 2); }); },
       "the export 'Data' has the ordinal index 6, beyond the 6 entries of the export address table"},
      {"name in no section",
       [] { return Pe_With(false, [](auto& pe, ImageWriter& w) { w.Put(pe.name_table, 0x8000, 4); }); },
       "the name of export 0 lies at RVA 0x8000, in no section"},
      {"name without terminator",
       [] {
         return Pe_With(false, [](auto& pe, ImageWriter& w) {
           w.Put(pe.name_table, 0x40FF, 4);  // the last byte of .edata, which is not zero
         });
       },
       "an export name has no terminating zero byte"},
      {"big-endian ELF", [] { return Elf_With(true, [](auto&, ImageWriter& w) { w.Put(5, 2, 1); }); },
       "big-endian ELF files are not supported"},
      {"unknown ELF class", [] { return Elf_With(true, [](auto&, ImageWriter& w) { w.Put(4, 3, 1); }); },
       "unknown ELF class 3 (1 is 32-bit, 2 is 64-bit)"},
      {"no section headers", [] { return Elf_With(false, [](auto&, ImageWriter& w) { w.Put(32, 0, 4); }); },
       "the file has no section headers, so its symbols cannot be found"},
      {"wrong section header size",
       [] { return Elf_With(true, [](auto&, ImageWriter& w) { w.Put(58, 40, 2); }); },
       "the section headers are 40 bytes each instead of 64"},
      {"section headers past the end",
       [] { return Elf_With(true, [](auto&, ImageWriter& w) { w.Put(40, 0xFFFFFFFFFFFF0000, 8); }); },
       "the file is truncated: the section header table lies past its end"},
      {"many sections counted in section 0",
       [] {
         return Elf_With(false, [](auto& elf, ImageWriter& w) {
           w.Put(48, 0, 2);
           w.Put(elf.section_headers + 20, 0xFFFFFFFF, 4);
         });
       },
       "the file is truncated: the section header table lies past its end"},
      {"section name table out of range",
       [] { return Elf_With(true, [](auto&, ImageWriter& w) { w.Put(62, 9, 2); }); },
       "the section name table is section 9 of only 7"},
      {"symbol entries of the wrong size",
       [] {
         return Elf_With(true,
                         [](auto& elf, ImageWriter& w) { w.Put(elf.section_headers + 4 * 64 + 56, 16, 8); });
       },
       "the symbol table .dynsym has entries of 16 bytes instead of 24"},
      {"symbol table without a string table",
       [] {
         return Elf_With(false,
                         [](auto& elf, ImageWriter& w) { w.Put(elf.section_headers + 4 * 40 + 24, 2, 4); });
       },
       "the symbol table .dynsym names no string table (link 2)"},
      {"symbol table past the end",
       [] {
         return Elf_With(
             true, [](auto& elf, ImageWriter& w) { w.Put(elf.section_headers + 4 * 64 + 32, 24 * 1000, 8); });
       },
       "the file is truncated: the data of section .dynsym lies past its end"},
      {"symbol in a section that does not exist",
       [] {
         return Elf_With(true, [](auto& elf, ImageWriter& w) { w.Put(elf.symbols + 2 * 24 + 6, 40, 2); });
       },
       "the symbol 'Table' names section 40 of only 7"},
      {"symbol name outside the string table",
       [] {
         return Elf_With(false, [](auto& elf, ImageWriter& w) { w.Put(elf.symbols + 2 * 16, 5000, 4); });
       },
       "a symbol name lies outside its string table"},
  };
  for (const Corruption& c : cases) EXPECT_EQ(Error_Of(c.image()), c.message) << c.what;
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
