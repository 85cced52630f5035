#include "ui/openfiles.h"

#include <QFile>
#include <QFileInfo>

#include "ui/mainwindow.h"
#include "ui/sessions.h"
#include "ui/surveyview.h"

namespace corvath::ui {

OpenedFileKind KindOfOpenedFile(const QString& path) {
  QFile file(path);
  if (file.open(QIODevice::ReadOnly)) {
    const QByteArray head = file.read(4096);
    if (head.contains("\"corvath_session\"")) return OpenedFileKind::Session;
    if (head.contains("\"corvath_settings\"")) return OpenedFileKind::Settings;
  }
  if (QFileInfo(path).suffix().compare("hv", Qt::CaseInsensitive) == 0) return OpenedFileKind::ObservedCurve;
  return OpenedFileKind::Record;
}

void OpenFiles(MainWindow& window, const QStringList& paths) {
  if (paths.isEmpty()) return;
  if (paths.size() == 1) {
    switch (KindOfOpenedFile(paths.front())) {
      case OpenedFileKind::Session: return window.sessions().openSessionFrom(paths.front());
      case OpenedFileKind::Settings: window.surveys().openSettingsFrom(paths.front()); return;
      case OpenedFileKind::ObservedCurve: return window.openObservedCurve(paths.front());
      case OpenedFileKind::Record: break;
    }
  }
  window.loadDroppedFiles(paths);
}

}  // namespace corvath::ui
