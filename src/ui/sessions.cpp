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
#include "ui/mainwindow.h"
#include "ui/menus.h"
#include "ui/timerange.h"
#include "ui/windowbands.h"

namespace corvath::ui {
namespace {

const char* const kSettingsKey = "window/settings";
const char* const kRecentRecordsKey = "recent/records";
const char* const kRecentSessionsKey = "recent/sessions";
const char* const kComponentFilesKey = "folders/loadComponents";

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

SessionController::SessionController(MainWindow& window) : QObject(&window), window_(window) {
  setObjectName("sessions");
  QMenu* file = TopMenu(window, "File");
  openAction_ = file->addAction("Open session\u2026", this, &SessionController::openSession);
  openAction_->setObjectName("openSessionAction");
  openAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_O));
  saveAction_ = file->addAction("Save session\u2026", this, &SessionController::saveSession);
  saveAction_->setObjectName("saveSessionAction");
  saveAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_S));
  recentRecordsMenu_ = file->addMenu("Recent files");
  recentRecordsMenu_->setObjectName("recentFilesMenu");
  recentSessionsMenu_ = file->addMenu("Recent sessions");
  recentSessionsMenu_->setObjectName("recentSessionsMenu");
  // Opening replaces the record: held while a command runs, as the loads are.
  window.workspaceCommands_->addAction(openAction_);
  saveDialog_ = MakeJsonFileDialog(&window, true, "session", "Sessions");
  openDialog_ = MakeJsonFileDialog(&window, false, "session", "Sessions");

  connect(window.record_, &RecordController::loaded, this, &SessionController::recordLoaded);
  connect(window.spectra_, &SpectraController::calculated, this,
          [this](SpectraController::Method method, const app::Outcome& outcome) {
            using Method = SpectraController::Method;
            const app::SessionComputations& started = window_.spectra_->lastSettings();
            if (method == Method::Classic && !outcome.unchanged()) {
              // A classic computation takes the field-standard drawing away, whatever its answer.
              computed_.classic = outcome.done() ? started.classic : std::nullopt;
              computed_.fieldStandard.reset();
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
  connect(window.inversion_, &InversionController::finished, this, [this](const app::Outcome& outcome, bool) {
    if (outcome.done())
      computed_.theoreticalCurve =
          app::ForwardModelSettings{window_.workspace_.referenceFrequency, window_.workspace_.dispersionExponent};
  });
  window.installEventFilter(this);
  rebuildRecentMenus();
}

SessionController::~SessionController() = default;

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
  const InversionPanel& panel = *window_.panel_;
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
  s.analysis.classic.smoothedSpectra = window_.workspace_.smoothedSpectra;
  number("Ref frq", panel.refFrequency, s.referenceFrequencyHz);
  number("K degree", panel.dispersionExponent, s.dispersionExponent);
  s.layersNumber = panel.layersNumber->value();
  s.iterNumber = panel.iterNumber->value();
  s.globalSearch = panel.globalSearch->isChecked();
  s.optimizeReferenceFrequency = panel.optimizeRefFrequency->isChecked();
  s.optimizeDispersionExponent = panel.optimizeDispersion->isChecked();
  s.ratioConstraint = panel.ratioConstraint->isChecked();
  s.zoomFactor = window_.workspace_.zoomFactor;

  const FieldStandardView& form = *window_.fieldStandard_;
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
  const app::Workspace& workspace = window_.workspace_;
  app::Session session;
  session.record = window_.record_->lastLoad();
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
    window_.report("Save session", session.outcome);
    return session.outcome;
  }
  const app::Outcome outcome = app::SaveSession(LocalPath(path), *session);
  if (!outcome.done()) {
    window_.showFailure(outcome);
    return outcome;
  }
  addRecent({QFileInfo(path).absoluteFilePath()}, true);
  window_.statusBar()->showMessage(QString("Session saved to %1").arg(QFileInfo(path).fileName()), 5000);
  return outcome;
}

void SessionController::saveSession() {
  if (window_.runDialog_(*saveDialog_) != QDialog::Accepted) return;
  const QStringList files = saveDialog_->selectedFiles();
  if (files.isEmpty() || files.front().isEmpty()) return;
  QString path = files.front();
  if (QFileInfo(path).suffix().isEmpty()) path += ".json";
  saveSessionTo(path);
}

// ---- Opening ---------------------------------------------------------------------

void SessionController::openSession() {
  if (window_.runDialog_(*openDialog_) != QDialog::Accepted) return;
  const QStringList files = openDialog_->selectedFiles();
  if (!files.isEmpty() && !files.front().isEmpty()) openSessionFrom(files.front());
}

void SessionController::openSessionFrom(const QString& path) {
  if (opening_ || !openAction_->isEnabled()) {
    const app::Outcome busy = app::Outcome::Unchanged("wait until the running command has ended");
    window_.report("Open session", busy);
    emit opened(busy);
    return;
  }
  const app::Result<app::Session> session = app::OpenSession(LocalPath(path));
  if (!session.done()) {
    window_.showFailure(session.outcome);
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
      window_.showFailure(failure);
      emit opened(failure);
      return;
    }
  }
  opening_ = *session;
  openingPath_ = QFileInfo(path).absoluteFilePath();
  if (!session->record) return apply(*opening_);
  const app::SessionRecord& record = *session->record;
  // The channels chosen when the session was saved, without asking again.
  window_.record_->load(record.format, record.paths, record.channels.value_or(import::ChannelChoice{}));
}

void SessionController::recordLoaded(const app::Outcome& outcome) {
  if (outcome.done()) {
    computed_ = {};
    if (const std::optional<app::SessionRecord>& loaded = window_.record_->lastLoad()) {
      QStringList files;
      for (const std::string& file : loaded->paths) files << Decoded(file);
      addRecent(files, false);
    }
  }
  if (!opening_) return;
  // The window has said why the record was not loaded; the work stays as it was.
  if (!outcome.done()) return finishOpening(outcome.failed() ? outcome : app::Outcome::Unchanged(outcome.message));
  apply(*opening_);
}

void SessionController::apply(const app::Session& session) {
  MainWindow& w = window_;
  app::Workspace& workspace = w.workspace_;
  showWindowSettings(session.settings);  // "Layers number" resizes the model, which is replaced below
  workspace.modelTables = session.tables;
  if (session.model)
    workspace.model = *session.model;
  else
    inversion::ResetModel(workspace.model, workspace.modelTables, session.settings.layersNumber);
  w.showModel();
  workspace.windows.windows.clear();
  for (const windows::Interval& window : session.windows) app::AddAnalysisWindow(workspace, window.start, window.end);
  w.windowBands_->refresh();

  // No result of the work before stays in view: the session's computations come again.
  workspace.spectraResult.reset();
  workspace.fieldStandardResult.reset();
  workspace.azimuthalResult.reset();
  workspace.theoreticalCurve.clear();
  w.fieldStandard_->clearResult(w.ratioChart_);
  charts::ClearSpectraResult(w.horizontalSpectraChart_, w.verticalSpectraChart_, w.ratioChart_);
  w.theoreticalRatioGraph_->data()->clear();
  w.ratioChart_->replot();
  w.saveResultsAction_->setEnabled(false);
  w.refreshLegends();
  computed_ = {};

  steps_.clear();
  SpectraController* spectra = w.spectra_;
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
    addRecent({openingPath_}, true);
    window_.statusBar()->showMessage(QString("Session %1 opened").arg(QFileInfo(openingPath_).fileName()), 5000);
  }
  opening_.reset();
  steps_.clear();
  awaitingStep_ = false;
  emit opened(outcome);
}

void SessionController::showWindowSettings(const app::WindowSettings& s) {
  MainWindow& w = window_;
  InversionPanel& panel = *w.panel_;
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
  w.smoothedSpectraAction_->setChecked(s.analysis.classic.smoothedSpectra);
  app::SetSmoothedSpectra(w.workspace_, s.analysis.classic.smoothedSpectra);

  FieldStandardView& form = *w.fieldStandard_;
  form.methodChoice()->setCurrentIndex(s.fieldStandard ? 1 : 0);
  form.showSettings(s.analysis.fieldStandard);

  w.workspace_.zoomFactor = s.zoomFactor;
  w.timeRange_->applyZoomFactor();
}

// ---- Remembered between runs -------------------------------------------------------

void SessionController::useSettings(std::unique_ptr<QSettings> store) {
  store_ = std::move(store);
  if (!store_) return;
  recentRecords_.clear();
  const int records = store_->beginReadArray(kRecentRecordsKey);
  for (int i = 0; i < records; ++i) {
    store_->setArrayIndex(i);
    if (const QStringList files = store_->value("files").toStringList(); !files.isEmpty()) recentRecords_.push_back(files);
  }
  store_->endArray();
  recentSessions_ = store_->value(kRecentSessionsKey).toStringList();
  rebuildRecentMenus();
  for (QFileDialog* dialog : {window_.recordFileDialog_, window_.saveResultsDialog_, saveDialog_, openDialog_})
    RememberFolder(*dialog, *store_);
  // "Load components" offers the three files it last loaded, so its browsing starts in their folder.
  LoadComponentsDialog& components = *window_.loadComponentsDialog_;
  const QStringList lastComponents = store_->value(kComponentFilesKey).toStringList();
  if (lastComponents.size() == 3)
    for (int c = 0; c < 3; ++c) components.setFileName(c, lastComponents[c]);
  connect(&components, &QDialog::accepted, store_.get(), [this, &components] {
    store_->setValue(kComponentFilesKey,
                     QStringList{components.fileName(0), components.fileName(1), components.fileName(2)});
  });
  const QString remembered = store_->value(kSettingsKey).toString();
  if (remembered.isEmpty()) return;
  const app::Result<app::WindowSettings> settings =
      app::ReadWindowSettings(remembered.toStdString(), "the remembered settings");
  if (settings.done())
    showWindowSettings(*settings);
  else
    window_.report("Remembered settings not used", settings.outcome);
}

void SessionController::remember() {
  if (!store_) return;
  // A field that is not a number keeps what was remembered before.
  app::WindowSettings before;
  if (const app::Result<app::WindowSettings> stored =
          app::ReadWindowSettings(store_->value(kSettingsKey).toString().toStdString(), "the remembered settings");
      stored.done())
    before = *stored;
  store_->setValue(kSettingsKey, QString::fromStdString(app::WindowSettingsJson(windowSettings(before).first)));
  store_->sync();
}

bool SessionController::eventFilter(QObject* watched, QEvent* event) {
  if (watched == &window_ && event->type() == QEvent::Close) remember();
  return QObject::eventFilter(watched, event);
}

void SessionController::addRecent(const QStringList& entry, bool session) {
  if (session) {
    recentSessions_.removeAll(entry.front());
    recentSessions_.prepend(entry.front());
    while (recentSessions_.size() > kRecentEntries) recentSessions_.removeLast();
  } else {
    std::erase(recentRecords_, entry);
    recentRecords_.insert(recentRecords_.begin(), entry);
    if (recentRecords_.size() > std::size_t(kRecentEntries)) recentRecords_.resize(kRecentEntries);
  }
  rebuildRecentMenus();
  storeRecents();
}

void SessionController::storeRecents() {
  if (!store_) return;
  store_->remove(kRecentRecordsKey);
  store_->beginWriteArray(kRecentRecordsKey, int(recentRecords_.size()));
  for (std::size_t i = 0; i < recentRecords_.size(); ++i) {
    store_->setArrayIndex(int(i));
    store_->setValue("files", recentRecords_[i]);
  }
  store_->endArray();
  store_->setValue(kRecentSessionsKey, recentSessions_);
  store_->sync();
}

void SessionController::rebuildRecentMenus() {
  recentRecordsMenu_->clear();
  for (std::size_t i = 0; i < recentRecords_.size(); ++i) {
    const QStringList files = recentRecords_[i];
    QStringList names;
    for (const QString& file : files) names << QFileInfo(file).fileName();
    QAction* action = recentRecordsMenu_->addAction(QString("&%1 %2").arg(i + 1).arg(names.join(", ")), this,
                                                    [this, files] { openRecentRecord(files); });
    action->setToolTip(files.join("\n"));
    action->setStatusTip(files.join(", "));
  }
  recentRecordsMenu_->setEnabled(!recentRecords_.empty());
  recentSessionsMenu_->clear();
  for (qsizetype i = 0; i < recentSessions_.size(); ++i) {
    const QString path = recentSessions_[i];
    QAction* action = recentSessionsMenu_->addAction(QString("&%1 %2").arg(i + 1).arg(QFileInfo(path).fileName()),
                                                     this, [this, path] {
                                                       if (QFileInfo::exists(path)) return openSessionFrom(path);
                                                       window_.showFailure(app::Outcome::Failed(
                                                           QString("The session %1 is missing.").arg(path).toStdString(),
                                                           LocalPath(path)));
                                                       recentSessions_.removeAll(path);
                                                       rebuildRecentMenus();
                                                       storeRecents();
                                                     });
    action->setToolTip(path);
    action->setStatusTip(path);
  }
  recentSessionsMenu_->setEnabled(!recentSessions_.empty());
}

void SessionController::openRecentRecord(const QStringList& files) {
  if (const std::optional<QString> missing = MissingFile(files)) {
    window_.showFailure(MissingFileOutcome(*missing, "of the recent files"));
    std::erase(recentRecords_, files);
    rebuildRecentMenus();
    storeRecents();
    return;
  }
  window_.loadDroppedFiles(files);  // by content or extension, as a drop
}

}  // namespace corvath::ui
