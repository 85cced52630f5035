#include "ui/modeltableview.h"

#include "app/commands.h"

#include <algorithm>
#include <cmath>
#include <functional>

#include <QHeaderView>
#include <QLineEdit>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <qcustomplot.h>

#include "inversion/modeltable.h"
#include "ui/ensembleview.h"
#include "numerics/numberfield.h"

namespace corvath::ui {
namespace {

const QColor kSilver(192, 192, 192);

QTableWidgetItem* CenteredItem(const QString& text, bool editable) {
  auto* item = new QTableWidgetItem(text);
  item->setTextAlignment(Qt::AlignCenter);
  Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
  if (editable) flags |= Qt::ItemIsEditable;
  item->setFlags(flags);
  return item;
}

// Silver where the value is fixed, the table's own background otherwise.
void PaintCell(QTableWidgetItem& item, const inversion::amodel& model, int c, int r) {
  if (inversion::IsSilverCell(model, c, r))
    item.setBackground(kSilver);
  else
    item.setData(Qt::BackgroundRole, QVariant());
}

QCPCurve* ProfileCurve(QCustomPlot& chart) {
  return chart.plottableCount() > 0 ? qobject_cast<QCPCurve*>(chart.plottable(0)) : nullptr;
}

// Hands the typed text to a validator, which answers the text the cell keeps:
// the typed one when accepted, the previous one when refused.
class ValidatingDelegate : public QStyledItemDelegate {
public:
  using Validator = std::function<QString(const QModelIndex&, const QString& text, const QString& previous)>;
  ValidatingDelegate(Validator validator, QObject* parent)
      : QStyledItemDelegate(parent), validator_(std::move(validator)) {}

  void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override {
    auto* line = qobject_cast<QLineEdit*>(editor);
    if (!line) {
      QStyledItemDelegate::setModelData(editor, model, index);
      return;
    }
    const QString previous = index.data(Qt::EditRole).toString();
    // An unchanged text would replace the exact value by its rounded display.
    if (line->text() == previous) return;
    model->setData(index, validator_(index, line->text(), previous), Qt::EditRole);
  }

protected:
  // As in a spreadsheet: Enter stores the cell and moves to the cell below; Tab
  // (handled by the view) moves to the right.
  bool eventFilter(QObject* object, QEvent* event) override {
    auto* editor = qobject_cast<QWidget*>(object);
    if (editor && event->type() == QEvent::KeyPress) {
      const int key = static_cast<QKeyEvent*>(event)->key();
      if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        auto* view = qobject_cast<QAbstractItemView*>(parent());
        emit commitData(editor);
        emit closeEditor(editor, QAbstractItemDelegate::NoHint);
        if (view) {
          const QModelIndex current = view->currentIndex();
          const QModelIndex below = current.sibling(current.row() + 1, current.column());
          if (below.isValid()) view->setCurrentIndex(below);
        }
        return true;
      }
    }
    return QStyledItemDelegate::eventFilter(object, event);
  }

private:
  Validator validator_;
};

}  // namespace

void SetUpModelTable(QTableWidget& table) {
  table.setColumnCount(inversion::kParameterCount + 1);
  QStringList headings;
  for (const char* heading : inversion::kModelTableHeadings) headings << heading;
  table.setHorizontalHeaderLabels(headings);
  table.verticalHeader()->setVisible(false);
  table.horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
  table.horizontalHeader()->setSectionsClickable(true);
  table.setColumnWidth(0, 40);
  for (int c = 1; c <= inversion::kParameterCount; ++c) table.setColumnWidth(c, 65);
  table.verticalHeader()->setDefaultSectionSize(22);
}

void ShowModelTable(QTableWidget& table, const inversion::amodel& model) {
  const int n = model.layerCount();
  table.setRowCount(n);
  for (int i = 0; i < n; ++i) {
    table.setItem(i, 0, CenteredItem(QString::number(i + 1), false));
    for (int p = 0; p < inversion::kParameterCount; ++p) {
      auto* item = CenteredItem(QString::fromStdString(inversion::ModelCellText(model, p, i)), true);
      PaintCell(*item, model, p + 1, i + 1);
      table.setItem(i, p + 1, item);
    }
  }
}

void SetUpProfileChart(QCustomPlot& chart) {
  chart.yAxis->setRangeReversed(true);  // depth grows downward
  chart.yAxis->setLabel("Depth, m");
  chart.xAxis->ticker()->setTickCount(4);
  chart.legend->setVisible(false);
  for (QCPAxis* axis : {chart.xAxis, chart.yAxis}) axis->grid()->setVisible(true);
  if (ProfileCurve(chart)) return;
  auto* curve = new QCPCurve(chart.xAxis, chart.yAxis);
  curve->setPen(QPen(QColor(0, 0, 160), 2));
  curve->setLineStyle(QCPCurve::lsLine);
  curve->setScatterStyle(QCPScatterStyle::ssNone);
}

void ShowProfile(QCustomPlot& chart, const inversion::amodel& model, int p) {
  QCPCurve* curve = ProfileCurve(chart);
  if (!curve) return;
  const int shown = (p <= 0 || p >= inversion::kParameterCount) ? 1 : p;
  // The table's headings with the units written out for an axis.
  static const char* const kAxisLabels[] = {"H, m",          "Vp, km/s", "Vs, km/s",
                                            "Density, g/cm³", "Qp",       "Qs"};
  chart.xAxis->setLabel(QString::fromUtf8(kAxisLabels[shown]));
  const auto points = inversion::ProfilePoints(model, shown);
  QVector<double> t, keys, values;
  for (const auto& [value, depth] : points) {
    t.append(t.size());  // drawing order: the points as added
    keys.append(value);
    values.append(depth);
  }
  curve->setData(t, keys, values, true);
  // Graphs drawn for one parameter only (an ensemble's band) show with it and widen the ranges.
  double deepest = values.isEmpty() ? 0.0 : values.back();
  QCPRange extra;
  bool anyExtra = false;
  for (int i = 1; i < chart.plottableCount(); ++i) {
    auto* graph = qobject_cast<QCPGraph*>(chart.plottable(i));
    const QVariant parameter = graph ? graph->property(kProfileParameterProperty) : QVariant();
    if (!parameter.isValid()) continue;
    graph->setVisible(parameter.toInt() == shown && !graph->data()->isEmpty());
    bool found = false;
    const QCPRange range = graph->getValueRange(found);
    if (!graph->visible() || !found) continue;
    extra = anyExtra ? QCPRange(std::min(extra.lower, range.lower), std::max(extra.upper, range.upper)) : range;
    anyExtra = true;
    deepest = std::max(deepest, graph->getKeyRange(found).upper);
  }
  if (points.empty()) {
    chart.replot();
    return;
  }
  // The curve spans 3 % to 97 % of the width; depth runs from the surface down.
  const auto [minIt, maxIt] = std::minmax_element(keys.begin(), keys.end());
  double low = *minIt, high = *maxIt;
  if (anyExtra) {
    low = std::min(low, extra.lower);
    high = std::max(high, extra.upper);
  }
  if (high - low < 1e-12 * std::max(1.0, std::abs(high))) {
    const double half = std::max(0.05 * std::abs(high), 1e-3);
    low -= half;
    high += half;
  }
  const double pad = (high - low) * 0.03 / 0.94;
  chart.xAxis->setRange(low - pad, high + pad);
  chart.yAxis->setRange(0.0, std::max(deepest, 1e-3));
  chart.replot();
}

std::vector<numerics::arofstrM> ModelTableTexts(const QTableWidget& table) {
  std::vector<numerics::arofstrM> rows(table.rowCount() + 1, numerics::arofstrM(table.columnCount()));
  for (int c = 0; c < table.columnCount(); ++c) {
    if (const QTableWidgetItem* heading = table.horizontalHeaderItem(c)) rows[0][c] = heading->text().toStdString();
    for (int r = 0; r < table.rowCount(); ++r)
      if (const QTableWidgetItem* item = table.item(r, c)) rows[r + 1][c] = item->text().toStdString();
  }
  return rows;
}

ModelTableController::ModelTableController(QTableWidget* table, QCustomPlot* profileChart,
                                           app::Workspace& workspace, QObject* parent)
    : QObject(parent), table_(table), chart_(profileChart), workspace_(workspace) {
  SetUpModelTable(*table_);
  SetUpProfileChart(*chart_);
  table_->setItemDelegate(new ValidatingDelegate(
      [this](const QModelIndex& index, const QString& text, const QString& previous) {
        return validateEdit(index.column(), index.row() + 1, text, previous);
      },
      table_));
  table_->viewport()->installEventFilter(this);
  connect(table_->horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int c) {
    if (!editable_ || c < 1 || c > inversion::kParameterCount) return;
    app::Snapshot before = app::Snapshot::Model(workspace_);
    emit parameterSettingsRequested(c - 1);  // the window runs the dialog before this returns
    // Opening the dialog alone switches the profile shown: no step of its own.
    inversion::ModelTables opened = before.model->tables;
    opened.SelectedParameter = workspace_.modelTables.SelectedParameter;
    if (before.model->model == workspace_.model && opened == workspace_.modelTables) return;
    recordStep("Settings", std::move(before));
  });
  showModelTable();
}

void ModelTableController::setEditable(bool editable) {
  if (editable == editable_) return;
  editable_ = editable;
  if (!editable) {
    editTriggers_ = static_cast<int>(table_->editTriggers());
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  } else {
    table_->setEditTriggers(QAbstractItemView::EditTriggers(editTriggers_));
  }
}

void ModelTableController::showModelTable() {
  ShowModelTable(*table_, workspace_.model);
  showProfile();
}

void ModelTableController::showParameter(int p) {
  workspace_.modelTables.SelectedParameter = p;
  showProfile();
}

void ModelTableController::showProfile() { ShowProfile(*chart_, workspace_.model, workspace_.modelTables.SelectedParameter); }

void ModelTableController::setLayerCount(int layers) {
  app::Snapshot before = app::Snapshot::Model(workspace_);
  app::SetLayerCount(workspace_, layers);
  recordStep("Layers number", std::move(before));
  showModelTable();
}

void ModelTableController::recordStep(const char* name, app::Snapshot before) {
  if (history_) history_->recordIfChanged(name, std::move(before), workspace_);
}

QString ModelTableController::validateEdit(int c, int r, const QString& text, const QString& previous) {
  if (!inversion::IsDataCell(workspace_.model, c, r)) return previous;
  // The text becomes a number here, within the hard limits of its parameter.
  const numerics::Complex hard = workspace_.modelTables.HardLimits[c - 1];
  const numerics::Result<double> value =
      numerics::NumberField(inversion::kModelTableHeadings[c], text.toStdString(), hard.re, hard.im);
  app::Snapshot before = app::Snapshot::Model(workspace_);
  const app::Outcome stored = value.done() ? app::EditModelCell(workspace_, c, r, *value) : value.outcome;
  recordStep("Edit model value", std::move(before));
  if (!stored.done()) {
    if (stored.failed()) emit cellEditRefused(QString::fromStdString(stored.message));
    return previous;
  }
  showProfile();
  emit cellValueAccepted(c, r);
  return text;
}

bool ModelTableController::eventFilter(QObject* watched, QEvent* event) {
  // The type first: while the table is being destroyed its viewport still sends
  // events, and the table must not be asked anything then.
  if (event->type() == QEvent::MouseButtonPress && editable_ && watched == table_->viewport()) {
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() == Qt::RightButton) {
      const QModelIndex index = table_->indexAt(mouse->position().toPoint());
      const int c = index.column(), r = index.row() + 1;
      app::Snapshot before = app::Snapshot::Model(workspace_);
      if (index.isValid() && app::ToggleInvertFlag(workspace_, c, r).done()) {
        recordStep("Invert flag", std::move(before));
        if (QTableWidgetItem* item = table_->item(r - 1, c)) PaintCell(*item, workspace_.model, c, r);
        emit invertFlagToggled(c, r);
      }
    }
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace corvath::ui
