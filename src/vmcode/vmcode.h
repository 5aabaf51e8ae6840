#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "config/template_config.h"
#include "diagnostics/error_context.h"
#include "util/atomic_file.h"
#include "util/linked_list.h"
#include "vmasm/vmasm.h"
#include "vmopcode/vmopcode.h"

namespace kx {

// One compiled step: the opcode's code and its four encoded operands. Five
// zero words are the halt that ends every routine.
// No initialiser: the compiler's rows are written once, each whole, and are
// not cleared first. StepData{} is all zero.
struct StepData {
  std::array<std::int16_t, 5> words;
};

// Bytes of one StepData row in the template DLL.
inline constexpr std::size_t kStepDataSize = 10;

// The compiled steps of one routine.
struct RoutineSteps {
  std::string_view name;      // borrowed from the reader's RoutineRecord
  std::int32_t count = 0;     // rows used, the halt row included
  std::span<StepData> steps;  // in the compiler's step rows of all routines
};

// One compiled routine.
struct RoutineCode {
  std::int32_t index = 0;  // number of the routine in script order
  std::int32_t speed = 0;
  std::int32_t priority = 0;
  std::int32_t debug = 0;
  RoutineSteps steps;
};

int Compare_Routine_Indices(const RoutineCode& a, const RoutineCode& b);

// The file of a template's dll_blank: a relative name is found in
// `directory`, or in the current directory when that is empty.
std::filesystem::path Template_File_Path(const std::string& dll_blank,
                                         const std::filesystem::path& directory);

enum : int {
  VMCODE_C_LISTING = 0,  // Write_Output: the C listing of the tables
  VMCODE_DLL = 1,        // Write_Output: the patched copy of the template DLL
};

// The code generator and the two output writers: compiles the reader's
// routines into StepData rows and writes them, with the reader's symbol
// data, into a copy of the template DLL or as a C listing.
//
// Every failure is raised on the error context and leaves by BuildFailure:
// line 0, except for an undefined routine or location label, which carries
// the script line of the step being compiled.
class VMCode {
 public:
  VMCode(ErrorContext& errors, VMOpcode& catalogue);
  ~VMCode();

  VMCode(const VMCode&) = delete;
  VMCode& operator=(const VMCode&) = delete;

  // Starts reading the template DLL at `path` on a second thread, for a DLL
  // output written later: the reading is done by the time the routines are.
  // Any fault is left to the output, which then reads the file itself.
  void Preload_Template(const std::filesystem::path& path);

  // The folder in which a relative dll_blank is found; empty: the current
  // directory.
  void Set_Template_Directory(std::filesystem::path directory) { template_directory_ = std::move(directory); }

  // Compiles every routine of the reader, which must outlive this generator.
  // Called once, after a successful read.
  void Generate_Routines(const VMAsm& reader);

  // Writes the output at `path`: mode VMCODE_DLL copies the template DLL of
  // the reader's configuration and overwrites its ten arrays; mode
  // VMCODE_C_LISTING writes the C listing (CR LF line ends). The output is
  // written to a temporary file beside `path` and moved over it only when
  // complete, so a failure leaves an existing file at `path` untouched.
  void Write_Output(const std::filesystem::path& path, int mode);

  // The compiled routines in script order.
  const LinkedList<RoutineCode>& routines() const { return routines_; }

 private:
  // Output (vmcode.cpp, vmcode_write.cpp).
  std::filesystem::path Template_Path() const;
  // Reads the whole template into image_ and opens the output; the writers
  // patch the image and Write_Output stores it in one piece.
  void Copy_Template(const std::filesystem::path& template_path, const std::filesystem::path& path,
                     AtomicFile& output);
  void Write_Image(std::FILE* file);
  // The ten tables, in the order they are written (vmcode_write.cpp).
  void Write_Step_Data();
  void Write_Step_Rows_Text();
  void Write_Routine_Count();
  void Write_Routine_Speeds();
  void Write_Routine_Priorities();
  void Write_Routine_Offsets();
  void Write_Routine_Debug_Flags();
  void Write_Vector_Array();
  void Write_Name_Array();
  void Write_Integer_Array();
  void Write_Objective_Array();
  void Write_Text_Row(const std::string& text, std::int32_t cols);
  // Starts an array: the next bytes go to `offset`; a diagnostic names the array.
  void Begin_Array(const char* name, std::int32_t offset);
  // After a listing element: "," when another one follows, then a line break.
  void End_Element(bool another_follows);
  // DLL mode: puts the bytes into image_ at the output position and moves it
  // on; bytes beyond the template are refused. The file is written whole
  // at the end, not with a positioned write per element.
  void Emit_Bytes(std::size_t size, const unsigned char* data);
  void Emit_Text(const char* format, ...) __attribute__((format(printf, 2, 3)));
  // Writes finished listing text, each line feed as CR LF (C listing mode only).
  void Emit_Raw(std::string_view text);
  // Emit_Raw for a text whose lines end with CR LF already.
  void Emit_Lines(std::string_view text);
  // Writes the listing text gathered so far to the output file.
  void Flush_Listing();
  void Flush_Listing_Block();

  VMOpcode& catalogue_;
  std::uint64_t output_position_ = 0;
  const TemplateConfig* template_ = nullptr;
  std::FILE* output_file_ = nullptr;
  LinkedList<RoutineCode> routines_;
  // The step rows of all routines, one after another: one block, not one per
  // routine, for a script of a hundred thousand small routines.
  std::unique_ptr<StepData[]> step_rows_;
  const VMAsm* reader_ = nullptr;
  int output_mode_ = VMCODE_C_LISTING;
  ErrorContext& errors_;

  std::filesystem::path template_directory_;
  std::uint64_t template_size_ = 0;   // bytes of the copied template (DLL mode)
  std::vector<unsigned char> image_;  // the copy of the template being patched (DLL mode)
  // Preload_Template: the file, its bytes once read, and the thread reading them.
  std::filesystem::path preloaded_path_;
  std::optional<std::vector<unsigned char>> preloaded_;
  std::thread preloading_;
  // Listing text not yet written: it goes to the file in large blocks, not
  // in one write per line (C listing mode).
  std::string listing_text_;
  const char* array_name_ = "";
  std::int32_t array_offset_ = 0;
};

}  // namespace kx
