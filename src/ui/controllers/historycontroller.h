#pragma once
// Undo and redo in the window: owns the workspace's history, the "Undo" and "Redo"
// actions (named after the step they take; the window puts them into its Edit menu),
// hands the history to the controllers that record steps, and redraws what a step
// changed.
#include <QObject>

#include "app/history.h"
#include "app/workspace.h"

class QAction;
class QActionGroup;
class QMainWindow;

namespace corvath::ui {

class InversionController;
class InversionPage;
class RecordController;
class TimeSeriesPage;

class HistoryController : public QObject {
  Q_OBJECT
public:
  //! Who records steps and who draws what they change.
  struct Views {
    RecordController* record;        //!< loads and "Remove zero"; the record's file names
    InversionController* inversion;  //!< a finished run's result; "H/Zc"
    TimeSeriesPage* timeSeries;      //!< the record curves; window gestures and their bands
    //! Model edits in the parameter table; "Layers number", "Ref frq", "K degree".
    InversionPage* inversionPage;
    //! The commands a running load, calculation or inversion disables: the two actions
    //! join them, so they stay off while the workspace is held.
    QActionGroup* heldWith;
  };

  HistoryController(QMainWindow& window, app::Workspace& workspace, const Views& views);

  app::WorkspaceHistory& history() { return history_; }
  QAction* undoAction() const { return undo_; }
  QAction* redoAction() const { return redo_; }

public slots:
  //! Takes back the latest step and redraws what it changed; nothing while a window
  //! is being drawn or stretched, or when there is nothing to undo.
  void undo();
  //! Takes the latest undone step again.
  void redo();

private:
  void updateActions();
  void show(const app::HistoryChange& change, const std::vector<std::string>& recordFiles, const QString& done);
  bool gestureUnderWay() const;

  QMainWindow& window_;
  app::Workspace& workspace_;
  Views views_;
  app::WorkspaceHistory history_;
  QAction* undo_;
  QAction* redo_;
};

}  // namespace corvath::ui
