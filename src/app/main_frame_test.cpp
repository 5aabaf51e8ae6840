#include "app/main_frame.h"

#include <QAbstractItemView>
#include <QMenuBar>
#include <QTextBlock>

#include "app/app_testing.h"

namespace kx {

// Each action as "text" or "text keys|keys"; hidden ones left out.
QStringList Describe(const QList<QAction*>& actions) {
  QStringList items;
  for (const QAction* action : actions) {
    QStringList keys;
    for (const QKeySequence& key : action->shortcuts()) keys << key.toString(QKeySequence::PortableText);
    if (action->isVisible()) items << (action->text() + " " + keys.join('|')).trimmed();
  }
  return items;
}

class MainFrameTest : public QObject {
  Q_OBJECT

  std::unique_ptr<testing::FrameFixture> fixture_;
  CMainFrame& Frame() { return *fixture_->frame; }
  COperationsBox& Box() { return *Frame().findChild<COperationsBox*>("operationsBox"); }
  QString Synopsis() { return Frame().findChild<QLineEdit*>("synopsis")->text(); }

  // Opens the Operations list, highlights `name` and presses Enter or Escape.
  void Use_List(const QString& name, Qt::Key key) {
    Box().setFocus();
    Box().showPopup();
    Box().view()->setCurrentIndex(Box().model()->index(Box().findText(name), 0));
    QTest::keyClick(Box().view(), key);
    QCoreApplication::processEvents();
  }

 private slots:
  void init() { fixture_ = std::make_unique<testing::FrameFixture>(); }
  void cleanup() { fixture_.reset(); }

  void Menus_And_Tool_Bar() {
    QStringList menus;
    for (const QAction* menu : Frame().menuBar()->actions())
      menus << menu->text() + ": " + Describe(menu->menu()->actions()).join(", ");
    QCOMPARE(menus,
             (QStringList{"&File: &New Ctrl+N, &Open... Ctrl+O, &Save Ctrl+S, Save &As..., , &Print... "
                          "Ctrl+P, Print Pre&view, P&rint Setup..., , Recent File, , E&xit",
                          "&Edit: &Undo Ctrl+Z|Alt+Backspace, , Cu&t Ctrl+X|Shift+Del, &Copy "
                          "Ctrl+C|Ctrl+Ins, &Paste Ctrl+V|Shift+Ins",
                          "&View: &Toolbar", "&Kestrix: &Build", "&Info: &About Kestrix..., &Help"}));
    QCOMPARE(Describe(Frame().findChild<QToolBar*>("toolbar")->actions()).join(", "),
             "&New Ctrl+N, &Open... Ctrl+O, &Save Ctrl+S, , Cu&t Ctrl+X|Shift+Del, &Copy Ctrl+C|Ctrl+Ins, "
             "&Paste Ctrl+V|Shift+Ins, , &Print... Ctrl+P, &About Kestrix...");
    QCOMPARE(Describe(Frame().actions()).filter("Pane"),
             (QStringList{"Next Pane F6", "Previous Pane Shift+F6"}));
    QCOMPARE(Frame().findChild<QSplitter*>()->sizes().value(1), 0);  // the help pane starts collapsed
  }

  void Operations_List() {
    QStringList names;
    for (int i = 0; i < Box().count(); ++i) names << Box().itemText(i);
    QCOMPARE(names.size(), 128);
    QCOMPARE(names.mid(0, 2), (QStringList{"Add", "AddAmmo"}));
    QCOMPARE(names.mid(names.indexOf("SetPlan"), 3), (QStringList{"SetPlan", "SetPos", "SetPTeam"}));
    QCOMPARE(Box().currentText() + Synopsis(), QString());
  }

  // A choice replaces the editor's selection with exactly the name, shows its
  // synopsis and gives the editor the focus; a cancelled list inserts nothing.
  void Choose_Operation_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("synopsis");
    QTest::newRow("AddAmmo") << "AddAmmo"
                             << "Object,Integer";
    QTest::newRow("no operands") << "ChangeSide"
                                 << "";
  }
  void Choose_Operation() {
    QFETCH(QString, name);
    QFETCH(QString, synopsis);
    CKestrixView& view = Frame().view();
    view.SetWindowText("Wait,5\nXXX\n");
    QVERIFY(view.find("XXX"));
    Use_List(name, Qt::Key_Return);
    QCOMPARE(view.GetWindowText(), "Wait,5\n" + name + "\n");
    QCOMPARE(Synopsis(), synopsis);
    QCOMPARE(Frame().focusWidget(), &view);
    Use_List("Wait", Qt::Key_Escape);
    QCOMPARE(view.GetWindowText(), "Wait,5\n" + name + "\n");
    QCOMPARE(Synopsis(), synopsis);
    QCOMPARE(Frame().operation(), Box().findText(name));
    QCOMPARE(Frame().focusWidget(), &view);
  }

  // Enter in the field inserts the operation it names each time; a name of no
  // operation empties the synopsis; the wheel does nothing unless the box has the focus.
  void Operations_Field() {
    CKestrixView& view = Frame().view();
    view.SetWindowText("");
    for (const char* name : {"addammo", "AddAmmo"}) {
      Box().lineEdit()->setText(name);
      QTest::keyClick(Box().lineEdit(), Qt::Key_Return);
    }
    QCOMPARE(view.GetWindowText(), "AddAmmoAddAmmo");
    QCOMPARE(Synopsis(), "Object,Integer");
    Box().lineEdit()->setText("Nothing");
    QTest::keyClick(Box().lineEdit(), Qt::Key_Return);
    QCOMPARE(Synopsis(), QString());
    view.setFocus();
    QWheelEvent wheel(QPointF(5, 5), Box().mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, -120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&Box(), &wheel);
    QCOMPARE(view.GetWindowText(), "AddAmmoAddAmmo");
  }

  // The first help command opens the pane and loads the page from its top, an
  // operation chosen or not; the next goes to the operation's anchor.
  void Help() {
    const QUrl page = QUrl::fromLocalFile(fixture_->Path("operations.htm"));
    Use_List("AddAmmo", Qt::Key_Return);
    Frame().Show_Operation_Help();
    QCOMPARE(Frame().help().source(), page);
    QVERIFY(Frame().help().width() >= Frame().width() / 4);
    Frame().findChild<QPushButton*>("helpButton")->click();
    QCOMPARE(Frame().help().source().toString(), page.toString() + "#AddAmmo");
    Frame().findChild<QSplitter*>()->setSizes({400, 400});
    QCoreApplication::processEvents();
    QCOMPARE(Frame().help().cursorForPosition(QPoint(4, 4)).block().text(), QString("AddAmmo"));
  }

  void Build_Command() {  // opens the dialog unless it is open: the log is not emptied again
    Frame().findChild<QPushButton*>("buildButton")->click();
    fixture_->Write("Kestrix.log", "marker");
    Frame().OnBuild();
    QCOMPARE(testing::Read_File(fixture_->Path("Kestrix.log")), QByteArray("marker"));
    Frame().build_log().reject();
    Frame().OnBuild();
    QVERIFY(Frame().build_log().isVisible());
  }

  // The File menu lists the last four scripts opened, newest first, in the next window too.
  void Recent_Files() {
    for (const char* name : {"1.kxs", "2.kxs", "3.kxs", "4.kxs", "5.kxs", "3.kxs"})
      QVERIFY(Frame().OpenDocumentFile(fixture_->Write(name, "Wait,5\n")));
    CMainFrame again;
    const QStringList items = Describe(again.menuBar()->actions()[0]->menu()->actions()).mid(9, 5);
    QCOMPARE(items.join(' ').remove(fixture_->folder.path() + "/"), "&1 3.kxs &2 5.kxs &3 4.kxs &4 2.kxs ");
  }

  void Close_Asks_To_Save() {
    Frame().view().insertPlainText("x");
    fixture_->prompts.answer = QMessageBox::Cancel;
    QVERIFY(!Frame().close());
    QCOMPARE(fixture_->prompts.messages, QStringList{"Save changes to Untitled?"});
  }
};

}  // namespace kx

QTEST_MAIN(kx::MainFrameTest)
#include "main_frame_test.moc"
