#include "app/recent_file_list.h"

#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QSettings>
#include <QWidget>
#include <algorithm>

namespace kx {
namespace {

constexpr char kRecentFilesKey[] = "recentFileList";

}  // namespace

RecentFileList::RecentFileList(const QWidget& owner, std::function<bool(const QString&)> open)
    : owner_(owner), open_(std::move(open)), placeholder_("Recent File") {
  placeholder_.setEnabled(false);
  for (QAction& entry : entries_) {
    QObject::connect(&entry, &QAction::triggered, &entry, [this, &entry] {
      const QString path = entry.data().toString();
      if (!open_(path) && !QFileInfo::exists(path)) Remove(path);
    });
  }
  Update_Actions();
}

void RecentFileList::Add_To_Menu(QMenu& menu) {
  menu.addAction(&placeholder_);
  for (QAction& entry : entries_) menu.addAction(&entry);
}

QStringList RecentFileList::Files() const {
  return QSettings(kSettingsOrganisation, kSettingsApplication).value(kRecentFilesKey).toStringList();
}

void RecentFileList::Add(const QString& path) {
  QStringList files = Files();
  files.removeAll(path);
  files.prepend(path);
  Store(files);
}

void RecentFileList::Remove(const QString& path) {
  QStringList files = Files();
  files.removeAll(path);
  Store(files);
}

void RecentFileList::Store(QStringList files) {
  while (files.size() > kMaxRecentFiles) files.removeLast();
  QSettings(kSettingsOrganisation, kSettingsApplication).setValue(kRecentFilesKey, files);
  Update_Actions();
}

void RecentFileList::Update_Actions() {
  const QStringList files = Files();
  const int shown = std::min<int>(files.size(), kMaxRecentFiles);
  for (int i = 0; i < kMaxRecentFiles; ++i) {
    QAction& entry = entries_[i];
    entry.setVisible(i < shown);
    if (i >= shown) continue;
    const QString native =
        owner_.fontMetrics().elidedText(QDir::toNativeSeparators(files[i]), Qt::ElideMiddle, 400);
    entry.setText(QString("&%1 %2").arg(i + 1).arg(native));
    entry.setData(files[i]);
  }
  placeholder_.setVisible(shown == 0);
}

}  // namespace kx
