#pragma once
// What runs off the window's thread, in the status bar: its name, its progress and
// its Cancel, shown while a load or a calculation works and hidden afterwards.
#include <QWidget>

class QLabel;
class QProgressBar;
class QToolButton;

namespace corvath::ui {

class BackgroundWork;

class BackgroundStatus : public QWidget {
  Q_OBJECT
public:
  explicit BackgroundStatus(QWidget* parent = nullptr);
  //! Shows the progress of work and cancels it with the Cancel button.
  void watch(BackgroundWork& work);

private:
  QLabel* label_;
  QProgressBar* progress_;   // "backgroundProgress"
  QToolButton* cancel_;      // "backgroundCancel"
  BackgroundWork* current_ = nullptr;
};

}  // namespace corvath::ui
