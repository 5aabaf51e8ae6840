// Bad input through the built kestrixc: missing, empty and wrong files,
// binary garbage, over-long lines and numbers, every template limit, and
// output paths that cannot be written. For each: the exact diagnostic and
// exit status, no crash (nor leak, in the sanitizer build), no temporary
// file left behind, and the output of an earlier good build unchanged.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <functional>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "vmcode/vmcode_testing.h"
#include "diagnostics/testing.h"

extern char** environ;

namespace kx {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

constexpr const char* kGoodScript =
    "[objects]\ntank\n[positions]\nbase,1,2,3\n[variables]\ncount,5\n[text]\nhello,\"Hi\"\n"
    "[routine,Main,1,true]\nWait,5\nAudio,\"beep\"\n";
constexpr const char* kHint = "Please correct the error and try again.";

// A finished run of the program.
struct Outcome {
  int status = -1;  // the exit status; -1 when the program did not exit by itself
  std::string out;
  std::string err;
};

// A running program whose streams go to files of `folder`.
class Child {
 public:
  Child(const fs::path& folder, const std::vector<std::string>& args) : folder_(folder) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, (folder / "stdout").c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_addopen(&actions, 2, (folder / "stderr").c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    std::vector<std::string> argv_text = {KESTRIXC_PATH};
    argv_text.insert(argv_text.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : argv_text) argv.push_back(arg.data());
    argv.push_back(nullptr);
    EXPECT_EQ(posix_spawn(&pid_, KESTRIXC_PATH, &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
  }

  Outcome Wait() {
    int status = 0;
    Outcome run;
    if (waitpid(pid_, &status, 0) == pid_ && WIFEXITED(status)) run.status = WEXITSTATUS(status);
    run.out = testing::Read_File(folder_ / "stdout");
    run.err = testing::Read_File(folder_ / "stderr");
    fs::remove(folder_ / "stdout");
    fs::remove(folder_ / "stderr");
    return run;
  }

 private:
  fs::path folder_;
  pid_t pid_ = -1;
};

// Source lines of the raising code change with every edit: "Line : 123" is
// compared as "Line : #".
std::string Masked(const std::string& text) {
  static const std::regex source_line("(\n|^)(Line +: )[0-9]+\n");
  return std::regex_replace(text, source_line, "$1$2#\n");
}

std::string Joined(const Lines& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

// The build log of a positioned diagnostic: message, arrow, the listed line
// as broken at 94 columns, the hint.
Lines Listing(const std::string& message, int column, const Lines& listed) {
  Lines lines = {message, std::string(7 + (column > 1 ? column - 1 : 0), '-') + "v"};
  lines.insert(lines.end(), listed.begin(), listed.end());
  lines.push_back(kHint);
  lines.push_back("");
  return lines;
}

// A folder holding the configuration (entries "Test", "Tight" with small
// limits, "Blank" whose template is chosen per case), the template and the
// script a.kxs, with a.dll, a.c and a.aout from a good build of it.
class Workspace {
 public:
  Workspace() {
    folder_.Write("template.dll", testing::Template_Bytes());
    Write_Configuration(testing::Configuration_Text(
        {testing::Test_Template("Test"), Tight(), testing::Test_Template("Blank", "blank.dll")}));
    Write("a.kxs", kGoodScript);
    for (const char* format : {"dll", "c", "aout"}) {
      const Outcome good = Build({"-f", format, Path("a.kxs")});
      EXPECT_EQ(good.status, 0) << good.out << good.err;
    }
    for (const char* output : {"a.dll", "a.c", "a.aout"})
      earlier_.push_back(testing::Read_File(Path(output)));
  }

  // The "Tight" entry: every limit small enough to reach in a few lines.
  static TemplateConfig Tight() {
    TemplateConfig tight = testing::Test_Template("Tight");
    tight.max_routine_count = 2;
    tight.max_object_count = 3;
    tight.step_data_array_rows = 4;
    tight.position_array_rows = 2;
    tight.integer_array_rows = 2;
    tight.objective_array_rows = 2;
    tight.objective_array_cols = 6;
    tight.name_array_rows = 2;
    tight.name_array_cols = 4;
    return tight;
  }

  std::string Path(const std::string& name) const { return (folder_.path() / name).string(); }
  std::string Config() const { return Path("Kestrix.conf"); }
  void Write(const std::string& name, const std::string& bytes) const { folder_.Write(name, bytes); }
  void Write_Configuration(const std::string& text) const { folder_.Write("Kestrix.conf", text); }

  // kestrixc -c Kestrix.conf ARGS, with streams and exit status.
  Outcome Build(std::vector<std::string> args) const {
    args.insert(args.begin(), {"-c", Config()});
    return Child(folder_.path(), args).Wait();
  }

  // The outputs of the good build are as they were, and nothing temporary is left.
  void Expect_Untouched() const {
    const char* outputs[] = {"a.dll", "a.c", "a.aout"};
    for (std::size_t i = 0; i < earlier_.size(); ++i) {
      if (fs::is_regular_file(Path(outputs[i]))) {
        EXPECT_EQ(testing::Read_File(Path(outputs[i])), earlier_[i]) << outputs[i];
      }
    }
    Expect_No_Temporaries(folder_.path());
  }

  static void Expect_No_Temporaries(const fs::path& folder) {
    for (const auto& entry : fs::recursive_directory_iterator(folder))
      EXPECT_NE(entry.path().filename().string().rfind(".kestrix-", 0), 0u) << entry.path();
  }

  const fs::path& folder() const { return folder_.path(); }
  const std::vector<std::string>& earlier() const { return earlier_; }

 private:
  testing::TempDir folder_;
  std::vector<std::string> earlier_;
};

struct Case {
  const char* name;
  std::function<void(const Workspace&)> set_up;
  std::vector<std::string> args;  // "@" stands for the folder's path
  int status;
  std::function<std::string(const Workspace&)> out;
  std::function<std::string(const Workspace&)> err;
};

std::vector<std::string> Resolved(const Workspace& w, const std::vector<std::string>& args) {
  std::vector<std::string> resolved;
  for (const std::string& arg : args)
    resolved.push_back(arg.rfind("@/", 0) == 0 ? w.Path(arg.substr(2)) : arg);
  return resolved;
}

void Run_Cases(const std::vector<Case>& cases) {
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Workspace w;
    c.set_up(w);
    const Outcome run = w.Build(Resolved(w, c.args));
    EXPECT_EQ(run.status, c.status) << run.out << run.err;
    EXPECT_EQ(Masked(run.out), c.out(w));
    EXPECT_EQ(Masked(run.err), c.err(w));
    w.Expect_Untouched();
  }
}

std::string Processing(const Workspace& w, const std::string& script) {
  return "Processing file: \"" + w.Path(script) + "\"\n\n";
}

std::string Processed(const Workspace& w, const std::string& script, int lines) {
  return Processing(w, script) + "Number of lines processed: " + std::to_string(lines) + "\n\n";
}

std::string Failed(const Workspace& w, const std::string& script, int line = 0) {
  return w.Path(script) + (line > 0 ? ":" + std::to_string(line) : "") + ": error: build failed\n";
}

std::string System_Error(const char* module, int code, const char* text, const std::string& call) {
  return Joined({std::string("File       : ") + module, "Line       : #",
                 "Error code : " + std::to_string(code), std::string("Error text : ") + text,
                 "Subroutine : " + call});
}

std::string Raised(const char* module, const char* routine, const std::string& message) {
  return Joined(
      {std::string("File    : ") + module, "Line    : #", std::string("Routine : ") + routine, "", message});
}

void No_Set_Up(const Workspace&) {}

TEST(BadInput, MissingEmptyAndFolderPaths) {
  const std::string end_of_file = Joined(Listing("Found an end of file when expecting '['.", 0, {"    0: "}));
  const std::vector<Case> cases = {
      {"missing script",
       [](const Workspace& w) { fs::remove(w.Path("a.kxs")); },
       {"@/a.kxs"},
       1,
       [](const Workspace& w) {
         return Processing(w, "a.kxs") + "The input file '" + w.Path("a.kxs") + "' does not exists.\n";
       },
       [](const Workspace& w) { return Failed(w, "a.kxs"); }},
      {"empty script",
       [](const Workspace& w) { w.Write("a.kxs", ""); },
       {"@/a.kxs"},
       1,
       [=](const Workspace& w) { return Processing(w, "a.kxs") + end_of_file; },
       [](const Workspace& w) { return Failed(w, "a.kxs"); }},
      {"script is a folder",
       [](const Workspace& w) { fs::create_directory(w.Path("d.kxs")); },
       {"@/d.kxs"},
       1,
       [](const Workspace& w) {
         return Processing(w, "d.kxs") + System_Error("lexan/lexan", 21, "Is a directory", "fgets");
       },
       [](const Workspace& w) { return Failed(w, "d.kxs"); }},
      {"missing configuration",
       No_Set_Up,
       {"-c", "@/none.conf", "@/a.kxs"},
       2,
       [](const Workspace&) { return std::string(); },
       [](const Workspace& w) { return "The input file '" + w.Path("none.conf") + "' does not exists.\n"; }},
      {"empty configuration",
       [](const Workspace& w) { w.Write("empty.conf", ""); },
       {"-c", "@/empty.conf", "@/a.kxs"},
       2,
       [](const Workspace&) { return std::string(); },
       [](const Workspace&) {
         return Joined(Listing("Found an end of file when expecting 'template'.", 0, {"    0: "}));
       }},
      {"configuration is a folder",
       [](const Workspace& w) { fs::create_directory(w.Path("d.conf")); },
       {"-c", "@/d.conf", "@/a.kxs"},
       2,
       [](const Workspace&) { return std::string(); },
       [](const Workspace&) { return System_Error("lexan/lexan", 21, "Is a directory", "fgets"); }},
      {"missing template",
       No_Set_Up,
       {"-t", "Blank", "@/a.kxs"},
       1,
       [](const Workspace& w) {
         return Processed(w, "a.kxs", 11) + System_Error("vmcode/vmcode", 2, "No such file or directory",
                                                         "fopen (\"" + w.Path("blank.dll") + "\", \"rb\")");
       },
       [](const Workspace& w) { return Failed(w, "a.kxs"); }},
      {"empty template",
       [](const Workspace& w) { w.Write("blank.dll", ""); },
       {"-t", "Blank", "@/a.kxs"},
       1,
       [](const Workspace& w) {
         return Processed(w, "a.kxs", 11) +
                Raised(
                    "vmcode/vmcode_write", "Emit_Bytes",
                    "The RoutineData array at offset 0x1A0 does not fit the template DLL file of 0 bytes.");
       },
       [](const Workspace& w) { return Failed(w, "a.kxs"); }},
      {"template is a folder",
       [](const Workspace& w) { fs::create_directory(w.Path("blank.dll")); },
       {"-t", "Blank", "@/a.kxs"},
       1,
       [](const Workspace& w) {
         return Processed(w, "a.kxs", 11) + System_Error("vmcode/vmcode", 21, "Is a directory", "fread");
       },
       [](const Workspace& w) { return Failed(w, "a.kxs"); }},
  };
  Run_Cases(cases);
}

TEST(BadInput, GarbageZeroBytesLongLinesAndNumbers) {
  const std::string head = "[objects]\n[positions]\n[variables]\n[text]\n[routine,Main,1,true]\n";
  auto script = [](std::string bytes) { return [bytes](const Workspace& w) { w.Write("a.kxs", bytes); }; };
  auto build_log = [](const Lines& log) {
    return [=](const Workspace& w) { return Processing(w, "a.kxs") + Joined(log); };
  };
  auto failed_on = [](int line) { return [line](const Workspace& w) { return Failed(w, "a.kxs", line); }; };
  const std::string comment_511 = "//" + std::string(509, 'x');
  const std::vector<Case> cases = {
      {"binary garbage",
       script(std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16)),
       {"@/a.kxs"},
       1,
       build_log(Listing("Invalid lexeme.", 1, {"    1: \x89PNG", ""})),
       failed_on(1)},
      {"a zero byte ends nothing unseen",
       script(head + std::string("Wait,5\0Wait,6\n", 14)),
       {"@/a.kxs"},
       1,
       build_log(Listing("Invalid lexeme.", 7, {"    6: Wait,5"})),
       failed_on(6)},
      {"integer beyond 32 bits",
       script(head + "Wait,4294967296\n"),
       {"@/a.kxs"},
       1,
       build_log(Listing("Integer value greater than 4294967295.", 15, {"    6: Wait,4294967296", ""})),
       failed_on(6)},
      {"negative integer beyond 32 bits",
       script("[objects]\n[positions]\np,1,-2147483649,0\n[variables]\n[text]\n[routine,Main,1,true]\n"),
       {"@/a.kxs"},
       1,
       build_log(Listing("Integer value less than -2147483648.", 15, {"    3: p,1,-2147483649,0", ""})),
       failed_on(3)},
      {"a line of 512 characters",
       script(head + comment_511 + "x\n"),
       {"@/a.kxs"},
       1,
       build_log(Listing(
           "Size of input line greater than or equal to 512 characters.", 0,
           {"    6: " + comment_511.substr(0, 87), comment_511.substr(87, 94), comment_511.substr(181, 94),
            comment_511.substr(275, 94), comment_511.substr(369, 94), comment_511.substr(463) + "x"})),
       failed_on(6)},
  };
  Run_Cases(cases);

  // A line of 511 characters is read; the numbers at the edge of 32 bits are taken.
  Workspace w;
  w.Write("a.kxs", "[objects]\n[positions]\np,2147483647,-2147483648,0\n[variables]\nv,4294967295\n[text]\n" +
                       comment_511 + "\n[routine,Main,1,true]\nIfEQ,4294967295,end\nend:\n");
  const Outcome run = w.Build({w.Path("a.kxs")});
  EXPECT_EQ(run.status, 0) << run.out;
  EXPECT_EQ(run.out, Processed(w, "a.kxs", 10));
}

TEST(BadInput, ConfigurationsThatCannotBeRead) {
  const std::string entry = testing::Configuration_Text({testing::Test_Template("Test")});
  auto configuration = [](std::string text) {
    return [text](const Workspace& w) { w.Write_Configuration(text); };
  };
  auto listing = [](const std::string& message, int line, int column, const std::string& text) {
    return [=](const Workspace&) {
      return Joined(Listing(message, column, {"    " + std::to_string(line) + ": " + text, ""}));
    };
  };
  const auto nothing = [](const Workspace&) { return std::string(); };
  std::string hex_beyond = entry;
  hex_beyond.replace(hex_beyond.find("0x1A0"), 5, "0x1000001A0");
  std::string count_beyond = entry;
  count_beyond.replace(count_beyond.find("count 8"), 7, "count 4294967304");
  const std::vector<Case> cases = {
      {"zero byte",
       configuration(std::string("template list {\0}\n", 18)),
       {"@/a.kxs"},
       2,
       nothing,
       [](const Workspace&) { return Joined(Listing("Invalid lexeme.", 16, {"    1: template list {"})); }},
      {"hexadecimal beyond 32 bits",
       configuration(hex_beyond),
       {"@/a.kxs"},
       2,
       nothing,
       listing("Hexadecimal value greater than 0xFFFFFFFF.", 6, 38,
               "    step data array offset 0x1000001A0, rows 32;")},
      {"integer beyond 32 bits",
       configuration(count_beyond),
       {"@/a.kxs"},
       2,
       nothing,
       listing("Integer value greater than 4294967295.", 4, 32, "    max routine count 4294967304;")},
  };
  Run_Cases(cases);
}

// Each limit of the "Tight" entry met exactly builds; one more fails on the
// line of the entry, step or string that does not fit.
TEST(BadInput, EveryLimitMetAndExceededByOne) {
  struct Limit {
    const char* name;
    std::string fits;
    std::string exceeds;
    int line;
    const char* message;  // as the build log shows it, wrapped at 94 columns
  };
  const std::string data = "[objects]\n[positions]\n[variables]\n[text]\n";
  const std::string main = "[routine,Main,1,true]\n";
  const std::vector<Limit> limits = {
      {"routines", data + main + "[routine,B,1,true]\n",
       data + main + "[routine,B,1,true]\n[routine,C,1,true]\n", 7,
       "The number of routine exceeds the limit of 2 routines set for the target template DLL output\nfile."},
      {"objects", "[objects]\na\nb<2>\n[positions]\n[variables]\n[text]\n" + main,
       "[objects]\na\nb<2>\nc\n[positions]\n[variables]\n[text]\n" + main, 4,
       "The object count exceeds the limit of 3 objects set for the target template DLL output file."},
      {"object array", "[objects]\nb<3>\n[positions]\n[variables]\n[text]\n" + main,
       "[objects]\nb<\n4>\n[positions]\n[variables]\n[text]\n" + main, 3,
       "The object count exceeds the limit of 3 objects set for the target template DLL output file."},
      {"steps", data + main + "Wait,1\nWait,2\nWait,3\n", data + main + "Wait,1\nWait,2\nWait,3\nWait,4\n", 9,
       "Number of opcodes including the terminating halt instruction for each routine exceeds the\n"
       "storage limit of 4 opcodes set for the target template DLL output file."},
      {"steps of all routines", data + main + "Wait,1\nWait,2\n[routine,B,1,true]\n",
       data + main + "Wait,1\nWait,2\n[routine,B,1,true]\nWait,3\n", 9,
       "Number of opcodes including the terminating halt instruction for each routine exceeds the\n"
       "storage limit of 4 opcodes set for the target template DLL output file."},
      {"positions", "[objects]\n[positions]\np,1,2,3\nq,1,2,3\n[variables]\n[text]\n" + main,
       "[objects]\n[positions]\np,1,2,3\nq,1,2,3\nr,1,2,3\n[variables]\n[text]\n" + main, 5,
       "The position array row size exceeds the limit of 2 rows set for the target template DLL "
       "output\nfile."},
      {"variables", "[objects]\n[positions]\n[variables]\nu,1\nv,2\n[text]\n" + main,
       "[objects]\n[positions]\n[variables]\nu,1\nv,2\nw,3\n[text]\n" + main, 6,
       "The integer array row size exceeds the limit of 2 rows set for the target template DLL "
       "output\nfile."},
      {"texts", "[objects]\n[positions]\n[variables]\n[text]\nt,\"a\"\nu,\"b\"\n" + main,
       "[objects]\n[positions]\n[variables]\n[text]\nt,\"a\"\nu,\"b\"\nv,\"c\"\n" + main, 7,
       "The objective array row size exceeds the limit of 2 rows set for the target template DLL\noutput "
       "file."},
      {"text length", "[objects]\n[positions]\n[variables]\n[text]\nt,\"ab\\ncd\"\n" + main,
       "[objects]\n[positions]\n[variables]\n[text]\nt,\n\"abcdef\"\n" + main, 6,
       "The objective array column size exceeds the limit of 5 columns set for the target template DLL\n"
       "output file."},
      {"strings", data + main + "Audio,\"a\"\nAudio,\"b\"\nAudio,\"a\"\n",
       data + main + "Audio,\"a\"\nAudio,\"b\"\nAudio,\"c\"\n", 8,
       "The name array row size exceeds the limit of 2 rows set for the target template DLL output\nfile."},
      {"string length", data + main + "Audio,\"abc\"\n", data + main + "Audio,\n\"abcd\"\n", 7,
       "The name array column size exceeds the limit of 3 columns set for the target template DLL\noutput "
       "file."},
  };
  for (const Limit& limit : limits) {
    SCOPED_TRACE(limit.name);
    Workspace w;
    w.Write("fits.kxs", limit.fits);
    const Outcome fits = w.Build({"-t", "Tight", w.Path("fits.kxs")});
    EXPECT_EQ(fits.status, 0) << fits.out;
    EXPECT_EQ(testing::Read_File(w.Path("fits.dll")).size(), testing::kTemplateSize);

    w.Write("a.kxs", limit.exceeds);
    const Outcome exceeds = w.Build({"-t", "Tight", w.Path("a.kxs")});
    EXPECT_EQ(exceeds.status, 1);
    EXPECT_EQ(exceeds.err, Failed(w, "a.kxs", limit.line));
    const std::string log = exceeds.out;
    EXPECT_EQ(log.rfind(Processing(w, "a.kxs") + limit.message + "\n-", 0), 0u) << log;
    EXPECT_NE(log.find("\n    " + std::to_string(limit.line) + ": "), std::string::npos) << log;
    w.Expect_Untouched();
  }
}

// Arrays that the configuration places past the end of the template are
// refused before anything is written; so is an offset that is negative as
// a signed number.
TEST(BadInput, OffsetsPastTheEndOfTheTemplate) {
  struct Offsets {
    const char* name;
    std::function<void(TemplateConfig&)> change;
    const char* message;
  };
  const std::vector<Offsets> cases = {
      {"objective rows past the end", [](TemplateConfig& c) { c.objective_array_offset = 0xFF0; },
       "The ObjectiveArray array at offset 0xFF0 does not fit the template DLL file of 4096 bytes."},
      {"debug flags at the end", [](TemplateConfig& c) { c.routine_debug_array_offset = 0x1000; },
       "The DebugText array at offset 0x1000 does not fit the template DLL file of 4096 bytes."},
      {"negative offset", [](TemplateConfig& c) { c.step_data_array_offset = -16; },
       "The RoutineData array at offset 0xFFFFFFF0 does not fit the template DLL file of 4096 bytes."},
      {"huge rows", [](TemplateConfig& c) { c.name_array_cols = 2000000000; },
       "The NameArray array at offset 0x500 does not fit the template DLL file of 4096 bytes."},
  };
  for (const Offsets& offsets : cases) {
    SCOPED_TRACE(offsets.name);
    Workspace w;
    TemplateConfig config = testing::Test_Template("Test");
    offsets.change(config);
    w.Write_Configuration(testing::Configuration_Text({config}));
    const Outcome run = w.Build({w.Path("a.kxs")});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(Masked(run.out),
              Processed(w, "a.kxs", 11) + Raised("vmcode/vmcode_write", "Emit_Bytes", offsets.message));
    EXPECT_EQ(run.err, Failed(w, "a.kxs"));
    w.Expect_Untouched();
  }
}

TEST(BadInput, AnOutputPathThatIsAFolder) {
  struct Output {
    const char* format;
    const char* name;
    std::function<std::string(const std::string&)> call;
  };
  const std::vector<Output> outputs = {
      {"dll", "a.dll", [](const std::string& path) { return "fopen (\"" + path + "\", \"wb\")"; }},
      {"c", "a.c", [](const std::string& path) { return "fopen (" + path + ")"; }},
      {"aout", "a.aout", [](const std::string&) { return std::string("fopen"); }},
  };
  for (const Output& output : outputs) {
    SCOPED_TRACE(output.format);
    Workspace w;
    fs::remove(w.Path(output.name));
    fs::create_directory(w.Path(output.name));
    w.Write(std::string(output.name) + "/kept", "kept");
    const Outcome run = w.Build({"-f", output.format, w.Path("a.kxs")});
    EXPECT_EQ(run.status, 1);
    const char* module = std::string(output.format) == "aout" ? "vmasm/vmasm" : "vmcode/vmcode";
    EXPECT_EQ(Masked(run.out), Processed(w, "a.kxs", 11) + System_Error(module, 21, "Is a directory",
                                                                        output.call(w.Path(output.name))));
    EXPECT_EQ(run.err, Failed(w, "a.kxs"));
    EXPECT_EQ(testing::Read_File(w.Path(std::string(output.name) + "/kept")), "kept");
    w.Expect_Untouched();
  }
}

// The script's folder goes away, or becomes a file, while the script is
// being read: the script is a pipe, and the folder is moved before the pipe
// is closed. The output then has no folder to go to.
TEST(BadInput, AnOutputFolderThatIsMissingOrAFile) {
  for (const bool replaced_by_file : {false, true}) {
    SCOPED_TRACE(replaced_by_file ? "a file" : "missing");
    Workspace w;
    const fs::path sub = w.folder() / "sub";
    const fs::path moved = w.folder() / "moved";
    fs::create_directory(sub);
    fs::copy_file(w.Path("a.dll"), sub / "a.dll");
    const std::string script = (sub / "a.kxs").string();
    ASSERT_EQ(mkfifo(script.c_str(), 0644), 0);

    Child child(w.folder(), {"-c", w.Config(), script});
    int pipe = -1;
    for (int tries = 0; pipe < 0 && tries < 1000; ++tries) {
      pipe = open(script.c_str(), O_WRONLY | O_NONBLOCK);  // fails until the program opens the pipe
      if (pipe < 0) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_GE(pipe, 0);
    ASSERT_EQ(write(pipe, kGoodScript, std::strlen(kGoodScript)),
              static_cast<ssize_t>(std::strlen(kGoodScript)));
    fs::rename(sub, moved);
    if (replaced_by_file) w.Write("sub", "a file");
    close(pipe);
    const Outcome run = child.Wait();

    const std::string output = (sub / "a.dll").string();
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(Masked(run.out),
              "Processing file: \"" + script + "\"\n\nNumber of lines processed: 11\n\n" +
                  System_Error("vmcode/vmcode", replaced_by_file ? 20 : 2,
                               replaced_by_file ? "Not a directory" : "No such file or directory",
                               "fopen (\"" + output + "\", \"wb\")"));
    EXPECT_EQ(run.err, script + ": error: build failed\n");
    EXPECT_EQ(testing::Read_File(moved / "a.dll"), w.earlier()[0]);
    w.Expect_Untouched();
  }
}

}  // namespace
}  // namespace kx
