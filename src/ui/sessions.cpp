#include "ui/sessions.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QSettings>
#include <QSpinBox>
#include <QStatusBar>
#include <qcustomplot.h>

#include "app/commands.h"
#include "charts/spectradrawing.h"
#include "numerics/numberfield.h"
#include "numerics/numbertext.h"
#include "ui/controllers/inversioncontroller.h"
#include "ui/controllers/recordcontroller.h"
#include "ui/controllers/spectracontroller.h"
#include "ui/fieldstandardview.h"
#include "ui/filedialogs.h"
#include "ui/inversionpanel.h"
#include "ui/loadcomponentsdialog.h"
#include "ui/timerange.h"
#include "ui/windowbands.h"
#include "ui/windowsettings.h"

namespace corvath::ui {
namespace {

const char* const kSettingsKey = "window/settings";

QString ShortestText(double value) { return QString::fromStdString(numerics::NumberToShortestText(value)); }

QString Decoded(const std::string& path) { return QFile::decodeName(path.c_str()); }

// The first of the files that does not exist, or nothing.
std::optional<QString> MissingFile(const QStringList& files) {
  for (const QString& file : files)
    if (!QFileInfo::exists(file)) return file;
  return std::nullopt;
}

app::Outcome MissingFileOutcome(const QString& file, const QString& what) {
  return app::Outcome::Failed(QString("The record file %1 %2 is missing.").arg(file, what).toStdString(),
                              LocalPath(file));
}

}  // namespace

SessionController::SessionController(QWidget& window, Views views) : QObject(&window), views_(std::move(views)) {
  setObjectName("sessions");
  openAction_ = new QAction("Open session\u2026", this);
  openAction_->setObjectName("openSessionAction");
  openAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_O));
  connect(openAction_, &QAction::triggered, this, &SessionController::openSession);
  saveAction_ = new QAction("Save session\u2026", this);
  saveAction_->setObjectName("saveSessionAction");
  saveAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_S));
  connect(saveAction_, &QAction::triggered, this, &SessionController::saveSession);
  recentRecordsMenu_ = new QMenu("Recent files", &window);
  recentRecordsMenu_->setObjectName("recentFilesMenu");
  recentSessionsMenu_ = new QMenu("Recent sessions", &window);
  recentSessionsMenu_->setObjectName("recentSessionsMenu");
  // Opening replaces the record: held while a command runs, as the loads are.
  views_.heldWith->addAction(openAction_);
  saveDialog_ = MakeJsonFileDialog(&window, true, "session", "Sessions");
  openDialog_ = MakeJsonFileDialog(&window, false, "session", "Sessions");

  WindowSettingsBinder& remembered = *views_.remembered;
  for (RecentList* list : {&remembered.recentRecords(), &remembered.recentSessions()})
    connect(list, &RecentList::changed, this, &SessionController::rebuildRecentMenus);
  for (QFileDialog* dialog : {saveDialog_, openDialog_}) remembered.rememberFolder(*dialog);
  remembered.bind(
      kSettingsKey, [this] { return rememberedSettings(); }, [this](const QVariant& json) { restoreSettings(json); });

  connect(views_.record, &RecordController::loaded, this, &SessionController::recordLoaded);
  connect(views_.spectra, &SpectraController::calculated, this,
          [this](SpectraController::Method method, const app::Outcome& outcome) {
            using Method = SpectraController::Method;
            const app::SessionComputations& started = views_.spectra->lastSettings();
            if (method == Method::Classic && !outcome.unchanged()) {
              // A classic computation takes the field-standard drawing away, whatever its answer.
              computed_.classic = outcome.done() ? started.classic : std::nullopt;
              computed_.fieldStandard.reset();
              computed_.observedCurve.reset();
            } else if (method == Method::FieldStandard && !outcome.unchanged()) {
              computed_.fieldStandard = outcome.done() ? started.fieldStandard : std::nullopt;
            } else if (method == Method::TheoreticalCurve && outcome.done()) {
              computed_.theoreticalCurve = started.theoreticalCurve;
            }
            if (awaitingStep_) {
              awaitingStep_ = false;
              runNextStep();
            }
          });
  // A run leaves the curve of its final model, "Ref frq" and "K degree".
  connect(views_.inversion, &InversionController::finished, this, [this](const app::Outcome& outcome, bool) {
    if (outcome.done())
      computed_.theoreticalCurve =
          app::ForwardModelSettings{views_.workspace.referenceFrequency, views_.workspace.dispersionExponent};
  });
  rebuildRecentMenus();
}

SessionController::~SessionController() = default;

QList<QAction*> SessionController::fileActions() const {
  return {openAction_, saveAction_, recentSessionsMenu_->menuAction()};
}

const std::vector<QStringList>& SessionController::recentRecords() const {
  return views_.remembered->recentRecords().entries();
}

QStringList SessionController::recentSessions() const { return views_.remembered->recentSessions().paths(); }

// ---- Saving ----------------------------------------------------------------------

std::pair<app::WindowSettings, app::Outcome> SessionController::windowSettings(
    const app::WindowSettings& fallback) const {
  app::WindowSettings s = fallback;
  std::string refused;
  auto refuse = [&refused](const numerics::Outcome& outcome) {
    refused += (refused.empty() ? "" : "; ") + outcome.message;
  };
  auto number = [&](const char* label, const QLineEdit* field, double& target) {
    const numerics::Result<double> value = numerics::NumberField(label, field->text().toStdString());
    if (value.done())
      target = *value;
    else
      refuse(value.outcome);
  };
  const InversionPanel& panel = *views_.panel;
  // "Min frq" and "Max frq" through the classic settings' rows, each on its own.
  const auto& classicRows = app::ClassicSettingTable();
  for (const auto& [key, field] :
       {std::pair{"classic_min_hz", panel.minFrequency}, std::pair{"classic_max_hz", panel.maxFrequency}}) {
    const numerics::Setting<app::ClassicSettings>& row = *classicRows.find(key);
    const numerics::Result<double> value = numerics::SettingField(row, row.label, field->text().toStdString());
    if (value.done())
      row.set(s.analysis.classic, *value);
    else
      refuse(value.outcome);
  }
  s.analysis.classic.smoothedSpectra = views_.workspace.smoothedSpectra;
  number("Ref frq", panel.refFrequency, s.referenceFrequencyHz);
  number("K degree", panel.dispersionExponent, s.dispersionExponent);
  s.layersNumber = panel.layersNumber->value();
  s.iterNumber = panel.iterNumber->value();
  s.globalSearch = panel.globalSearch->isChecked();
  s.optimizeReferenceFrequency = panel.optimizeRefFrequency->isChecked();
  s.optimizeDispersionExponent = panel.optimizeDispersion->isChecked();
  s.ratioConstraint = panel.ratioConstraint->isChecked();
  s.zoomFactor = views_.workspace.zoomFactor;

  const FieldStandardView& form = *views_.fieldStandard;
  s.fieldStandard = form.chosen();
  if (const app::Result<app::FieldStandardSettings> read = form.readSettings(); read.done())
    s.analysis.fieldStandard = *read;
  else
    refuse(read.outcome);
  return {s, refused.empty() ? app::Outcome::Done() : app::Outcome::Failed(refused)};
}

app::Result<app::Session> SessionController::currentSession() const {
  const auto [settings, read] = windowSettings();
  if (!read.done()) return read;
  const app::Workspace& workspace = views_.workspace;
  app::Session session;
  session.record = views_.record->lastLoad();
  for (const windows::AnalysisWindow& w : workspace.windows.windows) session.windows.push_back({w.start, w.end});
  session.settings = settings;
  if (workspace.model.layerCount() >= inversion::kMinLayers) {
    session.model = workspace.model;
    session.settings.layersNumber = workspace.model.layerCount();  // the model follows "Layers number"
  }
  session.tables = workspace.modelTables;
  session.computed = computed_;
  return session;
}

app::Outcome SessionController::saveSessionTo(const QString& path) {
  const app::Result<app::Session> session = currentSession();
  if (!session.done()) {
    views_.report("Save session", session.outcome);
    return session.outcome;
  }
  const app::Outcome outcome = app::SaveSession(LocalPath(path), *session);
  if (!outcome.done()) {
    views_.tell(outcome);
    return outcome;
  }
  views_.remembered->recentSessions().add({QFileInfo(path).absoluteFilePath()});
  views_.note(QString("Session saved to %1").arg(QFileInfo(path).fileName()));
  return outcome;
}

void SessionController::saveSession() {
  if (views_.runDialog(*saveDialog_) != QDialog::Accepted) return;
  const QStringList files = saveDialog_->selectedFiles();
  if (files.isEmpty() || files.front().isEmpty()) return;
  QString path = files.front();
  if (QFileInfo(path).suffix().isEmpty()) path += ".json";
  saveSessionTo(path);
}

// ---- Opening ---------------------------------------------------------------------

void SessionController::openSession() {
  if (views_.runDialog(*openDialog_) != QDialog::Accepted) return;
  const QStringList files = openDialog_->selectedFiles();
  if (!files.isEmpty() && !files.front().isEmpty()) openSessionFrom(files.front());
}

void SessionController::openSessionFrom(const QString& path) {
  if (opening_ || !openAction_->isEnabled()) {
    const app::Outcome busy = app::Outcome::Unchanged("wait until the running command has ended");
    views_.report("Open session", busy);
    emit opened(busy);
    return;
  }
  const app::Result<app::Session> session = app::OpenSession(LocalPath(path));
  if (!session.done()) {
    views_.tell(session.outcome);
    emit opened(session.outcome);
    return;
  }
  // Nothing changes unless the record can be loaded again.
  if (session->record) {
    QStringList files;
    for (const std::string& file : session->record->paths) files << Decoded(file);
    if (const std::optional<QString> missing = MissingFile(files)) {
      const app::Outcome failure =
          MissingFileOutcome(*missing, QString("of the session %1").arg(QFileInfo(path).fileName()));
      views_.tell(failure);
      emit opened(failure);
      return;
    }
  }
  opening_ = *session;
  openingPath_ = QFileInfo(path).absoluteFilePath();
  if (!session->record) return apply(*opening_);
  const app::SessionRecord& record = *session->record;
  // The channels chosen when the session was saved, without asking again.
  views_.record->load(record.format, record.paths, record.channels.value_or(import::ChannelChoice{}));
}

void SessionController::noteObservedCurve(const std::string& file) {
  computed_ = {};
  computed_.observedCurve = file;
}

void SessionController::recordLoaded(const app::Outcome& outcome) {
  if (outcome.done()) {
    // An observed curve opened from a file stays with a new record; nothing else does.
    const std::optional<std::string> observed = computed_.observedCurve;
    computed_ = {};
    computed_.observedCurve = observed;
    if (const std::optional<app::SessionRecord>& loaded = views_.record->lastLoad()) {
      QStringList files;
      for (const std::string& file : loaded->paths) files << Decoded(file);
      views_.remembered->recentRecords().add(files);
    }
  }
  if (!opening_) return;
  // The window has said why the record was not loaded; the work stays as it was.
  if (!outcome.done()) return finishOpening(outcome.failed() ? outcome : app::Outcome::Unchanged(outcome.message));
  apply(*opening_);
}

void SessionController::apply(const app::Session& session) {
  app::Workspace& workspace = views_.workspace;
  showWindowSettings(session.settings);  // "Layers number" resizes the model, which is replaced below
  workspace.modelTables = session.tables;
  if (session.model)
    workspace.model = *session.model;
  else
    inversion::ResetModel(workspace.model, workspace.modelTables, session.settings.layersNumber);
  views_.showModel();
  workspace.windows.windows.clear();
  for (const windows::Interval& window : session.windows) app::AddAnalysisWindow(workspace, window.start, window.end);
  views_.windowBands->refresh();

  // No result of the work before stays, an observed curve included: the session's
  // computations come again.
  workspace.spectraResult.reset();
  workspace.theoreticalCurve.clear();
  views_.clearResults();
  computed_ = {};

  steps_.clear();
  SpectraController* spectra = views_.spectra;
  if (const auto& observed = session.computed.observedCurve)
    steps_.push_back([this, file = *observed] {
      // Read at once: a file that is gone is told, and the rest of the session still opens.
      views_.openObservedCurve(Decoded(file));
      awaitingStep_ = false;
      runNextStep();
    });
  if (const auto& classic = session.computed.classic)
    steps_.push_back([spectra, s = *classic] { spectra->calculate(app::SpectraSettings{s}); });
  if (const auto& form = session.computed.fieldStandard)
    steps_.push_back([spectra, s = *form] { spectra->calculateFieldStandard(s); });
  if (const auto& curve = session.computed.theoreticalCurve)
    steps_.push_back([spectra, s = *curve] { spectra->calculateTheoreticalCurve(s, app::Outcome::Done()); });
  runNextStep();
}

void SessionController::runNextStep() {
  if (steps_.empty()) return finishOpening(app::Outcome::Done());
  const std::function<void()> step = steps_.front();
  steps_.erase(steps_.begin());
  awaitingStep_ = true;
  step();  // answers through calculated(), which runs the next one
}

void SessionController::finishOpening(const app::Outcome& outcome) {
  if (outcome.done()) {
    views_.remembered->recentSessions().add({openingPath_});
    views_.note(QString("Session %1 opened").arg(QFileInfo(openingPath_).fileName()));
  }
  opening_.reset();
  steps_.clear();
  awaitingStep_ = false;
  emit opened(outcome);
}

void SessionController::showWindowSettings(const app::WindowSettings& s) {
  InversionPanel& panel = *views_.panel;
  panel.minFrequency->setText(ShortestText(s.analysis.classic.minFrequencyHz));
  panel.maxFrequency->setText(ShortestText(s.analysis.classic.maxFrequencyHz));
  panel.refFrequency->setText(ShortestText(s.referenceFrequencyHz));
  panel.dispersionExponent->setText(ShortestText(s.dispersionExponent));
  panel.layersNumber->setValue(s.layersNumber);
  panel.iterNumber->setValue(s.iterNumber);
  panel.globalSearch->setChecked(s.globalSearch);
  panel.optimizeRefFrequency->setChecked(s.optimizeReferenceFrequency);
  panel.optimizeDispersion->setChecked(s.optimizeDispersionExponent);
  panel.ratioConstraint->setChecked(s.ratioConstraint);
  views_.smoothedSpectra->setChecked(s.analysis.classic.smoothedSpectra);
  app::SetSmoothedSpectra(views_.workspace, s.analysis.classic.smoothedSpectra);

  FieldStandardView& form = *views_.fieldStandard;
  form.methodChoice()->setCurrentIndex(s.fieldStandard ? 1 : 0);
  form.showSettings(s.analysis.fieldStandard);

  views_.workspace.zoomFactor = s.zoomFactor;
  views_.timeRange->applyZoomFactor();
}

// ---- Remembered between runs -------------------------------------------------------

QVariant SessionController::rememberedSettings() const {
  // A field that is not a number keeps what was remembered before.
  app::WindowSettings before;
  if (QSettings* store = views_.remembered->store())
    if (const app::Result<app::WindowSettings> stored = app::ReadWindowSettings(
            store->value(kSettingsKey).toString().toStdString(), "the remembered settings");
        stored.done())
      before = *stored;
  return QString::fromStdString(app::WindowSettingsJson(windowSettings(before).first));
}

void SessionController::restoreSettings(const QVariant& json) {
  const QString remembered = json.toString();
  if (remembered.isEmpty()) return;
  const app::Result<app::WindowSettings> settings =
      app::ReadWindowSettings(remembered.toStdString(), "the remembered settings");
  if (settings.done())
    showWindowSettings(*settings);
  else
    views_.report("Remembered settings not used", settings.outcome);
}

void SessionController::rebuildRecentMenus() {
  const std::vector<QStringList>& records = recentRecords();
  recentRecordsMenu_->clear();
  for (std::size_t i = 0; i < records.size(); ++i) {
    const QStringList files = records[i];
    QStringList names;
    for (const QString& file : files) names << QFileInfo(file).fileName();
    QAction* action = recentRecordsMenu_->addAction(QString("&%1 %2").arg(i + 1).arg(names.join(", ")), this,
                                                    [this, files] { openRecentRecord(files); });
    action->setToolTip(files.join("\n"));
    action->setStatusTip(files.join(", "));
  }
  recentRecordsMenu_->setEnabled(!records.empty());
  const QStringList sessions = recentSessions();
  recentSessionsMenu_->clear();
  for (qsizetype i = 0; i < sessions.size(); ++i) {
    const QString path = sessions[i];
    QAction* action = recentSessionsMenu_->addAction(QString("&%1 %2").arg(i + 1).arg(QFileInfo(path).fileName()),
                                                     this, [this, path] { openRecentSession(path); });
    action->setToolTip(path);
    action->setStatusTip(path);
  }
  recentSessionsMenu_->setEnabled(!sessions.empty());
}

void SessionController::openRecentSession(const QString& path) {
  if (QFileInfo::exists(path)) return openSessionFrom(path);
  views_.tell(app::Outcome::Failed(QString("The session %1 is missing.").arg(path).toStdString(), LocalPath(path)));
  views_.remembered->recentSessions().remove({path});
}

void SessionController::openRecentRecord(const QStringList& files) {
  if (const std::optional<QString> missing = MissingFile(files)) {
    views_.tell(MissingFileOutcome(*missing, "of the recent files"));
    views_.remembered->recentRecords().remove(files);
    return;
  }
  views_.loadFiles(files);  // by content or extension, as a drop
}

}  // namespace corvath::ui
