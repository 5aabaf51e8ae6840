#pragma once

#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

#include "vmobject/vmobject.h"

namespace kx {

class CMainFrame;

// "DLL Build Log": the modeless dialog that starts a build and shows its
// diagnostics.
//
// Opening empties Kestrix.log, reads Kestrix.conf and offers its template
// entries under "Memory Model" in file order; a configuration that cannot be
// read leaves only "Close" usable. "&Create" saves the script when needed,
// runs the build and lists every diagnostic; when the build stopped on a
// script line, "&Go To Error" puts the editor's caret at the start of it
// (reading the file again only when it no longer holds the editor's text).
// Closing hides the dialog; the error line, the build path and the output
// choice survive until the next opening, which selects "DLL" again. The
// entry chosen is announced, so that the editor can check the script against it.
class CBuildLogDlg : public QDialog {
  Q_OBJECT

 public:
  explicit CBuildLogDlg(CMainFrame* frame);

  // The dialog's initialisation, then shown. The main frame calls it only
  // while the dialog is closed.
  void Open();

  void OnClickedCreate();
  void OnClickedGoToError();

  // The Enter key and any other OK command do nothing: no button is the
  // default, and the dialog is left only by its cancel command.
  void accept() override;
  // "Close", Escape and the window's close button.
  void reject() override;

  bool is_open() const { return m_bOpen; }

 signals:
  // A "Memory Model" entry of the configuration was chosen (at each opening, its first).
  void Template_Chosen(const TemplateConfig& config);

 private:
  // The template name for the build: the bytes of the chosen entry, or the
  // text typed into the box; empty when there is none.
  QByteArray Template_Name() const;
  void Add_Entry(const QString& text);
  void Show_Configuration_Failure();

  QPushButton m_btnClose;
  QListWidget m_listBuild;
  QPushButton m_btnCreate;
  QComboBox m_cboMemoryModel;
  QLabel m_staticMemoryModel;
  QPushButton m_btnGoToError;
  QGroupBox m_grpOutput;
  QRadioButton m_radioDll;
  QRadioButton m_radioC;

  bool m_bOpen = false;
  int m_nErrorLine = -1;
  QString m_strBuildPath;
  int m_nOutput = VMBUILD_DLL;
  CMainFrame* m_pFrame;
};

}  // namespace kx
