#include "app/main_frame.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QMenuBar>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QSettings>
#include <QStatusBar>
#include <QUrl>
#include <optional>

#include "app/about_dlg.h"
#include "app/build_objects.h"
#include "app/program_files.h"
#include "app/prompts.h"
#include "app/quiet_configuration.h"
#include "app/read_back_dll.h"
#include "app/tool_icons.h"
#include "vmobject/companion_files.h"

namespace kx {
namespace {

constexpr char kGeometryKey[] = "geometry";
constexpr char kLineNumbersKey[] = "lineNumbers";
constexpr char kHighlightingKey[] = "highlighting";
constexpr char kOutlineKey[] = "outline";

// The first entry of Kestrix.conf; no limits when the file cannot be read.
TemplateConfig First_Template_Entry() {
  const QuietConfiguration configuration;
  return configuration.entries.empty() ? Unlimited_Template() : configuration.entries.front();
}

// Adds a command to `window`, so that its keys work anywhere in the window:
// its text, what it runs, its keys and its toolbar picture.
template <typename Receiver, typename Slot>
QAction* Add_Command(QWidget& window, const char* text, const Receiver* receiver, Slot slot,
                     const QList<QKeySequence>& keys = {}, std::optional<ToolIcon> icon = std::nullopt) {
  QAction* action = window.addAction(text);
  action->setShortcuts(keys);
  if (icon) action->setIcon(Tool_Icon(*icon));
  QObject::connect(action, &QAction::triggered, receiver, slot);
  return action;
}

}  // namespace

// The commands that the menus and the toolbar share.
struct CMainFrame::Actions {
  QAction* new_file;
  QAction* open;
  QAction* save;
  QAction* save_as;
  QAction* print;
  QAction* print_preview;
  QAction* print_setup;
  QAction* exit;
  QAction* undo;
  QAction* redo;
  QAction* cut;
  QAction* copy;
  QAction* paste;
  QAction* find;
  QAction* find_next;
  QAction* find_previous;
  QAction* replace;
  QAction* toggle_comment;
  QAction* complete;
  QAction* go_to_line;
  QAction* go_to_definition;
  QAction* next_diagnostic;
  QAction* line_numbers;
  QAction* highlighting;
  QAction* build;
  QAction* about;
  QAction* help;
  QAction* help_at_caret;
};

CMainFrame::CMainFrame()
    : m_wndToolBar("Toolbar", this),
      m_wndDlgBar(this),
      m_wndSplitter(Qt::Horizontal, this),
      m_wndView(&m_wndSplitter),
      m_wndHelp(&m_wndSplitter),
      m_doc(m_wndView),
      m_wndFindBar(m_wndView, this),
      m_wndOutline(m_wndView, this),
      m_dlgBuildLog(this),
      m_pRecentFileList(std::make_unique<RecentFileList>(
          *this, [this](const QString& path) { return OpenDocumentFile(path); })) {
  setWindowIcon(Application_Icon());
  const Actions actions = Create_Actions();
  Create_Menus(actions);
  Create_Tool_Bar(actions);
  Create_Operations_Bar();
  Create_Client_Area();
  Read_Settings();
  Set_Template(First_Template_Entry());

  connect(&m_doc, &CKestrixDoc::Path_Name_Changed, this, [this](const QString& path) {
    Update_Title();
    if (!path.isEmpty()) m_pRecentFileList->Add(path);
  });
  connect(m_wndView.document(), &QTextDocument::modificationChanged, this, &QWidget::setWindowModified);
  connect(&m_dlgBuildLog, &CBuildLogDlg::Template_Chosen, this, &CMainFrame::Set_Template);
  connect(&m_wndView, &QPlainTextEdit::cursorPositionChanged, this, &CMainFrame::Update_Status);
  connect(&m_wndView, &CKestrixView::Diagnostics_Changed, this, &CMainFrame::Update_Status);
  connect(&m_wndView.analysis(), &LiveAnalysis::Analysis_Ready, this,
          [this] { m_wndOutline.Show_Analysis(*m_wndView.analysis().latest()); });
  connect(&m_wndFindBar, &FindBar::Message, this, [this](const QString& text) {
    if (text.isEmpty())
      statusBar()->clearMessage();
    else
      statusBar()->showMessage(text, 5000);
  });
  connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
    if (now == &m_wndView) m_bHelpActive = false;
    if (now != nullptr && (now == &m_wndHelp || m_wndHelp.isAncestorOf(now))) m_bHelpActive = true;
  });

  m_doc.OnNewDocument();
  Update_Status();
}

CMainFrame::~CMainFrame() = default;

CMainFrame::Actions CMainFrame::Create_Actions() {
  Actions actions{};
  actions.new_file =
      Add_Command(*this, "&New", this, &CMainFrame::OnFileNew, {QKeySequence::New}, ToolIcon::kNew);
  actions.open =
      Add_Command(*this, "&Open...", this, &CMainFrame::OnFileOpen, {QKeySequence::Open}, ToolIcon::kOpen);
  actions.save =
      Add_Command(*this, "&Save", &m_doc, &CKestrixDoc::DoFileSave, {QKeySequence::Save}, ToolIcon::kSave);
  actions.save_as = Add_Command(*this, "Save &As...", this, [this] { m_doc.DoSave(QString()); });
  actions.print = Add_Command(*this, "&Print...", this, &CMainFrame::OnFilePrint, {QKeySequence::Print},
                              ToolIcon::kPrint);
  actions.print_preview = Add_Command(*this, "Print Pre&view", this, &CMainFrame::OnFilePrintPreview);
  actions.print_setup = Add_Command(*this, "P&rint Setup...", this, &CMainFrame::OnFilePrintSetup);
  actions.exit = Add_Command(*this, "E&xit", this, &QWidget::close);

  actions.undo = Add_Command(*this, "&Undo", &m_wndView, &QPlainTextEdit::undo,
                             {QKeySequence(Qt::CTRL | Qt::Key_Z), QKeySequence(Qt::ALT | Qt::Key_Backspace)});
  actions.cut = Add_Command(*this, "Cu&t", &m_wndView, &QPlainTextEdit::cut,
                            {QKeySequence(Qt::CTRL | Qt::Key_X), QKeySequence(Qt::SHIFT | Qt::Key_Delete)},
                            ToolIcon::kCut);
  actions.copy = Add_Command(*this, "&Copy", &m_wndView, &QPlainTextEdit::copy,
                             {QKeySequence(Qt::CTRL | Qt::Key_C), QKeySequence(Qt::CTRL | Qt::Key_Insert)},
                             ToolIcon::kCopy);
  actions.paste = Add_Command(*this, "&Paste", &m_wndView, &QPlainTextEdit::paste,
                              {QKeySequence(Qt::CTRL | Qt::Key_V), QKeySequence(Qt::SHIFT | Qt::Key_Insert)},
                              ToolIcon::kPaste);
  actions.redo =
      Add_Command(*this, "&Redo", &m_wndView, &QPlainTextEdit::redo,
                  {QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
  // Undo, Redo, Cut and Copy are offered only while there is something to undo or redo, or a selection.
  for (QAction* action : {actions.undo, actions.redo, actions.cut, actions.copy}) action->setEnabled(false);
  connect(&m_wndView, &QPlainTextEdit::undoAvailable, actions.undo, &QAction::setEnabled);
  connect(&m_wndView, &QPlainTextEdit::redoAvailable, actions.redo, &QAction::setEnabled);
  connect(&m_wndView, &QPlainTextEdit::copyAvailable, actions.cut, &QAction::setEnabled);
  connect(&m_wndView, &QPlainTextEdit::copyAvailable, actions.copy, &QAction::setEnabled);

  actions.find = Add_Command(*this, "&Find...", this, [this] { m_wndFindBar.Open(false); },
                             {QKeySequence(Qt::CTRL | Qt::Key_F)});
  actions.find_next = Add_Command(*this, "Find &Next", this,
                                  [this] {
                                    if (m_wndFindBar.find_field().text().isEmpty())
                                      m_wndFindBar.Open(false);
                                    else
                                      m_wndFindBar.Find();
                                  },
                                  {QKeySequence(Qt::Key_F3)});
  actions.find_previous = Add_Command(*this, "Find Pre&vious", this, [this] { m_wndFindBar.Find(true); },
                                      {QKeySequence(Qt::SHIFT | Qt::Key_F3)});
  actions.replace = Add_Command(*this, "R&eplace...", this, [this] { m_wndFindBar.Open(true); },
                                {QKeySequence(Qt::CTRL | Qt::Key_H)});
  actions.toggle_comment = Add_Command(*this, "Toggle C&omment", &m_wndView, &CKestrixView::Toggle_Comment,
                                       {QKeySequence(Qt::CTRL | Qt::Key_Slash)});
  actions.complete = Add_Command(*this, "Complete &Word", this,
                                 [this] {
                                   m_wndView.setFocus();
                                   m_wndView.completer().Open(false);
                                 },
                                 {QKeySequence(Qt::CTRL | Qt::Key_Space)});
  actions.go_to_line = Add_Command(*this, "&Go to Line...", this, &CMainFrame::OnGoToLine,
                                   {QKeySequence(Qt::CTRL | Qt::Key_G)});
  actions.go_to_definition =
      Add_Command(*this, "Go to &Definition", this,
                  [this] {
                    if (!m_wndView.Go_To_Definition())
                      statusBar()->showMessage("No label, routine or symbol at the caret.", 5000);
                  },
                  {QKeySequence(Qt::Key_F12)});
  actions.next_diagnostic = Add_Command(*this, "Next Dia&gnostic", this,
                                        [this] {
                                          if (!m_wndView.Go_To_Next_Diagnostic())
                                            statusBar()->showMessage("The script has no diagnostics.", 5000);
                                        },
                                        {QKeySequence(Qt::Key_F8)});

  // The View menu's switches, kept in the settings.
  QSettings settings(kSettingsOrganisation, kSettingsApplication);
  const auto add_switch = [this, &settings](const char* text, const char* key, auto apply) {
    QAction* action = addAction(text);
    action->setCheckable(true);
    const bool on = settings.value(key, true).toBool();
    action->setChecked(on);
    apply(on);
    connect(action, &QAction::toggled, this, apply);
    connect(action, &QAction::triggered, this,
            [key](bool on) { QSettings(kSettingsOrganisation, kSettingsApplication).setValue(key, on); });
    return action;
  };
  actions.line_numbers =
      add_switch("&Line Numbers", kLineNumbersKey, [this](bool on) { m_wndView.Set_Line_Numbers_Shown(on); });
  actions.highlighting = add_switch("&Highlighting", kHighlightingKey,
                                    [this](bool on) { m_wndView.highlighter().Set_Colours_On(on); });

  actions.build = Add_Command(*this, "&Build", this, &CMainFrame::OnBuild);
  actions.about =
      Add_Command(*this, "&About Kestrix...", this, &CMainFrame::OnAppAbout, {}, ToolIcon::kAbout);
  actions.help = Add_Command(*this, "&Help", this, &CMainFrame::Show_Operation_Help);
  actions.help_at_caret =
      Add_Command(*this, "Help at &Caret", this, &CMainFrame::Show_Help_At_Caret, {QKeySequence(Qt::Key_F1)});

  // Next pane and previous pane: with two panes both move to the other one.
  Add_Command(*this, "Next Pane", this, &CMainFrame::OnNextPane, {QKeySequence(Qt::Key_F6)});
  Add_Command(*this, "Previous Pane", this, &CMainFrame::OnNextPane, {QKeySequence(Qt::SHIFT | Qt::Key_F6)});
  return actions;
}

void CMainFrame::Create_Menus(const Actions& actions) {
  QMenu* file = menuBar()->addMenu("&File");
  file->addActions({actions.new_file, actions.open, actions.save, actions.save_as});
  file->addSeparator();
  file->addActions({actions.print, actions.print_preview, actions.print_setup});
  file->addSeparator();
  m_pRecentFileList->Add_To_Menu(*file);
  file->addSeparator();
  file->addAction(actions.exit);

  QMenu* edit = menuBar()->addMenu("&Edit");
  edit->addActions({actions.undo, actions.redo});
  edit->addSeparator();
  edit->addActions({actions.cut, actions.copy, actions.paste});
  edit->addSeparator();
  edit->addActions({actions.find, actions.find_next, actions.find_previous, actions.replace});
  edit->addSeparator();
  edit->addActions({actions.toggle_comment, actions.complete});
  edit->addSeparator();
  edit->addActions({actions.go_to_line, actions.go_to_definition, actions.next_diagnostic});

  QMenu* view = menuBar()->addMenu("&View");
  QAction* toolbar = m_wndToolBar.toggleViewAction();
  toolbar->setText("&Toolbar");
  QAction* outline = m_wndOutline.toggleViewAction();
  outline->setText("&Outline");
  connect(outline, &QAction::triggered, this,
          [](bool on) { QSettings(kSettingsOrganisation, kSettingsApplication).setValue(kOutlineKey, on); });
  view->addActions({toolbar, actions.line_numbers, actions.highlighting, outline});

  menuBar()->addMenu("&Kestrix")->addAction(actions.build);

  QMenu* info = menuBar()->addMenu("&Info");
  info->addActions({actions.about, actions.help, actions.help_at_caret});
}

void CMainFrame::Create_Tool_Bar(const Actions& actions) {
  m_wndToolBar.setObjectName("toolbar");
  m_wndToolBar.setIconSize(QSize(16, 16));
  m_wndToolBar.addActions({actions.new_file, actions.open, actions.save});
  m_wndToolBar.addSeparator();
  m_wndToolBar.addActions({actions.cut, actions.copy, actions.paste});
  m_wndToolBar.addSeparator();
  m_wndToolBar.addActions({actions.print, actions.about});
  addToolBar(Qt::TopToolBarArea, &m_wndToolBar);
}

void CMainFrame::Create_Operations_Bar() {
  addToolBarBreak(Qt::TopToolBarArea);
  addToolBar(Qt::TopToolBarArea, &m_wndDlgBar);
  connect(&m_wndDlgBar.build_button(), &QPushButton::clicked, this, &CMainFrame::OnBuild);
  connect(&m_wndDlgBar.help_button(), &QPushButton::clicked, this, &CMainFrame::Show_Operation_Help);
  // A choice in the list, or a move with the arrow keys, is the selection
  // change. Closing the list without a choice is the cancel; the platform
  // this design comes from follows a cancel with a selection change that
  // puts the entry back, which Qt does not send, so it is run here.
  COperationsBox& box = m_wndDlgBar.operations();
  connect(&box, &QComboBox::activated, this, &CMainFrame::OnSelChangeOperations);
  connect(&box, &COperationsBox::Selection_Cancelled, this, [this] {
    OnSelEndCancelOperations();
    if (m_bSelCancelled) OnSelChangeOperations();
  });
  // Enter in the field chooses the operation it names, letter case aside, as
  // often as it is pressed; a name of no operation empties the synopsis.
  connect(&box, &COperationsBox::Name_Entered, this, [this](const QString& text) {
    COperationsBox& box = m_wndDlgBar.operations();
    const int index = box.findText(text.trimmed(), Qt::MatchFixedString);
    if (index < 0) {
      m_wndDlgBar.synopsis().clear();
      return;
    }
    box.setCurrentIndex(index);
    m_bSelCancelled = false;
    OnSelChangeOperations();
  });
}

void CMainFrame::Create_Client_Area() {
  m_wndSplitter.addWidget(&m_wndView);
  m_wndSplitter.addWidget(&m_wndHelp);
  m_wndSplitter.setCollapsible(0, false);
  m_wndSplitter.setSizes({1500, 0});
  m_wndView.setObjectName("editor");
  m_wndHelp.setObjectName("help");
  setCentralWidget(&m_wndSplitter);
  m_wndView.setFocus();
  addToolBar(Qt::BottomToolBarArea, &m_wndFindBar);
  addDockWidget(Qt::LeftDockWidgetArea, &m_wndOutline);
  m_wndDiagnostic.setObjectName("diagnostic");
  m_wndTemplate.setObjectName("template");
  m_wndPosition.setObjectName("position");
  m_wndPosition.setMinimumWidth(m_wndPosition.fontMetrics().horizontalAdvance("Ln 99999, Col 9999"));
  statusBar()->addWidget(&m_wndDiagnostic, 1);
  statusBar()->addPermanentWidget(&m_wndTemplate);
  statusBar()->addPermanentWidget(&m_wndPosition);
}

void CMainFrame::Read_Settings() {
  QSettings settings(kSettingsOrganisation, kSettingsApplication);
  const QByteArray geometry = settings.value(kGeometryKey).toByteArray();
  if (geometry.isEmpty() || !restoreGeometry(geometry)) resize(800, 600);
  m_wndOutline.setVisible(settings.value(kOutlineKey, false).toBool());
}

void CMainFrame::Write_Settings() const {
  QSettings settings(kSettingsOrganisation, kSettingsApplication);
  settings.setValue(kGeometryKey, saveGeometry());
}

void CMainFrame::closeEvent(QCloseEvent* event) {
  if (!m_doc.SaveModified()) {
    event->ignore();
    return;
  }
  Write_Settings();
  m_dlgBuildLog.reject();
  event->accept();
}

bool CMainFrame::OnFileNew() {
  if (!m_doc.SaveModified()) return false;
  return m_doc.OnNewDocument();
}

void CMainFrame::OnFileOpen() {
  const QString path = Current_Prompts().open_path(this);
  if (!path.isEmpty()) OpenDocumentFile(path);
}

bool CMainFrame::OpenDocumentFile(const QString& path) {
  if (!m_doc.SaveModified()) return false;
  if (!Is_Dll_Name(path)) return m_doc.OnOpenDocument(path);
  const std::optional<ReadBackScript> script = Read_Back_Dll(this, path);
  if (!script) return false;
  Set_Template(script->entry);
  return m_doc.OnNewDocument(script->text);
}

QPrinter& CMainFrame::printer() {
  if (!m_pPrinter) m_pPrinter = std::make_unique<QPrinter>(QPrinter::HighResolution);
  return *m_pPrinter;
}

void CMainFrame::Print_Active_Pane(QPrinter* printer) {
  if (m_bHelpActive)
    m_wndHelp.print(printer);
  else
    m_wndView.print(printer);
}

void CMainFrame::OnFilePrint() {
  QPrintDialog dialog(&printer(), this);
  if (dialog.exec() == QDialog::Accepted) Print_Active_Pane(&printer());
}

void CMainFrame::OnFilePrintPreview() {
  QPrintPreviewDialog preview(&printer(), this);
  connect(&preview, &QPrintPreviewDialog::paintRequested, this,
          [this](QPrinter* printer) { Print_Active_Pane(printer); });
  preview.exec();
}

void CMainFrame::OnFilePrintSetup() {
  QPageSetupDialog dialog(&printer(), this);
  dialog.exec();
}

void CMainFrame::OnAppAbout() {
  CAboutDlg about(this);
  about.exec();
}

void CMainFrame::OnNextPane() {
  // A collapsed help pane is skipped.
  if (!m_bHelpActive && m_wndHelp.width() > 0)
    m_wndHelp.setFocus();
  else
    m_wndView.setFocus();
}

void CMainFrame::OnBuild() {
  if (!m_dlgBuildLog.is_open()) m_dlgBuildLog.Open();
}

void CMainFrame::OnSelChangeOperations() {
  COperationsBox& box = m_wndDlgBar.operations();
  const int index = box.currentIndex();
  if (m_bSelCancelled) {
    box.setCurrentIndex(m_nOperation);
    m_wndView.setFocus();
    m_bSelCancelled = false;
    return;
  }
  if (index < 0) return;  // nothing selected: nothing to insert
  m_nOperation = index;
  box.setCurrentIndex(index);
  QLineEdit* field = box.lineEdit();
  field->setText(box.itemText(index));
  field->selectAll();
  field->copy();
  m_wndView.paste();
  Show_Synopsis();
  m_wndView.setFocus();
  m_bSelCancelled = false;
}

void CMainFrame::OnSelEndCancelOperations() {
  const int index = m_wndDlgBar.operations().currentIndex();
  if (index < 0) return;
  m_bSelCancelled = true;
  m_nOperation = index;
  Show_Synopsis();
}

void CMainFrame::Show_Synopsis() {
  const COperationsBox& box = m_wndDlgBar.operations();
  const QString name = box.itemText(box.currentIndex());
  QLineEdit& synopsis = m_wndDlgBar.synopsis();
  synopsis.setText(QString::fromLatin1(g_OperationCatalogue.Operand_Synopsis(name.toLatin1().toStdString())));
  synopsis.setCursorPosition(0);
}

void CMainFrame::Show_Operation_Help() {
  Open_Help_Pane();
  if (m_nHelpState == kHelpNotLoaded) {
    m_wndHelp.setSource(QUrl::fromLocalFile(GetProgramFilePath("operations.htm")));
    m_nHelpState = kHelpRequested;
    return;
  }
  if (m_nOperation < 0) return;
  if (m_nHelpState == kHelpRequested) {
    // Without the anchor of a link the user may have followed, so that the
    // operation's anchor can be added.
    m_strHelpBase = m_wndHelp.source().adjusted(QUrl::RemoveFragment).toString();
    m_nHelpState = kHelpBaseKnown;
  }
  m_wndHelp.setSource(QUrl(m_strHelpBase + "#" + m_wndDlgBar.operations().itemText(m_nOperation)));
}

void CMainFrame::Show_Help_At_Caret() {
  const QString operation = m_wndView.Operation_At(m_wndView.textCursor());
  Open_Help_Pane();
  QUrl page = QUrl::fromLocalFile(GetProgramFilePath("operations.htm"));
  if (!operation.isEmpty()) page.setFragment(operation);
  m_wndHelp.setSource(page);
}

void CMainFrame::OnGoToLine() {
  const int line =
      Current_Prompts().line_number(this, m_wndView.textCursor().blockNumber() + 1, m_wndView.blockCount());
  if (line < 1) return;
  m_wndView.Go_To_Line(line);
  m_wndView.setFocus();
}

void CMainFrame::Set_Template(const TemplateConfig& config) {
  m_wndView.analysis().Set_Template(config);
  m_wndTemplate.setText("Template: " + Decode_Entry(config.name));
}

void CMainFrame::Update_Status() {
  const QTextCursor caret = m_wndView.textCursor();
  m_wndPosition.setText(
      QString("Ln %1, Col %2").arg(caret.blockNumber() + 1).arg(caret.positionInBlock() + 1));
  m_wndDiagnostic.setText(m_wndView.Diagnostic_At_Caret());
}

void CMainFrame::Open_Help_Pane() {
  if (m_wndSplitter.sizes().value(1) > 0) return;
  const int width = m_wndSplitter.width();
  m_wndSplitter.setSizes({width - width / 3, width / 3});
}

void CMainFrame::Update_Title() {
  setWindowTitle(m_doc.GetTitle() + "[*] - Kestrix");
  setWindowModified(m_doc.IsModified());
}

}  // namespace kx
