#include "cli/options.h"

#include <gtest/gtest.h>

namespace kx {
namespace {

// What the arguments ask for, in one line, or the usage message.
std::string Parsed(const std::vector<std::string>& args) {
  try {
    const CliOptions o = Parse_Options(args);
    const char* const actions[] = {"build",   "list", "synopsis", "operations",
                                   "exports", "help", "version",  "decompile"};
    std::string subject = o.operation + o.exports_file + o.decompile_file;  // one at most is set
    for (const std::string& script : o.scripts) subject += (subject.empty() ? "" : " ") + script;
    return actions[static_cast<int>(o.action)] + (subject.empty() ? "" : " " + subject) +
           " t=" + o.template_name.value_or("-") + " f=" + std::to_string(o.option) +
           " c=" + o.config.value_or("-") + (o.quiet ? " q" : "") + (o.output ? " o=" + *o.output : "") +
           (o.depfile ? " d=" + *o.depfile : "");
  } catch (const UsageError& error) {
    return std::string("error: ") + error.what();
  }
}

TEST(ParseOptions, EveryFormAndEveryRefusal) {
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"m/a.kxs"}, "build m/a.kxs t=- f=3 c=-"},
      {{"-t", "Small", "-f", "c", "-c", "k.conf", "-q", "a.kxs"}, "build a.kxs t=Small f=2 c=k.conf q"},
      {{"a.kxs", "--template", "Small", "--format", "aout", "--config", "k.conf", "--quiet"},
       "build a.kxs t=Small f=1 c=k.conf q"},
      {{"--template=Big Model", "--format=dll", "--config=k.conf", "a.kxs"},
       "build a.kxs t=Big Model f=3 c=k.conf"},
      {{"-tSmall", "-fc", "-ck.conf", "a.kxs"}, "build a.kxs t=Small f=2 c=k.conf"},
      {{"-qt", "Small", "a.kxs"}, "build a.kxs t=Small f=3 c=- q"},
      {{"-t", "One", "-t", "Two", "a.kxs"}, "build a.kxs t=Two f=3 c=-"},
      {{"-t", "-q", "a.kxs"}, "build a.kxs t=-q f=3 c=-"},
      {{"-q", "--", "-odd.kxs"}, "build -odd.kxs t=- f=3 c=- q"},  // a double dash ends the options
      {{"-", "-o", "m.c"}, "build - t=- f=2 c=- o=m.c"},           // -o's extension gives the format
      {{"--output=M.AOUT", "a.kxs", "--depfile", "a.d"}, "build a.kxs t=- f=1 c=- o=M.AOUT d=a.d"},
      {{"-f", "dll", "-ox.c", "a.kxs"}, "build a.kxs t=- f=3 c=- o=x.c"},  // unless --format says otherwise
      {{"a.kxs", "--check", "-", "b.kxs"}, "build a.kxs - b.kxs t=- f=4 c=-"},
      {{"a.kxs", "b.kxs", "-q"}, "build a.kxs b.kxs t=- f=3 c=- q"},
      {{"--list-templates", "-c", "k.conf"}, "list t=- f=3 c=k.conf"},
      {{"--operations"}, "operations t=- f=3 c=-"},
      {{"--synopsis", "AddAmmo"}, "synopsis AddAmmo t=- f=3 c=-"},
      {{"--exports=t.dll"}, "exports t.dll t=- f=3 c=-"},
      {{"--version", "-h"}, "help t=- f=3 c=-"},  // help wins over every other request
      {{"a.kxs", "b.kxs", "--help"}, "help t=- f=3 c=-"},
      {{"--operations", "--version"}, "version t=- f=3 c=-"},
      {{}, "error: no SCRIPT given"},
      {{"-o", "x.dll", "a.kxs", "b.kxs"}, "error: option '-o' names the output of one SCRIPT, not of 2"},
      {{"-o", "x.bin", "a.kxs"},
       "error: cannot tell the format of 'x.bin' from its extension (give --format)"},
      {{"-"}, "error: SCRIPT '-' (standard input) needs '-o' or '--check'"},
      {{"--check", "-o", "x.dll", "a.kxs"}, "error: option '--check' cannot be combined with '-o'"},
      {{"--check", "--depfile", "a.d", "a.kxs"},
       "error: option '--check' cannot be combined with '--depfile'"},
      {{"--bogus", "a.kxs"}, "error: unknown option '--bogus'"},
      {{"-x", "a.kxs"}, "error: unknown option '-x'"},
      {{"-qx", "a.kxs"}, "error: unknown option '-x'"},
      {{"a.kxs", "-t"}, "error: option '-t' needs a value"},
      {{"a.kxs", "--config"}, "error: option '--config' needs a value"},
      {{"--quiet=yes", "a.kxs"}, "error: option '--quiet' takes no value"},
      {{"-f", "exe", "a.kxs"}, "error: invalid format 'exe' (expected dll, c or aout)"},
      {{"--list-templates", "a.kxs"}, "error: unexpected argument 'a.kxs' with '--list-templates'"},
      {{"--list-templates", "--operations"},
       "error: option '--operations' cannot be combined with '--list-templates'"},
      {{"--synopsis"}, "error: option '--synopsis' needs a value"},
      {{"-o", "m.kxs", "--decompile", "m.dll", "-tS"}, "decompile m.dll t=S f=3 c=- o=m.kxs"},
      {{"--decompile=m.dll", "--output=m.kxs"}, "decompile m.dll t=- f=3 c=- o=m.kxs"},
      {{"--decompile", "m.dll", "a.kxs"}, "error: unexpected argument 'a.kxs' with '--decompile'"}};
  for (const auto& [args, parsed] : cases) EXPECT_EQ(Parsed(args), parsed) << ::testing::PrintToString(args);
}

}  // namespace
}  // namespace kx
