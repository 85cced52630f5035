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
#include <QStatusBar>
#include <QTableWidget>
#include <QVBoxLayout>
#include <qcustomplot.h>

#include "charts/charts.h"
#include "charts/surveymap.h"
#include "app/commands.h"
#include "ui/controllers/backgroundwork.h"
#include "ui/controllers/recordcontroller.h"
#include "ui/filedialogs.h"
#include "ui/mainwindow.h"
#include "ui/pages.h"
#include "ui/sessions.h"
#include "spectra/fieldstandardsummary.h"

namespace corvath::ui {

namespace {

const char* const kRecentSettingsKey = "recent/settingsFiles";
const char* const kSurveyFolderKey = "folders/survey";

// The summary columns that hold numbers, sorted as numbers.
bool NumericColumn(const QString& name) {
  return name == "f0_hz" || name == "f0_sigma_ln" || name == "curve_f0_hz" || name == "a0" ||
         name == "windows_used" || name == "longitude" || name == "latitude";
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

SurveyController::SurveyController(MainWindow& window, Answers answers)
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
  rebuildRecentMenu();
}

SurveyController::~SurveyController() = default;

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
  if (store_) store_->setValue(kSurveyFolderKey, QFileInfo(folder).absoluteFilePath());
  if (!view_) buildView();
  view_->setWindowTitle(QString("Survey %1").arg(QDir::toNativeSeparators(QFileInfo(folder).absoluteFilePath())));
  fillTable();
  charts::DrawSurveyMap(map_, survey_->points);
  map_->replot();
  view_->show();
  view_->raise();
  std::size_t failed = 0;
  for (const auto& row : survey_->rows) failed += row[1] != "done";
  window_.statusBar()->showMessage(
      QString("Survey of %1 stations opened, %2 failed").arg(survey_->rows.size()).arg(failed), 5000);
  return app::Outcome::Done();
}

void SurveyController::buildView() {
  view_ = new QWidget(&window_, Qt::Window);
  view_->setObjectName("surveyView");
  view_->resize(1200, 620);
  auto* layout = new QVBoxLayout(view_);
  auto* hint = new QLabel("Double click a station to load its record and compute its H/V with the survey's settings.", view_);
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
  table_->setRowCount(int(survey.rows.size()));
  QStringList headings;
  for (const std::string& column : survey.columns) headings << QString::fromStdString(column);
  table_->setHorizontalHeaderLabels(headings);
  for (std::size_t r = 0; r < survey.rows.size(); ++r) {
    const auto& row = survey.rows[r];
    const bool failed = row[1] != "done";
    for (std::size_t c = 0; c < row.size(); ++c) {
      const QString text = QString::fromStdString(row[c]);
      QTableWidgetItem* item = NumericColumn(headings[int(c)]) ? new NumberItem(text, RoundedColumn(headings[int(c)])) : new QTableWidgetItem(text);
      if (failed) {
        item->setBackground(QColor(255, 215, 215));
        item->setToolTip(QString::fromStdString(row[11]));
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
  if (!survey_ || row < 0 || std::size_t(row) >= survey_->rows.size()) return app::Outcome::Unchanged();
  const std::vector<std::string>& files = survey_->files[std::size_t(row)];
  const QString station = QString::fromStdString(survey_->rows[std::size_t(row)][0]);
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
  if (window_.record_->work().running()) {
    const app::Outcome busy = app::Outcome::Unchanged("a record is being loaded");
    window_.report("Open station", busy);
    return busy;
  }
  applySettings(survey_->settings, true);
  // Once the record is in, its H/V is computed with the survey's settings and shown on
  // the Ratio tab, as the survey computed it; a failed or cancelled load computes nothing.
  auto once = std::make_shared<QMetaObject::Connection>();
  *once = connect(window_.record_, &RecordController::loaded, this, [this, once](const app::Outcome& outcome) {
    disconnect(*once);
    if (!outcome.done()) return;
    window_.tabs_->setCurrentWidget(window_.ratioPage_);
    window_.calculateSpectra();
  });
  // The files in the manifest's order and the default channels, as the survey read them.
  window_.record_->load(*format, files, import::ChannelChoice{});
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
  SessionController& sessions = window_.sessions();
  app::WindowSettings shown = sessions.windowSettings().first;
  shown.fieldStandardForm = settings.fieldStandard;
  shown.minFrequencyHz = settings.classic.minFrequencyHz;
  shown.maxFrequencyHz = settings.classic.maxFrequencyHz;
  shown.smoothedSpectra = settings.classic.smoothedSpectra;
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
  addRecent(QFileInfo(path).absoluteFilePath());
  window_.statusBar()->showMessage(QString("Settings %1 opened").arg(QFileInfo(path).fileName()), 5000);
  return app::Outcome::Done();
}

app::Outcome SurveyController::saveSettingsTo(const QString& path) {
  const auto [shown, read] = window_.sessions().windowSettings();
  if (!read.done()) {
    answers_.tell(read);
    return read;
  }
  const app::AnalysisSettings settings{shown.fieldStandardForm,
                                       {shown.minFrequencyHz, shown.maxFrequencyHz, shown.smoothedSpectra}};
  const app::Outcome saved = app::SaveSettingsFile(LocalPath(path), settings);
  if (!saved.done()) {
    answers_.tell(saved);
    return saved;
  }
  addRecent(QFileInfo(path).absoluteFilePath());
  window_.statusBar()->showMessage(QString("Settings saved to %1").arg(QFileInfo(path).fileName()), 5000);
  return saved;
}

// ---- Remembered between runs -------------------------------------------------------------

void SurveyController::useSettings(std::unique_ptr<QSettings> store) {
  store_ = std::move(store);
  if (!store_) return;
  recentSettings_ = store_->value(kRecentSettingsKey).toStringList();
  rebuildRecentMenu();
  for (QFileDialog* dialog : {openSettingsDialog_, saveSettingsDialog_}) RememberFolder(*dialog, *store_);
  if (const QString folder = store_->value(kSurveyFolderKey).toString(); !folder.isEmpty() && QFileInfo(folder).isDir())
    surveyDialog_->setDirectory(QFileInfo(folder).absolutePath());
  if (!recentSettings_.isEmpty()) {
    openSettingsDialog_->selectFile(recentSettings_.front());
    saveSettingsDialog_->selectFile(recentSettings_.front());
  }
}

void SurveyController::addRecent(const QString& path) {
  recentSettings_.removeAll(path);
  recentSettings_.prepend(path);
  while (recentSettings_.size() > kRecentSettingsFiles) recentSettings_.removeLast();
  rebuildRecentMenu();
  if (!store_) return;
  store_->setValue(kRecentSettingsKey, recentSettings_);
  store_->sync();
}

void SurveyController::rebuildRecentMenu() {
  recentSettingsMenu_->clear();
  for (qsizetype i = 0; i < recentSettings_.size(); ++i) {
    const QString path = recentSettings_[i];
    QAction* action = recentSettingsMenu_->addAction(QString("&%1 %2").arg(i + 1).arg(QFileInfo(path).fileName()),
                                                     this, [this, path] { openSettingsFrom(path); });
    action->setToolTip(path);
    action->setStatusTip(path);
  }
  recentSettingsMenu_->setEnabled(!recentSettings_.empty());
}

}  // namespace corvath::ui
