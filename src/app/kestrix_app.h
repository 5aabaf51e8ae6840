#pragma once

#include <QStringList>
#include <memory>

#include "app/main_frame.h"

namespace kx {

// The application: its start-up and its one main window.
class CKestrixApp {
 public:
  CKestrixApp();
  ~CKestrixApp();

  CKestrixApp(const CKestrixApp&) = delete;
  CKestrixApp& operator=(const CKestrixApp&) = delete;

  // Names the settings, points the log at Kestrix.log, builds the main
  // window and processes the command line: no file name starts a new
  // script, a file name opens that file. False when that file cannot be
  // opened (the user has been told why); the main window is shown otherwise.
  bool InitInstance(const QStringList& arguments);

 private:
  std::unique_ptr<CMainFrame> m_pMainWnd;
};

}  // namespace kx
