#include "cli/kestrixc.h"

#include <cerrno>
#include <cstring>
#include <exception>
#include <iterator>
#include <memory>

#include "cli/options.h"
#include "config/export_table.h"
#include "config/template_config_parser.h"
#include "diagnostics/error_context.h"
#include "diagnostics/error_sink.h"
#include "util/atomic_file.h"
#include "vmcode/decompile.h"
#include "util/platform.h"
#include "vmcode/vmcode.h"
#include "vmobject/companion_files.h"
#include "vmobject/vmobject.h"
#include "vmopcode/vmopcode.h"

namespace kx {
namespace {

int Bad_Usage(std::ostream& err, const std::string& message) {
  err << "kestrixc: " << message << '\n' << Usage_Text();
  return KESTRIXC_BAD_USAGE;
}

ListSink::Receiver Print_To(std::ostream& stream) {
  return [&stream](const std::string& entry) { stream << entry << '\n'; };
}

int Print_Synopses(const CliOptions& options, std::ostream& out, std::ostream& err) {
  ErrorContext errors(kConfigurationLogWidth, std::make_unique<ListSink>(true, Print_To(err)));
  VMOpcode catalogue(errors);
  try {
    if (options.action == CliAction::Operations) {
      for (const OpcodeRecord* record = catalogue.by_name().First(); record != nullptr;
           record = catalogue.by_name().Next(*record))
        out << catalogue.Synopsis(record->name) << '\n';
      return KESTRIXC_SUCCESS;
    }
    if (catalogue.Find_Opcode_By_Name(options.operation) == nullptr)
      return Bad_Usage(err, "no operation is named '" + options.operation + "'");
    out << catalogue.Synopsis(options.operation) << '\n';
    return KESTRIXC_SUCCESS;
  } catch (const BuildFailure&) {
    return KESTRIXC_BUILD_FAILED;
  }
}

int Print_Exports(const CliOptions& options, std::ostream& out, std::ostream& err) {
  try {
    out << Format_Exports(Read_Export_Table(platform::Text_Path(options.exports_file)));
    return KESTRIXC_SUCCESS;
  } catch (const ExportTableError& error) {
    err << "kestrixc: " << error.what() << '\n';
    return KESTRIXC_BUILD_FAILED;
  }
}

// --decompile: the script goes to the output file, written whole or not at
// all, or to standard output.
int Decompile(const CliOptions& options, const TemplateList& templates, const std::filesystem::path& directory,
              std::ostream& out, std::ostream& err) {
  const std::string name = options.template_name.value_or(templates.empty() ? "" : templates.First()->name);
  const TemplateConfig* config = templates.Find_By_Name(name);
  if (config == nullptr) return Bad_Usage(err, "no template entry is named '" + name + "'");
  std::string script;
  try {
    script = Decompile_File(platform::Text_Path(options.decompile_file), *config, directory);
  } catch (const DecompileError& error) {
    err << "kestrixc: " << error.what() << '\n';
    return KESTRIXC_BUILD_FAILED;
  }
  if (!options.output) {
    out << script;
    return KESTRIXC_SUCCESS;
  }
  AtomicFile file;
  if (!file.Open(platform::Text_Path(*options.output)) ||
      std::fwrite(script.data(), 1, script.size(), file.get()) != script.size() || !file.Commit()) {
    err << "kestrixc: " << *options.output << ": " << std::strerror(errno) << '\n';
    return KESTRIXC_BUILD_FAILED;
  }
  return KESTRIXC_SUCCESS;
}

// "FILE:LINE: error: WHAT", or "FILE: error: WHAT" without a line.
std::string Failure_Line(const std::string& file, int line, const char* what) {
  if (line > 0) return file + ':' + std::to_string(line) + ": error: " + what;
  return file + ": error: " + what;
}

// The name of a script read from standard input, in the build log and the last line.
constexpr const char* kStandardInput = "<stdin>";

// A file name as make reads it: a space or '#' behind a backslash, '$' doubled.
std::string Make_Name(const std::filesystem::path& path) {
  std::string name;
  for (char c : platform::Path_Text(path)) {
    if (c == ' ' || c == '#') name += '\\';
    if (c == '$') name += '$';
    name += c;
  }
  return name;
}

// Writes the dependency file whole, or reports why it could not.
bool Write_Depfile(const std::string& file, const std::string& text, std::ostream& err) {
  AtomicFile depfile;
  if (depfile.Open(platform::Text_Path(file)) &&
      std::fwrite(text.data(), 1, text.size(), depfile.get()) == text.size() && depfile.Commit())
    return true;
  err << "kestrixc: cannot write the dependency file '" << file << "': " << std::strerror(errno) << '\n';
  return false;
}

}  // namespace

int Run_Kestrixc(const std::vector<std::string>& args, const std::filesystem::path& program_directory,
                 std::istream& in, std::ostream& out, std::ostream& err) {
  CliOptions options;
  try {
    options = Parse_Options(args);
  } catch (const UsageError& error) {
    return Bad_Usage(err, error.what());
  }
  switch (options.action) {
    case CliAction::Help:
      out << Usage_Text();
      return KESTRIXC_SUCCESS;
    case CliAction::Version:
      out << "kestrixc " KX_VERSION "\n";
      return KESTRIXC_SUCCESS;
    case CliAction::Synopsis:
    case CliAction::Operations:
      return Print_Synopses(options, out, err);
    case CliAction::Exports:
      return Print_Exports(options, out, err);
    case CliAction::List_Templates:
    case CliAction::Decompile:
    case CliAction::Build:
      break;
  }

  // The configuration's diagnostics go to standard error as the log file
  // would hold them; its progress lines are not shown.
  ErrorContext configuration_errors(kConfigurationLogWidth, std::make_unique<ListSink>(true, Print_To(err)));
  ErrorContext configuration_notices(kConfigurationLogWidth, std::make_unique<ListSink>(false));
  TemplateConfigParser configurations(configuration_errors, configuration_notices);
  const std::filesystem::path config_path =
      options.config ? platform::Text_Path(*options.config)
                     : Companion_Directory(program_directory) / kConfigurationFileName;
  try {
    configurations.Read_Template_File(config_path);
  } catch (const BuildFailure& failure) {
    err << Failure_Line(platform::Path_Text(config_path), failure.line(), "configuration not read") << '\n';
    return KESTRIXC_BAD_USAGE;
  }
  const TemplateList& templates = *configurations.templates();

  if (options.action == CliAction::List_Templates) {
    for (const TemplateConfig& entry : templates) out << entry.name << '\n';
    return KESTRIXC_SUCCESS;
  }
  if (options.action == CliAction::Decompile)
    return Decompile(options, templates, configurations.directory(), out, err);

  // The build log: progress and failure diagnostics alike, in order, on
  // standard output, as the build dialog's list would show them.
  ErrorContext build_errors(kBuildLogWidth, std::make_unique<ListSink>(true, Print_To(out)));
  ErrorContext build_notices(
      kBuildLogWidth,
      std::make_unique<ListSink>(false, options.quiet ? ListSink::Receiver{} : Print_To(out)));
  VMObject vmobject(build_errors, build_notices, configurations);
  std::string template_name;
  if (options.template_name)
    template_name = *options.template_name;
  else if (!templates.empty())
    template_name = templates.First()->name;

  const std::filesystem::path output =
      options.output ? platform::Text_Path(*options.output) : std::filesystem::path();
  // Builds one script; a failure ends with its last line on standard error.
  // What the output depends on joins `dependencies`.
  std::string dependencies;
  auto build = [&](const std::string& script) {
    const bool from_input = script == "-";
    const std::filesystem::path script_path =
        from_input ? std::filesystem::path() : platform::Text_Path(script);
    int line = 0;
    try {
      if (from_input)
        vmobject.VMBuild_Text(kStandardInput, std::string(std::istreambuf_iterator<char>(in), {}),
                              template_name, options.option, output);
      else
        vmobject.VMBuild(script_path, template_name, options.option, output);
      dependencies += Make_Name(VMBuild_Output_Path(script_path, options.option, output)) + ":";
      if (!from_input) dependencies += " " + Make_Name(script_path);
      dependencies += " " + Make_Name(config_path);
      dependencies += " " + Make_Name(Template_File_Path(templates.Find_By_Name(template_name)->dll_blank,
                                                         configurations.directory()));
      dependencies += "\n";
      return true;
    } catch (const BuildFailure& failure) {
      line = failure.line();
    } catch (const std::exception& unexpected) {
      out.flush();
      err << "kestrixc: " << unexpected.what() << '\n';
    }
    out.flush();
    err << Failure_Line(from_input ? kStandardInput : script, line, "build failed") << '\n';
    return false;
  };
  // Each script is built, whatever became of the ones before it.
  int status = KESTRIXC_SUCCESS;
  for (const std::string& script : options.scripts)
    if (!build(script)) status = KESTRIXC_BUILD_FAILED;
  // The dependency file is written only when every output is, so that an earlier one survives a failure.
  if (status == KESTRIXC_SUCCESS && options.depfile && !Write_Depfile(*options.depfile, dependencies, err))
    status = KESTRIXC_BUILD_FAILED;
  return status;
}

}  // namespace kx
