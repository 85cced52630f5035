#pragma once
// Whole-number boxes that refuse rather than clamp: a typed value outside a box's
// limits is not taken (the box goes back to the value it had before the typing) and
// the refusal names the box and its limits ("Iter number: 3000 is outside 1 to 500"), where Qt would cut the typing
// short or put the nearest limit in its place without a word.
#include <functional>

#include <QObject>
#include <QString>

class QLineEdit;
class QSpinBox;
class QWidget;

namespace corvath::ui {

class RangeGuard : public QObject {
  Q_OBJECT
public:
  using Refusal = std::function<void(const QString& text)>;
  //! Guards box; name is what the refusal calls it.
  RangeGuard(QSpinBox& box, QString name, Refusal refuse);

  //! The refusal of text typed into a box named name with limits low..high, or
  //! nothing when text is within them (or not yet a number: typing goes on).
  static QString RefusalOf(const QString& name, const QString& text, int low, int high);

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  //! The typing ends (Enter, the focus gone): a number beyond the limits is refused.
  void leave(QLineEdit& edit);

  QSpinBox& box_;
  int before_;  //!< the value when the typing began, which a refusal puts back
  QString name_;
  Refusal refuse_;
};

//! Guards every whole-number box under root, each named by the label that is its
//! buddy (or its tooltip, or its objectName).
void GuardNumberBoxes(QWidget& root, const RangeGuard::Refusal& refuse);

}  // namespace corvath::ui
