#include "ui/windowbands.h"

#include "app/fieldstandardhv.h"
#include "app/windowcommands.h"
#include "charts/palette.h"

#include <QMouseEvent>
#include <qcustomplot.h>

#include <algorithm>
#include <cmath>
#include <utility>

using namespace corvath::charts;

namespace corvath::ui {

namespace {

using windows::Chart;
using windows::Edge;

constexpr std::array<Chart, 2> kCharts{Chart::Horizontal, Chart::Vertical};
const QString kBandLayer = QStringLiteral("windowbands");

std::size_t Slot(Chart chart) { return static_cast<std::size_t>(chart); }

// A position whose x is a time on the bottom axis and whose y is a fraction of the
// axis rect height (0 top, 1 bottom), so a band always fills the plot vertically.
void SetUpPosition(QCPItemPosition* position, QCustomPlot* plot) {
  position->setAxes(plot->xAxis, plot->yAxis);
  position->setAxisRect(plot->axisRect());
  position->setTypeX(QCPItemPosition::ptPlotCoords);
  position->setTypeY(QCPItemPosition::ptAxisRectRatio);
}

QColor FrameColour(const windows::AnalysisWindow& w) {
  if (!w.coloured) return Qt::black;
  return WindowColour(static_cast<std::size_t>(std::max(w.colourIndex, 0)));
}

bool IsPress(QEvent::Type type) {
  return type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick;
}

}  // namespace

WindowBandController::WindowBandController(QCustomPlot* horizontalChart, QCustomPlot* verticalChart,
                                           app::Workspace& workspace, QObject* parent)
    : QObject(parent), charts_{horizontalChart, verticalChart}, workspace_(workspace), state_(workspace.windows) {
  for (Chart c : kCharts) {
    QCustomPlot* plot = charts_[Slot(c)];
    // Bands are drawn on their own buffered layer below the curves, so a band that
    // follows the pointer is redrawn without redrawing long records.
    if (!plot->layer(kBandLayer)) {
      QCPLayer* below = plot->layer(QStringLiteral("main"));
      plot->addLayer(kBandLayer, below ? below : plot->currentLayer(), QCustomPlot::limBelow);
    }
    layers_[Slot(c)] = plot->layer(kBandLayer);
    layers_[Slot(c)]->setMode(QCPLayer::lmBuffered);
    selectionRectModes_[Slot(c)] = static_cast<int>(plot->selectionRectMode());
    plot->setMouseTracking(true);
    plot->installEventFilter(this);
  }
  refresh();
}

QCustomPlot* WindowBandController::chart(Chart chart) const { return charts_[Slot(chart)]; }

const std::vector<WindowBandController::BandItems>& WindowBandController::bands(Chart chart) const {
  return bands_[Slot(chart)];
}

void WindowBandController::toggleAddMode() { apply(app::ToggleAddWindowMode(workspace_)); }

void WindowBandController::toggleRemoveMode() { apply(app::ToggleRemoveWindowMode(workspace_)); }

void WindowBandController::clearWindows() {
  edgeDragging_ = false;
  apply(app::ClearAnalysisWindows(workspace_));
}

app::Outcome WindowBandController::selectWindows(const spectra::FieldStandardSettings& settings) {
  if (state_.edgeDrag || edgeDragging_) return app::Outcome::Unchanged("a window is being stretched");
  app::Snapshot before = app::Snapshot::Windows(workspace_);
  const app::Outcome outcome = app::SelectWindowsAutomatically(workspace_, settings);
  if (!outcome.done()) return outcome;
  if (history_) history_->recordIfChanged("Select windows automatically", std::move(before), workspace_);
  edgeDragging_ = false;
  redrawBands();
  emit windowsChanged();
  return outcome;
}

void WindowBandController::refresh() {
  // The state may have been changed behind the charts (ClearWindows after a load).
  if (!state_.edgeDrag) edgeDragging_ = false;
  for (Chart c : kCharts) {
    syncBands(c);
    charts_[Slot(c)]->replot(QCustomPlot::rpQueuedReplot);
  }
  applyMouseZoom();
  emit windowsChanged();
}

std::optional<Chart> WindowBandController::chartOf(QObject* object) const {
  for (Chart c : kCharts) {
    if (object == charts_[Slot(c)]) return c;
  }
  return std::nullopt;
}

double WindowBandController::timeAt(Chart chart, const QMouseEvent& event) const {
  return charts_[Slot(chart)]->xAxis->pixelToCoord(event.position().x());
}

double WindowBandController::clampedToView(Chart chart, double t) const {
  const QCPRange view = charts_[Slot(chart)]->xAxis->range();
  return std::clamp(t, view.lower, view.upper);
}

std::optional<WindowBandController::EdgeHit> WindowBandController::edgeAt(Chart chart, double x) const {
  const QCPAxis* axis = charts_[Slot(chart)]->xAxis;
  std::optional<EdgeHit> best;
  double bestDistance = kEdgeGrabPixels;
  for (std::size_t i = 0; i < state_.windows.size(); ++i) {
    const windows::AnalysisWindow& w = state_.windows[i];
    if (!w.complete) continue;
    const windows::Interval band = w.band(chart);
    for (auto [edge, t] : {std::pair{Edge::Start, band.start}, std::pair{Edge::End, band.end}}) {
      const double distance = std::abs(axis->coordToPixel(t) - x);
      // Later windows lie on top, so they win a tie.
      if (distance <= bestDistance) {
        bestDistance = distance;
        best = EdgeHit{i, edge};
      }
    }
  }
  return best;
}

bool WindowBandController::eventFilter(QObject* watched, QEvent* event) {
  const std::optional<Chart> chart = chartOf(watched);
  if (!chart) return QObject::eventFilter(watched, event);
  const QEvent::Type type = event->type();
  if (IsPress(type)) return mousePressed(*chart, static_cast<QMouseEvent&>(*event));
  if (type == QEvent::MouseMove) return mouseMoved(*chart, static_cast<QMouseEvent&>(*event));
  if (type == QEvent::MouseButtonRelease) return mouseReleased(*chart, static_cast<QMouseEvent&>(*event));
  if (type == QEvent::ContextMenu) return contextMenuRequested();
  return QObject::eventFilter(watched, event);
}

bool WindowBandController::contextMenuRequested() {
  // Every button works on the windows: while a mode is on or a window or an edge is
  // on the move, the right button belongs to that and opens no menu.
  if (edgeDragging_ || state_.creating || state_.addMode || state_.removeMode) return true;
  // The menu takes the pointer, so the release of the press that opened it never
  // comes here: that press did nothing and is over.
  pressedChart_.reset();
  return false;
}

bool WindowBandController::mousePressed(Chart chart, QMouseEvent& event) {
  // A second button pressed while one is held belongs to the gesture already running.
  if (pressedChart_ || edgeDragging_) return edgeDragging_;
  pressedChart_ = chart;
  QCustomPlot* plot = charts_[Slot(chart)];
  const QPointF pos = event.position();
  if (!plot->axisRect()->rect().contains(pos.toPoint())) return false;
  if (history_) pressed_ = app::Snapshot::Windows(workspace_);

  if (!state_.removeMode) {
    if (const std::optional<EdgeHit> hit = edgeAt(chart, pos.x())) {
      const double span = charts_[Slot(Chart::Horizontal)]->xAxis->range().size();
      if (app::BeginWindowEdgeDrag(workspace_, hit->window, chart, hit->edge, span)) {
        edgeDragging_ = true;
        plot->setCursor(Qt::SizeHorCursor);
        return true;  // the chart must not pan while an edge moves
      }
    }
  }
  const bool shift = event.modifiers().testFlag(Qt::ShiftModifier);
  apply(app::PressOnTimeSeries(workspace_, timeAt(chart, event), shift, chart));
  if (!state_.creating) recordStep("Remove window");  // a press can only remove
  return false;
}

bool WindowBandController::mouseMoved(Chart chart, QMouseEvent& event) {
  QCustomPlot* plot = charts_[Slot(chart)];
  if (edgeDragging_) {
    if (!state_.edgeDrag || state_.edgeDrag->chart != chart) return true;
    const QCPRange view = plot->xAxis->range();
    const std::size_t index = state_.edgeDrag->window;
    if (app::DragWindowEdgeTo(workspace_, timeAt(chart, event), view.lower, view.upper)) {
      placeBand(chart, index);
      layers_[Slot(chart)]->replot();
    }
    return true;
  }
  if (pressedChart_ == chart) {
    const windows::Update update = app::DragOnTimeSeries(workspace_, clampedToView(chart, timeAt(chart, event)));
    if (update.bands) {
      const std::size_t last = state_.windows.size() - 1;
      for (Chart c : kCharts) {
        placeBand(c, last);
        layers_[Slot(c)]->replot();
      }
    }
    return false;
  }
  // Hovering: show that an edge can be grabbed.
  const bool overEdge = !state_.removeMode && edgeAt(chart, event.position().x()).has_value() &&
                        plot->axisRect()->rect().contains(event.position().toPoint());
  if (overEdge) {
    plot->setCursor(Qt::SizeHorCursor);
  } else {
    plot->unsetCursor();
  }
  return false;
}

bool WindowBandController::mouseReleased(Chart chart, QMouseEvent& event) {
  if (event.buttons() != Qt::NoButton) return edgeDragging_;  // another button is still held
  const bool wasPressed = pressedChart_ == chart;
  pressedChart_.reset();
  if (edgeDragging_) {
    edgeDragging_ = false;
    charts_[Slot(chart)]->unsetCursor();
    apply(app::EndWindowEdgeDrag(workspace_));
    recordStep("Resize window");
    return true;
  }
  if (wasPressed) {
    apply(app::ReleaseOnTimeSeries(workspace_, clampedToView(chart, timeAt(chart, event))));
    recordStep("Add window");  // nothing when the new window was cancelled
  }
  return false;
}

void WindowBandController::apply(const windows::Update& update) {
  if (update.bands) {
    redrawBands();
    emit windowsChanged();
  }
  if (update.modes) {
    applyMouseZoom();
    emit modesChanged();
  }
}

void WindowBandController::recordStep(const char* name) {
  if (history_ && pressed_) history_->recordIfChanged(name, std::move(*pressed_), workspace_);
  pressed_.reset();
}

void WindowBandController::redrawBands() {
  for (Chart c : kCharts) {
    syncBands(c);
    layers_[Slot(c)]->replot();
  }
}

void WindowBandController::syncBands(Chart chart) {
  QCustomPlot* plot = charts_[Slot(chart)];
  std::vector<BandItems>& items = bands_[Slot(chart)];
  while (items.size() > state_.windows.size()) {
    const BandItems band = items.back();
    items.pop_back();
    plot->removeItem(band.fill);
    plot->removeItem(band.startEdge);
    plot->removeItem(band.endEdge);
  }
  while (items.size() < state_.windows.size()) {
    BandItems band;
    band.fill = new QCPItemRect(plot);
    band.startEdge = new QCPItemLine(plot);
    band.endEdge = new QCPItemLine(plot);
    for (QCPAbstractItem* item : {static_cast<QCPAbstractItem*>(band.fill),
                                  static_cast<QCPAbstractItem*>(band.startEdge),
                                  static_cast<QCPAbstractItem*>(band.endEdge)}) {
      item->setLayer(layers_[Slot(chart)]);
      item->setSelectable(false);
      item->setClipToAxisRect(true);
      item->setClipAxisRect(plot->axisRect());
    }
    SetUpPosition(band.fill->topLeft, plot);
    SetUpPosition(band.fill->bottomRight, plot);
    SetUpPosition(band.startEdge->start, plot);
    SetUpPosition(band.startEdge->end, plot);
    SetUpPosition(band.endEdge->start, plot);
    SetUpPosition(band.endEdge->end, plot);
    band.fill->setBrush(QBrush(Qt::white));
    items.push_back(band);
  }
  for (std::size_t i = 0; i < items.size(); ++i) placeBand(chart, i);
}

void WindowBandController::placeBand(Chart chart, std::size_t index) {
  std::vector<BandItems>& items = bands_[Slot(chart)];
  if (index >= items.size() || index >= state_.windows.size()) return;
  const windows::AnalysisWindow& w = state_.windows[index];
  const windows::Interval band = w.band(chart);
  const BandItems& b = items[index];
  const QColor colour = FrameColour(w);
  b.fill->setPen(QPen(colour, 1));
  b.fill->topLeft->setCoords(band.start, 0.0);
  b.fill->bottomRight->setCoords(band.end, 1.0);
  b.startEdge->setPen(QPen(colour, 2));
  b.startEdge->start->setCoords(band.start, 0.0);
  b.startEdge->end->setCoords(band.start, 1.0);
  b.endEdge->setPen(QPen(colour, 2));
  b.endEdge->start->setCoords(band.end, 0.0);
  b.endEdge->end->setCoords(band.end, 1.0);
}

void WindowBandController::applyMouseZoom() {
  const bool allowed = state_.mouseZoomAllowed();
  for (Chart c : kCharts) {
    QCustomPlot* plot = charts_[Slot(c)];
    plot->setInteraction(QCP::iRangeDrag, allowed);
    plot->setInteraction(QCP::iRangeZoom, allowed);
    plot->setSelectionRectMode(allowed ? static_cast<QCP::SelectionRectMode>(selectionRectModes_[Slot(c)])
                                       : QCP::srmNone);
  }
}

}  // namespace corvath::ui
