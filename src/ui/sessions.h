#pragma once
// Sessions and what the window remembers between runs. "Save session…" writes the
// record's files, the analysis windows, every setting, the model with its tables and
// the computations shown; "Open session…" loads the record again (without asking for
// its channels), puts everything back and repeats the computations. The recent record
// files and sessions, the dialogs' folders and the window's settings are remembered
// through the window's settings binder.
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include <QObject>
#include <QList>
#include <QStringList>
#include <QVariant>

#include "app/outcome.h"
#include "app/session.h"
#include "app/workspace.h"
#include "ui/dialogrunner.h"

class QAction;
class QActionGroup;
class QFileDialog;
class QMenu;
class QWidget;

namespace corvath::ui {

class FieldStandardView;
class InversionController;
class InversionPanel;
class RecordController;
class SpectraController;
class TimeRangeLink;
class WindowBandController;
class WindowSettingsBinder;

class SessionController : public QObject {
  Q_OBJECT
public:
  //! What a session reads and puts back, and how the window answers.
  struct Views {
    app::Workspace& workspace;
    RecordController* record;          //!< loads the session's record; the record's files
    SpectraController* spectra;        //!< repeats the computations
    InversionController* inversion;   //!< a finished run's curve
    InversionPanel* panel;             //!< the inversion fields
    FieldStandardView* fieldStandard;  //!< the method choice and its form
    TimeRangeLink* timeRange;          //!< the zoom factor
    WindowBandController* windowBands; //!< the analysis windows drawn
    QAction* smoothedSpectra;          //!< "Smoothed spectra"
    QActionGroup* heldWith;            //!< "Open session…" is held with these
    WindowSettingsBinder* remembered;  //!< recent lists, folders, the form between runs
    DialogRunner runDialog;
    //! "<command>: <message>" in the message line, or a notice alone.
    std::function<void(const QString& command, const app::Outcome& outcome)> report;
    //! A failed command naming its file.
    std::function<void(const app::Outcome& failure)> tell;
    //! A short word in the status bar ("Session saved to s.json").
    std::function<void(const QString& text)> note;
    std::function<void()> showModel;
    //! Takes every result of the work before out of view and out of "Save results".
    std::function<void()> clearResults;
    //! Loads files as a drop does (by content or extension).
    std::function<void(const QStringList& files)> loadFiles;
    //! Opens an observed curve from its file and shows it; a file refused is told.
    std::function<app::Outcome(const QString& file)> openObservedCurve;
  };

  //! Makes "Open session…", "Save session…", "Recent files" and "Recent sessions"
  //! (placed into the File menu by the window) and follows what the window computes.
  SessionController(QWidget& window, Views views);
  ~SessionController() override;

  //! The session's commands in the File menu, in their order.
  QList<QAction*> fileActions() const;

  //! "Save session…": the save dialog, then saveSessionTo.
  void saveSession();
  //! "Open session…": the open dialog, then openSessionFrom.
  void openSession();
  //! Writes the current work to path (atomically). Failed naming the first field of the
  //! window that is not a number, or the file.
  app::Outcome saveSessionTo(const QString& path);
  //! Opens the session at path: answers through opened() once the record is loaded and
  //! every computation repeated. A session that cannot be read, or whose record file is
  //! missing, is said naming the file, and the current work stays.
  void openSessionFrom(const QString& path);
  //! An observed curve was opened from file: a session saved now opens it again.
  void noteObservedCurve(const std::string& file);
  //! The current work as a session; Failed naming a field that is not a number.
  app::Result<app::Session> currentSession() const;

  //! The window's settings as its fields read; a field that is not a number keeps the
  //! value of fallback, and the outcome (Failed) names it.
  std::pair<app::WindowSettings, app::Outcome> windowSettings(const app::WindowSettings& fallback = {}) const;
  //! Shows the settings in the window's fields (numbers as their shortest exact text).
  void showWindowSettings(const app::WindowSettings& settings);

  //! The recent record loads (each one its files) and sessions, newest first.
  const std::vector<QStringList>& recentRecords() const;
  QStringList recentSessions() const;

  QAction* saveAction() const { return saveAction_; }
  QAction* openAction() const { return openAction_; }
  QMenu* recentRecordsMenu() const { return recentRecordsMenu_; }
  QMenu* recentSessionsMenu() const { return recentSessionsMenu_; }
  QFileDialog& saveDialog() { return *saveDialog_; }
  QFileDialog& openDialog() { return *openDialog_; }

signals:
  //! An "Open session" has ended: Done when everything was put back.
  void opened(const corvath::app::Outcome& outcome);

private:
  void recordLoaded(const app::Outcome& outcome);
  void apply(const app::Session& session);
  void runNextStep();
  void finishOpening(const app::Outcome& outcome);
  void rebuildRecentMenus();
  void openRecentRecord(const QStringList& files);
  void openRecentSession(const QString& path);
  //! The window's settings kept between runs, or nothing (the form as it is).
  QVariant rememberedSettings() const;
  void restoreSettings(const QVariant& json);

  Views views_;
  QAction* saveAction_ = nullptr;
  QAction* openAction_ = nullptr;
  QMenu* recentRecordsMenu_ = nullptr;
  QMenu* recentSessionsMenu_ = nullptr;
  QFileDialog* saveDialog_ = nullptr;
  QFileDialog* openDialog_ = nullptr;

  //! The computations whose results the window shows (what a session repeats).
  app::SessionComputations computed_;
  //! The session being opened, from its load to its last computation.
  std::optional<app::Session> opening_;
  QString openingPath_;
  std::vector<std::function<void()>> steps_;  //!< the computations still to repeat
  bool awaitingStep_ = false;
};

}  // namespace corvath::ui
