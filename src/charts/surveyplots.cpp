#include "charts/surveyplots.h"

#include <algorithm>
#include <cmath>

#include <QApplication>
#include <QFile>

#include <qcustomplot.h>

#include "charts/chartimage.h"
#include "charts/charts.h"
#include "charts/surveymap.h"
#include "spectra/fieldstandardreport.h"

namespace corvath::charts {

namespace {

QVector<double> FiniteCopy(const std::vector<double>& values) {
  QVector<double> out;
  out.reserve(static_cast<qsizetype>(values.size()));
  for (double v : values) out.push_back(std::isfinite(v) ? v : 0.0);
  return out;
}

QCPGraph* AddCurve(QCustomPlot* chart, const QString& name, const QVector<double>& f, const QVector<double>& v,
                   const QPen& pen) {
  QCPGraph* graph = chart->addGraph();
  graph->setName(name);
  graph->setPen(pen);
  graph->setData(f, v, true);
  return graph;
}

std::string Save(QCustomPlot& chart, const std::string& path, int widthPx, int heightPx) {
  return SaveChartImage(chart, QFile::decodeName(path.c_str()), QSize(widthPx, heightPx)).toStdString();
}

}  // namespace

std::shared_ptr<void> StartOffscreenDrawing() {
  if (QCoreApplication::instance()) return nullptr;
  // A batch run has no display: the pictures are drawn offscreen.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static int argc = 1;
  static char name[] = "corvath-cli";
  static char* argv[] = {name, nullptr};
  return std::make_shared<QApplication>(argc, argv);
}

std::string WriteStationFigure(const spectra::FieldStandardResult& result, const std::string& title,
                               const std::string& path, int widthPx, int heightPx) {
  if (result.frequenciesHz.size() < 2) return "the station has no curve to draw";
  const auto application = StartOffscreenDrawing();
  std::unique_ptr<QCustomPlot> chart(MakeChart("stationFigure", QString::fromStdString(title), nullptr));
  chart->resize(widthPx, heightPx);
  const QVector<double> f = FiniteCopy(result.frequenciesHz);
  QCPGraph* lower = AddCurve(chart.get(), "H/V -sigma", f, FiniteCopy(result.lower), QPen(Qt::black, 1, Qt::DashLine));
  QCPGraph* upper = AddCurve(chart.get(), "H/V +sigma", f, FiniteCopy(result.upper), QPen(Qt::black, 1, Qt::DashLine));
  upper->setBrush(QColor(0, 0, 0, 40));
  upper->setChannelFillGraph(lower);
  AddCurve(chart.get(), "H/V", f, FiniteCopy(result.mean), QPen(Qt::black, 3));
  double top = 0.0;
  for (double v : result.upper)
    if (std::isfinite(v)) top = std::max(top, v);

  const double f0 = result.f0.median(), low = result.f0.lower(), high = result.f0.upper();
  if (std::isfinite(f0) && std::isfinite(low) && std::isfinite(high) && f0 > 0.0) {
    auto* band = new QCPItemRect(chart.get());
    for (QCPItemPosition* corner : {band->topLeft, band->bottomRight}) {
      corner->setTypeX(QCPItemPosition::ptPlotCoords);
      corner->setTypeY(QCPItemPosition::ptAxisRectRatio);
    }
    band->topLeft->setCoords(low, 0.0);
    band->bottomRight->setCoords(high, 1.0);
    band->setPen(QPen(QColor(200, 60, 60, 120)));
    band->setBrush(QColor(230, 80, 80, 50));
    auto* label = new QCPItemText(chart.get());
    label->position->setTypeX(QCPItemPosition::ptPlotCoords);
    label->position->setTypeY(QCPItemPosition::ptAxisRectRatio);
    label->position->setCoords(f0, 0.02);
    label->setPositionAlignment(Qt::AlignHCenter | Qt::AlignTop);
    label->setText(QString("f0 = %1 Hz, sigma_ln = %2")
                       .arg(QString::fromStdString(spectra::ReportNumber(f0)),
                            QString::fromStdString(spectra::ReportNumber(result.f0.sigmaLn))));
  }
  chart->xAxis->setLabel("Frequency, Hz");
  chart->yAxis->setLabel("H/V");
  chart->xAxis->setScaleType(QCPAxis::stLogarithmic);
  UseLogarithmicLabels(chart->xAxis);
  chart->xAxis->setRange(result.frequenciesHz.front(), result.frequenciesHz.back());
  chart->yAxis->setRange(0.0, top > 0.0 ? top * 1.05 : 1.0);
  chart->replot();
  return Save(*chart, path, widthPx, heightPx);
}

std::string WriteSurveyMap(const std::vector<app::SurveyMapPoint>& points, const std::string& path, int widthPx,
                           int heightPx) {
  const auto application = StartOffscreenDrawing();
  std::unique_ptr<QCustomPlot> chart(MakeChart("surveyMap", "Stations by f0", nullptr));
  chart->resize(widthPx, heightPx);
  DrawSurveyMap(chart.get(), points);
  chart->replot();
  KeepMapProportions(chart.get());
  chart->replot();
  return Save(*chart, path, widthPx, heightPx);
}

}  // namespace corvath::charts
