#pragma once
#include <QMainWindow>

#include "app/workspace.h"

namespace corvath::ui {

//! The main window ("TForm1"): toolbar, tabs and charts over the one workspace.
class MainWindow : public QMainWindow {
  Q_OBJECT
public:
  explicit MainWindow(QWidget* parent = nullptr);

  app::Workspace& workspace() { return workspace_; }

private:
  app::Workspace workspace_;
};

}  // namespace corvath::ui
