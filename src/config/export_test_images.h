#pragma once

#include <cstdint>
#include <string>

namespace kx::testing {

// Little-endian writes into a growing byte image.
class ImageWriter {
 public:
  void Put(std::uint64_t offset, std::uint64_t value, int bytes);
  void Put_Text(std::uint64_t offset, const std::string& text);  // with its zero byte
  std::string& image() { return image_; }

 private:
  std::string image_;
};

// Small but complete images with one symbol of every kind the readers tell
// apart. Both formats export:
//   Table  data at the start of .data (file offset 0x210 in PE, see below for ELF)
//   Data   data 0x10 bytes into .data
//   Zero   in .bss (refused)
// plus a function, and format-specific cases (see the .cpp). Each image ends
// in bytes that the reader needs, so every shorter prefix is truncated.
struct PeTestImage {
  std::string image;
  std::uint64_t optional_header = 0;  // file offsets of the parts
  std::uint64_t section_table = 0;
  std::uint64_t export_directory = 0;
  std::uint64_t name_table = 0;
  std::uint64_t ordinal_table = 0;
};
PeTestImage Make_Pe_Image(bool plus);

struct ElfTestImage {
  std::string image;
  std::uint64_t section_headers = 0;
  std::uint64_t symbols = 0;      // file offset of the symbol table
  std::uint64_t data_offset = 0;  // file offset of .data
  int symbol_size = 0;            // 16 or 24
  int section_header_size = 0;    // 40 or 64
};
ElfTestImage Make_Elf_Image(bool wide);

}  // namespace kx::testing
