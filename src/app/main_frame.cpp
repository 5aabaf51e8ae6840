#include "app/main_frame.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QMenuBar>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QSettings>
#include <QUrl>
#include <algorithm>

#include "app/about_dlg.h"
#include "app/build_objects.h"
#include "app/dialog_units.h"
#include "app/program_files.h"
#include "app/prompts.h"
#include "app/tool_icons.h"

namespace kx {
namespace {

constexpr char kGeometryKey[] = "geometry";
constexpr char kRecentFilesKey[] = "recentFileList";

}  // namespace

CMainFrame::CMainFrame()
    : m_wndToolBar("Toolbar", this),
      m_wndDlgBar("Operations", this),
      m_wndBarPage(&m_wndDlgBar),
      m_btnBuild("Build", &m_wndBarPage),
      m_staticOperations("Operations:", &m_wndBarPage),
      m_cboOperations(&m_wndBarPage),
      m_editSynopsis(&m_wndBarPage),
      m_btnHelp("Help", &m_wndBarPage),
      m_wndSplitter(Qt::Horizontal, this),
      m_wndView(&m_wndSplitter),
      m_wndHelp(&m_wndSplitter),
      m_doc(m_wndView),
      m_dlgBuildLog(this) {
  setWindowIcon(Application_Icon());
  createActions();
  createMenus();
  createToolBars();
  createOperationsBar();
  createClientArea();
  readSettings();

  connect(&m_doc, &CKestrixDoc::pathNameChanged, this, [this](const QString& path) {
    Update_Title();
    if (!path.isEmpty()) Add_Recent_File(path);
  });
  connect(m_wndView.document(), &QTextDocument::modificationChanged, this, &QWidget::setWindowModified);
  connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
    if (now == &m_wndView) m_bHelpActive = false;
    if (now != nullptr && (now == &m_wndHelp || m_wndHelp.isAncestorOf(now))) m_bHelpActive = true;
  });

  m_doc.OnNewDocument();
  Update_Recent_File_Actions();
}

CMainFrame::~CMainFrame() = default;

void CMainFrame::createActions() {
  m_actions.new_file = addAction("&New");
  m_actions.new_file->setShortcut(QKeySequence::New);
  m_actions.new_file->setIcon(Tool_Icon(ToolIcon::kNew));
  connect(m_actions.new_file, &QAction::triggered, this, &CMainFrame::OnFileNew);

  m_actions.open = addAction("&Open...");
  m_actions.open->setShortcut(QKeySequence::Open);
  m_actions.open->setIcon(Tool_Icon(ToolIcon::kOpen));
  connect(m_actions.open, &QAction::triggered, this, &CMainFrame::OnFileOpen);

  m_actions.save = addAction("&Save");
  m_actions.save->setShortcut(QKeySequence::Save);
  m_actions.save->setIcon(Tool_Icon(ToolIcon::kSave));
  connect(m_actions.save, &QAction::triggered, this, [this] { m_doc.DoFileSave(); });

  m_actions.save_as = addAction("Save &As...");
  connect(m_actions.save_as, &QAction::triggered, this, [this] { m_doc.DoSave(QString()); });

  m_actions.print = addAction("&Print...");
  m_actions.print->setShortcut(QKeySequence::Print);
  m_actions.print->setIcon(Tool_Icon(ToolIcon::kPrint));
  connect(m_actions.print, &QAction::triggered, this, &CMainFrame::OnFilePrint);

  m_actions.print_preview = addAction("Print Pre&view");
  connect(m_actions.print_preview, &QAction::triggered, this, &CMainFrame::OnFilePrintPreview);

  m_actions.print_setup = addAction("P&rint Setup...");
  connect(m_actions.print_setup, &QAction::triggered, this, &CMainFrame::OnFilePrintSetup);

  m_actions.recent_placeholder = addAction("Recent File");
  m_actions.recent_placeholder->setEnabled(false);
  for (QAction*& recent : m_actions.recent) {
    recent = addAction(QString());
    recent->setVisible(false);
    connect(recent, &QAction::triggered, this, [this, recent] {
      const QString path = recent->data().toString();
      if (!OpenDocumentFile(path) && !QFileInfo::exists(path)) Remove_Recent_File(path);
    });
  }

  m_actions.exit = addAction("E&xit");
  connect(m_actions.exit, &QAction::triggered, this, &QWidget::close);

  m_actions.undo = addAction("&Undo");
  m_actions.undo->setShortcuts(
      {QKeySequence(Qt::CTRL | Qt::Key_Z), QKeySequence(Qt::ALT | Qt::Key_Backspace)});
  m_actions.undo->setEnabled(false);
  connect(m_actions.undo, &QAction::triggered, &m_wndView, &QPlainTextEdit::undo);
  connect(&m_wndView, &QPlainTextEdit::undoAvailable, m_actions.undo, &QAction::setEnabled);

  m_actions.cut = addAction("Cu&t");
  m_actions.cut->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_X), QKeySequence(Qt::SHIFT | Qt::Key_Delete)});
  m_actions.cut->setIcon(Tool_Icon(ToolIcon::kCut));
  m_actions.cut->setEnabled(false);
  connect(m_actions.cut, &QAction::triggered, &m_wndView, &QPlainTextEdit::cut);
  connect(&m_wndView, &QPlainTextEdit::copyAvailable, m_actions.cut, &QAction::setEnabled);

  m_actions.copy = addAction("&Copy");
  m_actions.copy->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_C), QKeySequence(Qt::CTRL | Qt::Key_Insert)});
  m_actions.copy->setIcon(Tool_Icon(ToolIcon::kCopy));
  m_actions.copy->setEnabled(false);
  connect(m_actions.copy, &QAction::triggered, &m_wndView, &QPlainTextEdit::copy);
  connect(&m_wndView, &QPlainTextEdit::copyAvailable, m_actions.copy, &QAction::setEnabled);

  m_actions.paste = addAction("&Paste");
  m_actions.paste->setShortcuts(
      {QKeySequence(Qt::CTRL | Qt::Key_V), QKeySequence(Qt::SHIFT | Qt::Key_Insert)});
  m_actions.paste->setIcon(Tool_Icon(ToolIcon::kPaste));
  connect(m_actions.paste, &QAction::triggered, &m_wndView, &QPlainTextEdit::paste);

  m_actions.build = addAction("&Build");
  connect(m_actions.build, &QAction::triggered, this, &CMainFrame::OnBuild);

  m_actions.about = addAction("&About Kestrix...");
  m_actions.about->setIcon(Tool_Icon(ToolIcon::kAbout));
  connect(m_actions.about, &QAction::triggered, this, &CMainFrame::OnAppAbout);

  m_actions.help = addAction("&Help");
  connect(m_actions.help, &QAction::triggered, this, &CMainFrame::Show_Operation_Help);

  // Next pane and previous pane: with two panes both move to the other one.
  QAction* next_pane = addAction("Next Pane");
  next_pane->setShortcut(QKeySequence(Qt::Key_F6));
  connect(next_pane, &QAction::triggered, this, &CMainFrame::OnNextPane);
  QAction* previous_pane = addAction("Previous Pane");
  previous_pane->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F6));
  connect(previous_pane, &QAction::triggered, this, &CMainFrame::OnNextPane);
}

void CMainFrame::createMenus() {
  QMenu* file = menuBar()->addMenu("&File");
  file->addActions({m_actions.new_file, m_actions.open, m_actions.save, m_actions.save_as});
  file->addSeparator();
  file->addActions({m_actions.print, m_actions.print_preview, m_actions.print_setup});
  file->addSeparator();
  file->addAction(m_actions.recent_placeholder);
  for (QAction* recent : m_actions.recent) file->addAction(recent);
  file->addSeparator();
  file->addAction(m_actions.exit);

  QMenu* edit = menuBar()->addMenu("&Edit");
  edit->addAction(m_actions.undo);
  edit->addSeparator();
  edit->addActions({m_actions.cut, m_actions.copy, m_actions.paste});

  QMenu* view = menuBar()->addMenu("&View");
  QAction* toolbar = m_wndToolBar.toggleViewAction();
  toolbar->setText("&Toolbar");
  view->addAction(toolbar);

  menuBar()->addMenu("&Kestrix")->addAction(m_actions.build);

  QMenu* info = menuBar()->addMenu("&Info");
  info->addActions({m_actions.about, m_actions.help});
}

void CMainFrame::createToolBars() {
  m_wndToolBar.setObjectName("toolbar");
  m_wndToolBar.setIconSize(QSize(16, 16));
  m_wndToolBar.addActions({m_actions.new_file, m_actions.open, m_actions.save});
  m_wndToolBar.addSeparator();
  m_wndToolBar.addActions({m_actions.cut, m_actions.copy, m_actions.paste});
  m_wndToolBar.addSeparator();
  m_wndToolBar.addActions({m_actions.print, m_actions.about});
  addToolBar(Qt::TopToolBarArea, &m_wndToolBar);
}

void CMainFrame::createOperationsBar() {
  m_wndDlgBar.setObjectName("operationsBar");
  m_wndDlgBar.setMovable(false);
  m_wndDlgBar.setFloatable(false);
  // The bar cannot be hidden from the toolbar area's context menu.
  m_wndDlgBar.toggleViewAction()->setVisible(false);

  const DialogUnits units(m_wndBarPage.font());
  m_wndBarPage.setFixedSize(units.X(365), units.Y(19));
  units.Place(m_btnBuild, 2, 3, 39, 13);
  units.Place(m_staticOperations, 49, 5, 37, 8);
  m_staticOperations.setMinimumHeight(m_staticOperations.sizeHint().height());
  units.Place(m_cboOperations, 87, 3, 69, 13);
  units.Place(m_editSynopsis, 160, 3, 153, 12);
  units.Place(m_btnHelp, 318, 3, 39, 13);

  m_btnBuild.setObjectName("buildButton");
  m_cboOperations.setObjectName("operationsBox");
  m_editSynopsis.setObjectName("synopsis");
  m_btnHelp.setObjectName("helpButton");
  for (QPushButton* button : {&m_btnBuild, &m_btnHelp}) button->setFocusPolicy(Qt::TabFocus);

  m_cboOperations.setEditable(true);
  m_cboOperations.setInsertPolicy(QComboBox::NoInsert);
  m_cboOperations.setMaxVisibleItems(24);
  m_editSynopsis.setReadOnly(true);

  addToolBarBreak(Qt::TopToolBarArea);
  m_wndDlgBar.addWidget(&m_wndBarPage);
  addToolBar(Qt::TopToolBarArea, &m_wndDlgBar);

  connect(&m_btnBuild, &QPushButton::clicked, this, &CMainFrame::OnBuild);
  connect(&m_btnHelp, &QPushButton::clicked, this, &CMainFrame::Show_Operation_Help);
  // A choice in the list, or a move with the arrow keys, is the selection
  // change. Closing the list without a choice is the cancel; the platform
  // this design comes from follows a cancel with a selection change that
  // puts the entry back, which Qt does not send, so it is run here.
  connect(&m_cboOperations, &QComboBox::activated, this, &CMainFrame::OnSelChangeOperations);
  connect(&m_cboOperations, &COperationsBox::selectionCancelled, this, [this] {
    OnSelEndCancelOperations();
    if (m_bSelCancelled) OnSelChangeOperations();
  });

  // Every operation of the catalogue, walked in name order; the box keeps its
  // entries alphabetical, letter case aside (SetPlan before SetPTeam).
  QStringList names;
  SearchTree<OpcodeRecord>& by_name = g_OperationCatalogue.by_name();
  for (const OpcodeRecord* record = by_name.First(); record != nullptr; record = by_name.Next(*record))
    names << QString::fromLatin1(record->name);
  std::stable_sort(names.begin(), names.end(),
                   [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
  m_cboOperations.addItems(names);
  m_cboOperations.setCurrentIndex(-1);
}

void CMainFrame::createClientArea() {
  m_wndSplitter.addWidget(&m_wndView);
  m_wndSplitter.addWidget(&m_wndHelp);
  m_wndSplitter.setCollapsible(0, false);
  m_wndSplitter.setSizes({1500, 0});
  m_wndView.setObjectName("editor");
  m_wndHelp.setObjectName("help");
  setCentralWidget(&m_wndSplitter);
  m_wndView.setFocus();
}

void CMainFrame::readSettings() {
  QSettings settings(kSettingsOrganisation, kSettingsApplication);
  const QByteArray geometry = settings.value(kGeometryKey).toByteArray();
  if (geometry.isEmpty() || !restoreGeometry(geometry)) resize(800, 600);
}

void CMainFrame::writeSettings() const {
  QSettings settings(kSettingsOrganisation, kSettingsApplication);
  settings.setValue(kGeometryKey, saveGeometry());
}

void CMainFrame::closeEvent(QCloseEvent* event) {
  if (!m_doc.SaveModified()) {
    event->ignore();
    return;
  }
  writeSettings();
  m_dlgBuildLog.reject();
  event->accept();
}

bool CMainFrame::OnFileNew() {
  if (!m_doc.SaveModified()) return false;
  return m_doc.OnNewDocument();
}

void CMainFrame::OnFileOpen() {
  const QString path = prompts().open_path(this);
  if (!path.isEmpty()) OpenDocumentFile(path);
}

bool CMainFrame::OpenDocumentFile(const QString& path) {
  if (!m_doc.SaveModified()) return false;
  return m_doc.OnOpenDocument(path);
}

QPrinter& CMainFrame::Printer() {
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
  QPrintDialog dialog(&Printer(), this);
  if (dialog.exec() == QDialog::Accepted) Print_Active_Pane(&Printer());
}

void CMainFrame::OnFilePrintPreview() {
  QPrintPreviewDialog preview(&Printer(), this);
  connect(&preview, &QPrintPreviewDialog::paintRequested, this,
          [this](QPrinter* printer) { Print_Active_Pane(printer); });
  preview.exec();
}

void CMainFrame::OnFilePrintSetup() {
  QPageSetupDialog dialog(&Printer(), this);
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
  if (!m_dlgBuildLog.IsOpen()) m_dlgBuildLog.Open();
}

void CMainFrame::OnSelChangeOperations() {
  const int index = m_cboOperations.currentIndex();
  if (m_bSelCancelled) {
    m_cboOperations.setCurrentIndex(m_nOperation);
    m_wndView.setFocus();
    m_bSelCancelled = false;
    return;
  }
  if (index < 0) return;  // nothing selected: nothing to insert
  m_nOperation = index;
  m_cboOperations.setCurrentIndex(index);
  QLineEdit* field = m_cboOperations.lineEdit();
  field->setText(m_cboOperations.itemText(index));
  field->selectAll();
  field->copy();
  m_wndView.paste();
  Show_Synopsis();
  m_wndView.setFocus();
  m_bSelCancelled = false;
}

void CMainFrame::OnSelEndCancelOperations() {
  const int index = m_cboOperations.currentIndex();
  if (index < 0) return;
  m_bSelCancelled = true;
  m_nOperation = index;
  Show_Synopsis();
}

void CMainFrame::Show_Synopsis() {
  const QString name = m_cboOperations.itemText(m_cboOperations.currentIndex());
  m_editSynopsis.setText(
      QString::fromLatin1(g_OperationCatalogue.Operand_Synopsis(name.toLatin1().toStdString())));
  m_editSynopsis.setCursorPosition(0);
}

void CMainFrame::Show_Operation_Help() {
  if (m_nHelpState == 0) {
    m_wndHelp.setSource(QUrl::fromLocalFile(GetProgramFilePath("operations.htm")));
    m_nHelpState = 1;
    return;
  }
  if (m_nOperation < 0) return;
  if (m_nHelpState == 1) {
    // Without the anchor of a link the user may have followed, so that the
    // operation's anchor can be added.
    m_strHelpBase = m_wndHelp.source().adjusted(QUrl::RemoveFragment).toString();
    m_nHelpState = 2;
  }
  m_wndHelp.setSource(QUrl(m_strHelpBase + "#" + m_cboOperations.itemText(m_nOperation)));
}

QStringList CMainFrame::Recent_Files() const {
  return QSettings(kSettingsOrganisation, kSettingsApplication).value(kRecentFilesKey).toStringList();
}

void CMainFrame::Store_Recent_Files(QStringList files) const {
  while (files.size() > kMaxRecentFiles) files.removeLast();
  QSettings(kSettingsOrganisation, kSettingsApplication).setValue(kRecentFilesKey, files);
}

void CMainFrame::Add_Recent_File(const QString& path) {
  QStringList files = Recent_Files();
  files.removeAll(path);
  files.prepend(path);
  Store_Recent_Files(files);
  Update_Recent_File_Actions();
}

void CMainFrame::Remove_Recent_File(const QString& path) {
  QStringList files = Recent_Files();
  files.removeAll(path);
  Store_Recent_Files(files);
  Update_Recent_File_Actions();
}

void CMainFrame::Update_Recent_File_Actions() {
  const QStringList files = Recent_Files();
  const int shown = std::min<int>(files.size(), kMaxRecentFiles);
  for (int i = 0; i < kMaxRecentFiles; ++i) {
    QAction* action = m_actions.recent[i];
    action->setVisible(i < shown);
    if (i >= shown) continue;
    const QString native = fontMetrics().elidedText(QDir::toNativeSeparators(files[i]), Qt::ElideMiddle, 400);
    action->setText(QString("&%1 %2").arg(i + 1).arg(native));
    action->setData(files[i]);
  }
  m_actions.recent_placeholder->setVisible(shown == 0);
}

void CMainFrame::Update_Title() {
  setWindowTitle(m_doc.GetTitle() + "[*] - Kestrix");
  setWindowModified(m_doc.IsModified());
}

}  // namespace kx
