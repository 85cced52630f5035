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
class QWidget;

namespace corvath::ui {

//! A file name as the readers and writers take it (the local 8-bit encoding).
std::string LocalPath(const QString& path);

//! The open dialog (objectName "recordFileDialog") with a filter per record kind of
//! the one table; choosing miniSEED or SAC lets several files be chosen.
QFileDialog* MakeRecordFileDialog(QWidget* parent);
//! The record kind of the dialog's chosen filter and the chosen files (one for the
//! kinds that come in one file); nothing when no file was chosen.
struct ChosenRecord {
  import::RecordFormat format;
  std::vector<std::string> paths;
};
std::optional<ChosenRecord> ChosenRecordFiles(const QFileDialog& dialog);

//! The save dialog of "Save results" (objectName "SaveDialog1"), a filter per result form.
QFileDialog* MakeSaveResultsDialog(QWidget* parent);
//! The chosen form and the file name it is written under (the extension rule
//! applied); nothing when no file was chosen.
std::optional<app::SaveRequest> ChosenResultFile(const QFileDialog& dialog);

}  // namespace corvath::ui
