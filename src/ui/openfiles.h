#pragma once
// The files named on the command line (`corvath FILE...`, as the menu entry passes a
// double-clicked file): a session, a settings file, an observed .hv curve, or a record.
#include <QStringList>

namespace corvath::ui {

class MainWindow;

//! What a named file holds, by its content and then its extension.
enum class OpenedFileKind { Record, Session, Settings, ObservedCurve };

//! A JSON file naming itself "corvath_session" or "corvath_settings" in its first 4 KiB is
//! a session or a settings file; a ".hv" file is an observed curve; anything else a record.
OpenedFileKind KindOfOpenedFile(const QString& path);

//! Opens the files in the window: one session, settings file or curve alone, or the
//! files of one record (one file, or three component files).
void OpenFiles(MainWindow& window, const QStringList& paths);

}  // namespace corvath::ui
