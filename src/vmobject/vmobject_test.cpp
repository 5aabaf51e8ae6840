#include "vmobject/vmobject.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "vmcode/vmcode_testing.h"
#include "diagnostics/testing.h"

namespace kx {
namespace {

using Entries = std::vector<std::string>;
namespace fs = std::filesystem;

const char* const kScript =
    "[objects]\ntank\n[positions]\n[variables]\ncount, 3\n[text]\n[routine,Main,1,true]\ntop: "
    "Wait,5\nJumpTo,top\n";

// A configuration in conf/ beside its template, and scripts in scripts/; the
// current directory is neither.
struct Build {
  explicit Build(std::vector<TemplateConfig> entries = {testing::Test_Template()}) {
    fs::create_directory(folder.path() / "conf");
    fs::create_directory(folder.path() / "scripts");
    folder.Write("conf/template.dll", testing::Template_Bytes());
    parser.Read_Template_File(
        folder.Write("conf/Kestrix.conf", testing::Configuration_Text(entries)).string());
  }

  std::string Script(const std::string& name, const std::string& text) {
    return folder.Write("scripts/" + name, text).string();
  }

  // The line of the BuildFailure, or -1 when the build succeeds.
  int Run(const std::string& script, const std::string& template_name, int option) {
    try {
      vmobject.VMBuild(script, template_name, option);
    } catch (const BuildFailure& failure) {
      return failure.line();
    }
    return -1;
  }

  std::set<std::string> Scripts_Folder() const {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder.path() / "scripts"))
      names.insert(entry.path().filename().string());
    return names;
  }

  testing::TempDir folder;
  testing::CapturedContext log_errors{true, 79};
  testing::CapturedContext log_notices{false, 79};
  testing::CapturedContext errors{true};
  testing::CapturedContext notices{false};
  TemplateConfigParser parser{log_errors.context, log_notices.context};
  VMObject vmobject{errors.context, notices.context, parser};
};

TEST(StripExtension, TakesTheLastDotOfTheLastComponentOnly) {
  const std::pair<const char*, const char*> cases[] = {
      {"D:\\m\\a.kxs", "D:\\m\\a"},
      {"D:\\m.old\\script", "D:\\m.old\\script"},
      {"/home/u/m.old/script", "/home/u/m.old/script"},
      {"dir.d/a.kxs", "dir.d/a"},
      {"a.b.kxs", "a.b"},
      {".kxs", ".kxs"},
      {"dir/.kxs", "dir/.kxs"},
      {"D:\\m\\.kxs", "D:\\m\\.kxs"},
      {"a.", "a"},
      {"a", "a"},
      {"", ""},
  };
  for (const auto& [path, base] : cases) EXPECT_EQ(Strip_Extension(path), base) << path;
}

// The template is found beside the configuration, whatever the current directory.
TEST(VMBuild, EachOptionWritesItsOutputBesideTheScript) {
  ASSERT_FALSE(fs::exists("template.dll"));
  const std::pair<int, const char*> cases[] = {{1, "a.aout"}, {2, "a.c"}, {3, "a.dll"}};
  for (const auto& [option, output] : cases) {
    SCOPED_TRACE(output);
    Build build;
    const std::string script = build.Script("a.kxs", kScript);
    EXPECT_EQ(build.Run(script, "Test", option), -1);
    EXPECT_TRUE(build.errors.entries.empty());
    EXPECT_EQ(build.Scripts_Folder(), (std::set<std::string>{"a.kxs", output}));
    EXPECT_EQ(build.notices.entries,
              (Entries{"Processing file: \"" + script + "\"", "", "Number of lines processed: 9", ""}));
  }
  Build build;
  EXPECT_EQ(build.Run(build.Script("a.kxs", kScript), "Test", 3), -1);
  const std::string dll = testing::Read_File(build.folder.path() / "scripts" / "a.dll");
  ASSERT_EQ(dll.size(), testing::kTemplateSize);
  EXPECT_EQ(dll.substr(0x1A0, 30), testing::Le16(2) + testing::Le16(5) + std::string(6, '\0') +
                                       testing::Le16(27) + std::string(18, '\0'));
  EXPECT_EQ(dll.substr(0x600, 2), testing::Le16(3));
}

// Template names match exactly, before the script is read; an illegal option
// is found after reading and generating. Neither writes anything.
TEST(VMBuild, UnknownTemplateAndIllegalOption) {
  const struct {
    const char* template_name;
    int option;
    std::size_t notices;
    Entries tail;
  } cases[] = {
      {"test", 3, 0, {"Routine : VMBuild", "", "Named template configuration not in template list."}},
      {"Test", 0, 4, {"Routine : main", "", "Illegal command option."}},
  };
  for (const auto& c : cases) {
    Build build;
    EXPECT_EQ(build.Run(build.Script("a.kxs", kScript), c.template_name, c.option), 0);
    EXPECT_EQ(build.notices.entries.size(), c.notices);
    const Entries& entries = build.errors.entries;
    ASSERT_EQ(entries.size(), 5u);
    EXPECT_EQ(entries[0], "File    : vmobject/vmobject");
    EXPECT_EQ(Entries(entries.begin() + 2, entries.end()), c.tail);
    EXPECT_EQ(build.Scripts_Folder(), std::set<std::string>{"a.kxs"});
  }
}

TEST(VMBuild, RefusesAnOutputPathTooLongInsteadOfCuttingIt) {
  Build build;
  // 251 + ".kxs" is a legal file name; 251 + ".aout" is not.
  const std::string base(251, 'a');
  const std::string script = build.Script(base + ".kxs", kScript);
  EXPECT_EQ(build.Run(script, "Test", 3), -1);
  EXPECT_EQ(build.Run(script, "Test", 1), 0);
  const Entries& entries = build.errors.entries;
  ASSERT_GE(entries.size(), 5u);
  EXPECT_EQ(entries[2], "Routine : VMBuild");
  EXPECT_EQ(entries[4], "The output path");
  std::string rest;  // the long path is cut over several entries
  for (std::size_t i = 5; i < entries.size(); ++i) rest += entries[i];
  EXPECT_EQ(rest, "\"" + (build.folder.path() / "scripts" / (base + ".aout")).string() +
                      "\" is too long for this platform.");
  EXPECT_EQ(build.Scripts_Folder(), (std::set<std::string>{base + ".kxs", base + ".dll"}));
}

}  // namespace
}  // namespace kx
