#include "app/main_frame.h"

#include <QAbstractItemView>
#include <QMenuBar>
#include <QStatusBar>
#include <QTextBlock>
#include <QToolTip>

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

// Lines 1 to 15: four data sections, routine Main on line 10, routine Other on line 13.
const QString kScript =
    "[objects]\ntank\nbase\n[positions]\nhome,1,2,3\n[variables]\ncount,0\n[text]\nhello,\"hi\"\n"
    "[routine,Main,1,true]\nstart: Wait,1\n  JumpTo,start\n[routine,Other,2,false]\nlater: "
    "Attack,tank,base,1\n"
    "  SetStep,Main,start\n";

// kScript with `text` in place of the first `original`.
QString Script_With(const QString& original, const QString& text) {
  return QString(kScript).replace(kScript.indexOf(original), original.size(), text);
}

class MainFrameTest : public QObject {
  Q_OBJECT

  std::unique_ptr<testing::FrameFixture> fixture_;
  CMainFrame& Frame() { return *fixture_->frame; }
  COperationsBox& Box() { return *Frame().findChild<COperationsBox*>("operationsBox"); }
  QString Synopsis() { return Frame().findChild<QLineEdit*>("synopsis")->text(); }

  // Puts `marked` into the editor with the caret at its "|" (and the
  // selection's other end at its "^"), and analyses it.
  void Put(QString marked) {
    CKestrixView& view = Frame().view();
    const qsizetype anchor = marked.indexOf('^');
    if (anchor >= 0) marked.remove(anchor, 1);
    const qsizetype caret = marked.indexOf('|');
    marked.remove(caret, 1);
    view.SetWindowText(marked);
    QTextCursor cursor(view.document());
    cursor.setPosition(static_cast<int>(anchor >= 0 ? anchor - (anchor > caret) : caret));
    cursor.setPosition(static_cast<int>(caret), QTextCursor::KeepAnchor);
    view.setTextCursor(cursor);
    QApplication::setActiveWindow(&Frame());  // a list that was open may have taken it
    view.setFocus();
    view.analysis().Current();
  }
  // The caret as "line:column", both from 1.
  QString Caret() {
    const QTextCursor cursor = Frame().view().textCursor();
    return QString("%1:%2").arg(cursor.blockNumber() + 1).arg(cursor.positionInBlock() + 1);
  }

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
    QCOMPARE(
        menus,
        (QStringList{"&File: &New Ctrl+N, &Open... Ctrl+O, &Save Ctrl+S, Save &As..., , &Print... "
                     "Ctrl+P, Print Pre&view, P&rint Setup..., , Recent File, , E&xit",
                     "&Edit: &Undo Ctrl+Z|Alt+Backspace, &Redo Ctrl+Y|Ctrl+Shift+Z, , Cu&t Ctrl+X|Shift+Del, "
                     "&Copy Ctrl+C|Ctrl+Ins, &Paste Ctrl+V|Shift+Ins, , &Find... Ctrl+F, Find &Next F3, "
                     "Find Pre&vious Shift+F3, R&eplace... Ctrl+H, , Toggle C&omment Ctrl+/, Complete &Word "
                     "Ctrl+Space, , &Go to Line... Ctrl+G, Go to &Definition F12, Next Dia&gnostic F8",
                     "&View: &Toolbar, &Line Numbers, &Highlighting, &Outline", "&Kestrix: &Build",
                     "&Info: &About Kestrix..., &Help, Help at &Caret F1"}));
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
    Put(Script_With("Wait", "wa|it"));  // F1: the operation at the caret
    QTest::keyClick(&Frame().view(), Qt::Key_F1);
    QCOMPARE(Frame().help().source().fragment(), QString("Wait"));
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

  // The File menu lists the last four scripts opened, newest first, in the
  // next window too; so are the View menu's choices kept.
  void Recent_Files_And_View_Choices() {
    for (const char* name : {"1.kxs", "2.kxs", "3.kxs", "4.kxs", "5.kxs", "3.kxs"})
      QVERIFY(Frame().OpenDocumentFile(fixture_->Write(name, "Wait,5\n")));
    const QList<QAction*> view_menu = Frame().menuBar()->actions()[2]->menu()->actions();
    for (QAction* choice : view_menu.mid(1)) choice->trigger();
    CMainFrame again;
    const QStringList items = Describe(again.menuBar()->actions()[0]->menu()->actions()).mid(9, 5);
    QCOMPARE(items.join(' ').remove(fixture_->folder.path() + "/"), "&1 3.kxs &2 5.kxs &3 4.kxs &4 2.kxs ");
    QVERIFY(!again.view().line_numbers_shown() && !again.view().highlighter().colours_on());
    QVERIFY(!again.outline().isHidden());
  }

  // F12 goes to where the name at the caret is defined, F8 to the error or
  // else to the next warning.
  void Navigation_data() {
    QTest::addColumn<QString>("marked");
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("caret");
    QTest::newRow("label") << Script_With("JumpTo,start", "JumpTo,st|art") << int(Qt::Key_F12) << "11:1";
    QTest::newRow("label of a named routine")
        << Script_With("Main,start", "Main,start|") << int(Qt::Key_F12) << "11:1";
    QTest::newRow("object") << Script_With("tank,base,1", "tank,b|ase,1") << int(Qt::Key_F12) << "3:1";
    QTest::newRow("routine") << Script_With("SetStep,Main", "SetStep,|Main") << int(Qt::Key_F12) << "10:10";
    QTest::newRow("error") << "|" + Script_With("tank,base", "tank,ghost") << int(Qt::Key_F8) << "14:20";
    QTest::newRow("warning after the caret") << Script_With("home", "ho|me") << int(Qt::Key_F8) << "7:1";
  }
  void Navigation() {
    QFETCH(QString, marked);
    QFETCH(int, key);
    QFETCH(QString, caret);
    Put(marked);
    QTest::keyClick(&Frame().view(), static_cast<Qt::Key>(key));
    QCOMPARE(Caret(), caret);
  }

  // Ctrl+Space offers what fits at the caret; Enter takes the first offer.
  void Completion_data() {
    QTest::addColumn<QString>("marked");
    QTest::addColumn<QString>("offers");  // the first three
    QTest::addColumn<int>("count");
    QTest::newRow("step") << Script_With("  JumpTo", "  |JumpTo") << "Add AddAmmo AddHealth" << 128;
    QTest::newRow("object") << Script_With("Attack,tank", "Attack,|tank") << "base tank" << 2;
    QTest::newRow("routine") << Script_With("SetStep,Main", "SetStep,M|ain") << "Main" << 1;
    QTest::newRow("label of the step's routine") << Script_With("JumpTo,start", "JumpTo,|") << "start" << 1;
    QTest::newRow("label of a named routine") << Script_With("Main,start", "Main,|") << "start" << 1;
    QTest::newRow("colour") << Script_With("Wait,1", "Display,hello,|") << "green red white" << 3;
    QTest::newRow("integer") << Script_With("Wait,1", "Wait,|") << "" << 0;
    QTest::newRow("data section") << Script_With("tank", "ta|nk") << "" << 0;
  }
  void Completion() {
    QFETCH(QString, marked);
    QFETCH(QString, offers);
    QFETCH(int, count);
    Put(marked);
    QTest::keyClick(&Frame().view(), Qt::Key_Space, Qt::ControlModifier);
    QAbstractItemView& list = *Frame().view().completer().popup();
    QCOMPARE(list.isVisible(), count > 0);
    if (count == 0) return;
    QStringList names;
    for (int row = 0; row < list.model()->rowCount(); ++row)
      names << list.model()->index(row, 0).data().toString();
    QCOMPARE(names.mid(0, 3).join(' '), offers);
    QCOMPARE(names.size(), count);
    QTest::keyClick(&list, Qt::Key_Return);
    QCOMPARE(Frame().view().textCursor().block().text().contains(names.first()), true);
  }

  // Replace All heeds case, whole words and expressions, and is one step to undo.
  void Replace_All_data() {
    QTest::addColumn<QString>("find");
    QTest::addColumn<QString>("replace");
    QTest::addColumn<QString>("options");  // c: match case, w: whole word, x: regular expression
    QTest::addColumn<QString>("replaced");
    QTest::newRow("plain") << "wait"
                           << "Halt"
                           << ""
                           << "Halt,5 Halt,6 Halting,7";
    QTest::newRow("case") << "wait"
                          << "Halt"
                          << "c"
                          << "Wait,5 Halt,6 Waiting,7";
    QTest::newRow("word") << "wait"
                          << "Halt"
                          << "w"
                          << "Halt,5 Halt,6 Waiting,7";
    QTest::newRow("expression") << "(\\w+),(\\d)"
                                << "$2:$1"
                                << "x"
                                << "5:Wait 6:wait 7:Waiting";
  }
  void Replace_All() {
    QFETCH(QString, find);
    QFETCH(QString, replace);
    QFETCH(QString, options);
    QFETCH(QString, replaced);
    Put("|Wait,5 wait,6 Waiting,7");
    QTest::keyClick(&Frame().view(), Qt::Key_H, Qt::ControlModifier);
    FindBar& bar = Frame().find_bar();
    bar.find_field().setText(find);
    bar.replace_field().setText(replace);
    bar.match_case().setChecked(options.contains('c'));
    bar.whole_word().setChecked(options.contains('w'));
    bar.regular_expression().setChecked(options.contains('x'));
    bar.Replace_All();
    QCOMPARE(Frame().view().GetWindowText(), replaced);
    Frame().view().undo();
    QCOMPARE(Frame().view().GetWindowText(), "Wait,5 wait,6 Waiting,7");
  }

  // Ctrl+/ comments the selected lines out at their smallest indent and in
  // again; Enter keeps the indent; Ctrl+Y and Ctrl+Shift+Z redo.
  void Editing_Keys_data() {
    QTest::addColumn<QString>("marked");
    QTest::addColumn<QKeySequence>("keys");
    QTest::addColumn<QString>("edited");
    QTest::newRow("comment") << "  ^Wait,1\n\n    Wait,2\n|Wait,3" << QKeySequence("Ctrl+/")
                             << "  //Wait,1\n\n  //  Wait,2\nWait,3";
    QTest::newRow("uncomment") << "  //Wait,1\n//|x" << QKeySequence("Ctrl+/") << "  //Wait,1\nx";
    QTest::newRow("comment mixed") << "^  //Wait,1\nx|" << QKeySequence("Ctrl+/") << "//  //Wait,1\n//x";
    QTest::newRow("indent") << "\t  Wait,1|" << QKeySequence(Qt::Key_Return) << "\t  Wait,1\n\t  ";
    QTest::newRow("redo") << "x|" << QKeySequence("Ctrl+Y") << "xy";
    QTest::newRow("redo again") << "x|" << QKeySequence("Ctrl+Shift+Z") << "xy";
  }
  void Editing_Keys() {
    QFETCH(QString, marked);
    QFETCH(QKeySequence, keys);
    QFETCH(QString, edited);
    Put(marked);
    if (edited == "xy") {  // typed, undone: only a redo brings it back
      QTest::keyClick(&Frame().view(), Qt::Key_Y);
      Frame().view().undo();
    }
    QTest::keySequence(&Frame().view(), keys);
    QCOMPARE(Frame().view().GetWindowText(), edited);
  }

  // The analysis follows typing after a pause: the error shows at the
  // caret's line in the status bar with the caret's place and the template
  // entry in use, and in a tooltip.
  void Live_Diagnostics() {
    Put(Script_With("Wait,1", "Wait,|1"));
    QTest::keyClicks(&Frame().view(), "x");
    QTest::qWait(100);  // the analysis waits for a pause in typing
    QVERIFY(!Frame().view().analysis().Is_Current());
    const auto status = [this](const char* name) {
      return Frame().statusBar()->findChild<QLabel*>(name)->text();
    };
    QTRY_COMPARE(status("diagnostic"), "Found a literal when expecting an integer, or '-'.");
    QCOMPARE(status("position"), "Ln 11, Col 14");
    QCOMPARE(status("template"), "Template: B");
    // Hovering: the diagnostic's message, an operation's synopsis.
    CKestrixView& view = Frame().view();
    for (const auto& [column, tip] : {std::pair{13, "Found a literal when expecting an integer, or '-'."},
                                      std::pair{9, "Wait,Integer"}}) {
      QTextCursor place(view.document()->findBlockByNumber(10));
      place.setPosition(place.position() + column - 1);
      const QPoint point = view.viewport()->mapTo(&view, view.cursorRect(place).center() + QPoint(1, 0));
      QHelpEvent hover(QEvent::ToolTip, point, view.mapToGlobal(point));
      QApplication::sendEvent(&view, &hover);
      QCOMPARE(QToolTip::text(), QString(tip));
    }
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
