#pragma once
// The open dialog of record files and the save dialog of "Save results": their
// filters, and what the user chose in them as the commands take it.
#include <optional>
#include <string>
#include <vector>

#include <QString>

#include "app/commands.h"
#include "import/readers.h"

class QFileDialog;
class QSettings;
class QWidget;

namespace corvath::ui {

//! A file name as the readers and writers take it (the local 8-bit encoding).
std::string LocalPath(const QString& path);

//! The open dialog (objectName "recordFileDialog"): "All supported files" first, then
//! a filter per record kind of the one table; several files may be chosen except
//! under the filter of a kind that comes in one file.
QFileDialog* MakeRecordFileDialog(QWidget* parent);
//! The chosen files (one under the filter of a kind that comes in one file) and their
//! kind: what their content or extensions show (FormatOfFiles), the chosen filter's
//! kind only where they show nothing. Unchanged when no file was chosen; Failed when
//! "All supported files" is chosen and the files do not tell their kind.
struct ChosenRecord {
  import::RecordFormat format;
  std::vector<std::string> paths;
};
app::Result<ChosenRecord> ChosenRecordFiles(const QFileDialog& dialog);

//! The save dialog of "Save results" (objectName "SaveDialog1"), a filter per result form.
QFileDialog* MakeSaveResultsDialog(QWidget* parent);
//! The chosen form and the file name it is written under (the extension rule
//! applied); nothing when no file was chosen.
std::optional<app::SaveRequest> ChosenResultFile(const QFileDialog& dialog);

//! The open or save dialog of sessions (objectName "openSessionDialog" or
//! "saveSessionDialog"): JSON files, ".json" added to a name without an extension.
QFileDialog* MakeSessionDialog(QWidget* parent, bool save);

//! Remembers in settings the folder a dialog was last accepted in, under its
//! objectName, and opens the dialog there now.
void RememberFolder(QFileDialog& dialog, QSettings& settings);

}  // namespace corvath::ui
