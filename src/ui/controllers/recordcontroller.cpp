#include "ui/controllers/recordcontroller.h"

#include <memory>

#include <QFile>
#include <QFileInfo>

#include "numerics/numbertext.h"
#include "ui/controllers/backgroundwork.h"
#include "ui/controllers/busycursor.h"

namespace corvath::ui {
namespace {

QString FileName(const std::string& path) { return QFileInfo(QFile::decodeName(path.c_str())).fileName(); }

}  // namespace

RecordController::RecordController(app::Workspace& workspace, QObject* parent)
    : QObject(parent), workspace_(workspace), work_(new BackgroundWork(this)) {}

void RecordController::load(import::RecordFormat format, const std::vector<std::string>& paths,
                            std::optional<import::ChannelChoice> channels) {
  if (work_->running()) return;
  loading_ = format;
  presetChannels_ = channels;
  askedChannels_.reset();
  app::LoadRequest request;
  request.format = format;
  request.paths = paths;
  qint64 bytes = 0;
  for (const std::string& path : paths) bytes += QFileInfo(QFile::decodeName(path.c_str())).size();
  if (bytes < backgroundBytes_) {
    request.channels = [this, format](const import::TraceList& traces) {
      QuietCursor quiet;  // the user answers with the normal cursor
      const std::optional<import::ChannelChoice> choice = channelsFor(format, traces);
      if (!choice) throw import::LoadCancelled();
      return *choice;
    };
    app::Outcome outcome;
    {
      BusyCursor busy;
      outcome = BackgroundWork::runHere([&](const numerics::ProgressHook&) {
        return history_ ? app::ApplyLoadedRecord(workspace_, app::ReadRecordForLoad(request), *history_, fileNames())
                        : app::LoadRecord(workspace_, request);
      });
    }
    finish(paths, outcome);
    return;
  }
  // A long read: on a worker thread; the workspace changes only when the whole record
  // has been read. The channel question waits for the window's answer or the cancel.
  request.channels = [this, format](const import::TraceList& traces) {
    const std::optional<import::ChannelChoice> choice =
        work_->askOnWindowThread<import::ChannelChoice>([this, format, &traces] { return channelsFor(format, traces); });
    if (!choice) throw import::LoadCancelled();
    return *choice;
  };
  auto loaded = std::make_shared<app::LoadedRecord>();
  work_->start(
      QString("Loading %1").arg(FileName(paths.front())),
      [request, loaded](const numerics::ProgressHook& hook) {
        app::LoadRequest r = request;
        r.progress = hook;
        *loaded = app::ReadRecordForLoad(r);
        return loaded->outcome;
      },
      [this, paths, loaded](const app::Outcome& outcome) {
        if (!outcome.done()) return finish(paths, outcome);
        finish(paths, history_ ? app::ApplyLoadedRecord(workspace_, std::move(*loaded), *history_, fileNames())
                               : app::ApplyLoadedRecord(workspace_, std::move(*loaded)));
      });
}

app::Outcome RecordController::loadByExtension(const std::vector<std::string>& paths) {
  const app::Result<import::RecordFormat> format = app::FormatOfFiles(paths);
  if (!format.done()) return format.outcome;
  load(*format, paths);
  return app::Outcome::Done();
}

std::optional<import::ChannelChoice> RecordController::channelsFor(import::RecordFormat format,
                                                                  const import::TraceList& traces) {
  if (presetChannels_) return askedChannels_ = presetChannels_;
  askedChannels_ = askChannels_ ? askChannels_(format, traces) : import::ChannelChoice{};
  return askedChannels_;
}

void RecordController::finish(const std::vector<std::string>& paths, const app::Outcome& outcome) {
  if (outcome.done()) {
    files_.clear();
    app::SessionRecord record{loading_, {}, askedChannels_};
    for (const std::string& path : paths) {
      files_ << FileName(path);
      const QString absolute = QFileInfo(QFile::decodeName(path.c_str())).absoluteFilePath();
      record.paths.push_back(QFile::encodeName(absolute).toStdString());
    }
    lastLoad_ = record;
    if (loading_ == import::RecordFormat::Components && files_.size() == 3) {
      // Component files are X, Y, Z in the order given (a drop: in name order): say so.
      app::Outcome said = outcome;
      const std::string which = QString("X: %1, Y: %2, Z: %3.").arg(files_[0], files_[1], files_[2]).toStdString();
      said.message = said.message.empty() ? which : which + " " + said.message;
      emit loaded(said);
      return;
    }
  }
  emit loaded(outcome);
}

app::Outcome RecordController::removeZero(const std::function<std::optional<double>()>& askSize) {
  return history_ ? app::RemoveZero(workspace_, askSize, *history_) : app::RemoveZero(workspace_, askSize);
}

std::vector<std::string> RecordController::fileNames() const {
  std::vector<std::string> names;
  for (const QString& file : files_) names.push_back(file.toStdString());
  return names;
}

void RecordController::showRestoredRecord(const std::vector<std::string>& files) {
  files_.clear();
  for (const std::string& file : files) files_ << QString::fromStdString(file);
  emit loaded(app::Outcome::Done());
}

QString RecordController::summary() const {
  const app::RecordSummary summary = app::SummarizeRecord(workspace_.record);
  if (!summary.present) return QString();
  QString counts;
  if (summary.samples[0] == summary.samples[1] && summary.samples[1] == summary.samples[2])
    counts = QString("%1 samples a component").arg(summary.samples[0]);
  else
    counts = QString("X %1, Y %2, Z %3 samples").arg(summary.samples[0]).arg(summary.samples[1]).arg(summary.samples[2]);
  // The first file stands for the others (the window's title names them all), so the
  // rate and length stay in view beside the pointer readout.
  const QString files =
      files_.size() > 1 ? QString("%1 and %2 more").arg(files_.front()).arg(files_.size() - 1) : files_.join(", ");
  return QString("%1  |  %2 Hz  |  %3 s  |  %4")
      .arg(files, QString::fromStdString(numerics::NumberToText(1, summary.samplingRateHz)),
           QString::fromStdString(numerics::NumberToText(1, summary.durationSeconds)), counts);
}

}  // namespace corvath::ui
