#include "app/main_frame.h"

#include <QAbstractItemView>
#include <QClipboard>
#include <QMenuBar>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSettings>
#include <QTextBlock>
#include <QtTest>

#include "app/app_testing.h"
#include "app/kestrix_app.h"

namespace kx {

using testing::CompanionFolder;
using testing::Read_File;
using testing::ScriptedPrompts;

class MainFrameTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void init();
  void cleanup();

  void menusAndToolbar();
  void operationsList();
  void chooseOperation_data();
  void chooseOperation();
  void cancelledList();
  void helpStates();
  void helpAnchorSurvivesOpeningThePane();
  void helpPageHasEveryOperation();
  void buildCommand();
  void recentFilesAndGeometry();
  void closeAsksToSave();
  void applicationStart();

 private:
  COperationsBox& Box() { return *m_frame->findChild<COperationsBox*>("operationsBox"); }
  QString Synopsis() { return m_frame->findChild<QLineEdit*>("synopsis")->text(); }
  CKestrixView& Editor() { return m_frame->GetEditorView(); }

  // Clicks into the box, opens its list, highlights `name` and presses Enter or Escape.
  void Use_List(const QString& name, Qt::Key key) {
    COperationsBox& box = Box();
    box.setFocus();
    box.showPopup();
    QAbstractItemView* list = box.view();
    list->setCurrentIndex(box.model()->index(box.findText(name), 0));
    QTest::keyClick(list, key);
    QCoreApplication::processEvents();
  }

  std::unique_ptr<testing::PrivateSettings> m_settings;
  std::unique_ptr<ScriptedPrompts> m_prompts;
  std::unique_ptr<CompanionFolder> m_folder;
  std::unique_ptr<CMainFrame> m_frame;
};

void MainFrameTest::initTestCase() { m_settings = std::make_unique<testing::PrivateSettings>(); }

void MainFrameTest::init() {
  QSettings(CMainFrame::kSettingsOrganisation, CMainFrame::kSettingsApplication).clear();
  m_prompts = std::make_unique<ScriptedPrompts>();
  m_folder = std::make_unique<CompanionFolder>();
  m_frame = std::make_unique<CMainFrame>();
  m_frame->show();
  QVERIFY(QTest::qWaitForWindowActive(m_frame.get()));
}

void MainFrameTest::cleanup() {
  m_frame.reset();
  m_folder.reset();
  m_prompts.reset();
}

namespace {

// Each action as "text" or "text\tkeys|keys"; "-" for a separator; hidden ones left out.
QStringList Describe(const QList<QAction*>& actions) {
  QStringList items;
  for (const QAction* action : actions) {
    if (action->isSeparator()) {
      items << "-";
      continue;
    }
    if (!action->isVisible()) continue;
    QStringList keys;
    for (const QKeySequence& key : action->shortcuts()) keys << key.toString(QKeySequence::PortableText);
    items << (keys.isEmpty() ? action->text() : action->text() + "\t" + keys.join('|'));
  }
  return items;
}

}  // namespace

void MainFrameTest::menusAndToolbar() {
  QStringList menus;
  for (QAction* menu : m_frame->menuBar()->actions()) menus << menu->text();
  QCOMPARE(menus, (QStringList{"&File", "&Edit", "&View", "&Kestrix", "&Info"}));

  const QList<QAction*> bar = m_frame->menuBar()->actions();
  QCOMPARE(Describe(bar[0]->menu()->actions()),
           (QStringList{"&New\tCtrl+N", "&Open...\tCtrl+O", "&Save\tCtrl+S", "Save &As...", "-",
                        "&Print...\tCtrl+P", "Print Pre&view", "P&rint Setup...", "-", "Recent File", "-",
                        "E&xit"}));
  QVERIFY(!bar[0]->menu()->actions()[9]->isEnabled());
  QCOMPARE(Describe(bar[1]->menu()->actions()),
           (QStringList{"&Undo\tCtrl+Z|Alt+Backspace", "-", "Cu&t\tCtrl+X|Shift+Del",
                        "&Copy\tCtrl+C|Ctrl+Ins", "&Paste\tCtrl+V|Shift+Ins"}));
  QCOMPARE(Describe(bar[2]->menu()->actions()), QStringList{"&Toolbar"});
  QCOMPARE(Describe(bar[3]->menu()->actions()), QStringList{"&Build"});
  QCOMPARE(Describe(bar[4]->menu()->actions()), (QStringList{"&About Kestrix...", "&Help"}));

  QToolBar* toolbar = m_frame->findChild<QToolBar*>("toolbar");
  QCOMPARE(Describe(toolbar->actions()),
           (QStringList{"&New\tCtrl+N", "&Open...\tCtrl+O", "&Save\tCtrl+S", "-", "Cu&t\tCtrl+X|Shift+Del",
                        "&Copy\tCtrl+C|Ctrl+Ins", "&Paste\tCtrl+V|Shift+Ins", "-", "&Print...\tCtrl+P",
                        "&About Kestrix..."}));
  QStringList panes;
  for (const QAction* action : m_frame->actions())
    if (action->text().endsWith("Pane")) panes << Describe({const_cast<QAction*>(action)});
  QCOMPARE(panes, (QStringList{"Next Pane\tF6", "Previous Pane\tShift+F6"}));

  // The help pane starts collapsed beside the editor.
  const QList<int> sizes = m_frame->findChild<QSplitter*>()->sizes();
  QVERIFY(sizes[0] > 0);
  QCOMPARE(sizes[1], 0);
}

void MainFrameTest::operationsList() {
  COperationsBox& box = Box();
  QStringList names;
  for (int i = 0; i < box.count(); ++i) names << box.itemText(i);
  QCOMPARE(names.size(), 128);
  QCOMPARE(names.mid(0, 2), (QStringList{"Add", "AddAmmo"}));
  QCOMPARE(names.last(), QString("Wait"));
  // Alphabetical, letter case aside.
  QStringList sorted = names;
  std::sort(sorted.begin(), sorted.end(),
            [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
  QCOMPARE(names, sorted);
  QCOMPARE(names.mid(names.indexOf("SetPlan"), 3), (QStringList{"SetPlan", "SetPos", "SetPTeam"}));
  QCOMPARE(box.currentIndex(), -1);
  QCOMPARE(box.currentText(), QString());
  QCOMPARE(Synopsis(), QString());
  QCOMPARE(m_frame->operation(), -1);
}

void MainFrameTest::chooseOperation_data() {
  QTest::addColumn<QString>("name");
  QTest::addColumn<QString>("synopsis");
  QTest::newRow("AddAmmo") << "AddAmmo"
                           << "Object,Integer";
  QTest::newRow("no operands") << "ChangeSide"
                               << "";
  QTest::newRow("zero-ending list") << "OnNewObject"
                                    << "[0 or Integer,Routine,Object]";
}

// A choice replaces the editor's selection with the name, through the
// clipboard, shows the synopsis and gives the editor the focus.
void MainFrameTest::chooseOperation() {
  QFETCH(QString, name);
  QFETCH(QString, synopsis);
  Editor().SetWindowText("Wait,5\nXXX\n");
  QTextCursor cursor = Editor().textCursor();
  cursor.setPosition(7);
  cursor.setPosition(10, QTextCursor::KeepAnchor);
  Editor().setTextCursor(cursor);
  m_frame->findChild<QLineEdit*>("synopsis")->setText("stale");

  Use_List(name, Qt::Key_Return);
  QCOMPARE(Editor().GetWindowText(), "Wait,5\n" + name + "\n");
  QCOMPARE(QGuiApplication::clipboard()->text(), name);
  QCOMPARE(Synopsis(), synopsis);
  QCOMPARE(m_frame->operation(), Box().findText(name));
  QVERIFY(!m_frame->selection_cancelled());
  QCOMPARE(m_frame->focusWidget(), &Editor());

  // The same entry chosen again is inserted again.
  Use_List(name, Qt::Key_Return);
  QCOMPARE(Editor().GetWindowText(), "Wait,5\n" + name + name + "\n");
}

// Closing the list without a choice inserts nothing and keeps the earlier
// choice, if any; the next choice inserts as usual.
void MainFrameTest::cancelledList() {
  const QString untouched = Editor().GetWindowText();
  Use_List("Wait", Qt::Key_Escape);
  QCOMPARE(Editor().GetWindowText(), untouched);
  QCOMPARE(m_frame->operation(), -1);
  QCOMPARE(Synopsis(), QString());

  Use_List("AddAmmo", Qt::Key_Return);
  const QString text = Editor().GetWindowText();
  QGuiApplication::clipboard()->setText("clip");
  Use_List("Wait", Qt::Key_Escape);
  QCOMPARE(Editor().GetWindowText(), text);
  QCOMPARE(QGuiApplication::clipboard()->text(), QString("clip"));
  QCOMPARE(m_frame->operation(), Box().findText("AddAmmo"));
  QCOMPARE(Box().currentText(), QString("AddAmmo"));
  QCOMPARE(Synopsis(), QString("Object,Integer"));
  QVERIFY(!m_frame->selection_cancelled());
  QCOMPARE(m_frame->focusWidget(), &Editor());

  Use_List("Wait", Qt::Key_Return);
  QVERIFY(Editor().GetWindowText().startsWith("AddAmmoWait"));
  QCOMPARE(Synopsis(), QString("Integer"));
}

void MainFrameTest::helpStates() {
  QFile::copy(KX_OPERATIONS_PAGE, m_folder->Path("operations.htm"));
  const QString page = QUrl::fromLocalFile(m_folder->Path("operations.htm")).toString();
  CHelpHtmlView& help = m_frame->GetHelpView();
  QVERIFY(help.source().isEmpty());

  // The first command loads the page from its top, chosen operation or not;
  // with nothing chosen the next does nothing.
  m_frame->Show_Operation_Help();
  m_frame->Show_Operation_Help();
  QCOMPARE(m_frame->help_state(), 1);
  QCOMPARE(help.source().toString(), page);
  QVERIFY(help.toPlainText().contains("Kestrix operations"));

  Use_List("AddAmmo", Qt::Key_Return);
  m_frame->Show_Operation_Help();
  QCOMPARE(m_frame->help_state(), 2);
  QCOMPARE(m_frame->help_base(), page);
  QCOMPARE(help.source().toString(), page + "#AddAmmo");

  help.setSource(QUrl(page + "#Attack"));  // a link the user followed is dropped from the base
  Use_List("Wait", Qt::Key_Return);
  m_frame->findChild<QPushButton*>("helpButton")->click();
  QCOMPARE(m_frame->help_base(), page);
  QCOMPARE(help.source().toString(), page + "#Wait");
  QVERIFY(help.verticalScrollBar()->value() > 0);
  // Help does not open the collapsed pane.
  QCOMPARE(m_frame->findChild<QSplitter*>()->sizes()[1], 0);
}

// The pane is opened after the jump; the chosen entry is what the user sees,
// until the user scrolls.
void MainFrameTest::helpAnchorSurvivesOpeningThePane() {
  QFile::copy(KX_OPERATIONS_PAGE, m_folder->Path("operations.htm"));
  CHelpHtmlView& help = m_frame->GetHelpView();
  Use_List("AddAmmo", Qt::Key_Return);
  m_frame->Show_Operation_Help();
  m_frame->Show_Operation_Help();
  auto top_entry = [&help] { return help.cursorForPosition(QPoint(4, 4)).block().text(); };

  m_frame->findChild<QSplitter*>()->setSizes({400, 400});
  QCoreApplication::processEvents();
  QCOMPARE(top_entry(), QString("AddAmmo"));

  help.verticalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
  const int scrolled = help.verticalScrollBar()->value();
  m_frame->findChild<QSplitter*>()->setSizes({300, 500});
  QCoreApplication::processEvents();
  QVERIFY(top_entry() != QString("AddAmmo"));
  QVERIFY(help.verticalScrollBar()->value() != 0 && scrolled != 0);
}

// The generated page has one anchor per operation, named exactly like it,
// with its synopsis.
void MainFrameTest::helpPageHasEveryOperation() {
  const QString page = QString::fromUtf8(Read_File(KX_OPERATIONS_PAGE));
  QRegularExpression anchor("<a name=\"([^\"]+)\"");
  QStringList anchors;
  for (const QRegularExpressionMatch& match : anchor.globalMatch(page)) anchors << match.captured(1);
  QStringList names;
  for (int i = 0; i < Box().count(); ++i) names << Box().itemText(i);
  std::sort(anchors.begin(), anchors.end());
  std::sort(names.begin(), names.end());
  QCOMPARE(anchors, names);
  QVERIFY(page.contains("<code>AddAmmo,Object,Integer</code>"));
  QVERIFY(page.contains("<code>Audio,&quot;String&quot;</code>"));
}

void MainFrameTest::buildCommand() {
  m_folder->Write("Kestrix.conf", "template list { }\n");
  CBuildLogDlg& dialog = m_frame->GetBuildLog();
  QVERIFY(!dialog.IsOpen());
  m_frame->findChild<QPushButton*>("buildButton")->click();
  QVERIFY(dialog.IsOpen());
  QVERIFY(dialog.isVisible());

  // While open, the command does nothing: the log is not emptied again.
  m_folder->Write("Kestrix.log", "marker");
  m_frame->OnBuild();
  QCOMPARE(Read_File(m_folder->Path("Kestrix.log")), QByteArray("marker"));

  dialog.findChild<QPushButton*>("closeButton")->click();
  QVERIFY(!dialog.IsOpen());
  QVERIFY(!dialog.isVisible());
  m_frame->OnBuild();
  QVERIFY(dialog.IsOpen());
  QVERIFY(!Read_File(m_folder->Path("Kestrix.log")).contains("marker"));
}

void MainFrameTest::recentFilesAndGeometry() {
  QStringList paths;
  for (int i = 1; i <= 5; ++i) {
    paths << m_folder->Write(QString("script%1.kxs").arg(i), "Wait,5\n");
    QVERIFY(m_frame->OpenDocumentFile(paths.last()));
  }
  QCOMPARE(m_frame->Recent_Files(), (QStringList{paths[4], paths[3], paths[2], paths[1]}));
  QVERIFY(m_frame->OpenDocumentFile(paths[2]));  // reopening one moves it to the top
  QCOMPARE(m_frame->Recent_Files(), (QStringList{paths[2], paths[4], paths[3], paths[1]}));
  QStringList items = Describe(m_frame->menuBar()->actions()[0]->menu()->actions());
  QCOMPARE(items.mid(9, 4).join('\n').count("&"), 4);
  QVERIFY(items[9].startsWith("&1 ") && items[9].endsWith("script3.kxs"));
  QVERIFY(!items.contains("Recent File"));

  m_frame->resize(700, 500);
  QVERIFY(m_frame->close());
  CMainFrame again;
  QCOMPARE(again.size(), QSize(700, 500));
  QCOMPARE(again.Recent_Files().first(), paths[2]);
}

void MainFrameTest::closeAsksToSave() {
  Editor().insertPlainText("x");
  m_prompts->answer = QMessageBox::Cancel;
  QVERIFY(!m_frame->close());
  QVERIFY(m_frame->isVisible());
  QCOMPARE(m_prompts->message_texts(), QStringList{"Save changes to Untitled?"});

  // Opening another file asks as well; Cancel keeps the edited script.
  const QString other = m_folder->Write("other.kxs", "Wait,5\n");
  QVERIFY(!m_frame->OpenDocumentFile(other));
  QCOMPARE(m_prompts->messages.size(), 2);
  QVERIFY(m_frame->GetActiveDocument()->IsModified());
  QCOMPARE(m_frame->GetActiveDocument()->GetPathName(), QString());

  // So does New; No discards the edit.
  m_prompts->answer = QMessageBox::No;
  QVERIFY(m_frame->OnFileNew());
  QCOMPARE(m_prompts->messages.size(), 3);
  QCOMPARE(m_frame->GetActiveDocument()->Stored_Bytes(), CKestrixDoc::kNewDocumentText);
  QVERIFY(m_frame->close());
  QCOMPARE(m_prompts->messages.size(), 3);
}

// No argument starts a new script; a file name opens the file; a file that
// cannot be opened ends the start-up.
void MainFrameTest::applicationStart() {
  {
    CKestrixApp app;
    QVERIFY(app.InitInstance({"kestrix"}));
    QVERIFY(app.GetMainFrame()->isVisible());
    QCOMPARE(app.GetMainFrame()->GetActiveDocument()->Stored_Bytes(), CKestrixDoc::kNewDocumentText);
    QCOMPARE(app.GetMainFrame()->windowTitle(), QString("Untitled[*] - Kestrix"));
  }
  {
    const QString path = m_folder->Write("start.kxs", "Wait,5\n");
    CKestrixApp app;
    QVERIFY(app.InitInstance({"kestrix", path}));
    QCOMPARE(app.GetMainFrame()->GetActiveDocument()->GetPathName(), path);
    QCOMPARE(app.GetMainFrame()->GetEditorView().GetWindowText(), QString("Wait,5\n"));
    QCOMPARE(app.GetMainFrame()->windowTitle(), QString("start.kxs[*] - Kestrix"));
  }
  {
    CKestrixApp app;
    QVERIFY(!app.InitInstance({"kestrix", m_folder->Path("missing.kxs")}));
    QCOMPARE(m_prompts->messages.size(), 1);
    QVERIFY(m_prompts->messages[0].text.startsWith("Cannot read file "));
  }
}

}  // namespace kx

QTEST_MAIN(kx::MainFrameTest)
#include "main_frame_test.moc"
