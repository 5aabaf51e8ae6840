// The configuration parser on any text, then each parsed entry (at most
// three) used for a build of a small fixed script against a fixed template
// file: values out of any range must be refused with a diagnostic, never
// crash, and never make the output grow past the template. The entry's own
// template file name is not used: only files of the work folder are touched.
#include "config/template_config_parser.h"
#include "fuzz_support.h"
#include "vmasm/vmasm.h"
#include "vmcode/vmcode.h"

namespace {

using kx::fuzz::Finding;

// Uses every array: two routines, an object array, a position, a variable,
// a text and a string operand.
constexpr const char kScript[] =
    "[objects]\nunit<2>\n[positions]\nbase,1,-2,3\n[variables]\ncount,70000\n"
    "[text]\nintro,\"Hold\\non\"\n[routine,Main,1,true]\nstart: Audio,\"hi\"\nJumpTo,start\n"
    "[routine,Other,-1,false,true]\nAddAmmo,unit,5\n";

constexpr std::size_t kTemplateSize = 4096;

void Build_With(kx::TemplateConfig config, const std::string& script, const std::string& blank) {
  config.dll_blank = blank;
  kx::fuzz::CheckedContext errors(true, 94), notices(false, 94);
  kx::VMOpcode catalogue(errors.context);
  const std::string dll = (kx::fuzz::Work_Folder().path() / "script.dll").string();
  try {
    kx::VMAsm reader(errors.context, notices.context, catalogue);
    kx::VMCode code(errors.context, catalogue);
    reader.Read_Script(script, config);
    code.Generate_Routines(reader);
    code.Write_Output((kx::fuzz::Work_Folder().path() / "script.c").string(), kx::VMCODE_C_LISTING);
    code.Write_Output(dll, kx::VMCODE_DLL);
    if (errors.entries != 0) Finding("a diagnostic without a failure");
    if (kx::fuzz::Read_File(dll).size() != kTemplateSize) Finding("the DLL is not the size of its template");
  } catch (const kx::BuildFailure&) {
    if (errors.entries == 0) Finding("a build failure without a diagnostic");
  }
  if (kx::fuzz::Temporaries_Left()) Finding("a temporary file left behind");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string script = kx::fuzz::Write("script.kxs", kScript);
  static const std::string blank = kx::fuzz::Write_Template("template.dll", kTemplateSize);
  const std::string path = kx::fuzz::Write("Kestrix.conf", {reinterpret_cast<const char*>(data), size});
  kx::fuzz::CheckedContext errors(true, 79), notices(false, 79);
  kx::TemplateConfigParser parser(errors.context, notices.context);
  try {
    parser.Read_Template_File(path);
  } catch (const kx::BuildFailure& failure) {
    if (errors.entries == 0) Finding("a configuration failure without a diagnostic");
    if (failure.line() < 0) Finding("a negative failure line");
    return 0;
  }
  if (errors.entries != 0) Finding("a diagnostic without a failure");
  int built = 0;
  for (const kx::TemplateConfig& entry : *parser.templates()) {
    // So no two entries share a name.
    if (parser.templates()->Find_By_Name(entry.name) != &entry) Finding("an entry that lookup cannot find");
    if (built++ < 3) Build_With(entry, script, blank);
  }
  return 0;
}
