// editor_bench: how long the editor takes to open a script of 1 MiB and put
// the caret on its last line, as "Go To Error" does, the window painted; how
// long the analysis of that script takes; and how long a keystroke waits at
// most while someone types into it, pausing now and then so that analyses
// run and their results arrive. A measured run that prints its figures
// (make bench), not a pass/fail test.
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

#include "app/app_testing.h"

namespace {

constexpr int kRuns = 5;
// A fast typist: a key every 60 ms, and after each line a pause long enough
// for an analysis to start (kLinePauseMs, kLinePauseMs + 20 ms, ...), so that
// its result arrives at varying moments, also while the next keys are typed.
constexpr int kKeyGapMs = 60;
constexpr int kLinePauseMs = 320;
constexpr int kTypedLines = 12;

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// Types `text` into `view` on a timer, a key every kKeyGapMs and a pause
// after each line end; each delay runs from the moment the key was due until
// the editor had taken it and painted itself.
std::vector<double> Type_Into(kx::CKestrixView& view, const QString& text) {
  std::vector<double> delays;
  QElapsedTimer clock;
  clock.start();
  QEventLoop loop;
  qint64 due = 0;
  int next = 0;
  int lines = 0;
  std::function<void()> schedule = [&] {
    if (next == text.size()) {
      loop.quit();
      return;
    }
    due += next > 0 && text.at(next - 1) == '\n' ? kLinePauseMs + 20 * lines++ : kKeyGapMs;
    QTimer::singleShot(std::max<qint64>(0, due - clock.elapsed()), Qt::PreciseTimer, [&] {
      const QChar key = text.at(next++);
      if (key == '\n')
        QTest::keyClick(&view, Qt::Key_Return);
      else
        QTest::keyClicks(&view, QString(key));
      view.viewport()->repaint();
      delays.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6 - static_cast<double>(due));
      schedule();
    });
  };
  schedule();
  loop.exec();
  return delays;
}

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
  std::printf(
      "editor: opened a script of %lld bytes (%d lines) and moved to its last line in %.1f ms "
      "(median of %d runs)\n",
      static_cast<long long>(script.size()), lines, Median(times), kRuns);

  std::vector<double> analyses;
  for (int run = 0; run < kRuns; ++run) {
    QElapsedTimer timer;
    timer.start();
    const kx::ScriptAnalysis analysis = kx::Analyse_Script(script.toStdString(), kx::Unlimited_Template());
    analyses.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
    if (analysis.tokens().empty() || analysis.error()) {
      std::fprintf(stderr, "editor_bench: the script did not analyse cleanly\n");
      return 1;
    }
  }
  std::printf("editor: analysed the script of %lld bytes in %.1f ms (median of %d runs)\n",
              static_cast<long long>(script.size()), Median(analyses), kRuns);

  // Typing in the middle of the script, a step per line.
  kx::testing::FrameFixture fixture;
  kx::CKestrixView& view = fixture.frame->view();
  if (!fixture.frame->OpenDocumentFile(
          fixture.Write("large.kxs", Script_Of_Size(kx::CKestrixView::kMaxTextSize - 2048))))
    return 1;
  view.Go_To_Line(view.document()->blockCount() / 2);
  view.moveCursor(QTextCursor::EndOfBlock);
  QTest::keyClick(&view, Qt::Key_Return);
  QTest::qWait(2000);  // the first analysis of the opened text
  const std::vector<double> delays = Type_Into(view, QString("Wait, 10\n").repeated(kTypedLines));
  QTest::qWait(2000);
  if (!view.analysis().Is_Current()) {
    std::fprintf(stderr, "editor_bench: no analysis of the typed text arrived\n");
    return 1;
  }
  std::printf(
      "editor: typing into it (%zu keys, a key every %d ms, a pause of %d ms or more after each line), the "
      "longest keystroke delay was %.1f ms (median %.1f ms)\n",
      delays.size(), kKeyGapMs, kLinePauseMs, *std::max_element(delays.begin(), delays.end()),
      Median(delays));
  return 0;
}
