#pragma once

#include <string>
#include <string_view>

#include "diagnostics/error_context.h"
#include "util/testing.h"

// Shared by the libFuzzer harnesses: a private work folder and checks whose
// failure is reported to libFuzzer as a crash, so that it keeps the input.
namespace kx::fuzz {

using testing::Read_File;

// A folder of this process under the system's temporary folder (TMPDIR),
// made at the first call and removed when the process exits normally. Every
// file a harness writes lies in it.
const testing::TempDir& Work_Folder();

// Writes the bytes to `name` in the work folder; returns its path.
std::string Write(const std::string& name, std::string_view bytes);
// Writes a template file of `size` bytes (1 to 251, over and over) to `name`; returns its path.
std::string Write_Template(const std::string& name, std::size_t size);

// True when a temporary output file (".kestrix-*") is left in the work folder.
bool Temporaries_Left();

// Prints what went wrong and aborts: libFuzzer saves the input as a crash.
[[noreturn]] void Finding(const std::string& what);

// An error context on a list sink that counts the entries it is given and
// finds any entry longer than the width: every diagnostic is wrapped or
// broken at its context's width.
struct CheckedContext {
  CheckedContext(bool ends_build, int width);
  CheckedContext(const CheckedContext&) = delete;
  CheckedContext& operator=(const CheckedContext&) = delete;
  int entries = 0;
  ErrorContext context;
};

}  // namespace kx::fuzz
