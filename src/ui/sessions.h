#pragma once
// Sessions and what the window remembers between runs. "Save session…" writes the
// record's files, the analysis windows, every setting, the model with its tables and
// the computations shown; "Open session…" loads the record again (without asking for
// its channels), puts everything back and repeats the computations. The recent record
// files and sessions, the folders of the file dialogs and the window's settings are
// kept in a QSettings store once one is given (the program gives the user's; tests
// give their own or none).
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include <QObject>
#include <QStringList>

#include "app/outcome.h"
#include "app/session.h"

class QAction;
class QFileDialog;
class QMenu;
class QSettings;

namespace corvath::ui {

class MainWindow;

//! How many recent record files and recent sessions the File menu keeps.
inline constexpr int kRecentEntries = 8;

class SessionController : public QObject {
  Q_OBJECT
public:
  //! Puts "Save session…", "Open session…", "Recent files" and "Recent sessions" into
  //! the window's File menu and follows what the window computes.
  explicit SessionController(MainWindow& window);
  ~SessionController() override;

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
  //! The current work as a session; Failed naming a field that is not a number.
  app::Result<app::Session> currentSession() const;

  //! The window's settings as its fields read; a field that is not a number keeps the
  //! value of fallback, and the outcome (Failed) names it.
  std::pair<app::WindowSettings, app::Outcome> windowSettings(const app::WindowSettings& fallback = {}) const;
  //! Shows the settings in the window's fields (numbers as their shortest exact text).
  void showWindowSettings(const app::WindowSettings& settings);

  //! Keeps the recent files, the dialogs' folders and the window's settings in store
  //! from now on, and restores them from it now. The window's settings are written back
  //! when the window closes (and by remember()).
  void useSettings(std::unique_ptr<QSettings> store);
  //! Writes the window's settings to the store now (nothing without a store).
  void remember();

  //! The recent record loads (each one its files) and sessions, newest first.
  const std::vector<QStringList>& recentRecords() const { return recentRecords_; }
  const QStringList& recentSessions() const { return recentSessions_; }

  QAction* saveAction() const { return saveAction_; }
  QAction* openAction() const { return openAction_; }
  QMenu* recentRecordsMenu() const { return recentRecordsMenu_; }
  QMenu* recentSessionsMenu() const { return recentSessionsMenu_; }
  QFileDialog& saveDialog() { return *saveDialog_; }
  QFileDialog& openDialog() { return *openDialog_; }

signals:
  //! An "Open session" has ended: Done when everything was put back.
  void opened(const corvath::app::Outcome& outcome);

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  void recordLoaded(const app::Outcome& outcome);
  void apply(const app::Session& session);
  void runNextStep();
  void finishOpening(const app::Outcome& outcome);
  void addRecent(const QStringList& entry, bool session);
  void rebuildRecentMenus();
  void storeRecents();
  void openRecentRecord(const QStringList& files);

  MainWindow& window_;
  std::unique_ptr<QSettings> store_;
  QAction* saveAction_ = nullptr;
  QAction* openAction_ = nullptr;
  QMenu* recentRecordsMenu_ = nullptr;
  QMenu* recentSessionsMenu_ = nullptr;
  QFileDialog* saveDialog_ = nullptr;
  QFileDialog* openDialog_ = nullptr;
  std::vector<QStringList> recentRecords_;
  QStringList recentSessions_;

  //! The computations whose results the window shows (what a session repeats).
  app::SessionComputations computed_;
  //! The session being opened, from its load to its last computation.
  std::optional<app::Session> opening_;
  QString openingPath_;
  std::vector<std::function<void()>> steps_;  //!< the computations still to repeat
  bool awaitingStep_ = false;
};

}  // namespace corvath::ui
