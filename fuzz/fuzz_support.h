#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "diagnostics/error_context.h"
#include "diagnostics/error_sink.h"

// Shared by the libFuzzer harnesses: a private work folder and checks whose
// failure is reported to libFuzzer as a crash, so that it keeps the input.
namespace kx::fuzz {

// A folder of this process under the system's temporary folder (TMPDIR),
// made at the first call and removed when the process exits normally. Every
// file a harness writes lies in it.
const std::filesystem::path& Work_Folder();

// Writes the bytes to `name` in the work folder, replacing what was there;
// returns the path.
std::string Write_File(const std::string& name, std::string_view bytes);
std::string Write_Input(const std::string& name, const std::uint8_t* data, std::size_t size);

// The whole content of a file; empty when it cannot be read.
std::string Read_File(const std::filesystem::path& path);

// True when a temporary output file (".kestrix-*") is left in the folder.
bool Temporaries_Left(const std::filesystem::path& folder);

// Prints what went wrong and aborts: libFuzzer saves the input as a crash.
[[noreturn]] void Finding(const std::string& what);

// A list sink that counts the entries it is given and finds any entry
// longer than `width` (every diagnostic is wrapped or broken at its
// context's width, so none may be longer).
class CheckedSink final : public ErrorSink {
 public:
  CheckedSink(bool ends_build, int width)
      : list_(ends_build, [this](const std::string& entry) { Check(entry); }), width_(width) {}
  void Deliver(const std::string& text) override { list_.Deliver(text); }
  int entries() const { return entries_; }

 private:
  void Check(const std::string& entry);

  ListSink list_;
  int width_;
  int entries_ = 0;
};

// An error context on a CheckedSink; `sink` refers to it.
struct CheckedContext {
  CheckedContext(bool ends_build, int width);
  CheckedSink* sink;
  std::unique_ptr<ErrorContext> context;
};

}  // namespace kx::fuzz
