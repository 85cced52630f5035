#include <memory>

#include <QApplication>
#include <QScreen>
#include <QSettings>

#include "ui/mainwindow.h"
#include "ui/windowsettings.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QCoreApplication::setOrganizationName("Corvath");
  QCoreApplication::setApplicationName("corvath");
  corvath::ui::MainWindow window;
  // The recent files, the dialogs' folders and the window's settings of the last run.
  window.useSettings(std::make_unique<QSettings>());
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (screen && !window.remembered().geometryRestored()) {
    QRect frame = window.frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    window.move(frame.topLeft());
  }
  window.show();
  return app.exec();
}
