#include "app/kestrix_doc.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <cerrno>
#include <cstring>

#include "app/kestrix_view.h"
#include "app/prompts.h"

namespace kx {
namespace {

QString Native(const QString& path) { return QDir::toNativeSeparators(path); }

}  // namespace

const QByteArray CKestrixDoc::kNewDocumentText(
    "\r\n[objects]\r\n\r\n\r\n\r\n[positions]\r\n\r\n\r\n\r\n[variables]\r\n\r\n\r\n\r\n[text]"
    "\r\n\r\n\r\n\r\n"
    "[routine,Main,1,true]\r\n\r\n");

CKestrixDoc::CKestrixDoc(CKestrixView& view, QObject* parent) : QObject(parent), m_wndView(view) {
  m_timerCheck.setSingleShot(true);
  m_timerCheck.setInterval(200);
  connect(&m_watcher, &QFileSystemWatcher::fileChanged, &m_timerCheck, qOverload<>(&QTimer::start));
  connect(&m_timerCheck, &QTimer::timeout, this, &CKestrixDoc::Check_File_On_Disk);
}

bool CKestrixDoc::OnNewDocument() {
  Load_Text(kNewDocumentText);
  SetPathName(QString());
  return true;
}

bool CKestrixDoc::OnNewDocument(const QByteArray& bytes) {
  Load_Text(bytes);
  SetPathName(QString());
  SetModifiedFlag(true);
  return true;
}

bool CKestrixDoc::OnOpenDocument(const QString& path) {
  QWidget* parent = m_wndView.window();
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    Message_Box(parent, QMessageBox::Warning,
                QString("Cannot read file %1:\n%2.").arg(Native(path), file.errorString()));
    return false;
  }
  // Read one byte more than allowed, so that a file growing while it is read
  // (or a device without a size) is refused as well.
  constexpr qint64 kMaxFileSize = CKestrixView::kMaxTextSize;
  const QByteArray bytes = file.size() > kMaxFileSize ? QByteArray() : file.read(kMaxFileSize + 1);
  if (file.size() > kMaxFileSize || bytes.size() > kMaxFileSize) {
    Message_Box(parent, QMessageBox::Warning, "The file is too large to open.");
    return false;
  }
  if (file.error() != QFileDevice::NoError) {
    Message_Box(parent, QMessageBox::Warning,
                QString("Cannot read file %1:\n%2.").arg(Native(path), file.errorString()));
    return false;
  }
  Load_Text(bytes);
  SetPathName(QFileInfo(path).absoluteFilePath());
  return true;
}

bool CKestrixDoc::OnSaveDocument(const QString& path) {
  const QString text = m_wndView.GetWindowText();
  // A script file holds 8-bit characters only. A character beyond them is
  // never stored as something else: the save is refused and names it.
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text.at(i).unicode() <= 0xFF || text.at(i) == CKestrixView::kLoneCarriageReturn) continue;
    const QString character = text.mid(i, text.at(i).isHighSurrogate() ? 2 : 1);
    Message_Box(
        m_wndView.window(), QMessageBox::Warning,
        QString("Cannot write file %1:\nline %2 holds the character \"%3\", which a script file cannot "
                "store.")
            .arg(Native(path))
            .arg(text.left(i).count('\n') + 1)
            .arg(character));
    return false;
  }
  if (QFileInfo(path).absoluteFilePath() == m_strPathName && Changed_On_Disk() &&
      Message_Box(
          m_wndView.window(), QMessageBox::Warning,
          QString("%1\nhas been changed by another program.\nDo you want to overwrite it?").arg(Native(path)),
          QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
    return false;
  const QByteArray bytes = Stored_Bytes();
  QSaveFile file(path);
  bool written = file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
  // A write that the system cut short (a full disk, a size limit) shows only
  // when the buffer is flushed, and commit alone would then put the part
  // written in the file's place: the flush is checked first.
  int error_code = 0;
  if (written) {
    errno = 0;
    written = file.flush();
    error_code = errno;
  }
  if (!written || !file.commit()) {
    const QString reason =
        error_code != 0 ? QString::fromLocal8Bit(std::strerror(error_code)) : file.errorString();
    Message_Box(m_wndView.window(), QMessageBox::Warning,
                QString("Cannot write file %1:\n%2.").arg(Native(path), reason));
    return false;
  }
  m_abFileBytes = bytes;
  m_bAsked = false;
  SetModifiedFlag(false);
  return true;
}

bool CKestrixDoc::DoFileSave() { return DoSave(m_strPathName); }

bool CKestrixDoc::DoSave(const QString& path) {
  QString target = path;
  if (target.isEmpty()) {
    target = Current_Prompts().save_path(m_wndView.window(),
                                         m_strPathName.isEmpty() ? "Untitled.kxs" : m_strPathName);
    if (target.isEmpty()) return false;
  }
  if (!OnSaveDocument(target)) return false;
  SetPathName(QFileInfo(target).absoluteFilePath());
  return true;
}

bool CKestrixDoc::SaveModified() {
  if (!IsModified()) return true;
  const QString name = m_strPathName.isEmpty() ? GetTitle() : Native(m_strPathName);
  switch (Message_Box(m_wndView.window(), QMessageBox::Warning, QString("Save changes to %1?").arg(name),
                      QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel)) {
    case QMessageBox::Yes:
      return DoFileSave();
    case QMessageBox::No:
      return true;
    default:
      return false;
  }
}

bool CKestrixDoc::IsModified() const { return m_wndView.document()->isModified(); }

void CKestrixDoc::SetModifiedFlag(bool modified) { m_wndView.document()->setModified(modified); }

QString CKestrixDoc::GetTitle() const {
  return m_strPathName.isEmpty() ? QString("Untitled") : QFileInfo(m_strPathName).fileName();
}

QByteArray CKestrixDoc::Stored_Bytes() const { return m_wndView.Stored_Bytes(); }

void CKestrixDoc::SetPathName(const QString& path) {
  m_strPathName = path;
  if (!m_watcher.files().isEmpty()) m_watcher.removePaths(m_watcher.files());
  if (!path.isEmpty()) m_watcher.addPath(path);
  emit Path_Name_Changed(path);
}

bool CKestrixDoc::Changed_On_Disk() const {
  QFile file(m_strPathName);
  return file.open(QIODevice::ReadOnly) && file.readAll() != m_abFileBytes;
}

void CKestrixDoc::Check_File_On_Disk() {
  if (m_strPathName.isEmpty() || m_bAsking) return;
  // A file replaced by another is watched no longer.
  QFile file(m_strPathName);
  const bool exists = file.open(QIODevice::ReadOnly);
  if (exists && !m_watcher.files().contains(m_strPathName)) m_watcher.addPath(m_strPathName);
  const QByteArray bytes = exists ? file.read(CKestrixView::kMaxTextSize + 1) : QByteArray();
  if (exists && bytes == m_abFileBytes) {
    m_bAsked = false;  // a save of this document, or a change undone
    return;
  }
  if (m_bAsked && exists == m_bAskedExists && bytes == m_abAskedBytes) return;
  m_bAsked = true;
  m_bAskedExists = exists;
  m_abAskedBytes = bytes;
  m_bAsking = true;
  QWidget* parent = m_wndView.window();
  if (!exists) {
    Message_Box(
        parent, QMessageBox::Warning,
        QString(
            "%1\nhas been removed by another program.\nThe text stays in the editor; Save writes it again.")
            .arg(Native(m_strPathName)));
    SetModifiedFlag(true);
  } else if (Message_Box(parent, QMessageBox::Question,
                         QString("%1\nhas been changed by another program.\nDo you want to reload it%2?")
                             .arg(Native(m_strPathName), IsModified() ? " and lose your changes" : ""),
                         QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes) {
    OnOpenDocument(m_strPathName);
  } else {
    SetModifiedFlag(true);  // the editor no longer holds what the file holds
  }
  m_bAsking = false;
}

void CKestrixDoc::Load_Text(const QByteArray& bytes) {
  m_wndView.Load_Bytes(bytes);
  m_abFileBytes = bytes;
  m_bAsked = false;
}

}  // namespace kx
