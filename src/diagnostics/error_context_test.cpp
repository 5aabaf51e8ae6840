#include "diagnostics/error_context.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "diagnostics/testing.h"

namespace kx {
namespace {

// Both end the operation themselves, even on a sink that does not.
TEST(ErrorContext, RaiseAndRaiseSystemDeliverTheirHeaderThenFail) {
  testing::CapturedContext notices(false);
  notices.context.Set_Location(12, "vmobject/vmobject");
  EXPECT_EQ(notices.Failure([&] { notices.context.Raise("VMBuild", "Named template %s.", "missing"); }),
            "File    : vmobject/vmobject\nLine    : 12\nRoutine : VMBuild\n\nNamed template missing.");
  EXPECT_EQ(notices.Failure([&] {
    errno = ENOENT;
    notices.context.Raise_System("fopen (\"%s\", \"wb\")", "out.dll");
  }),
            "File       : vmobject/vmobject\nLine       : 12\nError code : 2\n"
            "Error text : No such file or directory\nSubroutine : fopen (\"out.dll\", \"wb\")");
}

TEST(ErrorContext, ReportDeliversWrappedAndCutAndFailsOnlyOnAnErrorSink) {
  testing::CapturedContext notices(false, 10), errors(true);
  notices.context.Report("Processing file: \"%s\"\n\n", "a.kxs");
  notices.context.Report("%s", "alpha beta gamma delta");
  EXPECT_EQ(notices.Text(), "Processing\nfile:\n\"a.kxs\"\n\nalpha beta\ngamma\ndelta");
  const std::string text = "100% of %s and %d stay";  // a finished text is never taken as a format
  EXPECT_EQ(errors.Failure([&] { errors.context.Report("%s", text.c_str()); }), text);
  // The wrapped text is cut again: its line breaks count.
  EXPECT_EQ(errors.Failure([&] { errors.context.Report("%s", std::string(5000, 'x').c_str()); }).size(),
            ErrorContext::kDiagnosticSize);
}

TEST(ErrorSinks, ListEntriesAndTheLogFile) {
  using Entries = std::vector<std::string>;
  const std::pair<std::string, Entries> cases[] = {{"one", {"one"}},
                                                   {"one\n", {"one"}},
                                                   {"one\n\ntwo", {"one", "", "two"}},
                                                   {"\n\n", {"", ""}},
                                                   {"", {""}}};
  for (const auto& [text, expected] : cases) EXPECT_EQ(Split_Entries(text), expected) << text;

  testing::TempDir dir;
  ErrorContext notices(79, std::make_unique<LogFileSink>(false, dir.path() / "Kestrix.log"));
  notices.Report("Processing file: \"%s\"\n\n", "Kestrix.conf");
  notices.Report("Number of lines processed: %d", 4);
  EXPECT_EQ(testing::Read_File(dir.path() / "Kestrix.log"),
            "Processing file: \"Kestrix.conf\"\n\nNumber of lines processed: 4");
  // A log that cannot be created loses the text silently; the error still ends the build.
  ErrorContext errors(79, std::make_unique<LogFileSink>(true, dir.path() / "missing" / "Kestrix.log"));
  EXPECT_THROW(errors.Report("%s", "lost"), BuildFailure);
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "missing"));
}

}  // namespace
}  // namespace kx
