#pragma once
// The record's commands: loading (one file or three, by the open dialog's kind or by
// the files' extensions) and "Remove zero". A load of many bytes reads on a worker
// thread and changes the workspace only when the whole record has been read; the
// channel question is asked on the window's thread either way.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <QObject>
#include <QStringList>

#include "app/commands.h"
#include "app/history.h"
#include "app/outcome.h"
#include "app/session.h"
#include "app/workspace.h"
#include "import/readers.h"

namespace corvath::ui {

class BackgroundWork;

class RecordController : public QObject {
  Q_OBJECT
public:
  RecordController(app::Workspace& workspace, QObject* parent = nullptr);

  //! The "Channels" question for a file of the given kind and trace count, asked on
  //! the window's thread; nothing when the user cancels (the load ends unchanged).
  using ChannelQuestion =
      std::function<std::optional<import::ChannelChoice>(import::RecordFormat, const import::TraceList& traces)>;
  void setChannelQuestion(ChannelQuestion question) { askChannels_ = std::move(question); }

  //! From how many bytes of its files a load runs off the window's thread.
  void setBackgroundBytes(qint64 bytes) { backgroundBytes_ = bytes; }
  //! Where loads and "Remove zero" are recorded as undoable steps (none: not recorded).
  void setHistory(app::WorkspaceHistory* history) { history_ = history; }
  //! The worker of long loads (its progress and cancel are shown by the window).
  BackgroundWork& work() { return *work_; }

  //! Loads a record of the given kind from its files; answers through loaded(). Does
  //! nothing while a load runs. With channels, a "Channels" question is answered by
  //! them without asking (a session reloading its record).
  void load(import::RecordFormat format, const std::vector<std::string>& paths,
            std::optional<import::ChannelChoice> channels = std::nullopt);
  //! Loads files by their extensions (three component files in the order given);
  //! Failed when the extensions do not tell the kind, otherwise as load().
  app::Outcome loadByExtension(const std::vector<std::string>& paths);

  //! "Remove zero" with the window size askSize answers (samples; nothing: refused or
  //! cancelled, the record stays). Asks only when the record is long enough.
  app::Outcome removeZero(const std::function<std::optional<double>()>& askSize);

  //! The file names of the loaded record.
  const QStringList& files() const { return files_; }
  //! The file names as the history keeps them with a replaced record.
  std::vector<std::string> fileNames() const;
  //! Undo or redo put back a record loaded from `files`: answered as a load (loaded()).
  void showRestoredRecord(const std::vector<std::string>& files);
  //! How the loaded record was loaded: its kind, its files (absolute) and the
  //! "Channels" answer when one was asked; none before the first load.
  const std::optional<app::SessionRecord>& lastLoad() const { return lastLoad_; }
  //! The loaded record in one line: its (first) file, sampling rate, duration and samples.
  QString summary() const;

signals:
  //! A load has ended; on Done the workspace holds the new record.
  void loaded(const corvath::app::Outcome& outcome);

private:
  void finish(const std::vector<std::string>& paths, const app::Outcome& outcome);
  //! The "Channels" answer of the load under way (on the window's thread), kept for lastLoad().
  std::optional<import::ChannelChoice> channelsFor(import::RecordFormat format, const import::TraceList& traces);

  app::Workspace& workspace_;
  BackgroundWork* work_;
  ChannelQuestion askChannels_;
  qint64 backgroundBytes_ = 32 * 1024 * 1024;  // about ten minutes of a 200 Hz text record
  QStringList files_;
  app::WorkspaceHistory* history_ = nullptr;
  import::RecordFormat loading_ = import::RecordFormat::Components;
  std::optional<import::ChannelChoice> presetChannels_;  //!< the answer of the load under way, if given
  std::optional<import::ChannelChoice> askedChannels_;   //!< what the load under way was answered
  std::optional<app::SessionRecord> lastLoad_;
};

}  // namespace corvath::ui
