// Renders the main window and the build log dialog after a failed build to
// PNG files in the build folder's screenshots/, for a person to look at.
#include <QAbstractItemView>
#include <QSettings>
#include <QtTest>

#include "app/about_dlg.h"
#include "app/app_testing.h"
#include "app/main_frame.h"

namespace kx {

using testing::CompanionFolder;
using testing::ScriptedPrompts;

class ScreenshotTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void mainWindowAndBuildLog();

 private:
  std::unique_ptr<testing::PrivateSettings> m_settings;
  // Saves the widget's rendering as `name`; fails on an empty picture.
  static void Save(QWidget& widget, const QString& name);
};

void ScreenshotTest::initTestCase() {
  m_settings = std::make_unique<testing::PrivateSettings>();
  QSettings(CMainFrame::kSettingsOrganisation, CMainFrame::kSettingsApplication).clear();
  QVERIFY(QDir().mkpath(KX_SCREENSHOT_DIR));
}

void ScreenshotTest::Save(QWidget& widget, const QString& name) {
  const QImage image = widget.grab().toImage();
  QVERIFY(!image.isNull());
  // Something is drawn: many more colours than a blank window has.
  QSet<QRgb> colours;
  for (int y = 0; y < image.height(); y += 3)
    for (int x = 0; x < image.width(); x += 3) colours.insert(image.pixel(x, y));
  QVERIFY2(colours.size() > 16, qPrintable(name));
  const QString path = QDir(KX_SCREENSHOT_DIR).filePath(name);
  QVERIFY(image.save(path));
  qInfo("wrote %s", qPrintable(path));
}

void ScreenshotTest::mainWindowAndBuildLog() {
  ScriptedPrompts prompts;
  CompanionFolder folder;
  folder.Write("Kestrix.conf", testing::Template_List({"Standard", "Small"}));
  folder.Write("blank.dll", QByteArray(testing::kBlankSize, '\0'));
  QFile::copy(KX_OPERATIONS_PAGE, folder.Path("operations.htm"));
  const QString script = folder.Write(
      "mission.kxs",
      "// A short mission: the tank waits, is refilled and rests.\r\n[objects]\r\ntank\r\n[positions]\r\n"
      "base, 100, -20, 0\r\n[variables]\r\ncount, 0\r\n[text]\r\nintro, \"Hold the base.\"\r\n"
      "[routine,Main,1,true]\r\nstart:\r\n  Wait,5\r\n  AddAmmo,ghost,5\r\n  GoTo,start\r\n");

  CMainFrame frame;
  frame.resize(960, 600);
  frame.show();
  QVERIFY(QTest::qWaitForWindowActive(&frame));
  QVERIFY(frame.OpenDocumentFile(script));

  // Choose AddAmmo from the operations list, with the caret at the end.
  frame.GetEditorView().moveCursor(QTextCursor::End);
  auto& box = *frame.findChild<COperationsBox*>("operationsBox");
  box.showPopup();
  box.view()->setCurrentIndex(box.model()->index(box.findText("AddAmmo"), 0));
  QTest::keyClick(box.view(), Qt::Key_Return);
  QCoreApplication::processEvents();

  frame.OnBuild();
  CBuildLogDlg& dialog = frame.GetBuildLog();
  dialog.findChild<QPushButton*>("createButton")->click();
  QCOMPARE(dialog.error_line(), 13);
  QCoreApplication::processEvents();
  Save(dialog, "build_log.png");

  dialog.findChild<QPushButton*>("goToErrorButton")->click();
  Save(frame, "main_window.png");

  // The help pane dragged open, at the chosen operation's entry.
  frame.Show_Operation_Help();
  frame.Show_Operation_Help();
  frame.findChild<QSplitter*>()->setSizes({560, 400});
  QCoreApplication::processEvents();
  Save(frame, "main_window_help.png");

  CAboutDlg about(&frame);
  about.show();
  QCoreApplication::processEvents();
  Save(about, "about.png");
}

}  // namespace kx

QTEST_MAIN(kx::ScreenshotTest)
#include "screenshot_test.moc"
