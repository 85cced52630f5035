#pragma once
// The "Load components" dialog: the three component file names. Created once and
// reused, so the names stay between uses.
#include <QDialog>

class QLabel;
class QLineEdit;

namespace corvath::ui {

class LoadComponentsDialog : public QDialog {
  Q_OBJECT
public:
  explicit LoadComponentsDialog(QWidget* parent = nullptr);

  //! File name of component 0 = X, 1 = Y, 2 = Z.
  QString fileName(int component) const;
  void setFileName(int component, const QString& name);

  //! "Load": closes with Accepted only when all three files exist; otherwise stays open.
  void tryLoad();

private:
  void browse(int component);

  QLineEdit* fields_[3];
  QLabel* message_ = nullptr;
};

}  // namespace corvath::ui
