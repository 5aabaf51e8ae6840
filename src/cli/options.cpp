#include "cli/options.h"

#include <algorithm>
#include <cctype>
#include <string_view>

namespace kx {
namespace {

enum class OptionId {
  Template,
  Format,
  Config,
  Output,
  Check,
  Depfile,
  Quiet,
  List_Templates,
  Synopsis,
  Operations,
  Exports,
  Decompile,
  Help,
  Version
};

struct OptionEntry {
  OptionId id;
  char short_name;  // 0: long form only
  const char* long_name;
  bool takes_value;
};

// clang-format off
constexpr OptionEntry kOptions[] = {
    {OptionId::Template, 't', "template", true},
    {OptionId::Format, 'f', "format", true},
    {OptionId::Config, 'c', "config", true},
    {OptionId::Output, 'o', "output", true},
    {OptionId::Check, 0, "check", false},
    {OptionId::Depfile, 0, "depfile", true},
    {OptionId::Quiet, 'q', "quiet", false},
    {OptionId::List_Templates, 0, "list-templates", false},
    {OptionId::Synopsis, 0, "synopsis", true},
    {OptionId::Operations, 0, "operations", false},
    {OptionId::Exports, 0, "exports", true},
    {OptionId::Decompile, 0, "decompile", true},
    {OptionId::Help, 'h', "help", false},
    {OptionId::Version, 0, "version", false},
};
// clang-format on

const OptionEntry* Find_Long(std::string_view name) {
  for (const OptionEntry& entry : kOptions)
    if (name == entry.long_name) return &entry;
  return nullptr;
}

const OptionEntry* Find_Short(char name) {
  for (const OptionEntry& entry : kOptions)
    if (entry.short_name != 0 && name == entry.short_name) return &entry;
  return nullptr;
}

int Output_Option(const std::string& format) {
  if (format == "dll") return VMBUILD_DLL;
  if (format == "c") return VMBUILD_C_LISTING;
  if (format == "aout") return VMBUILD_ASSEMBLER_LISTING;
  throw UsageError("invalid format '" + format + "' (expected dll, c or aout)");
}

// The format that the extension of an output file names, in any letter case.
int Output_Option_Of_File(const std::string& file) {
  const std::size_t dot = file.rfind('.');
  std::string extension = dot == std::string::npos ? "" : file.substr(dot + 1);
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (extension == "dll" || extension == "c" || extension == "aout") return Output_Option(extension);
  throw UsageError("cannot tell the format of '" + file + "' from its extension (give --format)");
}

class Parser {
 public:
  explicit Parser(const std::vector<std::string>& args) : args_(args) {}

  CliOptions Parse() {
    bool options_ended = false;
    for (next_ = 0; next_ < args_.size();) {
      const std::string& arg = args_[next_++];
      if (options_ended || arg.size() < 2 || arg[0] != '-') {
        operands_.push_back(arg);
      } else if (arg == "--") {
        options_ended = true;
      } else if (arg[1] == '-') {
        Parse_Long(arg);
      } else {
        Parse_Short(arg);
      }
    }
    return Finish();
  }

 private:
  void Parse_Long(const std::string& arg) {
    const std::size_t equals = arg.find('=');
    const std::string name = arg.substr(2, equals == std::string::npos ? std::string::npos : equals - 2);
    const OptionEntry* entry = Find_Long(name);
    if (entry == nullptr) throw UsageError("unknown option '--" + name + "'");
    const std::string shown = "--" + name;
    if (!entry->takes_value) {
      if (equals != std::string::npos) throw UsageError("option '" + shown + "' takes no value");
      Apply(*entry, shown, "");
    } else if (equals != std::string::npos) {
      Apply(*entry, shown, arg.substr(equals + 1));
    } else {
      Apply(*entry, shown, Take_Value(shown));
    }
  }

  // Flags may be grouped ("-qh"); a value option takes the rest of the
  // argument or, when nothing is left, the next argument.
  void Parse_Short(const std::string& arg) {
    for (std::size_t i = 1; i < arg.size(); ++i) {
      const OptionEntry* entry = Find_Short(arg[i]);
      const std::string shown = std::string("-") + arg[i];
      if (entry == nullptr) throw UsageError("unknown option '" + shown + "'");
      if (!entry->takes_value) {
        Apply(*entry, shown, "");
        continue;
      }
      Apply(*entry, shown, i + 1 < arg.size() ? arg.substr(i + 1) : Take_Value(shown));
      return;
    }
  }

  std::string Take_Value(const std::string& shown) {
    if (next_ >= args_.size()) throw UsageError("option '" + shown + "' needs a value");
    return args_[next_++];
  }

  void Apply(const OptionEntry& entry, const std::string& shown, const std::string& value) {
    switch (entry.id) {
      case OptionId::Template:
        options_.template_name = value;
        break;
      case OptionId::Format:
        options_.option = Output_Option(value);
        format_given_ = true;
        break;
      case OptionId::Output:
        options_.output = value;
        break;
      case OptionId::Check:
        check_ = true;
        break;
      case OptionId::Depfile:
        options_.depfile = value;
        break;
      case OptionId::Config:
        options_.config = value;
        break;
      case OptionId::Quiet:
        options_.quiet = true;
        break;
      case OptionId::List_Templates:
        Request(CliAction::List_Templates, shown);
        break;
      case OptionId::Synopsis:
        Request(CliAction::Synopsis, shown);
        options_.operation = value;
        break;
      case OptionId::Operations:
        Request(CliAction::Operations, shown);
        break;
      case OptionId::Exports:
        Request(CliAction::Exports, shown);
        options_.exports_file = value;
        break;
      case OptionId::Decompile:
        Request(CliAction::Decompile, shown);
        options_.decompile_file = value;
        break;
      case OptionId::Help:
        help_ = true;
        break;
      case OptionId::Version:
        version_ = true;
        break;
    }
  }

  void Request(CliAction action, const std::string& shown) {
    if (options_.action != CliAction::Build && options_.action != action)
      throw UsageError("option '" + shown + "' cannot be combined with '" + request_ + "'");
    options_.action = action;
    request_ = shown;
  }

  CliOptions Finish() {
    if (help_) {
      options_.action = CliAction::Help;
      return options_;
    }
    if (version_) {
      options_.action = CliAction::Version;
      return options_;
    }
    if (options_.action == CliAction::Build) {
      Finish_Build();
    } else if (!operands_.empty()) {
      throw UsageError("unexpected argument '" + operands_[0] + "' with '" + request_ + "'");
    }
    return options_;
  }

  void Finish_Build() {
    if (operands_.empty()) throw UsageError("no SCRIPT given");
    options_.scripts = operands_;
    if (options_.output && operands_.size() > 1)
      throw UsageError("option '-o' names the output of one SCRIPT, not of " +
                       std::to_string(operands_.size()));
    if (check_ && options_.output) throw UsageError("option '--check' cannot be combined with '-o'");
    if (check_ && options_.depfile) throw UsageError("option '--check' cannot be combined with '--depfile'");
    if (!check_ && !options_.output && std::count(operands_.begin(), operands_.end(), "-") > 0)
      throw UsageError("SCRIPT '-' (standard input) needs '-o' or '--check'");
    if (check_)
      options_.option = VMBUILD_CHECK;
    else if (options_.output && !format_given_)
      options_.option = Output_Option_Of_File(*options_.output);
  }

  const std::vector<std::string>& args_;
  std::size_t next_ = 0;
  CliOptions options_;
  std::vector<std::string> operands_;
  std::string request_;
  bool format_given_ = false;
  bool check_ = false;
  bool help_ = false;
  bool version_ = false;
};

}  // namespace

CliOptions Parse_Options(const std::vector<std::string>& args) { return Parser(args).Parse(); }

const char* Usage_Text() {
  return "usage: kestrixc [options] SCRIPT...\n"
         "Builds each mission script into a file beside it: SCRIPT without its\n"
         "extension, plus .dll, .c or .aout. SCRIPT '-' is read from standard input.\n"
         "\n"
         "  -t, --template NAME   template entry to build for (default: the first entry)\n"
         "  -f, --format FORMAT   dll, c or aout (default: dll, or the extension of -o)\n"
         "  -o, --output FILE     write the output of the one SCRIPT to FILE\n"
         "      --check           read and check each SCRIPT, write nothing\n"
         "      --depfile FILE    write the files each output depends on to FILE, as\n"
         "                        make reads them\n"
         "  -c, --config FILE     configuration file (default: Kestrix.conf in the\n"
         "                        program's directory)\n"
         "  -q, --quiet           print only failures\n"
         "      --list-templates  print the template entry names and exit\n"
         "      --synopsis NAME   print the synopsis of an operation and exit\n"
         "      --operations      print the synopsis of every operation and exit\n"
         "      --exports FILE    list the exported data tables of a DLL or shared object\n"
         "                        with their file offsets and sizes, and exit\n"
         "      --decompile FILE  read a DLL built for the template entry back into a\n"
         "                        script, written to -o's FILE or standard output, and exit\n"
         "  -h, --help            print this help and exit\n"
         "      --version         print the version and exit\n";
}

}  // namespace kx
