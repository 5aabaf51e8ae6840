#pragma once

#include <QTextBrowser>

namespace kx {

// The help pane: shows the operations reference. It navigates nowhere by
// itself; the main frame's Show_Operation_Help decides what it shows.
//
// The pane starts collapsed, so an anchor is usually shown before the pane
// has its width; until the user scrolls, each resize brings the anchor back
// to the top of the pane.
class CHelpHtmlView : public QTextBrowser {
  Q_OBJECT

 public:
  explicit CHelpHtmlView(QWidget* parent = nullptr);

 protected:
  void doSetSource(const QUrl& name, QTextDocument::ResourceType type) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  bool m_bKeepAnchor = false;
};

}  // namespace kx
