#include "ui/controllers/historycontroller.h"

#include <QAction>
#include <QActionGroup>
#include <QMainWindow>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QStatusBar>

#include "ui/controllers/inversioncontroller.h"
#include "ui/controllers/recordcontroller.h"
#include "ui/inversionpanel.h"
#include "ui/modeltableview.h"
#include "ui/pages.h"
#include "ui/windowbands.h"

namespace corvath::ui {
namespace {

// How long the status bar tells what undo or redo did (ms).
constexpr int kToldMs = 4000;

// The platform's keys for the command, with `primary` first (shown in the menu).
QAction* MakeAction(QObject* parent, const char* name, const QString& text, QKeySequence::StandardKey key,
                    const QKeySequence& primary) {
  auto* action = new QAction(text, parent);
  action->setObjectName(name);
  QList<QKeySequence> keys = QKeySequence::keyBindings(key);
  keys.removeAll(primary);
  keys.prepend(primary);
  action->setShortcuts(keys);
  action->setShortcutContext(Qt::WindowShortcut);
  action->setEnabled(false);
  return action;
}

}  // namespace

HistoryController::HistoryController(QMainWindow& window, app::Workspace& workspace, const Views& views)
    : QObject(&window),
      window_(window),
      workspace_(workspace),
      views_(views),
      undo_(MakeAction(&window, "undoAction", "Undo", QKeySequence::Undo, QKeySequence(Qt::CTRL | Qt::Key_Z))),
      redo_(MakeAction(&window, "redoAction", "Redo", QKeySequence::Redo,
                       QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z))) {
  window.addActions({undo_, redo_});  // the shortcuts work wherever the focus is in the window
  if (views_.heldWith) {
    views_.heldWith->addAction(undo_);
    views_.heldWith->addAction(redo_);
  }
  connect(undo_, &QAction::triggered, this, &HistoryController::undo);
  connect(redo_, &QAction::triggered, this, &HistoryController::redo);

  history_.setListener([this] { updateActions(); });
  views_.record->setHistory(&history_);
  views_.inversion->setHistory(&history_);
  views_.timeSeries->windowBands->setHistory(&history_);
  views_.inversionPage->modelView->setHistory(&history_);
  updateActions();
}

void HistoryController::updateActions() {
  // Enabling an action of a disabled group leaves it off until the group is enabled.
  const QString undoName = QString::fromStdString(history_.undoName());
  const QString redoName = QString::fromStdString(history_.redoName());
  undo_->setText(undoName.isEmpty() ? QString("Undo") : QString("Undo %1").arg(undoName));
  redo_->setText(redoName.isEmpty() ? QString("Redo") : QString("Redo %1").arg(redoName));
  undo_->setEnabled(history_.canUndo());
  redo_->setEnabled(history_.canRedo());
  for (QAction* action : {undo_, redo_}) action->setStatusTip(action->text());
}

bool HistoryController::gestureUnderWay() const {
  return workspace_.windows.creating || workspace_.windows.edgeDrag.has_value();
}

void HistoryController::undo() {
  if (!undo_->isEnabled() || gestureUnderWay()) return;
  std::vector<std::string> files = views_.record->fileNames();
  if (const std::optional<app::HistoryChange> change = history_.undo(workspace_, &files))
    show(*change, files, "Undone");
}

void HistoryController::redo() {
  if (!redo_->isEnabled() || gestureUnderWay()) return;
  std::vector<std::string> files = views_.record->fileNames();
  if (const std::optional<app::HistoryChange> change = history_.redo(workspace_, &files))
    show(*change, files, "Redone");
}

void HistoryController::show(const app::HistoryChange& change, const std::vector<std::string>& recordFiles,
                             const QString& done) {
  const app::HistoryParts& parts = change.parts;
  if (change.wholeRecord) {
    // Another record: shown as a load shows one (curves, windows, model, its files).
    views_.record->showRestoredRecord(recordFiles);
  } else if (parts.record) {
    views_.timeSeries->rescaleAmplitudes();  // the values changed in place
  }
  InversionPanel& panel = *views_.inversionPage->panel;
  if (parts.windows) views_.timeSeries->windowBands->refresh();
  if (parts.model) {
    views_.inversionPage->modelView->showModelTable();
    const QSignalBlocker quiet(panel.layersNumber);  // shown, not stepped
    panel.layersNumber->setValue(workspace_.model.layerCount());
  }
  if (parts.forward) {
    panel.showForwardModelValues(workspace_.referenceFrequency, workspace_.dispersionExponent, true, true);
    views_.inversion->showCurve();
  }
  window_.statusBar()->showMessage(QString("%1: %2").arg(done, QString::fromStdString(change.name)), kToldMs);
}

}  // namespace corvath::ui
