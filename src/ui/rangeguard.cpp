#include "ui/rangeguard.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>

namespace corvath::ui {

RangeGuard::RangeGuard(QSpinBox& box, QString name, Refusal refuse)
    : QObject(&box), box_(box), before_(box.value()), name_(std::move(name)), refuse_(std::move(refuse)) {
  box.installEventFilter(this);  // keys reach the box, which hands them to its line
}

QString RangeGuard::RefusalOf(const QString& name, const QString& text, int low, int high) {
  bool whole = false;
  const long long value = text.trimmed().toLongLong(&whole);
  if (!whole || (value >= low && value <= high)) return {};
  return QString("%1: %2 is outside %3 to %4").arg(name, text.trimmed()).arg(low).arg(high);
}

bool RangeGuard::eventFilter(QObject* watched, QEvent* event) {
  QLineEdit* edit = box_.findChild<QLineEdit*>();
  if (event->type() == QEvent::FocusIn && watched == &box_) before_ = box_.value();
  if (watched != &box_ || !edit) return false;
  if (event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    const QString typed = key->text();
    const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    if (!enter && (typed.isEmpty() || !typed.front().isDigit())) return false;
    if (enter) {
      leave(*edit);
      return false;
    }
    // The text the key would leave, the selection replaced.
    QString next = edit->text();
    const int at = edit->hasSelectedText() ? edit->selectionStart() : edit->cursorPosition();
    if (edit->hasSelectedText()) next.remove(at, edit->selectedText().size());
    next.insert(at, typed);
    next.remove(box_.prefix()).remove(box_.suffix());
    // Below the low limit a number may still grow into range; above the high one it cannot.
    bool whole = false;
    const long long value = next.trimmed().toLongLong(&whole);
    if (whole && value > box_.maximum()) {
      box_.setValue(before_);  // no part of the refused number is kept
      edit->selectAll();
      refuse_(RefusalOf(name_, next, box_.minimum(), box_.maximum()));
      return true;
    }
    return false;
  }
  if (event->type() == QEvent::FocusOut) leave(*edit);
  return false;
}

void RangeGuard::leave(QLineEdit& edit) {
  QString text = edit.text();
  text.remove(box_.prefix()).remove(box_.suffix());
  if (const QString refusal = RefusalOf(name_, text, box_.minimum(), box_.maximum()); !refusal.isEmpty()) {
    box_.setValue(before_);
    edit.setText(box_.prefix() + QString::number(before_) + box_.suffix());  // the value before stays, and shows
    refuse_(refusal);
  }
  before_ = box_.value();
}

void GuardNumberBoxes(QWidget& root, const RangeGuard::Refusal& refuse) {
  const QList<QLabel*> labels = root.findChildren<QLabel*>();
  for (QSpinBox* box : root.findChildren<QSpinBox*>()) {
    if (box->inherits("QDoubleSpinBox") || box->isReadOnly()) continue;
    QString name;
    for (const QLabel* label : labels)
      if (label->buddy() == box) name = label->text().remove('&');
    if (name.isEmpty()) name = box->toolTip().isEmpty() ? box->objectName() : box->toolTip();
    new RangeGuard(*box, name, refuse);
  }
}

}  // namespace corvath::ui
