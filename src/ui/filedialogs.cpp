#include "ui/filedialogs.h"

#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QSettings>

namespace corvath::ui {
namespace {

// The filters of the save dialog, in the order of the result file types.
const QStringList kResultFilters{"Spectrum to text file (*.txt)", "Spectrum to Excel file (*.xlsx)",
                                 "Model to text file (*.txt)", "Spectrum with bounds to text file (*.txt)"};
const app::ResultFileType kResultTypes[] = {app::ResultFileType::SpectrumText, app::ResultFileType::SpectrumWorkbook,
                                            app::ResultFileType::ModelText,
                                            app::ResultFileType::SpectrumTextWithBounds};

const QStringList kModelFilters{"Model text (*.txt)", "All files (*)"};

// The record kinds of the open dialog, in the order of its filters.
std::vector<const import::RecordFormatInfo*> DialogFormats() {
  std::vector<const import::RecordFormatInfo*> formats;
  for (const import::RecordFormatInfo& info : import::RecordFormats())
    if (!info.patterns.empty()) formats.push_back(&info);
  return formats;
}

// The first filter takes every kind; the file's content or extension then tells which.
QString AllSupportedFilter() {
  QStringList patterns;
  for (const import::RecordFormatInfo* info : DialogFormats()) patterns << QString::fromUtf8(info->patterns.data(), info->patterns.size());
  return QString("All supported files (%1)").arg(patterns.join(' '));
}

// The kind of a filter; nothing for "All supported files" and "All files".
const import::RecordFormatInfo* FormatOfFilter(const QFileDialog& dialog, const QString& filter) {
  const qsizetype type = dialog.nameFilters().indexOf(filter) - 1;
  const std::vector<const import::RecordFormatInfo*> formats = DialogFormats();
  return type >= 0 && static_cast<std::size_t>(type) < formats.size() ? formats[static_cast<std::size_t>(type)]
                                                                      : nullptr;
}

}  // namespace

std::string LocalPath(const QString& path) { return QFile::encodeName(path).toStdString(); }

QFileDialog* MakeRecordFileDialog(QWidget* parent) {
  auto* dialog = new QFileDialog(parent, "Open");
  dialog->setObjectName("recordFileDialog");
  dialog->setAcceptMode(QFileDialog::AcceptOpen);
  dialog->setFileMode(QFileDialog::AnyFile);
  QStringList filters{AllSupportedFilter()};
  for (const import::RecordFormatInfo* info : DialogFormats())
    filters << QString::fromStdString(import::DialogFilter(*info));
  filters << "All files (*)";  // a file without its extension: its content tells the kind
  dialog->setNameFilters(filters);
  dialog->setFileMode(QFileDialog::ExistingFiles);  // "All supported files": one file, or three
  // miniSEED and SAC take several files (SAC one a component, miniSEED one or three).
  QObject::connect(dialog, &QFileDialog::filterSelected, dialog, [dialog](const QString& filter) {
    const import::RecordFormatInfo* info = FormatOfFilter(*dialog, filter);
    dialog->setFileMode(!info || info->files != 1 ? QFileDialog::ExistingFiles : QFileDialog::AnyFile);
  });
  return dialog;
}

app::Result<ChosenRecord> ChosenRecordFiles(const QFileDialog& dialog) {
  const QStringList files = dialog.selectedFiles();
  if (files.isEmpty() || files.front().isEmpty()) return app::Outcome::Unchanged();
  const import::RecordFormatInfo* filtered = FormatOfFilter(dialog, dialog.selectedNameFilter());
  ChosenRecord chosen{import::RecordFormat::Saf, {}};
  for (const QString& file : files) {
    chosen.paths.push_back(LocalPath(file));
    if (filtered && filtered->files == 1) break;
  }
  // The files' content or extensions tell the kind; the filter only where they do not.
  const app::Result<import::RecordFormat> kind = app::FormatOfFiles(chosen.paths);
  if (kind.done())
    chosen.format = *kind;
  else if (filtered)
    chosen.format = filtered->format;
  else
    return kind.outcome;
  return chosen;
}

QFileDialog* MakeSaveResultsDialog(QWidget* parent) {
  auto* dialog = new QFileDialog(parent, "Save results");
  dialog->setObjectName("SaveDialog1");
  dialog->setAcceptMode(QFileDialog::AcceptSave);
  dialog->setFileMode(QFileDialog::AnyFile);
  dialog->setOption(QFileDialog::DontConfirmOverwrite);
  dialog->setNameFilters(kResultFilters);
  return dialog;
}

std::optional<app::SaveRequest> ChosenResultFile(const QFileDialog& dialog) {
  const QStringList files = dialog.selectedFiles();
  if (files.isEmpty() || files.front().isEmpty()) return std::nullopt;
  const qsizetype filter = kResultFilters.indexOf(dialog.selectedNameFilter());
  const app::ResultFileType type = kResultTypes[filter < 0 ? 0 : filter];
  return app::SaveRequest{type, app::ResultFileName(LocalPath(files.front()), type), {}};
}

bool ConfirmWrittenName(QFileDialog& dialog, const std::string& path, const std::function<bool(const QString&)>& ask) {
  const QString name = QFile::decodeName(path.c_str());
  dialog.selectFile(name);
  return !QFileInfo::exists(name) ||
         ask(QString("%1 already exists.\nDo you want to replace it?").arg(QFileInfo(name).fileName()));
}

QFileDialog* MakeModelFileDialog(QWidget* parent, ModelFileDialog kind) {
  const bool open = kind == ModelFileDialog::Open;
  auto* dialog = new QFileDialog(parent, open ? "Open model" : "Save model");
  dialog->setObjectName(open ? "openModelDialog" : "saveModelDialog");
  dialog->setAcceptMode(open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
  dialog->setFileMode(open ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
  if (!open) dialog->setOption(QFileDialog::DontConfirmOverwrite);  // asked about the name really written
  dialog->setNameFilters(kModelFilters);
  return dialog;
}

std::optional<std::string> ChosenModelFile(const QFileDialog& dialog) {
  const QStringList files = dialog.selectedFiles();
  if (files.isEmpty() || files.front().isEmpty()) return std::nullopt;
  QString name = files.front();
  if (dialog.acceptMode() == QFileDialog::AcceptSave && QFileInfo(name).suffix().isEmpty()) name += ".txt";
  return LocalPath(name);
}

QFileDialog* MakeJsonFileDialog(QWidget* parent, bool save, const QString& noun, const QString& filterName) {
  const QString verb = save ? "Save" : "Open";
  auto* dialog = new QFileDialog(parent, verb + ' ' + noun);
  QString name = noun;
  name[0] = name[0].toUpper();
  dialog->setObjectName(verb.toLower() + name + "Dialog");
  dialog->setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog->setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  dialog->setNameFilters({filterName + " (*.json)", "All files (*)"});
  dialog->setDefaultSuffix("json");
  return dialog;
}

void RememberFolder(QFileDialog& dialog, QSettings& settings) {
  const QString key = "folders/" + dialog.objectName();
  if (const QString folder = settings.value(key).toString(); !folder.isEmpty() && QFileInfo(folder).isDir())
    dialog.setDirectory(folder);
  QObject::connect(&dialog, &QDialog::accepted, &settings, [&dialog, &settings, key] {
    const QStringList chosen = dialog.selectedFiles();
    const QString folder = chosen.isEmpty() ? dialog.directory().absolutePath() : QFileInfo(chosen.front()).absolutePath();
    settings.setValue(key, folder);
  });
}

}  // namespace corvath::ui
