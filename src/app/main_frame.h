#pragma once

#include <QLabel>
#include <QMainWindow>
#include <QSplitter>
#include <QToolBar>
#include <memory>

#include "app/build_log_dlg.h"
#include "app/find_bar.h"
#include "app/help_html_view.h"
#include "app/kestrix_doc.h"
#include "app/kestrix_view.h"
#include "app/operations_bar.h"
#include "app/outline_dock.h"
#include "app/recent_file_list.h"

class QPrinter;

namespace kx {

// The main window: menus, the toolbar, the operations bar (Build, the
// Operations box with the synopsis of the chosen operation, Help), and a
// splitter with the script editor on the left and the help pane, collapsed
// at first, on the right. It owns the script document and the build log
// dialog. Under the editor lie the find bar and the status bar (the caret's
// line and column, the template entry the script is checked against, the
// diagnostic at the caret); the outline is a dock beside the editor.
//
// The script is checked against the template entry chosen last in the build
// dialog; before that against the first entry of Kestrix.conf, or against no
// limits when that cannot be read.
//
// Settings (window geometry, the four most recent files, whether line
// numbers, colours and the outline are shown) are kept under
// kSettingsOrganisation and kSettingsApplication.
class CMainFrame : public QMainWindow {
  Q_OBJECT

 public:
  // Builds the window with a new script in the editor.
  CMainFrame();
  ~CMainFrame() override;

  CKestrixDoc* GetActiveDocument() { return &m_doc; }
  // Pane (0, 0) and pane (0, 1) of the splitter.
  CKestrixView& view() { return m_wndView; }
  CHelpHtmlView& help() { return m_wndHelp; }
  CBuildLogDlg& build_log() { return m_dlgBuildLog; }
  FindBar& find_bar() { return m_wndFindBar; }
  OutlineDock& outline() { return m_wndOutline; }

  // File commands. Each asks to save unsaved changes first. A name ending in
  // ".dll" is a built script: it is read back into a new, unsaved script,
  // which is then checked against the entry it was built for.
  bool OnFileNew();
  bool OpenDocumentFile(const QString& path);

  // Opens the build log dialog unless it is open already.
  void OnBuild();
  // Opens a collapsed help pane to a third of the window's width. The first
  // call loads operations.htm into the help pane; later calls, once an
  // operation was chosen, go to that operation's anchor.
  void Show_Operation_Help();

  // The Operations box: a selection change inserts the chosen name at the
  // caret through the clipboard and shows its synopsis; a cancelled list
  // inserts nothing.
  void OnSelChangeOperations();
  void OnSelEndCancelOperations();
  // Puts the operand synopsis of the selected operation into the read-only field.
  void Show_Synopsis();
  // Opens the help pane at the operation under the caret (at the page's top
  // when there is none).
  void Show_Help_At_Caret();
  // Asks for a line number and puts the caret at the start of that line.
  void OnGoToLine();

  // The index of the operation chosen last in the Operations box; -1 while none.
  int operation() const { return m_nOperation; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  struct Actions;
  Actions Create_Actions();
  void Create_Menus(const Actions& actions);
  void Create_Tool_Bar(const Actions& actions);
  void Create_Operations_Bar();
  void Create_Client_Area();
  void Read_Settings();
  void Write_Settings() const;

  void OnFileOpen();
  void OnFilePrint();
  void OnFilePrintPreview();
  void OnFilePrintSetup();
  void OnAppAbout();
  void OnNextPane();
  void Print_Active_Pane(QPrinter* printer);
  // The printer of the print commands, made at the first of them.
  QPrinter& printer();

  void Update_Title();
  void Open_Help_Pane();
  void Update_Status();
  void Set_Template(const TemplateConfig& config);

  // Containers are declared before what they hold, so that the contents are
  // destroyed first and leave their containers on their own.
  QToolBar m_wndToolBar;
  OperationsBar m_wndDlgBar;
  QSplitter m_wndSplitter;
  CKestrixView m_wndView;
  CHelpHtmlView m_wndHelp;
  CKestrixDoc m_doc;
  FindBar m_wndFindBar;
  OutlineDock m_wndOutline;
  QLabel m_wndDiagnostic;
  QLabel m_wndTemplate;
  QLabel m_wndPosition;
  CBuildLogDlg m_dlgBuildLog;
  std::unique_ptr<RecentFileList> m_pRecentFileList;

  // m_nHelpState: the help page not yet requested; requested; its address
  // known, so that an operation's anchor can be added to it.
  static constexpr int kHelpNotLoaded = 0;
  static constexpr int kHelpRequested = 1;
  static constexpr int kHelpBaseKnown = 2;

  int m_nOperation = -1;
  bool m_bSelCancelled = false;
  int m_nHelpState = kHelpNotLoaded;
  QString m_strHelpBase;
  bool m_bHelpActive = false;  // the help pane, not the editor, had the focus last

  std::unique_ptr<QPrinter> m_pPrinter;
};

}  // namespace kx
