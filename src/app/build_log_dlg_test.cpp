#include <QSettings>
#include <QTextBlock>
#include <QtTest>

#include "app/app_testing.h"
#include "app/main_frame.h"

namespace kx {

using testing::CompanionFolder;
using testing::Read_File;
using testing::ScriptedPrompts;

namespace {

// Fails on line 8: ghost is no object.
const QByteArray kBrokenScript =
    "[objects]\r\ntank\r\n[positions]\r\n[variables]\r\n[text]\r\n[routine,Main,1,true]\r\nWait,5\r\n"
    "AddAmmo,ghost,5\r\nWait,1\r\n";

}  // namespace

class BuildLogDlgTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void init();
  void cleanup();

  void opening();
  void brokenConfiguration_data();
  void brokenConfiguration();
  void successfulBuild_data();
  void successfulBuild();
  void failedBuildAndGoToError();
  void goToErrorAfterEdit();
  void errorInformationLost();
  void unnamedScript();
  void noOrUnknownTemplate();
  void failedStagesLeaveEverythingUsable_data();
  void failedStagesLeaveEverythingUsable();
  void enterKeepsDialog();

 private:
  CBuildLogDlg& Dialog() { return m_frame->GetBuildLog(); }
  template <typename T>
  T& Control(const char* name) {
    return *Dialog().findChild<T*>(name);
  }
  QStringList Entries() {
    QStringList entries;
    auto& list = Control<QListWidget>("buildList");
    for (int i = 0; i < list.count(); ++i) entries << list.item(i)->text();
    return entries;
  }
  QStringList Memory_Models() {
    QStringList names;
    auto& box = Control<QComboBox>("memoryModel");
    for (int i = 0; i < box.count(); ++i) names << box.itemText(i);
    return names;
  }
  // Opens `bytes` as the script `name` in the companion folder.
  QString Open_Script(const QString& name, const QByteArray& bytes) {
    const QString path = m_folder->Write(name, bytes);
    m_frame->OpenDocumentFile(path);
    return path;
  }
  void Create() { Control<QPushButton>("createButton").click(); }
  // Opens the broken script, fails to build it and returns its path.
  QString Failed_Build() {
    const QString path = Open_Script("broken.kxs", kBrokenScript);
    m_frame->OnBuild();
    Create();
    return path;
  }

  std::unique_ptr<testing::PrivateSettings> m_settings;
  std::unique_ptr<ScriptedPrompts> m_prompts;
  std::unique_ptr<CompanionFolder> m_folder;
  std::unique_ptr<CMainFrame> m_frame;
};

void BuildLogDlgTest::initTestCase() { m_settings = std::make_unique<testing::PrivateSettings>(); }

void BuildLogDlgTest::init() {
  QSettings(CMainFrame::kSettingsOrganisation, CMainFrame::kSettingsApplication).clear();
  m_prompts = std::make_unique<ScriptedPrompts>();
  m_folder = std::make_unique<CompanionFolder>();
  m_folder->Write("Kestrix.conf", testing::Template_List({"B", "A"}));
  m_folder->Write("blank.dll", QByteArray(testing::kBlankSize, '\xcc'));
  m_frame = std::make_unique<CMainFrame>();
  m_frame->show();
  QVERIFY(QTest::qWaitForWindowActive(m_frame.get()));
}

void BuildLogDlgTest::cleanup() {
  m_frame.reset();
  m_folder.reset();
  m_prompts.reset();
}

void BuildLogDlgTest::opening() {
  m_folder->Write("Kestrix.log", "old log\n");
  m_frame->OnBuild();
  QCOMPARE(Dialog().windowTitle(), QString("DLL Build Log"));
  QVERIFY(Dialog().isVisible());
  QVERIFY(Entries().isEmpty());
  // File order, not sorted; the first is chosen.
  QCOMPARE(Memory_Models(), (QStringList{"B", "A"}));
  QCOMPARE(Control<QComboBox>("memoryModel").currentText(), QString("B"));
  QVERIFY(Control<QRadioButton>("dllRadio").isChecked());
  QVERIFY(!Control<QRadioButton>("cRadio").isChecked());
  QCOMPARE(Dialog().output(), 3);
  QVERIFY(Control<QPushButton>("createButton").isEnabled());
  QVERIFY(!Control<QPushButton>("goToErrorButton").isEnabled());
  QCOMPARE(Dialog().focusWidget(), &Control<QPushButton>("closeButton"));

  const QString conf = QDir::toNativeSeparators(m_folder->Path("Kestrix.conf"));
  QCOMPARE(QString::fromUtf8(Read_File(m_folder->Path("Kestrix.log"))),
           "Processing file: \"" + conf + "\"\n\nNumber of lines processed: 32");

  // Tab order: Close, the list, Create, Memory Model, Go To Error, DLL, C.
  QStringList order;
  QWidget* widget = &Control<QPushButton>("closeButton");
  for (int i = 0; i < 7; ++i) {
    order << widget->objectName();
    do widget = widget->nextInFocusChain();
    while (widget->objectName().isEmpty() || !(widget->focusPolicy() & Qt::TabFocus));
  }
  QCOMPARE(order, (QStringList{"closeButton", "buildList", "createButton", "memoryModel", "goToErrorButton",
                               "dllRadio", "cRadio"}));
}

void BuildLogDlgTest::brokenConfiguration_data() {
  QTest::addColumn<QByteArray>("configuration");
  QTest::addColumn<QString>("logged");
  QTest::newRow("syntax error") << QByteArray("template list {\n  oops\n}\n") << "Invalid lexeme.";
  QTest::newRow("text after the list")
      << QByteArray("template list { } ;\n") << "Found ';' when expecting an end of file.";
  QTest::newRow("missing file") << QByteArray() << "does not exists.";
}

void BuildLogDlgTest::brokenConfiguration() {
  QFETCH(QByteArray, configuration);
  QFETCH(QString, logged);
  if (configuration.isEmpty())
    QFile::remove(m_folder->Path("Kestrix.conf"));
  else
    m_folder->Write("Kestrix.conf", configuration);

  m_frame->OnBuild();
  QCOMPARE(Entries(), (QStringList{"An error was encountered while parsing the \"Kestrix.conf\" file.", "",
                                   "Please see the \"Kestrix.log\" file for details."}));
  for (const char* name : {"createButton", "goToErrorButton", "memoryModel", "dllRadio", "cRadio"})
    QVERIFY2(!Control<QWidget>(name).isEnabled(), name);
  QVERIFY(Control<QPushButton>("closeButton").isEnabled());
  QVERIFY(!Control<QRadioButton>("dllRadio").isChecked());
  QVERIFY(!Control<QRadioButton>("cRadio").isChecked());
  QVERIFY(Memory_Models().isEmpty());
  const QString log = QString::fromUtf8(Read_File(m_folder->Path("Kestrix.log")));
  QVERIFY2(log.contains(logged), qPrintable(log));
  for (const QString& line : log.split('\n')) QVERIFY2(line.size() <= 79, qPrintable(line));

  // Once the file is mended, the next opening offers everything again.
  Dialog().reject();
  m_folder->Write("Kestrix.conf", testing::Template_List({"B"}));
  m_frame->OnBuild();
  QVERIFY(Entries().isEmpty());
  for (const char* name : {"createButton", "memoryModel", "dllRadio", "cRadio"})
    QVERIFY2(Control<QWidget>(name).isEnabled(), name);
  QVERIFY(Control<QRadioButton>("dllRadio").isChecked());
  QCOMPARE(Memory_Models(), QStringList{"B"});
}

void BuildLogDlgTest::successfulBuild_data() {
  QTest::addColumn<bool>("c_listing");
  QTest::addColumn<QString>("output");
  QTest::newRow("DLL") << false << "script.dll";
  QTest::newRow("C") << true << "script.c";
}

void BuildLogDlgTest::successfulBuild() {
  QFETCH(bool, c_listing);
  QFETCH(QString, output);
  const QString path = Open_Script("script.kxs", CKestrixDoc::kNewDocumentText);
  m_frame->OnBuild();
  if (c_listing) Control<QRadioButton>("cRadio").click();
  QCOMPARE(Dialog().output(), c_listing ? 2 : 3);

  // Every entry arrives under the wait cursor.
  QList<int> cursors;
  connect(Control<QListWidget>("buildList").model(), &QAbstractItemModel::rowsInserted, this, [&cursors] {
    cursors << (QApplication::overrideCursor() ? QApplication::overrideCursor()->shape() : -1);
  });
  Create();
  QVERIFY(QApplication::overrideCursor() == nullptr);
  QCOMPARE(cursors.size(), Entries().size());
  QVERIFY(cursors.count(Qt::WaitCursor) == cursors.size());

  QCOMPARE(Entries(),
           (QStringList{"Processing file: \"" + path + "\"", "", "Number of lines processed: 19", ""}));
  QCOMPARE(Dialog().error_line(), 0);
  QCOMPARE(Dialog().build_path(), path);
  QVERIFY(!Control<QPushButton>("goToErrorButton").isEnabled());
  const QByteArray written = Read_File(m_folder->Path(output));
  if (c_listing)
    QVERIFY(written.contains("RoutineData"));
  else
    QCOMPARE(written.size(), testing::kBlankSize);
  QVERIFY(m_prompts->messages.isEmpty());
}

void BuildLogDlgTest::failedBuildAndGoToError() {
  const QString path = Failed_Build();
  const QStringList entries = Entries();
  QCOMPARE(entries.value(0), "Processing file: \"" + path + "\"");
  QVERIFY(entries.contains("The symbol 'ghost' not defined in 'object' list."));
  QVERIFY(entries.contains("    8: AddAmmo,ghost,5"));
  for (const QString& entry : entries) QVERIFY2(entry.size() <= 94, qPrintable(entry));
  QCOMPARE(Dialog().error_line(), 8);
  QVERIFY(Control<QPushButton>("goToErrorButton").isEnabled());
  QVERIFY(!QFile::exists(m_folder->Path("broken.dll")));

  CKestrixView& editor = m_frame->GetEditorView();
  editor.moveCursor(QTextCursor::End);
  Control<QPushButton>("goToErrorButton").click();
  QVERIFY(m_prompts->messages.isEmpty());
  QCOMPARE(editor.textCursor().blockNumber(), 7);
  QCOMPARE(editor.textCursor().positionInBlock(), 0);
  QVERIFY(editor.textCursor().block().text().startsWith("AddAmmo,ghost,5"));
  QCOMPARE(m_frame->focusWidget(), &editor);
  QVERIFY(!m_frame->GetActiveDocument()->IsModified());

  // Closed and opened again, the dialog keeps the error but not the log or the output choice.
  Control<QRadioButton>("cRadio").click();
  QTest::keyClick(&Dialog(), Qt::Key_Escape);
  QVERIFY(!Dialog().IsOpen());
  QVERIFY(!Dialog().isVisible());
  m_frame->OnBuild();
  QVERIFY(Entries().isEmpty());
  QVERIFY(Control<QRadioButton>("dllRadio").isChecked());
  QCOMPARE(Dialog().output(), 3);
  QCOMPARE(Dialog().error_line(), 8);
  QCOMPARE(Dialog().build_path(), path);
  QVERIFY(Control<QPushButton>("goToErrorButton").isEnabled());
}

void BuildLogDlgTest::goToErrorAfterEdit() {
  Failed_Build();
  CKestrixView& editor = m_frame->GetEditorView();
  editor.moveCursor(QTextCursor::End);
  editor.insertPlainText("Wait,2\n");
  const QString text = editor.GetWindowText();

  Control<QPushButton>("goToErrorButton").click();
  QCOMPARE(m_prompts->message_texts(),
           QStringList{"Because the document has changed,\nthe error can't be found."});
  QCOMPARE(m_prompts->messages[0].icon, QMessageBox::Warning);
  QVERIFY(!Control<QPushButton>("goToErrorButton").isEnabled());
  QCOMPARE(editor.GetWindowText(), text);
  QCOMPARE(editor.textCursor().position(), text.size());
}

// A later "&Create" that stops at the save check loses the line but leaves
// the button as it was.
void BuildLogDlgTest::errorInformationLost() {
  const QString path = Failed_Build();
  QCOMPARE(Dialog().error_line(), 8);

  CKestrixView& editor = m_frame->GetEditorView();
  editor.insertPlainText("x");
  QVERIFY(QFile::remove(path));
  QVERIFY(QDir().mkdir(path));  // the save cannot replace a folder
  Create();
  QCOMPARE(Entries().last(), QString("Build aborted.  Script file needs to be named and saved."));
  QCOMPARE(Dialog().error_line(), 0);
  QVERIFY(Control<QPushButton>("goToErrorButton").isEnabled());

  editor.undo();  // unmodified again, same path
  QVERIFY(!m_frame->GetActiveDocument()->IsModified());
  m_prompts->messages.clear();
  Control<QPushButton>("goToErrorButton").click();
  QCOMPARE(m_prompts->message_texts(), QStringList{"Error information has been lost."});
  QVERIFY(!Control<QPushButton>("goToErrorButton").isEnabled());
}

void BuildLogDlgTest::unnamedScript() {
  Open_Script("script.kxs", CKestrixDoc::kNewDocumentText);
  m_frame->OnBuild();
  Create();
  const QStringList built = Entries();
  QCOMPARE(built.size(), 4);

  // A new script whose Save As is cancelled: the line is added below the old ones.
  QVERIFY(m_frame->OnFileNew());
  Create();
  QCOMPARE(m_prompts->save_suggestions.size(), 1);
  QCOMPARE(Entries(), built + QStringList{"Build aborted.  Script file needs to be named and saved."});

  // Named through Save As, it is saved and built.
  m_prompts->save_answer = m_folder->Path("named.kxs");
  Create();
  QCOMPARE(Read_File(m_folder->Path("named.kxs")), CKestrixDoc::kNewDocumentText);
  QCOMPARE(Entries().value(0), "Processing file: \"" + m_folder->Path("named.kxs") + "\"");
  QVERIFY(QFile::exists(m_folder->Path("named.dll")));
}

// With no template to choose, "&Create" does nothing but say so; a name
// typed into the box goes to the build, which refuses it.
void BuildLogDlgTest::noOrUnknownTemplate() {
  Open_Script("script.kxs", CKestrixDoc::kNewDocumentText);
  m_folder->Write("Kestrix.conf", "template list {\n}\n");
  m_frame->OnBuild();
  QVERIFY(Memory_Models().isEmpty());
  Create();
  QCOMPARE(Entries(), QStringList{"Build aborted.  No memory model is selected."});
  QCOMPARE(Dialog().error_line(), -1);

  Dialog().reject();
  m_folder->Write("Kestrix.conf", testing::Template_List({"B"}));
  m_frame->OnBuild();
  Control<QComboBox>("memoryModel").setEditText("b");
  Create();
  QVERIFY(Entries().contains("Named template configuration not in template list."));
  QCOMPARE(Dialog().error_line(), 0);
  QVERIFY(!Control<QPushButton>("goToErrorButton").isEnabled());
}

// A build that fails in any stage leaves the script in the editor, editable,
// and every control of the dialog usable: once the cause is mended, the next
// "&Create" builds.
void BuildLogDlgTest::failedStagesLeaveEverythingUsable_data() {
  QTest::addColumn<QString>("stage");
  QTest::addColumn<QString>("entry");  // an entry of the failed build; "@" stands for the folder
  QTest::addColumn<int>("line");
  QTest::newRow("saving") << "saving"
                          << "Build aborted.  Script file needs to be named and saved." << 0;
  QTest::newRow("reading") << "reading"
                           << "Please correct the error and try again." << 6;
  QTest::newRow("generation") << "generation"
                              << "Location label 'nowhere' not defined in routine 'Main'." << 6;
  QTest::newRow("template") << "template"
                            << "Subroutine : fopen (\"@/blank.dll\", \"rb\")" << 0;
  QTest::newRow("output") << "output"
                          << "Subroutine : fopen (\"@/script.dll\", \"wb\")" << 0;
}

void BuildLogDlgTest::failedStagesLeaveEverythingUsable() {
  QFETCH(QString, stage);
  QFETCH(QString, entry);
  QFETCH(int, line);
  entry.replace("@", QFileInfo(m_folder->Path("x")).path());
  const QByteArray head = "[objects]\r\n[positions]\r\n[variables]\r\n[text]\r\n[routine,Main,1,true]\r\n";
  const QByteArray step = stage == "reading"      ? "Wait,x\r\n"
                          : stage == "generation" ? "JumpTo,nowhere\r\n"
                                                  : "Wait,5\r\n";
  const QString path = Open_Script("script.kxs", head + step);
  const QByteArray blank = Read_File(m_folder->Path("blank.dll"));
  CKestrixView& editor = m_frame->GetEditorView();
  if (stage == "saving") {
    editor.moveCursor(QTextCursor::End);
    editor.insertPlainText("// \u20ac\n");
  }
  if (stage == "template") QVERIFY(QFile::remove(m_folder->Path("blank.dll")));
  if (stage == "output") QVERIFY(QDir().mkdir(m_folder->Path("script.dll")));
  const QString text = editor.GetWindowText();

  m_frame->OnBuild();
  Create();
  QVERIFY2(Entries().contains(entry), qPrintable(Entries().join('\n')));
  QCOMPARE(Dialog().error_line(), line);
  QCOMPARE(Control<QPushButton>("goToErrorButton").isEnabled(), line > 0);
  QVERIFY(QApplication::overrideCursor() == nullptr);
  for (const char* name : {"closeButton", "createButton", "memoryModel", "dllRadio", "cRadio"})
    QVERIFY2(Control<QWidget>(name).isEnabled(), name);
  QCOMPARE(m_prompts->messages.size(), stage == "saving" ? 1 : 0);
  QCOMPARE(editor.GetWindowText(), text);
  QVERIFY(!editor.isReadOnly());
  QVERIFY(editor.isEnabled());
  QCOMPARE(m_frame->GetActiveDocument()->IsModified(), stage == "saving");

  // Mended: the script by typing (the build saves it first), the files on disk.
  if (stage == "saving" || stage == "reading" || stage == "generation") {
    editor.selectAll();
    editor.insertPlainText(QString::fromLatin1(head + "Wait,5\r\n").replace("\r\n", "\n"));
  }
  if (stage == "template") m_folder->Write("blank.dll", blank);
  if (stage == "output") QVERIFY(QDir().rmdir(m_folder->Path("script.dll")));
  Create();
  QCOMPARE(Entries().last(), QString(""));
  QCOMPARE(Entries().value(Entries().size() - 2), QString("Number of lines processed: 6"));
  QCOMPARE(Read_File(path), head + "Wait,5\r\n");
  QCOMPARE(Read_File(m_folder->Path("script.dll")).size(), testing::kBlankSize);
  QVERIFY(!m_frame->GetActiveDocument()->IsModified());
  QCOMPARE(Dialog().error_line(), 0);
  QVERIFY(!Control<QPushButton>("goToErrorButton").isEnabled());
}

// Enter hides nothing, wherever the focus is.
void BuildLogDlgTest::enterKeepsDialog() {
  Open_Script("script.kxs", CKestrixDoc::kNewDocumentText);
  m_frame->OnBuild();
  for (const char* name : {"closeButton", "buildList", "createButton", "memoryModel", "dllRadio"}) {
    QWidget& control = Control<QWidget>(name);
    control.setFocus();
    QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : &control, Qt::Key_Return);
    QVERIFY2(Dialog().isVisible(), name);
    QVERIFY2(Dialog().IsOpen(), name);
  }
  QCOMPARE(Memory_Models(), (QStringList{"B", "A"}));
  QVERIFY(!QFile::exists(m_folder->Path("script.dll")));
  Dialog().accept();
  QVERIFY(Dialog().isVisible());
}

}  // namespace kx

QTEST_MAIN(kx::BuildLogDlgTest)
#include "build_log_dlg_test.moc"
