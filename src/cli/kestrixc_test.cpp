// The built kestrixc in a folder of its own: exit statuses, streams, bad input. Every run
// leaves the earlier a.dll, a.c and a.aout as they were, but the one it writes, and no temporary.
// Built a second time, the same runs test kestrixc.exe, cross-built for Windows, under wine.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <tuple>

#include "cli/options.h"
#include "config/export_table.h"
#include "vmcode/vmcode_testing.h"
#include "vmopcode/vmopcode.h"

namespace kx {
namespace {

namespace fs = std::filesystem;

// The program under test: its file, the command that runs it and the ending of its name.
struct Program {
  const char* file;
  const char* runner;
  const char* suffix;
};
constexpr Program kLinux{KESTRIXC_PATH, "", ""};
#ifdef KESTRIXC_WINDOWS_PATH
constexpr Program kProgram{KESTRIXC_WINDOWS_PATH, KX_WINE, ".exe"};
#else
constexpr Program kProgram = kLinux;
#endif
constexpr bool kWindows = kProgram.suffix[0] != '\0';

const std::string kScript =
    "[objects]\ntank\n[positions]\nbase,1,2,3\n[variables]\ncount,5\n[text]\nhello,\"Hi\"\n"
    "[routine,Main,1,true]\nWait,5\nAudio,\"beep\"\n";

std::string Quoted(const std::string& text) {
  return "'" + std::regex_replace(text, std::regex("'"), "'\\''") + "'";
}

// Every "@" stands for the folder; "Line : 123", the source line of a raise,
// is compared as "Line : #".
std::string Resolved(std::string text, const fs::path& folder) {
  for (std::size_t at; (at = text.find('@')) != std::string::npos;) text.replace(at, 1, folder.string());
  return std::regex_replace(text, std::regex("(^|\n)(Line +: )[0-9]+\n"), "$1$2#\n");
}

// Runs a copy of the program at `copy` (made here) in `folder` with `args`,
// standard input from the file stdin there, if any, standard output and
// error going to the files stdout and stderr there, and returns the exit
// status. Under wine the memory limit is left out.
int Run_Program(const Program& program, const fs::path& copy, const fs::path& folder,
                const std::vector<std::string>& args, int file_size_blocks = 0) {
  if (!fs::exists(copy)) {
    fs::create_directories(copy.parent_path());
    std::error_code cross_device;  // a hard link where one can be made, else a copy
    fs::create_hard_link(program.file, copy, cross_device);
    if (cross_device) fs::copy_file(program.file, copy);
  }
  std::string line = "cd " + Quoted(folder.string()) + " && ";
#if !defined(__SANITIZE_ADDRESS__)
  if (program.runner[0] == '\0') line += "ulimit -v 262144 && ";
#endif
  if (file_size_blocks > 0) line += "ulimit -f " + std::to_string(file_size_blocks) + " && ";
  if (program.runner[0] != '\0') line += Quoted(program.runner) + " ";
  line += Quoted(copy.string());
  for (const std::string& arg : args) line += " " + Quoted(arg);
  line += " <" + Quoted(fs::exists(folder / "stdin") ? (folder / "stdin").string() : "/dev/null");
  const int status = std::system(
      (line + " >" + Quoted((folder / "stdout").string()) + " 2>" + Quoted((folder / "stderr").string()))
          .c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// What the program wrote to `name` in `folder`. Windows names the folder
// of the program from its drive Z: with backslashes: that name is given as
// Linux gives it.
std::string Output(const fs::path& folder, const char* name) {
  std::string text = testing::Read_File(folder / name);
  if (!kWindows) return text;
  const std::string windows_folder = "Z:" + std::regex_replace(folder.string(), std::regex("/"), "\\");
  for (std::size_t at; (at = text.find(windows_folder)) != std::string::npos;)
    text.replace(at, windows_folder.size(), folder.string());
  return std::regex_replace(text, std::regex(R"(\\(?![ #]))"), "/");  // but make's escapes
}

struct Invocation {
  std::vector<std::string> args;
  int status;
  std::string out, err;
  std::string written = "";                       // the earlier output the run replaces
  std::pair<std::string, std::string> file = {};  // made before the run; a name ending in / is a folder
  std::pair<std::string, std::string> made = {};  // a file the run makes, and its content
  int file_size_blocks = 0;                       // of 512 bytes; 0: no limit
  std::string program = "bin/kestrixc";
};

TEST(Kestrixc, StatusesStreamsAndBadInput) {
  // The entries of bin/Kestrix.conf, each the test template with one change.
  using C = TemplateConfig;
  // clang-format off
  const std::tuple<const char*, const char*, std::int32_t C::*, std::int32_t> changes[] = {
      {"First", "template.dll", nullptr, 0}, {"Tight", "template.dll", &C::max_routine_count, 1},
      {"Roomy", "template.dll", &C::step_data_array_rows, 1000}, {"Missing", "missing.dll", nullptr, 0},
      {"Folder", "folder.dll", nullptr, 0}, {"Empty", "empty.dll", nullptr, 0},
      {"Objective", "template.dll", &C::objective_array_offset, 0xFF0},
      {"Debug", "template.dll", &C::routine_debug_array_offset, 0xFFF},
      {"Negative", "template.dll", &C::step_data_array_offset, -16},
      {"Wide", "template.dll", &C::name_array_cols, 2147483647}, {"Zero", "/dev/zero", nullptr, 0},
      {"Huge", "huge.dll", nullptr, 0}};
  // clang-format on
  std::vector<TemplateConfig> entries;
  std::string names, operations, big = kScript;
  for (const auto& [name, blank, field, value] : changes) {
    entries.push_back(testing::Test_Template(name, blank));
    if (field) entries.back().*field = value;
    names += std::string(name) + "\n";
  }
  testing::CapturedContext errors(true);
  VMOpcode catalogue(errors.context);
  for (const OpcodeRecord& record : catalogue.by_name()) operations += catalogue.Synopsis(record.name) + "\n";
  for (int i = 0; i < 500; ++i) big += "Wait," + std::to_string(i) + "\n";
  const std::string usage = Usage_Text(), hint = "Please correct the error and try again.\n\n";
  const std::string routines = "[objects]\n[positions]\n[variables]\n[text]\n[routine,A,1,true]\n";
  const std::string built = "Processing file: \"@/a.kxs\"\n\nNumber of lines processed: 11\n\n";
  const std::string failed = "@/a.kxs: error: build failed\n";
  const std::string tight =
      "The number of routine exceeds the limit of 1 routines set for the target template DLL "
      "output\nfile.\n-------v\n    6: [routine,B,1,true]\n\n" +
      hint;
  const std::string listing =
      "[objects]\r\ntank\r\n\r\n[positions]\r\nbase,1,2,3\r\n\r\n[variables]\r\ncount,5\r\n\r\n"
      "[text]\r\nhello,\r\n\"Hi\"\r\n\r\n\r\n[routine,Main,1,true]\r\n\t\tWait,5\r\n\t\tAudio,"
      "\"beep\"\r\n\r\n";
  auto system = [&built](const char* module, const char* error, const std::string& call) {
    return built + "File       : " + module + "\nLine       : #\nError code : " + error +
           "\nSubroutine : " + call + "\n";
  };
  auto fit = [&built](const std::string& array, const char* bytes = "4096", const std::string& log = "") {
    return (log.empty() ? built : log) +
           "File    : vmcode/vmcode_write\nLine    : #\nRoutine : Emit_Bytes\n\nThe " + array +
           " does not fit the template DLL file of " + bytes + " bytes.\n";
  };
  const char *folder = "21\nError text : Is a directory", *large = "27\nError text : File too large";
  // A DLL of the test template with one empty routine, and the script it reads back into.
  std::string dll = testing::Template_Bytes();
  dll.replace(0x1A0, 10, std::string(10, '\0'));       // its halt row
  dll.replace(0x30A, 8, testing::Le16({1, 0, 0, 2}));  // one routine, of speed 2
  dll.replace(0x320, 1, "\1");                         // priority true
  dll.replace(0x330, 2, testing::Le16({0}));           // at row 0
  dll.replace(0x340, 1, std::string(1, '\0'));         // debug false
  const std::string decompiled =
      "// Read back from m.dll as a DLL of the template entry \"First\".\n"
      "// The DLL keeps no names: every name below is made up.\n\n"
      "[objects]\n\n[positions]\n\n[variables]\n\n[text]\n\n[routine, routine_0, 2, true]\n";
  // clang-format off
  const Invocation runs[] = {
      {{"@/a.kxs"}, 0, built, "", "a.dll"},
      {{"-q", "-f", "c", "@/a.kxs"}, 0, "", "", "a.c"},
      {{"--format=aout", "-c", "@/bin/Kestrix.conf", "@/a.kxs"}, 0, built, "", "a.aout"},
      // -o writes where it says, in the format of its extension; "-" reads standard input;
      // --check writes nothing; each of several scripts is built, whatever became of the others.
      {{"-o", "@/b.AOUT", "-"}, 0, "Processing file: \"<stdin>\"\n\nNumber of lines processed: 11\n\n", "", "",
       {"stdin", kScript}, {"b.AOUT", listing}},
      {{"--check", "@/a.kxs", "@/a.kxs"}, 0, built + built, ""},
      {{"-q", "-t", "Tight", "-f", "c", "@/u.kxs", "@/a.kxs"}, 1, tight, "@/u.kxs:6: error: build failed\n", "a.c",
       {"u.kxs", routines + "[routine,B,1,true]\n"}},
      // Make's names: a space or '#' behind a backslash.
      {{"-q", "--depfile", "@/deps.d", "@/my #1.kxs"}, 0, "", "", "", {"my #1.kxs", kScript},
       {"deps.d", "@/my\\ \\#1.dll: @/my\\ \\#1.kxs @/bin/Kestrix.conf @/bin/template.dll\n"}},
      {{"--list-templates"}, 0, names, ""},
      {{"--list-templates"}, 0, "Installed\n", "", "", {std::string("inst/bin/") + KX_SHARE_FROM_BIN +
       "/Kestrix.conf", testing::Configuration_Text({testing::Test_Template("Installed")})}, {}, 0,
       "inst/bin/kestrixc"},
      {{"--synopsis", "OnNewObject"}, 0, "OnNewObject,[0 or Integer,Routine,Object]\n", ""},
      {{"--operations"}, 0, operations, ""},
      {{"--help"}, 0, usage, ""},
      {{"--version"}, 0, "kestrixc " KX_VERSION "\n", ""},
      {{"--exports", KX_SAMPLE_TEMPLATE}, 0, Format_Exports(Read_Export_Table(KX_SAMPLE_TEMPLATE)), ""},
      {{"--decompile", "@/m.dll"}, 0, decompiled, "", "", {"m.dll", dll}},
      {{"--decompile", "@/m.dll", "-o", "@/a.aout"}, 0, "", "", "a.aout", {"m.dll", dll}},
      {{"--decompile", "@/a.kxs", "-o", "@/a.aout"}, 1, "", "kestrixc: @/a.kxs: RoutineData at 0x1A0: the table "
       "lies past the end of the file of " + std::to_string(kScript.size()) + " bytes\n"},
      {{"--decompile", "@/m.dll", "-t", "Missing"}, 1, "", "kestrixc: the template DLL @/bin/missing.dll cannot "
       "be read: No such file or directory\n", "", {"m.dll", dll}},
      {{"--decompile", "@/m.dll", "-t", "Nope"}, 2, "", "kestrixc: no template entry is named 'Nope'\n" + usage},
      {{"--exports", "@/bad.dll"}, 1, "", "kestrixc: @/bad.dll: the file is neither a Windows DLL (PE) nor "
       "an ELF shared object\n", "", {"bad.dll", "garbage"}},
      // Bad usage, and configurations that cannot be read (laid out for 79 columns).
      {{}, 2, "", "kestrixc: no SCRIPT given\n" + usage},
      {{"--bogus"}, 2, "", "kestrixc: unknown option '--bogus'\n" + usage},
      {{"--synopsis", "wait"}, 2, "", "kestrixc: no operation is named 'wait'\n" + usage},
      {{"-c", "@/none.conf", "@/a.kxs"}, 2, "", "The input file '@/none.conf' does not exists.\n"
       "@/none.conf: error: configuration not read\n"},
      {{"-c", "@/bad.conf", "--list-templates"}, 2, "", "Invalid lexeme.\n" + std::string(79, '-') + "\n" +
       std::string(13, '-') + "v\n    1: template list {" + std::string(57, ' ') + "\n" +
       std::string(13, ' ') + "tempalte\n\n" + hint + "@/bad.conf:1: error: configuration not read\n", "",
       {"bad.conf", "template list {" + std::string(70, ' ') + "tempalte\n"}},
      // Failed builds: the build log (laid out for 94 columns) on standard output,
      // with --quiet only the diagnostics; the last line on standard error. An
      // undefined name fails on the line of its step.
      {{"-q", "-t", "Tight", "@/u.kxs"}, 1, tight, "@/u.kxs:6: error: build failed\n", "",
       {"u.kxs", routines + "[routine,B,1,true]\n"}},
      {{"-q", "@/u.kxs"}, 1, "Location label 'nowhere' not defined in routine 'A'.\n",
       "@/u.kxs:7: error: build failed\n", "", {"u.kxs", routines + "Wait,1\nJumpTo,\nnowhere\n"}},
      {{"-q", "@/u.kxs"}, 1, "Location label 'own' not defined in routine 'A'.\n",
       "@/u.kxs:7: error: build failed\n", "",
       {"u.kxs", routines + "own: Wait,1\nSetStep,B,own\n[routine,B,1,true]\n"}},
      {{"-q", "@/u.kxs"}, 1, "Routine label 'Nobody' not defined.\n", "@/u.kxs:6: error: build failed\n", "",
       {"u.kxs", routines + "SetStep,\nNobody,top\n"}},
      {{"-t", "first", "@/a.kxs"}, 1, "File    : vmobject/vmobject\nLine    : #\nRoutine : VMBuild\n\n"
       "Named template configuration not in template list.\n", failed},
      {{"@/u.kxs"}, 1, "Processing file: \"@/u.kxs\"\n\nThe input file '@/u.kxs' does not exists.\n",
       "@/u.kxs: error: build failed\n"},
      // Every writer reports the call that failed or the array that does not fit.
      {{"-f", "aout", "@/a.kxs"}, 1, system("vmasm/vmasm", folder, "fopen"), failed, "", {"a.aout/", ""}},
      {{"-f", "c", "@/a.kxs"}, 1, system("vmcode/vmcode", folder, "fopen (@/a.c)"), failed, "", {"a.c/", ""}},
      {{"@/a.kxs"}, 1, system("vmcode/vmcode", folder, "fopen (\"@/a.dll\", \"wb\")"), failed, "",
       {"a.dll/", ""}},
      {{"-f", "aout", "-t", "Roomy", "@/u.kxs"}, 1, "Processing file: \"@/u.kxs\"\n\nNumber of lines "
       "processed: 511\n\nFile       : vmasm/vmasm_write\nLine       : #\nError code : 27\nError text : "
       "File too large\nSubroutine : vfprintf\n", "@/u.kxs: error: build failed\n", "", {"u.kxs", big}, {}, 2},
      {{"-f", "c", "@/a.kxs"}, 1, system("vmcode/vmcode", large, "fflush (@/a.c)"), failed, "", {}, {}, 1},
      {{"@/a.kxs"}, 1, system("vmcode/vmcode", large, "fwrite"), failed, "", {}, {}, 2},
      {{"-t", "Missing", "@/a.kxs"}, 1, system("vmcode/vmcode", "2\nError text : No such file or directory",
       "fopen (\"@/bin/missing.dll\", \"rb\")"), failed},
      {{"-t", "Folder", "@/a.kxs"}, 1, system("vmcode/vmcode", folder, "fread"), failed},
      // A template that is no regular file, or too large for one, is refused before it is read.
      {{"-t", "Zero", "@/a.kxs"}, 1, built + "File    : vmcode/vmcode\nLine    : #\nRoutine : Copy_Template\n\n"
       "The template DLL file \"/dev/zero\" cannot be used: it is not a regular file.\n", failed},
      {{"-t", "Huge", "-c", "bin/Kestrix.conf", "@/a.kxs"}, 1, built + "File    : vmcode/vmcode\nLine    : "
       "#\nRoutine : Copy_Template\n\nThe template DLL file \"bin/huge.dll\" cannot be used: it is larger "
       "than 1 GiB, too large for a\ntemplate.\n", failed},
      {{"-t", "Empty", "@/a.kxs"}, 1, fit("RoutineData array at offset 0x1A0", "0"), failed},
      {{"-t", "Objective", "@/a.kxs"}, 1, fit("ObjectiveArray array at offset 0xFF0"), failed},
      // An array may end where the template ends; an element beyond is reported at the array's offset.
      {{"-t", "Debug", "@/a.kxs"}, 0, built, "", "a.dll"},
      {{"-t", "Debug", "@/u.kxs"}, 1, fit("DebugText array at offset 0xFFF", "4096", "Processing file: "
       "\"@/u.kxs\"\n\nNumber of lines processed: 6\n\n"), "@/u.kxs: error: build failed\n", "",
       {"u.kxs", routines + "[routine,B,1,true]\n"}},
      {{"-t", "Negative", "@/a.kxs"}, 1, fit("RoutineData array at offset 0xFFFFFFF0"), failed},
      // A row width far beyond any template is refused without making a row
      // of that width (2 GB here; the run may take 256 MB).
      {{"-t", "Wide", "@/a.kxs"}, 1, fit("NameArray array at offset 0x500"), failed}};
  // clang-format on
  for (const Invocation& run : runs) {
    // File-size limits and the device /dev/zero are POSIX matters.
    if (kWindows && (run.file_size_blocks > 0 || std::count(run.args.begin(), run.args.end(), "Zero") > 0))
      continue;
    SCOPED_TRACE(::testing::PrintToString(run.args) + " " + run.file.first);
    testing::TempDir folder;
    const fs::path& path = folder.path();
    fs::create_directories(path / "bin" / "folder.dll");
    folder.Write("bin/Kestrix.conf", testing::Configuration_Text(entries));
    folder.Write("bin/template.dll", testing::Template_Bytes());
    folder.Write("bin/empty.dll", "");
    fs::resize_file(folder.Write("bin/huge.dll", ""), (1 << 30) + 1);
    folder.Write("a.kxs", kScript);
    for (const char* output : {"a.dll", "a.c", "a.aout"}) folder.Write(output, "earlier");
    if (run.file.first.ends_with('/')) {
      fs::remove(path / run.file.first.substr(0, run.file.first.size() - 1));
      fs::create_directory(path / run.file.first);
    } else if (!run.file.first.empty()) {
      fs::create_directories((path / run.file.first).parent_path());
      folder.Write(run.file.first, run.file.second);
    }
    std::vector<std::string> args;
    for (const std::string& arg : run.args) args.push_back(Resolved(arg, path));
    EXPECT_EQ(Run_Program(kProgram, path / (run.program + kProgram.suffix), path, args, run.file_size_blocks),
              run.status);
    EXPECT_EQ(Resolved(Output(path, "stdout"), path), Resolved(run.out, path));
    EXPECT_EQ(Resolved(Output(path, "stderr"), path), Resolved(run.err, path));
    for (const char* output : {"a.dll", "a.c", "a.aout"})
      EXPECT_EQ(fs::is_directory(path / output) || testing::Read_File(path / output) == "earlier",
                output != run.written)
          << output;
    if (!run.made.first.empty()) {
      EXPECT_EQ(Resolved(Output(path, run.made.first.c_str()), path), Resolved(run.made.second, path));
    }
    for (const auto& entry : fs::recursive_directory_iterator(path))
      EXPECT_NE(entry.path().filename().string().rfind(".kestrix-", 0), 0u) << entry.path();
  }
}

#ifdef KESTRIXC_WINDOWS_PATH
// kestrixc.exe builds every example into the DLL and the C listing that
// kestrixc builds, byte for byte, with a script, a configuration and a
// template whose names hold spaces and letters beyond ASCII.
TEST(KestrixcWindows, BuildsTheBytesOfTheLinuxBuildUnderAnyName) {
  testing::TempDir folder;
  const fs::path missions = folder.path() / "Missions d'été", models = folder.path() / "Modèles ü";
  fs::create_directories(missions);
  fs::create_directories(models);
  fs::copy_file(KX_SAMPLE_TEMPLATE, models / "modèle été.dll");
  const std::string config =
      folder
          .Write("Modèles ü/Réglages 2.conf",
                 std::regex_replace(testing::Read_File(KX_CONFIGURATION), std::regex("\"sample\\.dll\""),
                                    "\"modèle été.dll\""))
          .string();
  for (const auto& example : fs::directory_iterator(KX_EXAMPLES_DIR)) {
    const fs::path script = missions / ("Mission é " + example.path().filename().string());
    fs::copy_file(example.path(), script);
    for (const char* format : {"dll", "c"}) {
      const fs::path output = missions / (script.stem().string() + "." + format);
      std::string built[2];
      for (int windows : {0, 1}) {
        const Program& program = windows ? kProgram : kLinux;
        SCOPED_TRACE(script.string() + " " + format + " " + program.file);
        fs::remove(output);
        EXPECT_EQ(Run_Program(program, folder.path() / ("bin/kestrixc" + std::string(program.suffix)),
                              folder.path(), {"-c", config, "-f", format, script.string()}),
                  0)
            << Output(folder.path(), "stderr");
        built[windows] = testing::Read_File(output);
      }
      EXPECT_FALSE(built[0].empty()) << output;
      EXPECT_TRUE(built[0] == built[1]) << output;
    }
  }
}
#endif

}  // namespace
}  // namespace kx
