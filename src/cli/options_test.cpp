#include "cli/options.h"

#include <gtest/gtest.h>

namespace kx {
namespace {

using Args = std::vector<std::string>;

TEST(ParseOptions, ReadsValuesInEveryForm) {
  struct Case {
    Args args;
    std::string script, template_name;
    int option;
    std::string config;
    bool quiet;
  };
  const Case cases[] = {
      {{"m/a.kxs"}, "m/a.kxs", "", 3, "", false},
      {{"-t", "Small", "-f", "c", "-c", "k.conf", "-q", "a.kxs"}, "a.kxs", "Small", 2, "k.conf", true},
      {{"a.kxs", "--template", "Small", "--format", "aout", "--config", "k.conf", "--quiet"},
       "a.kxs",
       "Small",
       1,
       "k.conf",
       true},
      {{"--template=Big Model", "--format=dll", "--config=k.conf", "a.kxs"},
       "a.kxs",
       "Big Model",
       3,
       "k.conf",
       false},
      {{"-tSmall", "-fc", "-ck.conf", "a.kxs"}, "a.kxs", "Small", 2, "k.conf", false},
      {{"-qt", "Small", "a.kxs"}, "a.kxs", "Small", 3, "", true},
      {{"-t", "One", "-t", "Two", "a.kxs"}, "a.kxs", "Two", 3, "", false},
      {{"-t", "-q", "a.kxs"}, "a.kxs", "-q", 3, "", false},
      {{"-q", "--", "-odd.kxs"}, "-odd.kxs", "", 3, "", true},  // a double dash ends the options
      {{"-"}, "-", "", 3, "", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.args));
    CliOptions options = Parse_Options(c.args);
    EXPECT_EQ(options.action, CliAction::Build);
    EXPECT_EQ(options.script, c.script);
    EXPECT_EQ(options.template_name.value_or(""), c.template_name);
    EXPECT_EQ(options.option, c.option);
    EXPECT_EQ(options.config.value_or(""), c.config);
    EXPECT_EQ(options.quiet, c.quiet);
  }
}

TEST(ParseOptions, RecognisesTheRequestsThatNeedNoScript) {
  EXPECT_EQ(Parse_Options({"--list-templates", "-c", "k.conf"}).action, CliAction::List_Templates);
  EXPECT_EQ(Parse_Options({"--operations"}).action, CliAction::Operations);
  CliOptions synopsis = Parse_Options({"--synopsis", "AddAmmo"});
  EXPECT_EQ(synopsis.action, CliAction::Synopsis);
  EXPECT_EQ(synopsis.operation, "AddAmmo");
  CliOptions exports = Parse_Options({"--exports=t.dll"});
  EXPECT_EQ(exports.action, CliAction::Exports);
  EXPECT_EQ(exports.exports_file, "t.dll");
  EXPECT_EQ(Parse_Options({"-h"}).action, CliAction::Help);
  EXPECT_EQ(Parse_Options({"a.kxs", "b.kxs", "--help"}).action, CliAction::Help);
  EXPECT_EQ(Parse_Options({"--operations", "--version"}).action, CliAction::Version);
}

TEST(ParseOptions, RefusesBadUsageWithOneLine) {
  struct Case {
    Args args;
    std::string message;
  };
  const Case cases[] = {
      {{}, "no SCRIPT given"},
      {{"-q"}, "no SCRIPT given"},
      {{"a.kxs", "b.kxs"}, "unexpected argument 'b.kxs'"},
      {{"--bogus", "a.kxs"}, "unknown option '--bogus'"},
      {{"-x", "a.kxs"}, "unknown option '-x'"},
      {{"-qx", "a.kxs"}, "unknown option '-x'"},
      {{"a.kxs", "-t"}, "option '-t' needs a value"},
      {{"a.kxs", "--config"}, "option '--config' needs a value"},
      {{"--quiet=yes", "a.kxs"}, "option '--quiet' takes no value"},
      {{"-f", "exe", "a.kxs"}, "invalid format 'exe' (expected dll, c or aout)"},
      {{"--format=DLL", "a.kxs"}, "invalid format 'DLL' (expected dll, c or aout)"},
      {{"--list-templates", "a.kxs"}, "unexpected argument 'a.kxs' with '--list-templates'"},
      {{"--list-templates", "--operations"},
       "option '--operations' cannot be combined with '--list-templates'"},
      {{"--synopsis"}, "option '--synopsis' needs a value"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.args));
    try {
      Parse_Options(c.args);
      ADD_FAILURE() << "accepted";
    } catch (const UsageError& error) {
      EXPECT_EQ(std::string(error.what()), c.message);
    }
  }
}

}  // namespace
}  // namespace kx
