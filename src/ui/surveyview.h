#pragma once
// Surveys and settings files in the window. "Open survey…" shows a survey folder in a
// window of its own: the summary table (sortable, failed stations marked) beside the
// map of the stations coloured by f0; a double click on a station loads its record
// and puts the survey's settings into the window. "Open settings…" and "Save
// settings…" read and write the settings files the batch command uses; the recent
// ones are remembered between runs once a store is given.
#include <functional>
#include <memory>
#include <optional>

#include <QObject>
#include <QStringList>

#include "app/outcome.h"
#include "app/settingsfile.h"
#include "app/survey.h"
#include "ui/dialogrunner.h"

class QAction;
class QCustomPlot;
class QFileDialog;
class QMenu;
class QSettings;
class QTableWidget;
class QWidget;

namespace corvath::ui {

class MainWindow;

//! How many settings files the "Recent settings" menu keeps.
inline constexpr int kRecentSettingsFiles = 8;

class SurveyController : public QObject {
  Q_OBJECT
public:
  //! How the window answers: a dialog shown, a failure told.
  struct Answers {
    DialogRunner runDialog;
    std::function<void(const app::Outcome& failure)> tell;
  };

  //! Makes "Open survey…", "Open settings…", "Save settings…" and "Recent settings"
  //! (placed into the File menu by the window).
  SurveyController(MainWindow& window, Answers answers);
  ~SurveyController() override;

  //! "Open survey…": the folder dialog, then openSurveyFrom.
  void openSurvey();
  //! Shows the survey in folder (summary.csv, survey.json and settings.json); a folder
  //! that is no survey is told naming the file and nothing changes.
  app::Outcome openSurveyFrom(const QString& folder);
  //! Loads the record of the station in the survey's row (in summary order) and shows
  //! the survey's settings in the window, "Field standard" chosen.
  app::Outcome loadStation(int row);

  //! "Open settings…" / "Save settings…": the dialog, then the file.
  void openSettings();
  void saveSettings();
  //! Shows the settings file's settings in the window's fields; a file refused is told.
  app::Outcome openSettingsFrom(const QString& path);
  //! Writes the window's settings to path; a field that is not a number is told.
  app::Outcome saveSettingsTo(const QString& path);

  //! Remembers the recent settings files and the dialogs' folders in store from now on.
  void useSettings(std::unique_ptr<QSettings> store);

  QAction* openSurveyAction() const { return openSurveyAction_; }
  QAction* openSettingsAction() const { return openSettingsAction_; }
  QAction* saveSettingsAction() const { return saveSettingsAction_; }
  QMenu* recentSettingsMenu() const { return recentSettingsMenu_; }
  QFileDialog& surveyDialog() { return *surveyDialog_; }
  QFileDialog& openSettingsDialog() { return *openSettingsDialog_; }
  QFileDialog& saveSettingsDialog() { return *saveSettingsDialog_; }
  const QStringList& recentSettings() const { return recentSettings_; }

  //! The survey's window (objectName "surveyView") once a survey is shown, its table
  //! ("surveyTable") and map ("surveyMap").
  QWidget* view() const { return view_; }
  QTableWidget* table() const { return table_; }
  QCustomPlot* map() const { return map_; }
  const std::optional<app::SurveyFolder>& survey() const { return survey_; }

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  void buildView();
  void fillTable();
  void applySettings(const app::AnalysisSettings& settings, bool chooseFieldStandard);
  void addRecent(const QString& path);
  void rebuildRecentMenu();

  MainWindow& window_;
  Answers answers_;
  std::unique_ptr<QSettings> store_;
  QAction* openSurveyAction_ = nullptr;
  QAction* openSettingsAction_ = nullptr;
  QAction* saveSettingsAction_ = nullptr;
  QMenu* recentSettingsMenu_ = nullptr;
  QFileDialog* surveyDialog_ = nullptr;
  QFileDialog* openSettingsDialog_ = nullptr;
  QFileDialog* saveSettingsDialog_ = nullptr;
  QStringList recentSettings_;
  QWidget* view_ = nullptr;
  QTableWidget* table_ = nullptr;
  QCustomPlot* map_ = nullptr;
  std::optional<app::SurveyFolder> survey_;
};

}  // namespace corvath::ui
