#pragma once
// The open dialog of record files, the save dialog of "Save results" and the dialogs
// of a model file: their filters, and what the user chose in them as the commands take it.
#include <functional>
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

//! The save dialog of "Save results" (objectName "SaveDialog1"), a filter per result
//! form: the three of old, then "Spectrum with bounds to text file".
QFileDialog* MakeSaveResultsDialog(QWidget* parent);
//! The chosen form and the file name it is written under (the extension rule
//! applied); nothing when no file was chosen.
std::optional<app::SaveRequest> ChosenResultFile(const QFileDialog& dialog);

//! The name a file is written under (after any extension rule) becomes the save
//! dialog's file name, offered again the next time; when that file exists, ask is
//! asked whether to replace it. True when the file may be written.
bool ConfirmWrittenName(QFileDialog& dialog, const std::string& path, const std::function<bool(const QString&)>& ask);

//! The open and the save dialog of a model text ("Open model..." objectName
//! "openModelDialog", "Save model..." "saveModelDialog"), filter "Model text (*.txt)".
enum class ModelFileDialog { Open, Save };
QFileDialog* MakeModelFileDialog(QWidget* parent, ModelFileDialog kind);
//! The chosen file; a name without extension saved gets ".txt". Nothing when no file was chosen.
std::optional<std::string> ChosenModelFile(const QFileDialog& dialog);
//! The open or save dialog of a JSON file named by noun ("session", "settings"):
//! titled "Open session" or "Save session", objectName "openSessionDialog" or
//! "saveSessionDialog", filter "FILTERNAME (*.json)" then all files, ".json" added to a
//! name without an extension.
QFileDialog* MakeJsonFileDialog(QWidget* parent, bool save, const QString& noun, const QString& filterName);

//! Remembers in settings the folder a dialog was last accepted in, under its
//! objectName, and opens the dialog there now.
void RememberFolder(QFileDialog& dialog, QSettings& settings);

}  // namespace corvath::ui
