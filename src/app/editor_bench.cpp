// editor_bench: how long the editor takes to open a script of 1 MiB and put
// the caret on its last line, as "Go To Error" does, the window painted. A
// measured run that prints its figures (make bench), not a pass/fail test.
#include <QApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "app/app_testing.h"

namespace {

constexpr int kRuns = 5;

// A script of exactly `size` bytes with CR LF line ends: the four data
// sections, then routines of steps, filled up by a last comment line.
QByteArray Script_Of_Size(qsizetype size) {
  QByteArray text = "// A large mission for the editor benchmark.\r\n[objects]\r\n";
  for (int i = 0; i < 200; ++i) text += "unit_" + QByteArray::number(i) + (i % 10 == 0 ? " <4>\r\n" : "\r\n");
  text += "\r\n[positions]\r\n";
  for (int i = 0; i < 100; ++i)
    text += "spot_" + QByteArray::number(i) + ", " + QByteArray::number(i * 37 - 900) + ", 0, " +
            QByteArray::number(1800 - i * 11) + "\r\n";
  text +=
      "\r\n[variables]\r\ncount, 0\r\nscore, 0\r\n\r\n[text]\r\nhello, \"Hold the line.\\nHelp is "
      "near.\"\r\n";
  const char* const steps[] = {
      "  Wait, 10\r\n",
      "  Display, hello, green, score\r\n",
      "  Create, unit_3, \"raider_tank\", 2, spot_7\r\n",
      "  Add, count, 1\r\n",
      "\tIfLT, 600, top                 // not yet: again\r\n",
      "  Attack, unit_12, unit_40, 1\r\n",
  };
  for (int routine = 0; text.size() < size - 400; ++routine) {
    text += "\r\n[routine, R" + QByteArray::number(routine) + ", 1, true]\r\ntop:\r\n";
    for (int i = 0; i < 40 && text.size() < size - 400; ++i) text += steps[(routine + i) % std::size(steps)];
  }
  text += "// " + QByteArray(size - text.size() - 5, '-') + "\r\n";
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  const QByteArray script = Script_Of_Size(kx::CKestrixView::kMaxTextSize);
  std::vector<double> times;
  int lines = 0;
  for (int run = 0; run < kRuns; ++run) {
    kx::testing::FrameFixture fixture;
    const QString path = fixture.Write("large.kxs", script);
    kx::CKestrixView& view = fixture.frame->view();
    QApplication::processEvents();

    QElapsedTimer timer;
    timer.start();
    if (!fixture.frame->OpenDocumentFile(path)) return 1;
    lines = view.document()->blockCount();
    view.Go_To_Line(lines);
    QApplication::processEvents();
    view.viewport()->repaint();
    times.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);

    if (view.textCursor().blockNumber() != lines - 1) {
      std::fprintf(stderr, "editor_bench: the caret is not on the last line\n");
      return 1;
    }
  }
  std::sort(times.begin(), times.end());
  std::printf(
      "editor: opened a script of %lld bytes (%d lines) and moved to its last line in %.1f ms "
      "(median of %d runs)\n",
      static_cast<long long>(script.size()), lines, times[times.size() / 2], kRuns);
  return 0;
}
