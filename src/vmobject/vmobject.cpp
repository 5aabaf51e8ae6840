#include "vmobject/vmobject.h"

#include <filesystem>
#include <utility>

#include "util/platform.h"
#include "vmasm/vmasm.h"
#include "vmcode/vmcode.h"
#include "vmopcode/vmopcode.h"

namespace kx {
namespace {

constexpr const char* kModule = "vmobject/vmobject";

template <typename Char>
bool Is_Separator(Char c) {
  return c == '/' || c == '\\';
}

// An output path is used whole or not at all: one too long for the platform
// is refused instead of being cut to the name of some other file.
void Check_Output_Path(ErrorContext& errors, const std::filesystem::path& path) {
  const std::filesystem::path::string_type& text = path.native();
  std::size_t name_start = text.size();
  while (name_start > 0 && !Is_Separator(text[name_start - 1])) --name_start;
  if (text.size() - name_start > platform::kLongestName || text.size() >= platform::kLongestPath) {
    // Reported as the build's own failure, as the driver is what chose the path.
    errors.Raise_At(kModule, "VMBuild", "The output path \"%s\" is too long for this platform.",
                    platform::Path_Text(path).c_str());
  }
}

}  // namespace

VMObject::VMObject(ErrorContext& errors, ErrorContext& notices, TemplateConfigParser& configurations)
    : errors_(errors), notices_(notices), configurations_(configurations) {}

void VMObject::VMBuild(const std::filesystem::path& script_path, const std::string& template_name, int option,
                       const std::filesystem::path& output_path) {
  Build(
      script_path,
      [&](VMAsm& reader, const TemplateConfig& config) { reader.Read_Script(script_path, config); },
      template_name, option, output_path);
}

void VMObject::VMBuild_Text(const std::string& script_name, std::string_view script_text,
                            const std::string& template_name, int option,
                            const std::filesystem::path& output_path) {
  Build(
      {},
      [&](VMAsm& reader, const TemplateConfig& config) {
        reader.Read_Script_Text(script_name, script_text, config);
      },
      template_name, option, output_path);
}

void VMObject::Build(const std::filesystem::path& script_path,
                     const std::function<void(VMAsm&, const TemplateConfig&)>& read,
                     const std::string& template_name, int option, const std::filesystem::path& output_path) {
  // Stages are released in reverse order of creation: generator, reader, catalogue.
  VMOpcode catalogue(errors_);
  VMAsm reader(errors_, notices_, catalogue);
  VMCode generator(errors_, catalogue);

  const TemplateList* templates = configurations_.templates();
  const TemplateConfig* config = templates != nullptr ? templates->Find_By_Name(template_name) : nullptr;
  if (config == nullptr) {
    errors_.Raise_At(kModule, "VMBuild", "Named template configuration not in template list.");
  }

  if (option == VMBUILD_DLL)
    generator.Preload_Template(Template_File_Path(config->dll_blank, configurations_.directory()));
  read(reader, *config);
  generator.Generate_Routines(reader);
  if (option == VMBUILD_CHECK) return;

  const std::filesystem::path path = VMBuild_Output_Path(script_path, option, output_path);
  // An output never replaces a file that the build reads, however the paths
  // are spelt: links and relative paths lead to the same file.
  const std::pair<std::filesystem::path, const char*> inputs[] = {
      {script_path, "the script itself"},
      {Template_File_Path(config->dll_blank, configurations_.directory()), "the template DLL"},
      {configurations_.file(), "the configuration file"}};
  auto check = [&](const std::filesystem::path& path) {
    Check_Output_Path(errors_, path);
    for (const auto& [input, what] : inputs) {
      std::error_code missing;
      if (!input.empty() && std::filesystem::equivalent(path, input, missing))
        errors_.Raise_At(kModule, "VMBuild", "The output file \"%s\" is %s.",
                         platform::Path_Text(path).c_str(), what);
    }
  };
  switch (option) {
    case VMBUILD_ASSEMBLER_LISTING:
      check(path);
      reader.Write_Listing(path);
      break;
    case VMBUILD_C_LISTING:
      check(path);
      generator.Write_Output(path, VMCODE_C_LISTING);
      break;
    case VMBUILD_DLL:
      check(path);
      // A relative template name is found beside the configuration file,
      // whatever the current directory.
      generator.Set_Template_Directory(configurations_.directory());
      generator.Write_Output(path, VMCODE_DLL);
      break;
    default:
      errors_.Raise_At(kModule, "main", "Illegal command option.");
  }
}

std::filesystem::path VMBuild_Output_Path(const std::filesystem::path& script_path, int option,
                                          const std::filesystem::path& output_path) {
  if (!output_path.empty()) return output_path;
  const char* extension = option == VMBUILD_ASSEMBLER_LISTING ? ".aout"
                          : option == VMBUILD_C_LISTING       ? ".c"
                          : option == VMBUILD_DLL             ? ".dll"
                                                              : nullptr;
  if (extension == nullptr) return {};
  return platform::Text_Path(Strip_Extension(platform::Path_Text(script_path)) + extension);
}

std::string Strip_Extension(const std::string& path) {
  std::size_t name_start = path.size();
  while (name_start > 0 && !Is_Separator(path[name_start - 1])) --name_start;
  const std::size_t dot = path.rfind('.');
  if (dot == std::string::npos || dot <= name_start) return path;
  return path.substr(0, dot);
}

}  // namespace kx
