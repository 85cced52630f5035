#include "ui/modelfiles.h"

#include <QAction>
#include <QFileDialog>
#include <QLineEdit>
#include <QMainWindow>
#include <QSignalBlocker>
#include <QSpinBox>

#include "app/modelfile.h"
#include "numerics/numbertext.h"
#include "ui/filedialogs.h"
#include "ui/inversionpanel.h"
#include "ui/modeltableview.h"

namespace corvath::ui {

ModelFileCommands::ModelFileCommands(QMainWindow& window, app::Workspace& workspace, InversionPanel& panel,
                                     ModelTableController& modelView, Answers answers)
    : QObject(&window), workspace_(workspace), panel_(panel), modelView_(modelView), answers_(std::move(answers)) {
  openAction_ = new QAction(QString::fromUtf8("Open model\u2026"), this);
  openAction_->setObjectName("openModelAction");
  connect(openAction_, &QAction::triggered, this, &ModelFileCommands::openModel);
  saveAction_ = new QAction(QString::fromUtf8("Save model\u2026"), this);
  saveAction_->setObjectName("saveModelAction");
  connect(saveAction_, &QAction::triggered, this, &ModelFileCommands::saveModel);
  openDialog_ = MakeModelFileDialog(&window, ModelFileDialog::Open);
  saveDialog_ = MakeModelFileDialog(&window, ModelFileDialog::Save);
}

void ModelFileCommands::openModel() {
  if (answers_.runDialog(*openDialog_) != QDialog::Accepted) return;
  const std::optional<std::string> path = ChosenModelFile(*openDialog_);
  if (!path) return;
  const app::Result<inversion::ModelTextSettings> opened = app::OpenModelText(workspace_, *path);
  if (!opened.done()) return answers_.tell(opened.outcome);
  {
    // The model has its layer count already: the box only follows it.
    const QSignalBlocker quiet(panel_.layersNumber);
    panel_.layersNumber->setValue(workspace_.model.layerCount());
  }
  modelView_.showModelTable();
  // The fields show the values exactly, so that a computation reads them back unchanged.
  if (opened->referenceFrequencyHz)
    panel_.refFrequency->setText(QString::fromStdString(numerics::NumberToShortestText(*opened->referenceFrequencyHz)));
  if (opened->dispersionExponent)
    panel_.dispersionExponent->setText(
        QString::fromStdString(numerics::NumberToShortestText(*opened->dispersionExponent)));
  emit modelOpened();
}

void ModelFileCommands::saveModel() {
  if (answers_.runDialog(*saveDialog_) != QDialog::Accepted) return;
  const std::optional<std::string> path = ChosenModelFile(*saveDialog_);
  if (!path) return;
  if (!ConfirmWrittenName(*saveDialog_, *path, answers_.ask)) return;
  const auto [forward, read] =
      panel_.forwardModelSettings({workspace_.referenceFrequency, workspace_.dispersionExponent});
  if (!read.done()) return answers_.tell(app::Outcome::Failed("The model is not saved: " + read.message, *path));
  const app::Outcome saved = app::SaveModelText(workspace_, app::ModelValueText::Exact, *path,
                                                {forward.referenceFrequencyHz, forward.dispersionExponent});
  if (!saved.done()) answers_.tell(saved);
}

}  // namespace corvath::ui
