#include "charts/fieldstandardspectra.h"

#include <algorithm>
#include <cmath>

#include <qcustomplot.h>

#include "charts/chartinteraction.h"
#include "charts/spectradrawing.h"

namespace corvath::charts {

namespace {

// The points a logarithmic amplitude axis can show: finite and above zero.
QCPGraph* addCurve(QCustomPlot* chart, const QString& name, const std::vector<double>& f,
                   const std::vector<double>& values, const QPen& pen, double& low, double& high) {
  QVector<double> x, y;
  for (std::size_t g = 0; g < f.size() && g < values.size(); ++g) {
    if (!std::isfinite(f[g]) || !std::isfinite(values[g]) || !(values[g] > 0.0)) continue;
    x.push_back(f[g]);
    y.push_back(values[g]);
    low = std::min(low, values[g]);
    high = std::max(high, values[g]);
  }
  QCPGraph* graph = chart->addGraph();
  graph->setName(name);
  graph->setPen(pen);
  graph->setLineStyle(QCPGraph::lsLine);
  graph->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssNone));
  graph->setData(x, y, true);
  return graph;
}

}  // namespace

void DrawFieldStandardSpectra(QCustomPlot* horizontal, QCustomPlot* vertical,
                              const spectra::FieldStandardResult& result) {
  const std::vector<double>& f = result.frequenciesHz;
  const QString combined = QString("H (%1)").arg(spectra::HorizontalCombinationName(result.settings.combination));
  const struct {
    QCustomPlot* chart;
    const char* window;
    QString mean;
    std::vector<double> spectra::FieldStandardWindow::*values;
    const std::vector<double>* average;
  } sides[] = {{horizontal, "H_wnd%1", combined, &spectra::FieldStandardWindow::horizontal, &result.meanHorizontal},
               {vertical, "V_wnd%1", QString("V"), &spectra::FieldStandardWindow::vertical, &result.meanVertical}};
  for (const auto& side : sides) {
    QCustomPlot* chart = side.chart;
    chart->clearGraphs();
    if (chart->yAxis->scaleType() != QCPAxis::stLogarithmic) SetupSpectraChart(chart);
    double low = HUGE_VAL, high = 0.0;
    for (std::size_t w = 0; w < result.windows.size(); ++w) {
      const spectra::FieldStandardWindow& window = result.windows[w];
      if (window.rejected) continue;
      addCurve(chart, QString(side.window).arg(w + 1), f, window.*side.values, QPen(QColor(170, 170, 170), 1), low,
               high);
    }
    addCurve(chart, side.mean, f, *side.average, QPen(QColor(0, 0, 0), 3), low, high);
    if (!f.empty()) chart->xAxis->setRange(f.front(), f.back());
    if (high > 0.0 && low > 0.0 && std::isfinite(low)) chart->yAxis->setRange(low / 1.2, high * 1.2);
    RememberHomeView(chart);
    chart->replot(QCustomPlot::rpQueuedReplot);
  }
}

}  // namespace corvath::charts
