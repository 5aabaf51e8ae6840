#include "cli/options.h"

#include <string_view>

namespace kx {
namespace {

enum class OptionId {
  Template,
  Format,
  Config,
  Quiet,
  List_Templates,
  Synopsis,
  Operations,
  Exports,
  Help,
  Version,
  Decompile,
  Output
};

struct OptionEntry {
  OptionId id;
  char short_name;  // 0: long form only
  const char* long_name;
  bool takes_value;
};

constexpr OptionEntry kOptions[] = {
    {OptionId::Template, 't', "template", true},
    {OptionId::Format, 'f', "format", true},
    {OptionId::Config, 'c', "config", true},
    {OptionId::Quiet, 'q', "quiet", false},
    {OptionId::List_Templates, 0, "list-templates", false},
    {OptionId::Synopsis, 0, "synopsis", true},
    {OptionId::Operations, 0, "operations", false},
    {OptionId::Exports, 0, "exports", true},
    {OptionId::Help, 'h', "help", false},
    {OptionId::Version, 0, "version", false},
    {OptionId::Decompile, 0, "decompile", true},
    {OptionId::Output, 'o', "output", true},
};

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
      case OptionId::Help:
        help_ = true;
        break;
      case OptionId::Version:
        version_ = true;
        break;
      case OptionId::Decompile:
        Request(CliAction::Decompile, shown);
        options_.decompile_file = value;
        break;
      case OptionId::Output:
        options_.output = value;
        output_ = shown;
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
      if (operands_.empty()) throw UsageError("no SCRIPT given");
      options_.script = operands_[0];
      if (operands_.size() > 1) throw UsageError("unexpected argument '" + operands_[1] + "'");
    } else if (!operands_.empty()) {
      throw UsageError("unexpected argument '" + operands_[0] + "' with '" + request_ + "'");
    }
    if (options_.output && options_.action != CliAction::Decompile)
      throw UsageError("option '" + output_ + "' is only for '--decompile'");
    return options_;
  }

  const std::vector<std::string>& args_;
  std::size_t next_ = 0;
  CliOptions options_;
  std::vector<std::string> operands_;
  std::string request_;
  std::string output_;  // the form of the output option given
  bool help_ = false;
  bool version_ = false;
};

}  // namespace

CliOptions Parse_Options(const std::vector<std::string>& args) { return Parser(args).Parse(); }

const char* Usage_Text() {
  return "usage: kestrixc [options] SCRIPT\n"
         "Builds a mission script into a file beside it: SCRIPT without its extension,\n"
         "plus .dll, .c or .aout.\n"
         "\n"
         "  -t, --template NAME   template entry to build for (default: the first entry)\n"
         "  -f, --format FORMAT   dll, c or aout (default: dll)\n"
         "  -c, --config FILE     configuration file (default: Kestrix.conf in the\n"
         "                        program's directory)\n"
         "  -q, --quiet           print only failures\n"
         "      --list-templates  print the template entry names and exit\n"
         "      --synopsis NAME   print the synopsis of an operation and exit\n"
         "      --operations      print the synopsis of every operation and exit\n"
         "      --exports FILE    list the exported data tables of a DLL or shared object\n"
         "                        with their file offsets and sizes, and exit\n"
         "      --decompile FILE  read a DLL built for the template entry back into a\n"
         "                        script, and exit\n"
         "  -o, --output FILE     where --decompile writes the script (default: standard\n"
         "                        output)\n"
         "  -h, --help            print this help and exit\n"
         "      --version         print the version and exit\n";
}

}  // namespace kx
