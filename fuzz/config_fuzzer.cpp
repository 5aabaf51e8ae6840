// The configuration parser on any text, then each parsed entry (at most
// three) used for a build of a small fixed script against a fixed template
// file: values out of any range must be refused with a diagnostic, never
// crash, and never make the output grow past the template. The entry's own
// template file name is not used: only files of the work folder are touched.
#include <cstddef>
#include <cstdint>
#include <set>
#include <string>

#include "config/template_config_parser.h"
#include "fuzz_support.h"
#include "vmasm/vmasm.h"
#include "vmcode/vmcode.h"
#include "diagnostics/build_failure.h"
#include "vmopcode/vmopcode.h"

namespace {

using kx::fuzz::Finding;

constexpr std::size_t kTemplateSize = 4096;

// Uses every array: two routines, an object array, a position, a variable,
// a text and a string operand.
constexpr const char kScript[] =
    "[objects]\nunit<2>\n[positions]\nbase,1,-2,3\n[variables]\ncount,70000\n"
    "[text]\nintro,\"Hold\\non\"\n[routine,Main,1,true]\nstart: Audio,\"hi\"\nJumpTo,start\n"
    "[routine,Other,-1,false,true]\nAddAmmo,unit,5\n";

struct Files {
  Files() {
    std::string bytes(kTemplateSize, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i % 251 + 1);
    template_bytes = bytes;
    template_path = kx::fuzz::Write_File("template.dll", bytes);
    script_path = kx::fuzz::Write_File("script.kxs", kScript);
  }
  std::string template_bytes;
  std::string template_path;
  std::string script_path;
};

void Build_With(const kx::TemplateConfig& parsed, const Files& files) {
  kx::TemplateConfig config = parsed;
  config.dll_blank = files.template_path;
  kx::fuzz::CheckedContext errors(true, 94);
  kx::fuzz::CheckedContext notices(false, 94);
  kx::VMOpcode catalogue(*errors.context);
  const std::string dll = (kx::fuzz::Work_Folder() / "script.dll").string();
  const std::string listing = (kx::fuzz::Work_Folder() / "script.c").string();
  try {
    kx::VMAsm reader(*errors.context, *notices.context, catalogue);
    kx::VMCode code(*errors.context, catalogue);
    reader.Read_Script(files.script_path, config);
    code.Generate_Routines(reader);
    code.Write_Output(listing, kx::VMCODE_C_LISTING);
    code.Write_Output(dll, kx::VMCODE_DLL);
  } catch (const kx::BuildFailure&) {
    if (errors.sink->entries() == 0) Finding("a build failure without a diagnostic");
    if (kx::fuzz::Temporaries_Left(kx::fuzz::Work_Folder())) Finding("a temporary file left behind");
    return;
  }
  if (errors.sink->entries() != 0) Finding("a diagnostic without a failure");
  if (kx::fuzz::Read_File(dll).size() != files.template_bytes.size())
    Finding("the DLL is not the size of its template");
  if (kx::fuzz::Temporaries_Left(kx::fuzz::Work_Folder())) Finding("a temporary file left behind");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const Files files;
  const std::string path = kx::fuzz::Write_Input("Kestrix.conf", data, size);
  kx::fuzz::CheckedContext errors(true, 79);
  kx::fuzz::CheckedContext notices(false, 79);
  kx::TemplateConfigParser parser(*errors.context, *notices.context);
  try {
    parser.Read_Template_File(path);
  } catch (const kx::BuildFailure& failure) {
    if (errors.sink->entries() == 0) Finding("a configuration failure without a diagnostic");
    if (failure.line() < 0) Finding("a negative failure line");
    return 0;
  }
  if (errors.sink->entries() != 0) Finding("a diagnostic without a failure");
  if (parser.templates() == nullptr) Finding("a parse without a list");
  std::set<std::string> names;
  int built = 0;
  for (const kx::TemplateConfig& entry : *parser.templates()) {
    if (!names.insert(entry.name).second) Finding("two entries named " + entry.name);
    if (parser.templates()->Find_By_Name(entry.name) != &entry) Finding("an entry that lookup cannot find");
    if (built++ < 3) Build_With(entry, files);
  }
  return 0;
}
