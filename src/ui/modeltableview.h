#pragma once
// Drawing the layered model and taking the user's changes to it: the parameter
// table (centred cells, silver where a value is fixed, right-button toggling of the
// invert flag, validated editing, heading clicks) and the depth profile chart.
// Table row 0 of the model's cell numbering is the horizontal header, so model
// cell (c, r) is the widget's cell (row r - 1, column c).
#include <QObject>

#include <vector>

#include "app/history.h"
#include "app/workspace.h"
#include "inversion/model.h"
#include "numerics/arrays.h"

class QCustomPlot;
class QTableWidget;

namespace corvath::ui {

//! Sets up the parameter table: seven columns with their headings, centred
//! headings, no row header, clickable column headings. May be called again.
void SetUpModelTable(QTableWidget& table);

//! Writes the model into the table: one row per layer, the layer number in column 0
//! (not editable), "*" for the half-space's H, Qp and Qs, centred editable cells,
//! silver cells where the invert flag is off.
void ShowModelTable(QTableWidget& table, const inversion::amodel& model);

//! Sets up the profile chart: inverted depth axis titled "Depth, m", grid shown, no
//! legend, one line curve 2 pixels wide. May be called again (one curve only).
void SetUpProfileChart(QCustomPlot& chart);

//! Draws the depth profile of parameter p (H draws Vp) as a staircase in the order
//! of its points; the bottom axis is titled with the parameter's heading.
void ShowProfile(QCustomPlot& chart, const inversion::amodel& model, int p);

//! The texts of the table as shown: the heading row, then every row's cell texts
//! (what "Model to text file" writes).
std::vector<numerics::arofstrM> ModelTableTexts(const QTableWidget& table);

//! Binds the parameter table and the profile chart to the workspace's model and
//! tables (the workspace must outlive it): draws them and applies right-button toggles and
//! edited cells to the model. Heading clicks are only announced, for the window to
//! run the "Settings" dialog (EditParameterSettings).
class ModelTableController : public QObject {
  Q_OBJECT
public:
  ModelTableController(QTableWidget* table, QCustomPlot* profileChart, app::Workspace& workspace,
                       QObject* parent = nullptr);

  QTableWidget* table() const { return table_; }

  //! Takes edits, right presses and heading clicks (true) or only shows the model
  //! (false, while an inversion runs).
  void setEditable(bool editable);
  bool editable() const { return editable_; }
  QCustomPlot* profileChart() const { return chart_; }
  //! Where the changes taken here ("Edit model value", "Invert flag", "Layers number",
  //! and "Settings" when the window's dialog changed the model or its tables) are
  //! recorded as undoable steps.
  void setHistory(app::WorkspaceHistory* history) { history_ = history; }

public slots:
  //! ShowModelTable: the model into the table, then the profile of SelectedParameter.
  void showModelTable();
  //! Draws the profile of SelectedParameter only.
  void showProfile();
  //! Makes p the SelectedParameter and draws its profile.
  void showParameter(int p);
  //! "Layers number" stepped to n: SetLayerCount, then showModelTable. "Iter number"
  //! runs it with the current count, which only refreshes the table.
  void setLayerCount(int layers);

signals:
  //! The heading of parameter p (0..5) was clicked: open the "Settings" dialog for it.
  void parameterSettingsRequested(int p);
  //! A right-button press toggled the invert flag of cell (column c, row r).
  void invertFlagToggled(int c, int r);
  //! An edited cell (column c, row r) was accepted and its value stored.
  void cellValueAccepted(int c, int r);
  //! An edited cell's text was refused (the cell shows its previous text again); the
  //! reason names the column ("Vs(km/s): '7' is not within 0.01 to 6").
  void cellEditRefused(const QString& reason);

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  QString validateEdit(int c, int r, const QString& text, const QString& previous);
  //! Records the step when the model or its tables differ from `before`.
  void recordStep(const char* name, app::Snapshot before);

  QTableWidget* table_;
  QCustomPlot* chart_;
  app::Workspace& workspace_;
  bool editable_ = true;
  int editTriggers_ = 0;
  app::WorkspaceHistory* history_ = nullptr;
};

}  // namespace corvath::ui
