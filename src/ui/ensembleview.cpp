#include "ui/ensembleview.h"

#include <cmath>

#include <qcustomplot.h>

#include "inversion/model.h"

namespace corvath::ui {
namespace {

constexpr const char* kBandLayer = "ensembleBand";
const QColor kProfileBand(70, 130, 220, 70);
const QColor kCurveBand(230, 120, 40, 70);

// A layer under the chart's curves (created once per chart).
QCPLayer* BandLayer(QCustomPlot* chart) {
  if (QCPLayer* layer = chart->layer(kBandLayer)) return layer;
  chart->addLayer(kBandLayer, chart->layer(QStringLiteral("main")), QCustomPlot::limBelow);
  return chart->layer(kBandLayer);
}

// A graph of the band layer; a profile graph takes depth as its key, on the vertical axis.
QCPGraph* BandGraph(QCustomPlot* chart, bool profile, const QString& name, const QPen& pen) {
  auto* graph = profile ? new QCPGraph(chart->yAxis, chart->xAxis) : new QCPGraph(chart->xAxis, chart->yAxis);
  graph->setLayer(BandLayer(chart));
  graph->setName(name);
  graph->setPen(pen);
  graph->setVisible(false);
  if (profile) graph->setProperty(kProfileParameterProperty, static_cast<int>(inversion::ModelParameter::Vs));
  return graph;
}

void Fill(QCPGraph* upper, QCPGraph* lower, const QColor& colour) {
  upper->setBrush(colour);
  upper->setChannelFillGraph(lower);
}

// Points whose two values are finite.
void SetFinite(QCPGraph* graph, const std::vector<double>& keys, const std::vector<double>& values) {
  QVector<double> k, v;
  for (std::size_t i = 0; i < keys.size() && i < values.size(); ++i)
    if (std::isfinite(keys[i]) && std::isfinite(values[i])) {
      k.append(keys[i]);
      v.append(values[i]);
    }
  graph->setData(k, v, true);
}

void SetCurve(QCPGraph* graph, const numerics::arofcomplexM& curve) {
  std::vector<double> keys, values;
  for (const numerics::Complex& point : curve) {
    keys.push_back(point.re);
    values.push_back(point.im);
  }
  SetFinite(graph, keys, values);
}

}  // namespace

EnsembleBands::EnsembleBands(QCustomPlot* profileChart, QCustomPlot* ratioView, QObject* parent)
    : QObject(parent), profileChart_(profileChart), ratioView_(ratioView) {
  const QPen edge(kProfileBand.darker(150), 1);
  profileLower_ = BandGraph(profileChart_, true, "Vs 5 %", edge);
  profileUpper_ = BandGraph(profileChart_, true, "Vs 95 %", edge);
  profileMedian_ = BandGraph(profileChart_, true, "Vs 50 %", QPen(kProfileBand.darker(200), 1, Qt::DashLine));
  Fill(profileUpper_, profileLower_, kProfileBand);
  const QPen curveEdge(kCurveBand.darker(130), 1);
  curveLower_ = BandGraph(ratioView_, false, "H/Zc 5 %", curveEdge);
  curveUpper_ = BandGraph(ratioView_, false, "H/Zc 95 %", curveEdge);
  Fill(curveUpper_, curveLower_, kCurveBand);
}

void EnsembleBands::show(const app::EnsembleSummary& ensemble) {
  const inversion::ProfileBand& band = ensemble.profile;
  SetFinite(profileLower_, band.depth, band.p05);
  SetFinite(profileUpper_, band.depth, band.p95);
  SetFinite(profileMedian_, band.depth, band.p50);
  SetCurve(curveLower_, ensemble.curveLower);
  SetCurve(curveUpper_, ensemble.curveUpper);
  for (QCPGraph* graph : {profileLower_, profileUpper_, profileMedian_, curveLower_, curveUpper_})
    graph->setVisible(!graph->data()->isEmpty());
  profileChart_->replot();
  ratioView_->replot();
}

void EnsembleBands::clear() {
  for (QCPGraph* graph : {profileLower_, profileUpper_, profileMedian_, curveLower_, curveUpper_}) {
    graph->data()->clear();
    graph->setVisible(false);
  }
  profileChart_->replot();
  ratioView_->replot();
}

bool EnsembleBands::shown() const { return !profileUpper_->data()->isEmpty(); }

}  // namespace corvath::ui
