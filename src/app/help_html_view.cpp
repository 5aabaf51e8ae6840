#include "app/help_html_view.h"

#include <QScrollBar>

namespace kx {

CHelpHtmlView::CHelpHtmlView(QWidget* parent) : QTextBrowser(parent) {
  connect(verticalScrollBar(), &QScrollBar::actionTriggered, this, [this] { m_bKeepAnchor = false; });
}

void CHelpHtmlView::doSetSource(const QUrl& name, QTextDocument::ResourceType type) {
  QTextBrowser::doSetSource(name, type);
  m_bKeepAnchor = name.hasFragment();
}

void CHelpHtmlView::resizeEvent(QResizeEvent* event) {
  QTextBrowser::resizeEvent(event);
  if (m_bKeepAnchor) scrollToAnchor(source().fragment());
}

}  // namespace kx
