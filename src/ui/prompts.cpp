#include "ui/prompts.h"

#include <QGridLayout>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>

namespace corvath::ui {

void ShowFailureBox(QWidget* parent, const QString& text, const QString& informative) {
  QMessageBox box(QMessageBox::Critical, parent->windowTitle(), text, QMessageBox::Ok, parent);
  box.setInformativeText(informative);
  // Wide enough for a path on one line.
  if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
    grid->addItem(new QSpacerItem(560, 0, QSizePolicy::Minimum, QSizePolicy::Expanding), grid->rowCount(), 0, 1,
                  grid->columnCount());
  box.exec();
}

std::optional<QString> AskText(QWidget* parent, const QString& caption, const QString& label,
                               const QString& defaultText) {
  bool ok = false;
  const QString text = QInputDialog::getText(parent, caption, label, QLineEdit::Normal, defaultText, &ok);
  if (!ok) return std::nullopt;
  return text;
}

bool AskYesNo(QWidget* parent, const QString& text) {
  return QMessageBox::question(parent, parent->windowTitle(), text, QMessageBox::Yes | QMessageBox::No,
                               QMessageBox::No) == QMessageBox::Yes;
}

}  // namespace corvath::ui
