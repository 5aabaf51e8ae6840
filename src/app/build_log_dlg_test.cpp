#include "app/build_log_dlg.h"

#include <QAbstractItemView>
#include <QGroupBox>
#include <QPainter>
#include <QScrollBar>
#include <QTextBlock>

#include "app/app_testing.h"

namespace kx {

// Fails on line 8: ghost is no object. A lone CR ends no line.
const QByteArray kBrokenScript =
    "[objects]\r\ntank // a\rb\r\n[positions]\r\n[variables]\r\n[text]\r\n[routine,Main,1,true]\r\nWait,5\r\n"
    "AddAmmo,ghost,5\r\nWait,1\r\n";

class BuildLogDlgTest : public QObject {
  Q_OBJECT

  std::unique_ptr<testing::FrameFixture> fixture_;
  CMainFrame& Frame() { return *fixture_->frame; }
  template <typename T = QWidget>
  T& Control(const char* name) {
    return *Frame().build_log().findChild<T*>(name);
  }
  QStringList Entries() {
    QStringList entries;
    for (const QListWidgetItem* item : Control<QListWidget>("buildList").findItems("", Qt::MatchContains))
      entries << item->text();
    return entries;
  }
  // Opens `bytes` as the script `name`, opens the dialog, chooses the output and builds.
  QString Build(const QString& name, const QByteArray& bytes, const char* output = "dllRadio") {
    const QString path = fixture_->Write(name, bytes);
    Frame().OpenDocumentFile(path);
    Frame().OnBuild();
    Control<QRadioButton>(output).click();
    Control<QPushButton>("createButton").click();
    return path;
  }

 private slots:
  void init() { fixture_ = std::make_unique<testing::FrameFixture>(); }
  void cleanup() { fixture_.reset(); }

  void Opening() {
    fixture_->Write("Kestrix.log", "old log\n");
    Frame().OnBuild();
    CBuildLogDlg& dialog = Frame().build_log();
    QStringList texts{dialog.windowTitle(), dialog.findChild<QLabel*>()->text(),
                      dialog.findChild<QGroupBox*>()->title()};
    for (const QAbstractButton* button : dialog.findChildren<QAbstractButton*>()) texts << button->text();
    QCOMPARE(texts, (QStringList{"DLL Build Log", "Memory Model:", "Output Generation", "Close", "&Create",
                                 "&Go To Error", "DLL", "C"}));
    QCOMPARE(Control<QComboBox>("memoryModel").itemText(1), QString("A"));  // file order, not sorted
    QCOMPARE(Control<QComboBox>("memoryModel").currentText(), QString("B"));
    QVERIFY(Control<QRadioButton>("dllRadio").isChecked() && !Control("goToErrorButton").isEnabled());
    QCOMPARE(dialog.focusWidget(), &Control("closeButton"));
    QCOMPARE(testing::Read_File(fixture_->Path("Kestrix.log")), "Processing file: \"" +
                                                                    fixture_->Path("Kestrix.conf").toUtf8() +
                                                                    "\"\n\nNumber of lines processed: 12");
    Control<QComboBox>("memoryModel").setEditText("");
    Control<QPushButton>("createButton").click();
    QCOMPARE(Entries(), QStringList{"Build aborted.  No memory model is selected."});
  }

  void Broken_Configuration() {
    fixture_->Write("Kestrix.conf", "template list {\n  oops\n}\n");
    Frame().OnBuild();
    QCOMPARE(Entries(), (QStringList{"An error was encountered while parsing the \"Kestrix.conf\" file.", "",
                                     "Please see the \"Kestrix.log\" file for details."}));
    for (const char* name : {"createButton", "goToErrorButton", "memoryModel", "dllRadio", "cRadio"})
      QVERIFY2(!Control(name).isEnabled(), name);
    QVERIFY(!Control<QRadioButton>("dllRadio").isChecked() && !Control<QRadioButton>("cRadio").isChecked());
    QVERIFY(testing::Read_File(fixture_->Path("Kestrix.log")).contains("Invalid lexeme."));
  }

  void Successful_Build_data() {
    QTest::addColumn<QByteArray>("output");
    QTest::newRow("DLL") << QByteArray("dllRadio");
    QTest::newRow("C") << QByteArray("cRadio");
  }
  void Successful_Build() {
    QFETCH(QByteArray, output);
    const QString path = Build("script.kxs", CKestrixDoc::kNewDocumentText, output.constData());
    QCOMPARE(QFile::exists(fixture_->Path("script.c")), output == "cRadio");
    QCOMPARE(QFile::exists(fixture_->Path("script.dll")), output == "dllRadio");
    Control<QPushButton>("createButton").click();  // the list is emptied first
    QCOMPARE(Entries(),
             (QStringList{"Processing file: \"" + path + "\"", "", "Number of lines processed: 19", ""}));
    QVERIFY(!Control("goToErrorButton").isEnabled());
    QTest::keyClick(&Frame().build_log(), Qt::Key_Escape);  // opened again, it builds the DLL
    Frame().OnBuild();
    Control<QPushButton>("createButton").click();
    QCOMPARE(testing::Read_File(fixture_->Path("script.dll")).size(), testing::kBlankSize);
  }

  // "&Go To Error" puts the caret at the start of the failing line and focuses
  // the editor, the undo history kept; the dialog keeps the error when it is
  // closed and opened again.
  void Go_To_Error() {
    Build("broken.kxs", kBrokenScript);
    Frame().view().moveCursor(QTextCursor::End);
    QTest::keyClicks(&Frame().view(), "// x");
    Control<QPushButton>("createButton").click();  // saves, then builds
    QVERIFY(Entries().contains("The symbol 'ghost' not defined in 'object' list."));
    QVERIFY(Entries().contains("    8: AddAmmo,ghost,5"));
    QVERIFY(QDir().mkpath(KX_SCREENSHOT_DIR));  // pictures for the README
    QVERIFY(Frame().build_log().grab().save(KX_SCREENSHOT_DIR "/build_log.png"));
    QTest::keyClick(&Frame().build_log(), Qt::Key_Escape);
    Frame().OnBuild();
    Frame().view().moveCursor(QTextCursor::End);
    Frame().findChild<QLineEdit*>("synopsis")->setFocus();
    Control<QPushButton>("goToErrorButton").click();
    QCOMPARE(Frame().view().textCursor().block().text(), "AddAmmo,ghost,5");
    QCOMPARE(Frame().view().textCursor().positionInBlock(), 0);
    QVERIFY(Frame().view().document()->isUndoAvailable());
    QCOMPARE(Frame().focusWidget(), &Frame().view());
    QVERIFY(Frame().grab().save(KX_SCREENSHOT_DIR "/main_window.png"));
  }

  // The picture of the editor for the README: colours, the gutter, the
  // outline, an underlined error and the completion list opened by typing.
  void Editor_Picture() {
    QByteArray script = testing::Read_File(KX_TUTORIAL);
    script.replace("Attack, raiders, base, 1", "Attack, raiders, bse, 1");
    QVERIFY(Frame().OpenDocumentFile(fixture_->Write("tutorial.kxs", script)));
    Frame().resize(1000, 760);
    Frame().outline().show();
    CKestrixView& view = Frame().view();
    view.analysis().Current();
    view.Go_To_Line(39);  // in Main, above the error in Raiders: the list will not hide it
    view.verticalScrollBar()->setValue(view.verticalScrollBar()->maximum());
    view.moveCursor(QTextCursor::EndOfBlock);
    QTest::keyClick(&view, Qt::Key_Return);
    QTest::keyClicks(&view, "Se");
    QAbstractItemView& list = *view.completer().popup();
    QVERIFY(list.isVisible());
    QPixmap picture = Frame().grab();
    QPainter(&picture).drawPixmap(Frame().mapFromGlobal(list.mapToGlobal(QPoint(0, 0))), list.grab());
    QVERIFY(picture.save(KX_SCREENSHOT_DIR "/editor.png"));
  }

  void Go_To_Error_After_An_Edit() {
    Build("broken.kxs", kBrokenScript);
    Frame().view().insertPlainText("x");
    Control<QPushButton>("goToErrorButton").click();
    QCOMPARE(fixture_->prompts.messages,
             QStringList{"Because the document has changed,\nthe error can't be found."});
    QVERIFY(!Control("goToErrorButton").isEnabled());
    QCOMPARE(Frame().view().GetWindowText().left(2), QString("x["));
  }

  // A new script whose Save As is cancelled is not built; the line goes below the old ones.
  // Open reads a built DLL back into a new, unsaved script for the entry the
  // user picks, and that script builds into the same bytes; a DLL that no
  // build for the entry can have written is refused with the reason.
  void Read_Back_Dll() {
    Build("built.kxs",
          "[objects]\ntank\n[positions]\n[variables]\n[text]\n[routine,Main,1,true]\nAddAmmo,tank,5\n");
    fixture_->prompts.entry = 1;
    QVERIFY(Frame().OpenDocumentFile(fixture_->Path("built.dll")));
    QCOMPARE(fixture_->prompts.entries_offered, (QStringList{"B", "A"}));
    CKestrixDoc& doc = *Frame().GetActiveDocument();
    QVERIFY(doc.GetPathName().isEmpty() && doc.IsModified());
    QVERIFY(Frame().view().toPlainText().contains("AddAmmo"));
    QVERIFY(doc.OnSaveDocument(fixture_->Path("again.kxs")));
    Build("again.kxs", testing::Read_File(fixture_->Path("again.kxs")));
    QCOMPARE(testing::Read_File(fixture_->Path("again.dll")),
             testing::Read_File(fixture_->Path("built.dll")));

    const QString text = Frame().view().toPlainText();
    QVERIFY(!Frame().OpenDocumentFile(fixture_->Path("blank.dll")));
    QCOMPARE(fixture_->prompts.messages.last(),
             fixture_->Path("blank.dll") +
                 ": NumberOfRoutines at 0x380: 52428 routines, beyond the template's limit of 8");
    QCOMPARE(Frame().view().toPlainText(), text);
  }

  void Unnamed_Script() {
    Build("script.kxs", CKestrixDoc::kNewDocumentText);
    const QStringList built = Entries();
    QVERIFY(Frame().OnFileNew());
    Control<QPushButton>("createButton").click();
    QCOMPARE(Entries(), built + QStringList{"Build aborted.  Script file needs to be named and saved."});
  }
};

}  // namespace kx

QTEST_MAIN(kx::BuildLogDlgTest)
#include "build_log_dlg_test.moc"
