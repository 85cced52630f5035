#include "ui/timerange.h"

#include <algorithm>
#include <cmath>

#include <QKeyEvent>
#include <QLabel>
#include <QScrollBar>
#include <QTimer>

#include "charts/chartinteraction.h"
#include "ui/recordcurve.h"
#include "windows/zoom.h"

using namespace corvath::charts;

namespace corvath::ui {
namespace {

QString FactorText(double factor) {
  return QStringLiteral("\u00D7") + QString::number(factor, 'f', factor < 10 ? 1 : 0);
}

}  // namespace

TimeRangeLink::TimeRangeLink(QList<QCustomPlot*> charts, app::Workspace& workspace, QScrollBar* bar, QLabel* label,
                             QObject* parent)
    : QObject(parent), charts_(std::move(charts)), workspace_(workspace), bar_(bar), label_(label) {
  for (QCustomPlot* chart : charts_) {
    // Drag and wheel move and zoom the time only; whether they may at all is the
    // window bands' business (not while "Add window" is on).
    chart->axisRect()->setRangeDrag(Qt::Horizontal);
    chart->axisRect()->setRangeZoom(Qt::Horizontal);
    chart->setFocusPolicy(Qt::ClickFocus);
    chart->installEventFilter(this);
    connect(chart->xAxis, qOverload<const QCPRange&>(&QCPAxis::rangeChanged), this, &TimeRangeLink::rangeChanged);
    connect(chart, &QCustomPlot::mouseDoubleClick, this, [this](QMouseEvent*) {
      // In the window modes a double click is two presses on windows (the first may
      // have completed a window and so ended addMode).
      const windows::WindowState& state = workspace_.windows;
      if (!modeAtPress_ && state.mouseZoomAllowed() && !state.removeMode) showWholeRecord();
    });
  }
  AlignPlotAreas(charts_);
  bar_->setOrientation(Qt::Horizontal);
  bar_->setSingleStep(kStepsPerSpan / 10);
  bar_->setPageStep(kStepsPerSpan);
  connect(bar_, &QScrollBar::valueChanged, this, [this](int value) {
    if (updating_ || !hasRecord()) return;
    const double span = visibleRange().size();
    const double lower = whole_.lower + value * span / kStepsPerSpan;
    setView(QCPRange(lower, lower + span));
  });
  label_->setToolTip(QStringLiteral("Zoom factor of the time-series charts"));
  appliedFactor_ = workspace_.zoomFactor;
  showBarAndLabel();
}

QCPRange TimeRangeLink::visibleRange() const { return charts_.front()->xAxis->range(); }

double TimeRangeLink::visibleFactor() const {
  const double span = visibleRange().size();
  if (!hasRecord() || !(span > 0)) return workspace_.zoomFactor;
  return std::max(1.0, whole_.size() / span);
}

bool TimeRangeLink::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonPress) {
    // Seen before the window bands handle the press.
    modeAtPress_ = workspace_.windows.addMode || workspace_.windows.removeMode;
  }
  if (event->type() == QEvent::Wheel) {
    // The chart zooms while it handles this event; the zoom factor then follows.
    wheeling_ = true;
    QTimer::singleShot(0, this, [this] { wheeling_ = false; });
  }
  if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Home &&
      charts_.contains(qobject_cast<QCustomPlot*>(watched))) {
    showWholeRecord();
    return true;
  }
  return QObject::eventFilter(watched, event);
}

void TimeRangeLink::recordChanged() {
  bool any = false;
  QCPRange whole;
  minimumSpan_ = 0.0;
  for (QCustomPlot* chart : charts_)
    for (int i = 0; i < chart->plottableCount(); ++i) {
      bool found = false;
      const QCPRange keys = chart->plottable(i)->getKeyRange(found);
      if (!found) continue;
      if (any) whole.expand(keys);
      else whole = keys;
      any = true;
      // A few samples stay in view however far the wheel zooms in.
      if (auto* curve = qobject_cast<RecordCurve*>(chart->plottable(i)); curve && curve->samples() &&
                                                                         curve->samples()->size() > 1) {
        const double dt = std::fabs((*curve->samples())[1].time - (*curve->samples())[0].time);
        if (std::isfinite(dt) && dt > 0) minimumSpan_ = std::max(minimumSpan_, 4 * dt);
      }
    }
  if (any && !(whole.size() > 0)) whole = QCPRange(whole.lower - 0.5, whole.upper + 0.5);  // one instant
  whole_ = any ? whole : QCPRange(0, 0);
  if (hasRecord()) {
    minimumSpan_ = std::clamp(minimumSpan_, whole_.size() * 1e-9, whole_.size());
    const double factor = std::max(workspace_.zoomFactor, 1.0);
    appliedFactor_ = workspace_.zoomFactor;
    setView(QCPRange(whole_.lower, whole_.lower + whole_.size() / factor));
  } else {
    showBarAndLabel();
  }
}

void TimeRangeLink::applyZoomFactor() {
  const double factor = workspace_.zoomFactor;
  if (factor == appliedFactor_) {
    showBarAndLabel();  // at a limit: the view stays
    return;
  }
  appliedFactor_ = factor;
  if (!hasRecord()) {
    showBarAndLabel();
    return;
  }
  const double span = whole_.size() / std::max(factor, 1.0);
  const double centre = visibleRange().center();
  setView(QCPRange(centre - span / 2, centre + span / 2));
}

void TimeRangeLink::showWholeRecord() {
  if (!hasRecord()) return;
  setView(whole_);
  followMouseZoom();
}

QCPRange TimeRangeLink::clamped(const QCPRange& range) const {
  if (!hasRecord() || !std::isfinite(range.lower) || !std::isfinite(range.upper)) return hasRecord() ? whole_ : range;
  const double span = std::clamp(range.size(), minimumSpan_, whole_.size());
  const double lower = std::clamp(range.lower, whole_.lower, whole_.upper - span);
  return QCPRange(lower, lower + span);
}

void TimeRangeLink::setView(const QCPRange& range) {
  const QCPRange view = clamped(range);
  updating_ = true;
  for (QCustomPlot* chart : charts_) {
    if (chart->xAxis->range() != view) chart->xAxis->setRange(view);
    chart->replot(QCustomPlot::rpQueuedReplot);
  }
  updating_ = false;
  showBarAndLabel();
}

void TimeRangeLink::rangeChanged(const QCPRange& range) {
  if (updating_) return;
  // Changed by a drag, the wheel or a rescale of one chart: every chart follows.
  const QCPRange view = clamped(range);
  updating_ = true;
  for (QCustomPlot* chart : charts_) {
    if (chart->xAxis->range() == view) continue;
    chart->xAxis->setRange(view);
    chart->replot(QCustomPlot::rpQueuedReplot);
  }
  updating_ = false;
  if (wheeling_ && hasRecord()) followMouseZoom();
  showBarAndLabel();
}

void TimeRangeLink::followMouseZoom() {
  // The zoom factor follows the view to its nearest step (1 to 10), so that the next
  // "Zoom in" or "Zoom out" goes on from what is shown.
  // Without a record or an empty view the factor stays as it is.
  if (const double span = visibleRange().size(); hasRecord() && span > 0)
    workspace_.zoomFactor = windows::ZoomFactorOfSpan(whole_.size(), span);
  appliedFactor_ = workspace_.zoomFactor;
}

void TimeRangeLink::showBarAndLabel() {
  label_->setText(FactorText(visibleFactor()));
  updating_ = true;
  if (hasRecord()) {
    const QCPRange view = visibleRange();
    const double span = view.size() > 0 ? view.size() : whole_.size();
    const double steps = (whole_.size() - span) / span * kStepsPerSpan;
    bar_->setRange(0, static_cast<int>(std::lround(std::clamp(steps, 0.0, 1e9))));
    bar_->setValue(static_cast<int>(std::lround(std::clamp((view.lower - whole_.lower) / span * kStepsPerSpan, 0.0, 1e9))));
  } else {
    bar_->setRange(0, 0);
  }
  bar_->setEnabled(bar_->maximum() > 0);
  updating_ = false;
}

}  // namespace corvath::ui
