#pragma once
// Surveys and settings files in the window. "Open survey…" shows a survey folder in a
// window of its own: the summary table (sortable, failed stations marked) beside the
// map of the stations coloured by f0; a double click on a station loads its record
// and puts the survey's settings into the window. "Open settings…" and "Save
// settings…" read and write the settings files the batch command uses; the recent
// ones are remembered between runs through the window's settings binder.
#include <functional>
#include <memory>
#include <optional>

#include <QObject>
#include <QList>
#include <QStringList>

#include "app/outcome.h"
#include "app/session.h"
#include "app/settingsfile.h"
#include "app/survey.h"
#include "ui/dialogrunner.h"

class QAction;
class QCustomPlot;
class QFileDialog;
class QMenu;
class QTableWidget;
class QWidget;

namespace corvath::ui {

class RecordController;
class SessionController;
class WindowSettingsBinder;

class SurveyController : public QObject {
  Q_OBJECT
public:
  //! What a survey needs of the window, and how the window answers.
  struct Answers {
    DialogRunner runDialog;
    //! A failed command naming its file.
    std::function<void(const app::Outcome& failure)> tell;
    //! "<command>: <message>" in the message line, or a notice alone.
    std::function<void(const QString& command, const app::Outcome& outcome)> report;
    //! A short word in the status bar ("Settings saved to s.json").
    std::function<void(const QString& text)> note;
    //! Loads a station's record (the survey's channels, never asked).
    RecordController* record;
    //! Reads and shows the window's settings.
    SessionController* sessions;
    //! "Calculate spectra" on the Ratio tab, once a station's record is in.
    std::function<void()> calculateOnRatio;
    //! The recent settings files and the dialogs' folders between runs.
    WindowSettingsBinder* remembered;
  };

  //! Makes "Open survey…", "Open settings…", "Save settings…" and "Recent settings"
  //! (placed into the File menu by the window).
  SurveyController(QWidget& window, Answers answers);
  ~SurveyController() override;

  //! The survey's commands in the File menu, in their order.
  QList<QAction*> fileActions() const;
  //! "Undo survey settings" (Edit menu): puts back the form's settings a station's
  //! double click replaced; off until one did.
  QAction* undoSettingsAction() const { return undoSettingsAction_; }
  void undoSettings();

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

  QAction* openSurveyAction() const { return openSurveyAction_; }
  QAction* openSettingsAction() const { return openSettingsAction_; }
  QAction* saveSettingsAction() const { return saveSettingsAction_; }
  QMenu* recentSettingsMenu() const { return recentSettingsMenu_; }
  QFileDialog& surveyDialog() { return *surveyDialog_; }
  QFileDialog& openSettingsDialog() { return *openSettingsDialog_; }
  QFileDialog& saveSettingsDialog() { return *saveSettingsDialog_; }
  QStringList recentSettings() const;

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
  void rebuildRecentMenu();

  QWidget& window_;
  Answers answers_;
  QAction* openSurveyAction_ = nullptr;
  QAction* openSettingsAction_ = nullptr;
  QAction* saveSettingsAction_ = nullptr;
  QMenu* recentSettingsMenu_ = nullptr;
  QAction* undoSettingsAction_ = nullptr;
  std::optional<app::WindowSettings> replaced_;  //!< the form before a station's settings
  QFileDialog* surveyDialog_ = nullptr;
  QFileDialog* openSettingsDialog_ = nullptr;
  QFileDialog* saveSettingsDialog_ = nullptr;
  QWidget* view_ = nullptr;
  QTableWidget* table_ = nullptr;
  QCustomPlot* map_ = nullptr;
  std::optional<app::SurveyFolder> survey_;
};

}  // namespace corvath::ui
