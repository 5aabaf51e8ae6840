#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPushButton>
#include <QSplitter>
#include <QToolBar>
#include <array>
#include <memory>

#include "app/build_log_dlg.h"
#include "app/help_html_view.h"
#include "app/kestrix_doc.h"
#include "app/kestrix_view.h"
#include "app/operations_box.h"

class QAction;
class QMenu;
class QPrinter;

namespace kx {

// The main window: menus, the toolbar, the operations bar (Build, the
// Operations box with the synopsis of the chosen operation, Help), and a
// splitter with the script editor on the left and the help pane, collapsed
// at first, on the right. It owns the script document and the build log
// dialog.
//
// Settings (window geometry, the four most recent files) are kept under the
// organisation "Local AppWizard-Generated Applications" and the application
// "Kestrix".
class CMainFrame : public QMainWindow {
  Q_OBJECT

 public:
  static constexpr int kMaxRecentFiles = 4;
  static constexpr const char* kSettingsOrganisation = "Local AppWizard-Generated Applications";
  static constexpr const char* kSettingsApplication = "Kestrix";

  // Builds the window with a new script in the editor.
  CMainFrame();
  ~CMainFrame() override;

  CKestrixDoc* GetActiveDocument() { return &m_doc; }
  // Pane (0, 0) and pane (0, 1) of the splitter.
  CKestrixView& GetEditorView() { return m_wndView; }
  CHelpHtmlView& GetHelpView() { return m_wndHelp; }
  CBuildLogDlg& GetBuildLog() { return m_dlgBuildLog; }

  // File commands. Each asks to save unsaved changes first.
  bool OnFileNew();
  bool OpenDocumentFile(const QString& path);

  // Opens the build log dialog unless it is open already.
  void OnBuild();
  // The first call loads operations.htm into the help pane; later calls,
  // once an operation was chosen, go to that operation's anchor.
  void Show_Operation_Help();

  // The Operations box: a selection change inserts the chosen name at the
  // caret through the clipboard and shows its synopsis; a cancelled list
  // inserts nothing.
  void OnSelChangeOperations();
  void OnSelEndCancelOperations();
  // Puts the operand synopsis of the selected operation into the read-only field.
  void Show_Synopsis();

  int operation() const { return m_nOperation; }
  bool selection_cancelled() const { return m_bSelCancelled; }
  int help_state() const { return m_nHelpState; }
  const QString& help_base() const { return m_strHelpBase; }
  QStringList Recent_Files() const;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void createActions();
  void createMenus();
  void createToolBars();
  void createOperationsBar();
  void createClientArea();
  void readSettings();
  void writeSettings() const;

  void OnFileOpen();
  void OnFilePrint();
  void OnFilePrintPreview();
  void OnFilePrintSetup();
  void OnAppAbout();
  void OnNextPane();
  void Print_Active_Pane(QPrinter* printer);
  QPrinter& Printer();

  void Add_Recent_File(const QString& path);
  void Remove_Recent_File(const QString& path);
  void Store_Recent_Files(QStringList files) const;
  void Update_Recent_File_Actions();
  void Update_Title();

  // Containers are declared before what they hold, so that the contents are
  // destroyed first and leave their containers on their own.
  QToolBar m_wndToolBar;
  QToolBar m_wndDlgBar;  // the operations bar
  QWidget m_wndBarPage;
  QPushButton m_btnBuild;
  QLabel m_staticOperations;
  COperationsBox m_cboOperations;
  QLineEdit m_editSynopsis;
  QPushButton m_btnHelp;
  QSplitter m_wndSplitter;
  CKestrixView m_wndView;
  CHelpHtmlView m_wndHelp;
  CKestrixDoc m_doc;
  CBuildLogDlg m_dlgBuildLog;

  int m_nOperation = -1;
  bool m_bSelCancelled = false;
  int m_nHelpState = 0;
  QString m_strHelpBase;
  bool m_bHelpActive = false;  // the help pane, not the editor, had the focus last

  std::unique_ptr<QPrinter> m_pPrinter;  // made at the first print command

  struct Actions {
    QAction* new_file = nullptr;
    QAction* open = nullptr;
    QAction* save = nullptr;
    QAction* save_as = nullptr;
    QAction* print = nullptr;
    QAction* print_preview = nullptr;
    QAction* print_setup = nullptr;
    QAction* recent_placeholder = nullptr;
    std::array<QAction*, kMaxRecentFiles> recent{};
    QAction* exit = nullptr;
    QAction* undo = nullptr;
    QAction* cut = nullptr;
    QAction* copy = nullptr;
    QAction* paste = nullptr;
    QAction* build = nullptr;
    QAction* about = nullptr;
    QAction* help = nullptr;
  } m_actions;
};

}  // namespace kx
