#include "app/build_log_dlg.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <filesystem>

#include "app/build_objects.h"
#include "app/dialog_units.h"
#include "app/main_frame.h"
#include "app/program_files.h"
#include "app/prompts.h"
#include "diagnostics/build_failure.h"
#include "vmobject/companion_files.h"

namespace kx {
namespace {

// The wait cursor, for the length of a scope.
class WaitCursor {
 public:
  WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~WaitCursor() { QApplication::restoreOverrideCursor(); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;
};

void Set_Checked(QRadioButton& button, bool checked) {
  // An exclusive radio button cannot be cleared directly.
  button.setAutoExclusive(false);
  button.setChecked(checked);
  button.setAutoExclusive(true);
}

// The file system's own form of a path: wide on Windows, so that any name opens.
std::filesystem::path Local_Path(const QString& path) { return QFileInfo(path).filesystemFilePath(); }

// 8-point "Lucida Console", or the system's fixed-pitch font at 8 points.
QFont Build_Log_Font() {
  if (QFontDatabase::hasFamily("Lucida Console")) return QFont("Lucida Console", 8);
  QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  fixed.setPointSize(8);
  return fixed;
}

}  // namespace

CBuildLogDlg::CBuildLogDlg(CMainFrame* frame)
    : QDialog(frame),
      m_btnClose("Close", this),
      m_listBuild(this),
      m_btnCreate("&Create", this),
      m_cboMemoryModel(this),
      m_staticMemoryModel("Memory Model:", this),
      m_btnGoToError("&Go To Error", this),
      m_grpOutput("Output Generation", this),
      m_radioDll("DLL", this),
      m_radioC("C", this),
      m_pFrame(frame) {
  setWindowTitle("DLL Build Log");
  setFont(Build_Log_Font());
  const DialogUnits units(font());
  setFixedSize(units.X(418), units.Y(160));

  units.Place(m_btnClose, 355, 128, 50, 16);
  units.Place(m_listBuild, 13, 6, 391, 112);
  units.Place(m_btnCreate, 13, 128, 50, 16);
  units.Place(m_cboMemoryModel, 125, 129, 59, 13);
  units.Place(m_staticMemoryModel, 71, 131, 53, 8);
  units.Place(m_btnGoToError, 295, 128, 50, 16);
  units.Place(m_grpOutput, 194, 122, 89, 26);
  units.Place(m_radioDll, 209, 133, 28, 10);
  units.Place(m_radioC, 249, 133, 20, 10);
  // Controls at least as tall as their font needs.
  for (QWidget* control :
       std::initializer_list<QWidget*>{&m_cboMemoryModel, &m_staticMemoryModel, &m_radioDll, &m_radioC}) {
    const int needed = control->sizeHint().height();
    if (control->height() < needed)
      control->setGeometry(control->x(), control->y() - (needed - control->height()) / 2, control->width(),
                           needed);
  }

  m_btnClose.setObjectName("closeButton");
  m_listBuild.setObjectName("buildList");
  m_btnCreate.setObjectName("createButton");
  m_cboMemoryModel.setObjectName("memoryModel");
  m_btnGoToError.setObjectName("goToErrorButton");
  m_radioDll.setObjectName("dllRadio");
  m_radioC.setObjectName("cRadio");

  for (QPushButton* button : {&m_btnClose, &m_btnCreate, &m_btnGoToError}) {
    button->setAutoDefault(false);
    button->setDefault(false);
  }
  m_listBuild.setSelectionMode(QAbstractItemView::NoSelection);
  m_listBuild.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  m_cboMemoryModel.setEditable(true);
  m_cboMemoryModel.setInsertPolicy(QComboBox::NoInsert);

  setTabOrder(&m_btnClose, &m_listBuild);
  setTabOrder(&m_listBuild, &m_btnCreate);
  setTabOrder(&m_btnCreate, &m_cboMemoryModel);
  setTabOrder(&m_cboMemoryModel, &m_btnGoToError);
  setTabOrder(&m_btnGoToError, &m_radioDll);
  setTabOrder(&m_radioDll, &m_radioC);

  connect(&m_btnClose, &QPushButton::clicked, this, &CBuildLogDlg::reject);
  connect(&m_btnCreate, &QPushButton::clicked, this, &CBuildLogDlg::OnClickedCreate);
  connect(&m_btnGoToError, &QPushButton::clicked, this, &CBuildLogDlg::OnClickedGoToError);
  connect(&m_radioDll, &QRadioButton::clicked, this, [this] { m_nOutput = VMBUILD_DLL; });
  connect(&m_radioC, &QRadioButton::clicked, this, [this] { m_nOutput = VMBUILD_C_LISTING; });
  connect(&m_cboMemoryModel, &QComboBox::currentIndexChanged, this, [this](int index) {
    const TemplateList* templates = g_TemplateConfigParser.templates();
    if (index < 0 || templates == nullptr) return;
    const TemplateConfig* config =
        templates->Find_By_Name(m_cboMemoryModel.itemData(index).toByteArray().toStdString());
    if (config != nullptr) emit Template_Chosen(*config);
  });
}

void CBuildLogDlg::Open() {
  // A new window starts with an empty list and every control usable.
  m_listBuild.clear();
  m_cboMemoryModel.clear();
  for (QWidget* control : std::initializer_list<QWidget*>{&m_cboMemoryModel, &m_radioDll, &m_radioC})
    control->setEnabled(true);

  m_bOpen = true;
  m_btnGoToError.setEnabled(m_nErrorLine >= 1);
  Set_Checked(m_radioDll, true);
  Set_Checked(m_radioC, false);
  m_nOutput = VMBUILD_DLL;

  Attach_Log_File();
  QFile log(Log_File_Path());
  if (log.open(QIODevice::WriteOnly | QIODevice::Truncate)) log.close();

  m_btnCreate.setEnabled(true);
  bool read = true;
  try {
    g_TemplateConfigParser.Read_Template_File(Local_Path(GetProgramFilePath(kConfigurationFileName)));
  } catch (...) {
    read = false;
  }
  if (read) {
    for (const TemplateConfig& config : *g_TemplateConfigParser.templates())
      m_cboMemoryModel.addItem(Decode_Entry(config.name), QByteArray::fromStdString(config.name));
    m_cboMemoryModel.setCurrentIndex(m_cboMemoryModel.count() > 0 ? 0 : -1);
  } else {
    Show_Configuration_Failure();
  }

  show();
  raise();
  activateWindow();
  m_btnClose.setFocus();
}

void CBuildLogDlg::Show_Configuration_Failure() {
  Add_Entry("An error was encountered while parsing the \"Kestrix.conf\" file.");
  Add_Entry("");
  Add_Entry("Please see the \"Kestrix.log\" file for details.");
  for (QWidget* control : std::initializer_list<QWidget*>{&m_btnCreate, &m_btnGoToError, &m_cboMemoryModel,
                                                          &m_radioDll, &m_radioC})
    control->setEnabled(false);
  Set_Checked(m_radioDll, false);
  Set_Checked(m_radioC, false);
}

QByteArray CBuildLogDlg::Template_Name() const {
  const QString text = m_cboMemoryModel.currentText();
  const int entry = m_cboMemoryModel.findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
  return entry >= 0 ? m_cboMemoryModel.itemData(entry).toByteArray() : text.toUtf8();
}

void CBuildLogDlg::Add_Entry(const QString& text) { m_listBuild.addItem(text); }

void CBuildLogDlg::OnClickedCreate() {
  CKestrixDoc* doc = m_pFrame->GetActiveDocument();
  // Without a template name there is nothing to build; nothing else changes.
  const QByteArray template_name = Template_Name();
  if (template_name.isEmpty()) {
    Add_Entry("Build aborted.  No memory model is selected.");
    return;
  }
  m_nErrorLine = 0;
  if (doc->GetPathName().isEmpty() || doc->IsModified()) {
    if (!doc->DoFileSave()) {
      Add_Entry("Build aborted.  Script file needs to be named and saved.");
      return;
    }
  }
  WaitCursor wait;
  m_listBuild.clear();
  m_strBuildPath = doc->GetPathName();
  g_pBuildList = &m_listBuild;
  try {
    g_VMObject.VMBuild(Local_Path(m_strBuildPath), template_name.toStdString(), m_nOutput);
  } catch (const BuildFailure& failure) {
    m_nErrorLine = failure.line();
  } catch (const std::exception& failure) {
    // Not a diagnosed failure (memory, the file system library): say so.
    Add_Entry(QString("Build aborted.  %1").arg(QString::fromLocal8Bit(failure.what())));
    m_nErrorLine = 0;
  }
  m_btnGoToError.setEnabled(m_nErrorLine > 0);
}

void CBuildLogDlg::OnClickedGoToError() {
  CKestrixDoc* doc = m_pFrame->GetActiveDocument();
  if (doc->IsModified() || doc->GetPathName() != m_strBuildPath) {
    Message_Box(this, QMessageBox::Warning, "Because the document has changed,\nthe error can't be found.");
    m_btnGoToError.setEnabled(false);
    return;
  }
  if (m_nErrorLine < 1) {
    Message_Box(this, QMessageBox::Warning, "Error information has been lost.");
    m_btnGoToError.setEnabled(false);
    return;
  }
  CKestrixView& view = m_pFrame->view();
  {
    WaitCursor wait;
    // The file is read again only when it no longer holds the editor's text
    // (another program changed it), so that the undo history survives; a
    // file that cannot be read again leaves the editor as it is.
    QFile file(m_strBuildPath);
    const bool same = file.open(QIODevice::ReadOnly) && file.size() == view.Stored_Size() &&
                      file.readAll() == view.Stored_Bytes();
    if (!same && !doc->OnOpenDocument(m_strBuildPath)) return;
    view.Go_To_Line(m_nErrorLine);
  }
  m_pFrame->activateWindow();
  view.setFocus();
}

void CBuildLogDlg::accept() {}

void CBuildLogDlg::reject() {
  m_bOpen = false;
  QDialog::reject();
}

}  // namespace kx
