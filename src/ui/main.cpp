#include <memory>

#include <QApplication>
#include <QScreen>
#include <QSettings>

#include "ui/mainwindow.h"
#include "ui/windowsettings.h"
#include "ui/openfiles.h"
#include "ui/sessions.h"
#include "ui/surveyview.h"

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
  // `corvath FILE...` (the menu entry's Exec for a double-clicked file); QApplication took its own options out.
  QStringList files;
  for (int k = 1; k < argc; ++k) files << QString::fromLocal8Bit(argv[k]);
  corvath::ui::OpenFiles(window, files);
  return app.exec();
}
