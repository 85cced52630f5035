#include "ui/surveyview.h"

#include <cmath>
#include <limits>
#include <memory>

#include <QAction>
#include <QEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QSettings>
#include <QSplitter>
#include <QTableWidget>
#include <QVBoxLayout>
#include <qcustomplot.h>

#include "charts/charts.h"
#include "charts/surveymap.h"
#include "app/commands.h"
#include "ui/controllers/backgroundwork.h"
#include "ui/controllers/recordcontroller.h"
#include "ui/filedialogs.h"
#include "ui/pages.h"
#include "ui/sessions.h"
#include "ui/windowsettings.h"
#include "spectra/fieldstandardsummary.h"

namespace corvath::ui {

namespace {

const char* const kSurveyFolderKey = "folders/survey";

// The summary columns that hold numbers, sorted as numbers (the further ones are text).
bool NumericColumn(std::size_t column) {
  return column < app::kSummaryColumnCount && app::kSummaryColumns[column].number;
}

// The measured columns are shown to a few digits; the summary file keeps them all.
bool RoundedColumn(const QString& name) {
  return name == "f0_hz" || name == "f0_sigma_ln" || name == "curve_f0_hz" || name == "a0";
}

// A cell that sorts by its number (empty cells first); rounded for the eye when asked,
// with the text as written in its tooltip.
class NumberItem : public QTableWidgetItem {
public:
  NumberItem(const QString& text, bool rounded) : QTableWidgetItem(text) {
    bool ok = false;
    const double value = text.toDouble(&ok);
    number_ = ok && std::isfinite(value) ? value : -std::numeric_limits<double>::infinity();
    if (rounded && ok && std::isfinite(value)) {
      setText(QString::fromStdString(spectra::DisplayNumber(value, 4)));
      setToolTip(text);
    }
  }
  bool operator<(const QTableWidgetItem& other) const override {
    if (const auto* number = dynamic_cast<const NumberItem*>(&other)) return number_ < number->number_;
    return QTableWidgetItem::operator<(other);
  }

private:
  double number_;
};

QString Chosen(const QFileDialog& dialog) {
  const QStringList files = dialog.selectedFiles();
  return files.isEmpty() ? QString() : files.front();
}

}  // namespace

SurveyController::SurveyController(QWidget& window, Answers answers)
    : QObject(&window), window_(window), answers_(std::move(answers)) {
  setObjectName("surveys");
  openSurveyAction_ = new QAction("Open survey\u2026", this);
  openSurveyAction_->setObjectName("openSurveyAction");
  openSurveyAction_->setStatusTip("Show a survey folder: its summary table and its map");
  connect(openSurveyAction_, &QAction::triggered, this, &SurveyController::openSurvey);
  openSettingsAction_ = new QAction("Open settings\u2026", this);
  openSettingsAction_->setObjectName("openSettingsAction");
  openSettingsAction_->setStatusTip("Put the settings of a settings file into the window");
  connect(openSettingsAction_, &QAction::triggered, this, &SurveyController::openSettings);
  saveSettingsAction_ = new QAction("Save settings\u2026", this);
  saveSettingsAction_->setObjectName("saveSettingsAction");
  saveSettingsAction_->setStatusTip("Write the window's settings to a settings file, as corvath-cli reads them");
  connect(saveSettingsAction_, &QAction::triggered, this, &SurveyController::saveSettings);
  recentSettingsMenu_ = new QMenu("Recent settings", &window);
  recentSettingsMenu_->setObjectName("recentSettingsMenu");

  surveyDialog_ = new QFileDialog(&window, "Open survey");
  surveyDialog_->setObjectName("openSurveyDialog");
  surveyDialog_->setFileMode(QFileDialog::Directory);
  surveyDialog_->setOption(QFileDialog::ShowDirsOnly, true);
  openSettingsDialog_ = MakeJsonFileDialog(&window, false, "settings", "Settings");
  saveSettingsDialog_ = MakeJsonFileDialog(&window, true, "settings", "Settings");

  WindowSettingsBinder& remembered = *answers_.remembered;
  connect(&remembered.recentSettings(), &RecentList::changed, this, [this] {
    rebuildRecentMenu();
    // The dialogs offer the settings file used last.
    if (const QStringList recent = recentSettings(); !recent.isEmpty())
      for (QFileDialog* dialog : {openSettingsDialog_, saveSettingsDialog_}) dialog->selectFile(recent.front());
  });
  for (QFileDialog* dialog : {openSettingsDialog_, saveSettingsDialog_}) remembered.rememberFolder(*dialog);
  remembered.bind(
      kSurveyFolderKey, [] { return QVariant(); },  // kept when a survey opens
      [this](const QVariant& value) {
        if (const QString folder = value.toString(); !folder.isEmpty() && QFileInfo(folder).isDir())
          surveyDialog_->setDirectory(QFileInfo(folder).absolutePath());
      });
  undoSettingsAction_ = new QAction("Undo survey settings", this);
  undoSettingsAction_->setObjectName("undoSurveySettingsAction");
  undoSettingsAction_->setStatusTip("Put back the form's settings that a survey station's double click replaced");
  undoSettingsAction_->setEnabled(false);
  connect(undoSettingsAction_, &QAction::triggered, this, &SurveyController::undoSettings);
  rebuildRecentMenu();
}

SurveyController::~SurveyController() = default;

void SurveyController::undoSettings() {
  if (!replaced_) return;
  answers_.sessions->showWindowSettings(*replaced_);
  replaced_.reset();
  undoSettingsAction_->setEnabled(false);
  answers_.report(QString(), app::Outcome::Done("The form's settings are back"));
}

QList<QAction*> SurveyController::fileActions() const {
  return {openSettingsAction_, saveSettingsAction_, recentSettingsMenu_->menuAction(), openSurveyAction_};
}

QStringList SurveyController::recentSettings() const { return answers_.remembered->recentSettings().paths(); }

// ---- Surveys ----------------------------------------------------------------------

void SurveyController::openSurvey() {
  if (answers_.runDialog(*surveyDialog_) != QDialog::Accepted) return;
  const QString folder = Chosen(*surveyDialog_);
  if (!folder.isEmpty()) openSurveyFrom(folder);
}

app::Outcome SurveyController::openSurveyFrom(const QString& folder) {
  app::Result<app::SurveyFolder> read = app::ReadSurveyFolder(LocalPath(folder));
  if (!read.done()) {
    answers_.tell(read.outcome);
    return read.outcome;
  }
  survey_ = std::move(*read);
  if (QSettings* store = answers_.remembered->store())
    store->setValue(kSurveyFolderKey, QFileInfo(folder).absoluteFilePath());
  if (!view_) buildView();
  view_->setWindowTitle(QString("Survey %1").arg(QDir::toNativeSeparators(QFileInfo(folder).absoluteFilePath())));
  fillTable();
  charts::DrawSurveyMap(map_, survey_->points);
  map_->replot();
  view_->show();
  view_->raise();
  std::size_t failed = 0;
  for (const app::StationSummary& station : survey_->stations) failed += !station.done();
  answers_.note(QString("Survey of %1 stations opened, %2 failed").arg(survey_->stations.size()).arg(failed));
  return app::Outcome::Done();
}

void SurveyController::buildView() {
  view_ = new QWidget(&window_, Qt::Window);
  view_->setObjectName("surveyView");
  view_->resize(1200, 620);
  auto* layout = new QVBoxLayout(view_);
  auto* hint = new QLabel(
      "Double click a station to load its record and compute its H/V with the survey's settings, which replace "
      "the form's (Edit \u25B8 Undo survey settings puts the form's back).",
      view_);
  hint->setWordWrap(true);
  layout->addWidget(hint);
  auto* splitter = new QSplitter(Qt::Horizontal, view_);
  table_ = new QTableWidget(splitter);
  table_->setObjectName("surveyTable");
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setSelectionMode(QAbstractItemView::SingleSelection);
  table_->verticalHeader()->setVisible(false);
  connect(table_, &QTableWidget::cellDoubleClicked, this, [this](int row, int) {
    if (QTableWidgetItem* item = table_->item(row, 0)) loadStation(item->data(Qt::UserRole).toInt());
  });
  map_ = charts::MakeChart("surveyMap", "Stations by f0", splitter);
  map_->installEventFilter(this);
  splitter->addWidget(table_);
  splitter->addWidget(map_);
  splitter->setSizes({620, 580});
  layout->addWidget(splitter, 1);
}

void SurveyController::fillTable() {
  const app::SurveyFolder& survey = *survey_;
  table_->setSortingEnabled(false);
  table_->clear();
  table_->setColumnCount(int(survey.columns.size()));
  table_->setRowCount(int(survey.stations.size()));
  QStringList headings;
  for (const std::string& column : survey.columns) headings << QString::fromStdString(column);
  table_->setHorizontalHeaderLabels(headings);
  for (std::size_t r = 0; r < survey.stations.size(); ++r) {
    const std::vector<std::string> row = survey.cells(r);
    const bool failed = !survey.stations[r].done();
    for (std::size_t c = 0; c < row.size(); ++c) {
      const QString text = QString::fromStdString(row[c]);
      QTableWidgetItem* item =
          NumericColumn(c) ? new NumberItem(text, RoundedColumn(headings[int(c)])) : new QTableWidgetItem(text);
      if (failed) {
        item->setBackground(QColor(255, 215, 215));
        item->setToolTip(QString::fromStdString(survey.stations[r].message));
      }
      if (c == 0) item->setData(Qt::UserRole, int(r));  // the summary row, whatever the sorting
      table_->setItem(int(r), int(c), item);
    }
  }
  table_->setSortingEnabled(true);
  table_->sortByColumn(-1, Qt::AscendingOrder);  // manifest order until the user sorts
  table_->resizeColumnsToContents();
}

app::Outcome SurveyController::loadStation(int row) {
  if (!survey_ || row < 0 || std::size_t(row) >= survey_->stations.size()) return app::Outcome::Unchanged();
  const std::vector<std::string>& files = survey_->files[std::size_t(row)];
  const QString station = QString::fromStdString(survey_->stations[std::size_t(row)].station);
  QStringList paths;
  for (const std::string& file : files) paths << QFile::decodeName(file.c_str());
  app::Outcome refused = app::Outcome::Done();
  if (paths.isEmpty())
    refused = app::Outcome::Failed(QString("The survey names no record file for the station %1.").arg(station).toStdString());
  for (const QString& path : paths)
    if (refused.done() && !QFileInfo::exists(path))
      refused = app::Outcome::Failed(
          QString("The record file %1 of the station %2 is missing.").arg(path, station).toStdString(), LocalPath(path));
  if (!refused.done()) {
    answers_.tell(refused);
    return refused;
  }
  const app::Result<import::RecordFormat> format = app::FormatOfFiles(files);
  if (!format.done()) {
    answers_.tell(format.outcome);
    return format.outcome;
  }
  if (answers_.record->work().running()) {
    const app::Outcome busy = app::Outcome::Unchanged("a record is being loaded");
    answers_.report("Open station", busy);
    return busy;
  }
  replaced_ = answers_.sessions->windowSettings().first;  // the form as it was, for the undo
  applySettings(survey_->settings, true);
  undoSettingsAction_->setEnabled(true);
  const app::Outcome said = app::Outcome::Done(
      QString("The survey's settings replace the form's for the station %1; Edit \u25B8 Undo survey settings puts "
              "the form's back")
          .arg(station)
          .toStdString());
  // Once the record is in, its H/V is computed with the survey's settings and shown on
  // the Ratio tab, as the survey computed it; a failed or cancelled load computes nothing.
  auto once = std::make_shared<QMetaObject::Connection>();
  *once = connect(answers_.record, &RecordController::loaded, this, [this, once, said](const app::Outcome& outcome) {
    disconnect(*once);
    if (!outcome.done()) return;  // the load has said why
    answers_.calculateOnRatio();
    answers_.report(QString(), said);
  });
  // The files in the manifest's order and the default channels, as the survey read them.
  answers_.record->load(*format, files, import::ChannelChoice{});
  return app::Outcome::Done();
}

bool SurveyController::eventFilter(QObject* watched, QEvent* event) {
  if (watched == map_ && event->type() == QEvent::Resize) {
    map_->replot();  // lays the map out at its new size
    charts::KeepMapProportions(map_);
    map_->replot(QCustomPlot::rpQueuedReplot);
  }
  return QObject::eventFilter(watched, event);
}

// ---- Settings files -------------------------------------------------------------------

void SurveyController::applySettings(const app::AnalysisSettings& settings, bool chooseFieldStandard) {
  SessionController& sessions = *answers_.sessions;
  app::WindowSettings shown = sessions.windowSettings().first;
  shown.analysis = settings;
  if (chooseFieldStandard) shown.fieldStandard = true;
  sessions.showWindowSettings(shown);
}

void SurveyController::openSettings() {
  if (answers_.runDialog(*openSettingsDialog_) != QDialog::Accepted) return;
  if (const QString path = Chosen(*openSettingsDialog_); !path.isEmpty()) openSettingsFrom(path);
}

void SurveyController::saveSettings() {
  if (answers_.runDialog(*saveSettingsDialog_) != QDialog::Accepted) return;
  QString path = Chosen(*saveSettingsDialog_);
  if (path.isEmpty()) return;
  if (QFileInfo(path).suffix().isEmpty()) path += ".json";
  saveSettingsTo(path);
}

app::Outcome SurveyController::openSettingsFrom(const QString& path) {
  const app::Result<app::AnalysisSettings> read = app::ReadSettingsFile(LocalPath(path));
  if (!read.done()) {
    answers_.tell(read.outcome);
    return read.outcome;
  }
  applySettings(*read, false);
  answers_.remembered->recentSettings().add({QFileInfo(path).absoluteFilePath()});
  answers_.note(QString("Settings %1 opened").arg(QFileInfo(path).fileName()));
  return app::Outcome::Done();
}

app::Outcome SurveyController::saveSettingsTo(const QString& path) {
  const auto [shown, read] = answers_.sessions->windowSettings();
  if (!read.done()) {
    answers_.tell(read);
    return read;
  }
  const app::Outcome saved = app::SaveSettingsFile(LocalPath(path), shown.analysis);
  if (!saved.done()) {
    answers_.tell(saved);
    return saved;
  }
  answers_.remembered->recentSettings().add({QFileInfo(path).absoluteFilePath()});
  answers_.note(QString("Settings saved to %1").arg(QFileInfo(path).fileName()));
  return saved;
}

// ---- Remembered between runs -------------------------------------------------------------

void SurveyController::rebuildRecentMenu() {
  const QStringList recent = recentSettings();
  recentSettingsMenu_->clear();
  for (qsizetype i = 0; i < recent.size(); ++i) {
    const QString path = recent[i];
    QAction* action = recentSettingsMenu_->addAction(QString("&%1 %2").arg(i + 1).arg(QFileInfo(path).fileName()),
                                                     this, [this, path] { openSettingsFrom(path); });
    action->setToolTip(path);
    action->setStatusTip(path);
  }
  recentSettingsMenu_->setEnabled(!recent.empty());
}

}  // namespace corvath::ui
