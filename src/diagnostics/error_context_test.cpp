#include "diagnostics/error_context.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "diagnostics/testing.h"

namespace kx {
namespace {

using Entries = std::vector<std::string>;

int Line_Of_Failure(const std::function<void()>& action) {
  try {
    action();
  } catch (const BuildFailure& failure) {
    return failure.line();
  }
  ADD_FAILURE() << "no BuildFailure was thrown";
  return -1;
}

TEST(ErrorContext, RaiseAndRaiseSystemDeliverTheirHeaderThenFailOnAnySink) {
  testing::CapturedContext build(true), notices(false);
  EXPECT_EQ(Line_Of_Failure([&] {
              build.context.Set_Location(12, "vmobject/vmobject");
              build.context.Raise("VMBuild", "Named template configuration not in template list.");
            }),
            0);
  EXPECT_EQ(build.entries, (Entries{"File    : vmobject/vmobject", "Line    : 12", "Routine : VMBuild", "",
                                    "Named template configuration not in template list."}));
  EXPECT_EQ(Line_Of_Failure([&] { notices.context.Raise("Some_Routine", "Value %d.", 7); }), 0);
  EXPECT_EQ(notices.entries.back(), "Value 7.");

  build.entries.clear();
  Line_Of_Failure([&] {
    build.context.Set_Location(3, "vmcode/vmcode");
    errno = ENOENT;
    build.context.Raise_System("fopen (\"%s\", \"wb\")", "out.dll");
  });
  EXPECT_EQ(build.entries,
            (Entries{"File       : vmcode/vmcode", "Line       : 3", "Error code : 2",
                     "Error text : No such file or directory", "Subroutine : fopen (\"out.dll\", \"wb\")"}));
}

TEST(ErrorContext, ReportReturnsOnANoticeSinkAndFailsOnAnErrorSink) {
  testing::CapturedContext notices(false), build(true);
  notices.context.Report("Processing file: \"%s\"\n\n", "/m/a.kxs");
  EXPECT_EQ(notices.entries, (Entries{"Processing file: \"/m/a.kxs\"", ""}));
  const std::string text = "100% of %s and %d stay";  // a finished text is never taken as a format
  EXPECT_EQ(Line_Of_Failure([&] { build.context.Report("%s", text.c_str()); }), 0);
  EXPECT_EQ(build.entries, (Entries{text}));
}

TEST(ErrorContext, WrapsAtItsWidthAndCutsAtTheBufferSize) {
  testing::CapturedContext narrow(false, 10);
  narrow.context.Report("%s", "alpha beta gamma delta");
  EXPECT_EQ(narrow.entries, (Entries{"alpha beta", "gamma", "delta"}));

  testing::CapturedContext unwrapped(false, 0);
  unwrapped.context.Report("%s", std::string(5000, 'x').c_str());
  ASSERT_EQ(unwrapped.entries.size(), 1u);
  EXPECT_EQ(unwrapped.entries[0].size(), ErrorContext::kDiagnosticSize);

  // Wrapping happens after the cut of the composed text, and the wrapped text is cut again.
  testing::CapturedContext wrapped(false, 94);
  wrapped.context.Report("%s", std::string(5000, 'x').c_str());
  std::size_t total = 0;
  for (const auto& entry : wrapped.entries) total += entry.size() + 1;
  EXPECT_EQ(total - 1, ErrorContext::kDiagnosticSize);
}

TEST(ErrorSinks, ListEntriesAndTheLogFile) {
  const std::pair<std::string, Entries> cases[] = {
      {"one", {"one"}},         {"one\n", {"one"}}, {"one\n\ntwo", {"one", "", "two"}},
      {"one\n\n", {"one", ""}}, {"\n", {""}},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(Split_Entries(text), expected) << text;

  testing::TempDir dir;
  const auto log = dir.path() / "Kestrix.log";
  ErrorContext notices(79, std::make_unique<LogFileSink>(false, log));
  notices.Report("Processing file: \"%s\"\n\n", "Kestrix.conf");
  notices.Report("Number of lines processed: %d", 4);
  EXPECT_EQ(testing::Read_File(log), "Processing file: \"Kestrix.conf\"\n\nNumber of lines processed: 4");
  // A log that cannot be created loses the text silently; the error still ends the build.
  ErrorContext errors(79, std::make_unique<LogFileSink>(true, dir.path() / "missing" / "Kestrix.log"));
  EXPECT_EQ(Line_Of_Failure([&] { errors.Report("%s", "lost"); }), 0);
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "missing"));
}

}  // namespace
}  // namespace kx
