#include "app/kestrix_app.h"

#include <QCoreApplication>

#include "app/build_objects.h"

namespace kx {

CKestrixApp::CKestrixApp() = default;
CKestrixApp::~CKestrixApp() = default;

bool CKestrixApp::InitInstance(const QStringList& arguments) {
  QCoreApplication::setOrganizationName(kSettingsOrganisation);
  QCoreApplication::setApplicationName(kSettingsApplication);
  Attach_Log_File();

  m_pMainWnd = std::make_unique<CMainFrame>();
  QStringList files;
  for (const QString& argument : arguments.mid(1))
    if (!argument.startsWith('-')) files << argument;
  if (!files.isEmpty() && !m_pMainWnd->OpenDocumentFile(files.first())) return false;
  m_pMainWnd->show();
  return true;
}

}  // namespace kx
