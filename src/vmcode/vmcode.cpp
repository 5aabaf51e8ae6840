#include "vmcode/vmcode.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <system_error>

#include "util/platform.h"
#include "util/whole_file.h"

namespace kx {
namespace {

constexpr const char* kModule = "vmcode/vmcode";

// Forgets the output file however the writers end.
class OutputScope {
 public:
  OutputScope(std::FILE*& slot, std::FILE* file) : slot_(slot) { slot_ = file; }
  ~OutputScope() { slot_ = nullptr; }
  OutputScope(const OutputScope&) = delete;
  OutputScope& operator=(const OutputScope&) = delete;

 private:
  std::FILE*& slot_;
};

}  // namespace

int Compare_Routine_Indices(const RoutineCode& a, const RoutineCode& b) {
  if (a.index == b.index) return 0;
  return a.index > b.index ? 1 : -1;
}

VMCode::VMCode(ErrorContext& errors, VMOpcode& catalogue)
    : catalogue_(catalogue), routines_(Compare_Routine_Indices), errors_(errors) {}

VMCode::~VMCode() {
  if (preloading_.joinable()) preloading_.join();
}

void VMCode::Preload_Template(const std::filesystem::path& path) {
  if (preloading_.joinable() || std::thread::hardware_concurrency() < 2) return;
  preloaded_path_ = path;
  try {
    preloading_ = std::thread([this] {
      try {
        preloaded_ = Read_Whole_File(preloaded_path_);
      } catch (...) {
        // Read again, and reported, by Copy_Template.
      }
    });
  } catch (const std::system_error&) {
    // No thread to be had: read when the output is written.
  }
}

std::filesystem::path Template_File_Path(const std::string& dll_blank,
                                         const std::filesystem::path& directory) {
  std::filesystem::path blank = platform::Text_Path(dll_blank);
  if (blank.is_relative() && !directory.empty()) return directory / blank;
  return blank;
}

std::filesystem::path VMCode::Template_Path() const {
  return Template_File_Path(template_->dll_blank, template_directory_);
}

void VMCode::Write_Output(const std::filesystem::path& path, int mode) {
  const std::string path_text = platform::Path_Text(path);
  output_mode_ = mode;
  listing_text_.clear();
  template_ = reader_->template_config();
  AtomicFile output;
  if (mode == VMCODE_DLL) {
    Copy_Template(Template_Path(), path, output);
  } else if (!output.Open(path)) {
    errors_.Raise_System_At(kModule, "fopen (%s)", path_text.c_str());
  }
  {
    OutputScope scope(output_file_, output.get());
    Write_Step_Data();
    Write_Routine_Count();
    Write_Routine_Speeds();
    Write_Routine_Priorities();
    Write_Routine_Offsets();
    Write_Routine_Debug_Flags();
    Write_Vector_Array();
    Write_Name_Array();
    Write_Integer_Array();
    Write_Objective_Array();
    if (mode == VMCODE_C_LISTING) Flush_Listing();
  }
  if (mode == VMCODE_DLL) Write_Image(output.get());
  if (std::fflush(output.get()) != 0) {
    errors_.Raise_System_At(kModule, "fflush (%s)", path_text.c_str());
  }
  const std::string temporary = platform::Path_Text(output.temporary_path());
  if (!output.Commit()) {
    errors_.Raise_System_At(kModule, "rename (\"%s\", \"%s\")", temporary.c_str(), path_text.c_str());
  }
}

void VMCode::Write_Image(std::FILE* file) {
  // In blocks, the disk starting on each while the next is copied, so that
  // the flush to disk that ends the output has little left to wait for.
  constexpr std::size_t kImageBlock = std::size_t{1} << 20;
  for (std::size_t at = 0; at < image_.size(); at += kImageBlock) {
    const std::size_t size = std::min(kImageBlock, image_.size() - at);
    if (std::fwrite(image_.data() + at, 1, size, file) != size || !platform::Start_Writing_To_Disk(file))
      errors_.Raise_System_At(kModule, "fwrite");
  }
}

void VMCode::Copy_Template(const std::filesystem::path& template_path, const std::filesystem::path& path,
                           AtomicFile& output) {
  const std::string template_text = platform::Path_Text(template_path);
  if (preloading_.joinable()) preloading_.join();
  try {
    if (preloaded_ && preloaded_path_ == template_path)
      image_ = std::move(*preloaded_);
    else
      image_ = Read_Whole_File(template_path);
    preloaded_.reset();
  } catch (const WholeFileError& error) {
    errno = error.error_number();
    switch (error.fault()) {
      case WholeFileError::Fault::Open:
        errors_.Raise_System_At(kModule, "fopen (\"%s\", \"rb\")", template_text.c_str());
      case WholeFileError::Fault::Folder:
      case WholeFileError::Fault::Read:
        errors_.Raise_System_At(kModule, "fread");
      case WholeFileError::Fault::Not_Regular:
      case WholeFileError::Fault::Too_Large:
        errors_.Raise_At(kModule, "Copy_Template", "The template DLL file \"%s\" cannot be used: %s.",
                         template_text.c_str(), error.what());
    }
  }
  template_size_ = image_.size();
  if (!output.Open(path)) {
    errors_.Raise_System_At(kModule, "fopen (\"%s\", \"wb\")", platform::Path_Text(path).c_str());
  }
}

}  // namespace kx
