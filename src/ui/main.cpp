#include <QApplication>
#include <QScreen>

#include "ui/mainwindow.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  corvath::ui::MainWindow window;
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect frame = window.frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    window.move(frame.topLeft());
  }
  window.show();
  return app.exec();
}
