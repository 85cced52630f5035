#include "charts/spectradrawing.h"

#include <algorithm>
#include <cmath>

#include <QPainter>
#include <QPixmap>

#include <qcustomplot.h>

#include "charts/charts.h"
#include "charts/chartinteraction.h"
#include "charts/curvelegend.h"
#include "charts/palette.h"
#include "charts/peaklabel.h"

namespace corvath::charts {

namespace {

// The points a logarithmic amplitude axis can show: finite and above zero.
void curveData(const spectra::SpectrumCurve& curve, QVector<double>& f, QVector<double>& a) {
  f.reserve(static_cast<int>(curve.points.size()));
  a.reserve(static_cast<int>(curve.points.size()));
  for (const auto& p : curve.points) {
    if (!std::isfinite(p.frequencyHz) || !std::isfinite(p.amplitude) || !(p.amplitude > 0.0)) continue;
    f.push_back(p.frequencyHz);
    a.push_back(p.amplitude);
  }
}

// A fixed bottom-axis span; a single frequency still gets a visible width.
void setSpan(QCPAxis* axis, const spectra::AxisSpan& span) {
  double low = span.lowHz;
  double high = span.highHz;
  if (!(high > low)) {
    const double pad = std::max(0.5, std::fabs(low) * 0.05);
    low -= pad;
    high += pad;
  }
  axis->setRange(low, high);
}

QCPGraph* addCurve(QCustomPlot* chart, const spectra::SpectrumCurve& curve) {
  QCPGraph* graph = chart->addGraph();
  graph->setName(QString::fromStdString(curve.title));
  QVector<double> f, a;
  curveData(curve, f, a);
  graph->setData(f, a, true);
  return graph;
}

// A small filled circle in the window colour, 3 pixels across.
QPixmap MarkerPixmap(const QColor& colour) {
  QPixmap pixmap(4, 4);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(Qt::NoPen);
  painter.setBrush(colour);
  painter.drawEllipse(QRectF(0.25, 0.25, 3.5, 3.5));
  return pixmap;
}

void drawWindowCurve(QCustomPlot* chart, const spectra::WindowSpectrum& window) {
  QCPGraph* graph = addCurve(chart, window.curve);
  graph->setPen(QPen(CurveColour(window.curve), 1));
  const QColor marker = WindowColour(window.windowPosition);
  // Tens of thousands of points per window: the circle is painted once and stamped
  // at every point, which keeps a replot of an hour of windows quick.
  QCPScatterStyle style(MarkerPixmap(marker));
  style.setPen(QPen(marker));
  style.setBrush(QBrush(marker));
  graph->setScatterStyle(style);
  graph->setAntialiased(false);
}

// The averages are drawn above every window curve, whatever their order in the
// chart's (and the legend's) list.
QCPLayer* averagesLayer(QCustomPlot* chart) {
  static const QString name = QStringLiteral("averages");
  if (QCPLayer* layer = chart->layer(name)) return layer;
  chart->addLayer(name, chart->layer(QStringLiteral("main")), QCustomPlot::limAbove);
  return chart->layer(name);
}

void drawAverage(QCustomPlot* chart, const spectra::SpectrumCurve& curve) {
  QCPGraph* graph = addCurve(chart, curve);
  graph->setLayer(averagesLayer(chart));
  graph->setPen(QPen(CurveColour(curve), 2));
  graph->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssNone));
}

void drawComponent(QCustomPlot* chart, const spectra::SpectraResult& result, import::Component c) {
  for (const auto& window : result.windowSpectra)
    if (window.curve.component == c) drawWindowCurve(chart, window);
  drawAverage(chart, result.averagedOf(c));
}

// Fits the value axis to what every plottable shows inside the bottom axis range
// (positive values only on a logarithmic axis), with a margin.
void fitValueAxis(QCustomPlot* chart, double margin) {
  const QCP::SignDomain domain =
      chart->yAxis->scaleType() == QCPAxis::stLogarithmic ? QCP::sdPositive : QCP::sdBoth;
  bool any = false;
  QCPRange range;
  for (int i = 0; i < chart->plottableCount(); ++i) {
    QCPAbstractPlottable* plottable = chart->plottable(i);
    if (!plottable->visible()) continue;
    bool found = false;
    const QCPRange r = plottable->getValueRange(found, domain, chart->xAxis->range());
    if (!found) continue;
    if (any) {
      range.expand(r);
    } else {
      range = r;
      any = true;
    }
  }
  if (!any) return;
  chart->yAxis->setRange(range);
  // On a logarithmic axis the margin is the same on both sides of the scale.
  const double center = domain == QCP::sdPositive ? std::sqrt(range.lower * range.upper) : range.center();
  chart->yAxis->scaleRange(margin, center);
}

template <typename T>
void removeNamed(QCustomPlot* chart, const char* name) {
  for (int i = chart->itemCount() - 1; i >= 0; --i) {
    QCPAbstractItem* item = chart->item(i);
    if (qobject_cast<T*>(item) && item->objectName() == QLatin1String(name)) chart->removeItem(item);
  }
}

}  // namespace

void SetupSpectraChart(QCustomPlot* chart) { UseLogarithmicLabels(chart->yAxis); }

QCustomPlot* MakeRatioChart(QWidget* parent) {
  QCustomPlot* chart = MakeChart("Chart5", "Ratio", parent);
  chart->xAxis->setLabel("f,Hz");
  chart->xAxis->setRange(0, 100);
  // "H/Z" must stay the first graph: the spectra drawing fills graph 0.
  const struct {
    const char* name;
    QColor colour;
  } curves[] = {{"H/Z", QColor(255, 0, 0)}, {"H/Zc", QColor(0, 0, 255)}};
  for (const auto& c : curves) {
    QCPGraph* graph = chart->addGraph();
    graph->setName(c.name);
    graph->setPen(QPen(c.colour, 2));
    graph->setLineStyle(QCPGraph::lsLine);
    graph->setScatterStyle(QCPScatterStyle::ssNone);
  }
  return chart;
}

void DrawSpectra(QCustomPlot* horizontal, QCustomPlot* vertical, const spectra::SpectraResult& result) {
  for (QCustomPlot* chart : {horizontal, vertical}) {
    chart->clearGraphs();
    if (chart->yAxis->scaleType() != QCPAxis::stLogarithmic) SetupSpectraChart(chart);
  }
  drawComponent(horizontal, result, import::Component::X);
  drawComponent(horizontal, result, import::Component::Y);
  drawComponent(vertical, result, import::Component::Z);
  setSpan(horizontal->xAxis, result.horizontalSpan);
  setSpan(vertical->xAxis, result.verticalSpan);
  fitValueAxis(horizontal, 1.2);
  fitValueAxis(vertical, 1.2);
  RememberHomeView(horizontal);
  RememberHomeView(vertical);
}

void DrawRatio(QCustomPlot* chart, const spectra::SpectraResult& result) {
  const spectra::RatioCurve& ratio = result.ratio;
  QCPGraph* graph = chart->graphCount() > 0 ? chart->graph(0) : chart->addGraph();
  graph->setName(QString::fromStdString(ratio.title));
  graph->setPen(QPen(QColor(255, 0, 0), 2));
  graph->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssNone));
  QVector<double> f, r, minus, plus;
  for (const auto& p : ratio.points) {
    if (!std::isfinite(p.frequencyHz) || !std::isfinite(p.ratio) || !std::isfinite(p.lower) ||
        !std::isfinite(p.upper))
      continue;
    f.push_back(p.frequencyHz);
    r.push_back(p.ratio);
    minus.push_back(p.ratio - p.lower);
    plus.push_back(p.upper - p.ratio);
  }
  graph->setData(f, r, true);

  // Error bars: one plottable named after the bound lists, tied to "H/Z".
  QCPErrorBars* bars = nullptr;
  for (int i = chart->plottableCount() - 1; i >= 0; --i) {
    auto* candidate = qobject_cast<QCPErrorBars*>(chart->plottable(i));
    if (candidate && candidate->name() == QLatin1String(kRatioBoundsName)) {
      if (bars) chart->removePlottable(candidate);
      else bars = candidate;
    }
  }
  if (ratio.hasBounds) {
    if (!bars) {
      bars = new QCPErrorBars(chart->xAxis, chart->yAxis);
      bars->setName(kRatioBoundsName);
      bars->removeFromLegend();
    }
    bars->setDataPlottable(graph);
    bars->setErrorType(QCPErrorBars::etValueError);
    bars->setPen(QPen(QColor(255, 0, 0), 1));
    bars->setWhiskerWidth(4);  // 101 gates side by side stay apart
    bars->setData(minus, plus);
    bars->setVisible(graph->visible());  // a curve hidden in the legend keeps its bars hidden
  } else if (bars) {
    chart->removePlottable(bars);
  }

  removeNamed<QCPItemText>(chart, kPeakLabelName);
  removeNamed<QCPItemTracer>(chart, kPeakLabelName);
  // A largest value at an end of the band is no peak: it gets neither mark nor label.
  if (spectra::PeakInsideBand(ratio)) {
    const auto& peak = ratio.points[*ratio.peak];
    auto* mark = new QCPItemTracer(chart);
    mark->setObjectName(kPeakLabelName);
    mark->setGraph(graph);
    mark->setGraphKey(peak.frequencyHz);
    mark->setStyle(QCPItemTracer::tsCircle);
    mark->setSize(6);
    mark->setPen(QPen(QColor(255, 0, 0), 1));
    BindToCurve(mark, graph);
    mark->setVisible(graph->visible());
    auto* label = new PeakLabel(chart);
    label->setObjectName(kPeakLabelName);
    label->setText(QString::fromStdString(ratio.peakLabel));
    label->position->setCoords(peak.frequencyHz, peak.ratio);
    BindToCurve(label, graph);
    label->setVisible(graph->visible());
  }

  setSpan(chart->xAxis, result.ratioSpan);
  // The value axis is automatic: fit every curve on the chart and the bounds.
  fitValueAxis(chart, 1.1);
  RememberHomeView(chart);
}

void DrawSpectraResult(QCustomPlot* horizontal, QCustomPlot* vertical, QCustomPlot* ratioChart,
                       const spectra::SpectraResult& result) {
  DrawSpectra(horizontal, vertical, result);
  DrawRatio(ratioChart, result);
  for (QCustomPlot* chart : {horizontal, vertical, ratioChart}) chart->replot(QCustomPlot::rpQueuedReplot);
}

void ClearSpectraResult(QCustomPlot* horizontal, QCustomPlot* vertical, QCustomPlot* ratioChart) {
  horizontal->clearGraphs();
  vertical->clearGraphs();
  if (ratioChart->graphCount() > 0) ratioChart->graph(0)->data()->clear();
  for (int i = ratioChart->plottableCount() - 1; i >= 0; --i) {
    auto* bars = qobject_cast<QCPErrorBars*>(ratioChart->plottable(i));
    if (bars && bars->name() == QLatin1String(kRatioBoundsName)) ratioChart->removePlottable(bars);
  }
  removeNamed<QCPItemText>(ratioChart, kPeakLabelName);
  removeNamed<QCPItemTracer>(ratioChart, kPeakLabelName);
  for (QCustomPlot* chart : {horizontal, vertical, ratioChart}) chart->replot(QCustomPlot::rpQueuedReplot);
}

}  // namespace corvath::charts
