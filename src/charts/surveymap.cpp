#include "charts/surveymap.h"

#include <algorithm>
#include <cmath>

#include <qcustomplot.h>

#include "charts/charts.h"

namespace corvath::charts {

namespace {

constexpr const char* kMapName = "surveyMap";

// The colour bar's f0 range: the done stations' lowest and highest f0, widened a
// little when they are one value.
QCPRange F0Range(const std::vector<app::SurveyMapPoint>& points) {
  double low = 0.0, high = 0.0;
  for (const auto& p : points) {
    if (!p.f0Hz || !(*p.f0Hz > 0.0) || !std::isfinite(*p.f0Hz)) continue;
    low = low > 0.0 ? std::min(low, *p.f0Hz) : *p.f0Hz;
    high = std::max(high, *p.f0Hz);
  }
  if (!(low > 0.0)) return QCPRange(0.1, 10.0);
  if (high < low * 1.05) return QCPRange(low / 1.1, high * 1.1);
  return QCPRange(low, high);
}

}  // namespace

void KeepMapProportions(QCustomPlot* chart) {
  const QVariant span = chart->property("mapSpan");
  if (!span.isValid()) return;
  const QRectF area = span.toRectF();  // x: longitude, y: latitude
  const QRect rect = chart->axisRect()->rect();
  if (rect.width() < 2 || rect.height() < 2) return;
  // A degree of longitude is cos(latitude) of a degree of latitude on the ground.
  const double shrink = std::max(0.05, std::cos(area.center().y() * M_PI / 180.0));
  const double degreesPerPixel =
      std::max(area.width() * shrink / rect.width(), area.height() / rect.height());
  const double halfX = degreesPerPixel * rect.width() / shrink / 2, halfY = degreesPerPixel * rect.height() / 2;
  chart->xAxis->setRange(area.center().x() - halfX, area.center().x() + halfX);
  chart->yAxis->setRange(area.center().y() - halfY, area.center().y() + halfY);
}

void DrawSurveyMap(QCustomPlot* chart, const std::vector<app::SurveyMapPoint>& points) {
  chart->clearPlottables();
  chart->clearItems();
  for (int e = chart->plotLayout()->elementCount() - 1; e >= 0; --e)
    if (auto* bar = qobject_cast<QCPColorScale*>(chart->plotLayout()->elementAt(e))) chart->plotLayout()->remove(bar);
  chart->plotLayout()->simplify();
  chart->xAxis->setLabel("Longitude, °");
  chart->yAxis->setLabel("Latitude, °");

  auto* bar = new QCPColorScale(chart);
  bar->setObjectName(kSurveyColourBarName);
  chart->plotLayout()->addElement(chart->plotLayout()->rowCount() - 1, 1, bar);
  bar->setType(QCPAxis::atRight);
  bar->axis()->setLabel("f0, Hz");
  bar->setDataScaleType(QCPAxis::stLogarithmic);
  UseLogarithmicLabels(bar->axis());
  QCPColorGradient gradient(QCPColorGradient::gpJet);
  bar->setGradient(gradient);
  const QCPRange range = F0Range(points);
  bar->setDataRange(range);
  auto* margins = new QCPMarginGroup(chart);
  chart->axisRect()->setMarginGroup(QCP::msBottom | QCP::msTop, margins);
  bar->setMarginGroup(QCP::msBottom | QCP::msTop, margins);

  double west = 0, east = 0, south = 0, north = 0;
  bool any = false;
  QCPGraph* failed = nullptr;
  for (const auto& p : points) {
    if (!std::isfinite(p.longitude) || !std::isfinite(p.latitude)) continue;
    west = any ? std::min(west, p.longitude) : p.longitude;
    east = any ? std::max(east, p.longitude) : p.longitude;
    south = any ? std::min(south, p.latitude) : p.latitude;
    north = any ? std::max(north, p.latitude) : p.latitude;
    any = true;
    const bool done = p.f0Hz && std::isfinite(*p.f0Hz) && *p.f0Hz > 0.0;
    QCPGraph* graph = nullptr;
    if (done) {
      graph = chart->addGraph();
      graph->setObjectName(kMapName);
      graph->setName(QString::fromStdString(p.station));
      const QColor colour = gradient.color(*p.f0Hz, range, true);
      graph->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssCircle, QPen(Qt::black, 1), colour, 13));
    } else {
      if (!failed) {
        failed = chart->addGraph();
        failed->setObjectName(kMapName);
        failed->setName("failed");
        failed->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssCross, QPen(Qt::black, 2.5), Qt::NoBrush, 13));
      }
      graph = failed;
    }
    graph->setLineStyle(QCPGraph::lsNone);
    graph->addData(p.longitude, p.latitude);
    auto* label = new QCPItemText(chart);
    label->setObjectName(kMapName);
    label->position->setCoords(p.longitude, p.latitude);
    label->setPositionAlignment(Qt::AlignLeft | Qt::AlignBottom);
    label->setPadding(QMargins(8, 0, 0, 6));
    label->setText(QString::fromStdString(p.station) + (done ? "" : " (failed)"));
  }
  if (!any) west = east = south = north = 0.0;
  // A margin around the stations; a lone station gets about a kilometre around it.
  const double pad = std::max({(east - west) * 0.12, (north - south) * 0.12, 0.01});
  chart->setProperty("mapSpan", QRectF(QPointF(west - pad, south - pad), QPointF(east + pad, north + pad)));
  UseLinearLabels(chart->xAxis);
  UseLinearLabels(chart->yAxis);
  chart->plotLayout()->update(QCPLayoutElement::upLayout);
  KeepMapProportions(chart);
}

}  // namespace corvath::charts
