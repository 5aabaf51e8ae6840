#include "cli/kestrixc.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "cli/options.h"
#include "vmcode/vmcode_testing.h"
#include "diagnostics/testing.h"

namespace kx {
namespace {

namespace fs = std::filesystem;
using Args = std::vector<std::string>;

const char* const kScript =
    "[objects]\ntank\n[positions]\n[variables]\n[text]\n[routine,Main,1,true]\nWait,5\n";
const char* const kDuplicateOnLine7 =
    "[objects]\na\nb\nc\nd\ne\nb\n[positions]\n[variables]\n[text]\n[routine,Main,1,true]\n";

// A program folder bin/ holding Kestrix.conf (entries First and Misfit,
// whose debug array lies past the end of the template) and the template;
// scripts lie elsewhere.
struct Command {
  Command() {
    TemplateConfig misfit = testing::Test_Template("Misfit");
    misfit.routine_debug_array_offset = 0x1000;
    fs::create_directory(folder.path() / "bin");
    folder.Write("bin/template.dll", testing::Template_Bytes());
    config =
        folder
            .Write("bin/Kestrix.conf", testing::Configuration_Text({testing::Test_Template("First"), misfit}))
            .string();
    script = folder.Write("a.kxs", kScript).string();
  }

  int Run(const Args& args) {
    out.str("");
    err.str("");
    return Run_Kestrixc(args, folder.path() / "bin", out, err);
  }

  testing::TempDir folder;
  std::string config;
  std::string script;
  std::ostringstream out;
  std::ostringstream err;
};

std::string Last_Line(const std::string& text) {
  std::string trimmed = text;
  if (!trimmed.empty() && trimmed.back() == '\n') trimmed.pop_back();
  return trimmed.substr(trimmed.rfind('\n') + 1);
}

TEST(Kestrixc, BuildPrintsTheBuildLogAndWritesTheChosenOutput) {
  Command command;
  EXPECT_EQ(command.Run({command.script}), KESTRIXC_SUCCESS);
  EXPECT_EQ(command.out.str(),
            "Processing file: \"" + command.script + "\"\n\nNumber of lines processed: 7\n\n");
  EXPECT_EQ(command.err.str(), "");
  EXPECT_TRUE(fs::exists(command.folder.path() / "a.dll"));
  EXPECT_EQ(command.Run({"-q", command.script}), KESTRIXC_SUCCESS);
  EXPECT_EQ(command.out.str(), "");

  for (const auto& [format, output] : {std::pair{"c", "a.c"}, std::pair{"aout", "a.aout"}}) {
    EXPECT_EQ(command.Run({"-f", format, "-c", command.config, command.script}), KESTRIXC_SUCCESS) << format;
    EXPECT_TRUE(fs::exists(command.folder.path() / output)) << format;
  }
}

TEST(Kestrixc, FailedBuildEndsWithTheErrorLine) {
  Command command;
  const std::string duplicate = command.folder.Write("dup.kxs", kDuplicateOnLine7).string();
  EXPECT_EQ(command.Run({"-q", duplicate}), KESTRIXC_BUILD_FAILED);
  EXPECT_EQ(command.err.str(), duplicate + ":7: error: build failed\n");
  // The diagnostic belongs to the build log, quiet or not.
  EXPECT_NE(command.out.str().find("The object label 'b' had been defined previously."), std::string::npos);

  EXPECT_EQ(command.Run({"--template", "first", command.script}), KESTRIXC_BUILD_FAILED);
  EXPECT_EQ(command.err.str(), command.script + ": error: build failed\n");
  EXPECT_EQ(Last_Line(command.out.str()), "Named template configuration not in template list.");
  EXPECT_FALSE(fs::exists(command.folder.path() / "a.dll"));
}

// A configuration that cannot be read is reported on standard error, laid
// out for the 79 columns of the log, also when no script is built.
TEST(Kestrixc, UnreadableConfigurationGoesToStandardError) {
  Command command;
  const std::string broken = command.folder.Write("broken.conf", "template list {\n  tempalte\n}\n").string();
  EXPECT_EQ(command.Run({"-c", broken, "--list-templates"}), KESTRIXC_BAD_USAGE);
  EXPECT_EQ(command.out.str(), "");
  EXPECT_NE(command.err.str().find("Invalid lexeme."), std::string::npos);
  std::istringstream lines(command.err.str());
  for (std::string line; std::getline(lines, line);) EXPECT_LE(line.size(), 79u) << line;
}

TEST(Kestrixc, RequestsThatNeedNoScriptAnswerOnStandardOutput) {
  Command command;
  const std::pair<Args, std::string> cases[] = {
      {{"--list-templates"}, "First\nMisfit\n"},
      {{"--synopsis", "OnNewObject"}, "OnNewObject,[0 or Integer,Routine,Object]\n"},
      {{"--help"}, Usage_Text()},
      {{"--version"}, "kestrixc " KX_VERSION "\n"},
  };
  for (const auto& [args, out] : cases) {
    EXPECT_EQ(command.Run(args), KESTRIXC_SUCCESS) << args[0];
    EXPECT_EQ(command.out.str(), out);
    EXPECT_EQ(command.err.str(), "");
  }
  EXPECT_EQ(command.Run({"--operations"}), KESTRIXC_SUCCESS);
  const std::string all = command.out.str();
  EXPECT_EQ(std::count(all.begin(), all.end(), '\n'), 128);
  EXPECT_EQ(all.substr(0, all.find('\n')), "Add,Variable,Integer{,Variable}");
  EXPECT_EQ(Last_Line(all), "Wait,Integer");
}

TEST(Kestrixc, ListsTheExportedTablesOfATemplate) {
  Command command;
  EXPECT_EQ(command.Run({"--exports", KX_SAMPLE_TEMPLATE}), KESTRIXC_SUCCESS);
  const std::string listing = "\n" + command.out.str();
  for (const char* table :
       {"RoutineData", "NumberOfRoutines", "GlobalRoutineSpeed", "GlobalRoutinePriority", "RoutineOffset",
        "DebugText", "GlobalVectorArray", "NameArray", "GlobalIntegerArray", "ObjectiveArray"})
    EXPECT_NE(listing.find(std::string("\n") + table + " "), std::string::npos) << table;
  EXPECT_TRUE(command.err.str().empty());

  const std::string garbage = command.folder.Write("garbage.dll", "MZ not really").string();
  EXPECT_EQ(command.Run({"--exports", garbage}), KESTRIXC_BUILD_FAILED);
  EXPECT_TRUE(command.out.str().empty());
  EXPECT_EQ(command.err.str().rfind("kestrixc: " + garbage + ": ", 0), 0u) << command.err.str();
}

TEST(Kestrixc, InstalledProgramFindsItsConfigurationInTheShareFolder) {
  testing::TempDir prefix;
  fs::create_directories(prefix.path() / "bin");
  fs::create_directories(prefix.path() / "bin" / KX_SHARE_FROM_BIN);
  prefix.Write((fs::path("bin") / KX_SHARE_FROM_BIN / "Kestrix.conf").string(),
               testing::Configuration_Text({testing::Test_Template("Installed")}));
  std::ostringstream out, err;
  EXPECT_EQ(Run_Kestrixc({"--list-templates"}, prefix.path() / "bin", out, err), KESTRIXC_SUCCESS);
  EXPECT_EQ(out.str(), "Installed\n");
}

TEST(Kestrixc, BadUsageGivesOneLineAndTheUsage) {
  const std::pair<Args, const char*> cases[] = {
      {{}, "kestrixc: no SCRIPT given\n"},
      {{"-f", "exe", "a.kxs"}, "kestrixc: invalid format 'exe' (expected dll, c or aout)\n"},
      {{"--synopsis", "wait"}, "kestrixc: no operation is named 'wait'\n"},
  };
  for (const auto& [args, message] : cases) {
    Command command;
    EXPECT_EQ(command.Run(args), KESTRIXC_BAD_USAGE) << message;
    EXPECT_EQ(command.err.str(), std::string(message) + Usage_Text());
    EXPECT_EQ(command.out.str(), "");
  }
}

// The built program itself: exit statuses, streams, and the configuration
// found beside the program whatever the current directory.
struct Program {
  std::string Quote(const std::string& text) const {
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
  }

  int Run(const std::string& program, const Args& args) {
    std::string line = "cd " + Quote(folder.path().string()) + " && " + Quote(program);
    for (const std::string& arg : args) line += " " + Quote(arg);
    line += " >" + Quote((folder.path() / "stdout").string()) + " 2>" +
            Quote((folder.path() / "stderr").string());
    const int status = std::system(line.c_str());
    out = testing::Read_File(folder.path() / "stdout");
    err = testing::Read_File(folder.path() / "stderr");
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  testing::TempDir folder;
  std::string out;
  std::string err;
};

TEST(KestrixcProgram, ExitStatusesAndTheLastErrorLine) {
  Command command;
  Program program;
  const std::string duplicate = command.folder.Write("dup.kxs", kDuplicateOnLine7).string();
  EXPECT_EQ(program.Run(KESTRIXC_PATH, {"-c", command.config, command.script}), 0);
  EXPECT_EQ(program.err, "");
  EXPECT_EQ(program.out.substr(0, 17), "Processing file: ");

  EXPECT_EQ(program.Run(KESTRIXC_PATH, {"-c", command.config, duplicate}), 1);
  EXPECT_EQ(program.err, duplicate + ":7: error: build failed\n");
  EXPECT_NE(program.out.find("had been defined previously."), std::string::npos);

  EXPECT_EQ(program.Run(KESTRIXC_PATH, {"--bogus"}), 2);
  EXPECT_EQ(program.err, std::string("kestrixc: unknown option '--bogus'\n") + Usage_Text());
}

TEST(KestrixcProgram, DefaultConfigurationLiesBesideTheProgram) {
  Command command;
  Program program;
  const fs::path copy = command.folder.path() / "bin" / "kestrixc";
  fs::copy_file(KESTRIXC_PATH, copy);
  EXPECT_EQ(program.Run(copy.string(), {"--list-templates"}), 0);
  EXPECT_EQ(program.out, "First\nMisfit\n");
  EXPECT_EQ(program.Run(copy.string(), {"-q", command.script}), 0);
  EXPECT_EQ(program.out, "");
  EXPECT_TRUE(fs::exists(command.folder.path() / "a.dll"));
}

}  // namespace
}  // namespace kx
