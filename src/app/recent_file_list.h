#pragma once

#include <QAction>
#include <QString>
#include <QStringList>
#include <array>
#include <functional>

class QMenu;
class QWidget;

namespace kx {

// Where the editor keeps its settings: the window geometry and the recent files.
inline constexpr const char* kSettingsOrganisation = "Local AppWizard-Generated Applications";
inline constexpr const char* kSettingsApplication = "Kestrix";

// The File menu's list of the scripts opened or saved last, newest first, at
// most kMaxRecentFiles, kept in the settings so that the next start shows it
// too. While the list is empty the menu shows a greyed "Recent File" instead.
class RecentFileList {
 public:
  static constexpr int kMaxRecentFiles = 4;

  // `open` opens a script chosen from the menu; a script that cannot be
  // opened because it no longer exists leaves the list. `owner` gives the
  // font in which long paths are shortened.
  RecentFileList(const QWidget& owner, std::function<bool(const QString&)> open);

  RecentFileList(const RecentFileList&) = delete;
  RecentFileList& operator=(const RecentFileList&) = delete;

  // Puts the entries into `menu` at its end.
  void Add_To_Menu(QMenu& menu);
  // Puts `path` at the top of the list.
  void Add(const QString& path);

 private:
  QStringList Files() const;
  void Remove(const QString& path);
  void Store(QStringList files);
  void Update_Actions();

  const QWidget& owner_;
  std::function<bool(const QString&)> open_;
  QAction placeholder_;
  std::array<QAction, kMaxRecentFiles> entries_;
};

}  // namespace kx
