#pragma once
// "Open model..." and "Save model...": the layered model with "Ref frq" and "K degree"
// as an exact model text, the same text the batch commands read and write.
#include <functional>

#include <QObject>
#include <QString>

#include "app/outcome.h"
#include "app/workspace.h"
#include "ui/dialogrunner.h"

class QAction;
class QFileDialog;
class QMainWindow;

namespace corvath::ui {

class InversionPanel;
class ModelTableController;

class ModelFileCommands : public QObject {
  Q_OBJECT
public:
  //! How the window answers: a dialog shown, a yes/no question, a failure told.
  struct Answers {
    std::function<int(QDialog&)> runDialog;
    std::function<bool(const QString& text)> ask;
    std::function<void(const app::Outcome& failure)> tell;
  };

  //! Puts "Open model..." and "Save model..." into the window's "File" menu.
  ModelFileCommands(QMainWindow& window, app::Workspace& workspace, InversionPanel& panel,
                    ModelTableController& modelView, Answers answers);

  //! "Open model...": the open dialog, then the file; the table, the profile, the layer
  //! count and the "Ref frq" and "K degree" the file carries are shown. A file refused
  //! is told (with its line) and the model stays.
  void openModel();
  //! "Save model...": every model value exact, then "Ref frq" and "K degree" as the
  //! panel holds them; a field that is no number is told and nothing is written.
  void saveModel();

  QAction* openAction() const { return openAction_; }
  QAction* saveAction() const { return saveAction_; }
  QFileDialog& openDialog() { return *openDialog_; }
  QFileDialog& saveDialog() { return *saveDialog_; }

signals:
  //! A model file replaced the model (anything drawn of the model before goes).
  void modelOpened();

private:
  app::Workspace& workspace_;
  InversionPanel& panel_;
  ModelTableController& modelView_;
  Answers answers_;
  QAction* openAction_;
  QAction* saveAction_;
  QFileDialog* openDialog_;
  QFileDialog* saveDialog_;
};

}  // namespace corvath::ui
