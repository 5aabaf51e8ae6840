#pragma once

#include <QComboBox>

namespace kx {

// The Operations box of the operations bar. A choice in its list, or a move
// with the arrow keys, is reported by QComboBox::activated; closing the list
// without a choice (Escape, a click outside it) is reported by
// Selection_Cancelled, once the list has closed. Enter in its field is
// reported by Name_Entered with the field's text, every time. The mouse
// wheel moves through the entries only while the box has the focus.
class COperationsBox : public QComboBox {
  Q_OBJECT

 public:
  explicit COperationsBox(QWidget* parent = nullptr);

  void showPopup() override;
  void hidePopup() override;

 signals:
  void Selection_Cancelled();
  void Name_Entered(const QString& text);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;

 private:
  bool m_bPopupOpen = false;
  bool m_bChosen = false;
};

}  // namespace kx
