#include "ui/mainwindow.h"

namespace corvath::ui {

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent) {
  setObjectName("TForm1");
  setWindowTitle("Corvath method");
  resize(868, 563);
}

}  // namespace corvath::ui
