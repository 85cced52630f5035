#include "ui/pages.h"

#include <algorithm>

#include <QHBoxLayout>
#include <QScrollBar>
#include <QSplitter>
#include <QTableWidget>
#include <QVBoxLayout>
#include <qcustomplot.h>

#include "charts/chartinteraction.h"
#include "charts/charts.h"
#include "charts/curvelegend.h"
#include "charts/palette.h"
#include "charts/spectradrawing.h"
#include "ui/fieldstandardview.h"
#include "ui/chartmenu.h"
#include "ui/ensembleview.h"
#include "ui/inversionpanel.h"
#include "ui/modeltableview.h"
#include "ui/recordcurve.h"
#include "ui/timerange.h"
#include "ui/windowbands.h"

using namespace corvath::charts;

namespace corvath::ui {
namespace {

QSplitter* Splitter(Qt::Orientation orientation, const char* name, QWidget* parent) {
  auto* splitter = new QSplitter(orientation, parent);
  splitter->setObjectName(name);
  splitter->setChildrenCollapsible(false);
  return splitter;
}

QVBoxLayout* Column(QWidget* page) {
  auto* column = new QVBoxLayout(page);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  return column;
}

}  // namespace

QWidget* ChartWithLegend(QCustomPlot* chart, CurveLegend* legend, QWidget* parent) {
  auto* holder = new QWidget(parent);
  auto* row = new QHBoxLayout(holder);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(2);
  row->addWidget(chart, 1);
  row->addWidget(legend);
  return holder;
}

TimeSeriesPage::TimeSeriesPage(app::Workspace& workspace, QLabel* zoomLabel, QWidget* parent) : QWidget(parent) {
  setObjectName("timeSeriesPage");
  QVBoxLayout* column = Column(this);
  QSplitter* splitter = Splitter(Qt::Vertical, "timeSeriesSplitter", this);
  horizontalChart = MakeChart("Chart1", "Horizontal time series", splitter);
  verticalChart = MakeChart("Chart2", "Vertical time series", splitter);
  for (QCustomPlot* chart : {horizontalChart, verticalChart}) {
    chart->xAxis->setLabel("t,sec");
    splitter->addWidget(chart);
    splitter->setStretchFactor(splitter->indexOf(chart), 1);
  }
  auto* timeScrollBar = new QScrollBar(Qt::Horizontal, this);
  timeScrollBar->setObjectName("timeScrollBar");
  column->addWidget(splitter, 1);
  column->addWidget(timeScrollBar);

  using import::Component;
  const struct {
    Component component;
    QCustomPlot* chart;
    const char* name;
  } curves[3] = {{Component::X, horizontalChart, "X"}, {Component::Y, horizontalChart, "Y"},
                 {Component::Z, verticalChart, "Z"}};
  for (const auto& c : curves) {
    auto* curve = new RecordCurve(c.chart->xAxis, c.chart->yAxis, &workspace.record.samples(c.component));
    curve->setName(c.name);
    curve->setPen(QPen(ComponentColour(c.component), 1));
    curves_[static_cast<int>(c.component)] = curve;
  }
  for (QCustomPlot* chart : {horizontalChart, verticalChart}) new ChartImageMenu(chart);  // "Save image as…", "Copy"
  windowBands = new WindowBandController(horizontalChart, verticalChart, workspace, this);
  timeRange = new TimeRangeLink({horizontalChart, verticalChart}, workspace, timeScrollBar, zoomLabel, this);
}

void TimeSeriesPage::showRecord() {
  int leftMargin = 0;
  for (QCustomPlot* plot : {horizontalChart, verticalChart}) {
    bool any = false;
    for (int i = 0; i < plot->plottableCount(); ++i) {
      bool found = false;
      plot->plottable(i)->getKeyRange(found);
      any = any || found;
    }
    if (any) plot->rescaleAxes();
    plot->axisRect()->setMinimumMargins(QMargins(0, 0, 0, 0));
    plot->replot();
    leftMargin = std::max(leftMargin, plot->axisRect()->margins().left());
  }
  for (QCustomPlot* plot : {horizontalChart, verticalChart}) {
    plot->axisRect()->setMinimumMargins(QMargins(leftMargin, 0, 0, 0));
    plot->replot();
  }
  timeRange->recordChanged();  // the new record at the current zoom factor
}

void TimeSeriesPage::rescaleAmplitudes() {
  for (QCustomPlot* plot : {horizontalChart, verticalChart}) {
    plot->yAxis->rescale();
    plot->replot();
  }
}

SpectraPage::SpectraPage(QWidget* parent) : QWidget(parent) {
  QSplitter* splitter = Splitter(Qt::Vertical, "spectraSplitter", this);
  Column(this)->addWidget(splitter);
  horizontalChart = MakeChart("Chart3", "Horizontal spectra", nullptr);
  verticalChart = MakeChart("Chart4", "Vertical spectra", nullptr);
  horizontalLegend = new CurveLegend(horizontalChart);
  horizontalLegend->setObjectName("Chart3Legend");
  verticalLegend = new CurveLegend(verticalChart);
  verticalLegend->setObjectName("Chart4Legend");
  const std::pair<QCustomPlot*, CurveLegend*> charts[] = {{horizontalChart, horizontalLegend},
                                                          {verticalChart, verticalLegend}};
  for (const auto& [chart, legend] : charts) {
    chart->xAxis->setLabel("f,Hz");
    chart->xAxis->setRange(0, 100);
    UseLogarithmicLabels(chart->yAxis);
    chart->yAxis->setRange(0.1, 1000);
    EnableChartNavigation(chart);  // wheel, drag, double click and Home
    splitter->addWidget(ChartWithLegend(chart, legend, splitter));
    splitter->setStretchFactor(splitter->count() - 1, 1);
  }
  AlignPlotAreas({horizontalChart, verticalChart});  // one frequency axis above the other
  for (QCustomPlot* chart : {horizontalChart, verticalChart}) new ChartImageMenu(chart);
}

RatioPage::RatioPage(FieldStandardView& fieldStandard, QWidget* parent) : QWidget(parent) {
  chart = MakeRatioChart(nullptr);
  EnableChartNavigation(chart);
  new ChartImageMenu(chart);
  legend = new CurveLegend(chart);
  legend->setObjectName("Chart5Legend");
  Column(this)->addWidget(fieldStandard.besideRatioChart(ChartWithLegend(chart, legend, nullptr)));
}

InversionPage::InversionPage(app::Workspace& workspace, QWidget* parent) : QWidget(parent) {
  QSplitter* splitter = Splitter(Qt::Horizontal, "inversionSplitter", this);
  Column(this)->addWidget(splitter);
  profileChart = MakeChart("Chart6", QString(), splitter);
  new ChartImageMenu(profileChart);
  splitter->addWidget(profileChart);
  auto* right = new QWidget(splitter);
  auto* column = new QVBoxLayout(right);
  column->setContentsMargins(0, 0, 0, 0);
  panel = new InversionPanel(right);
  modelTable = new QTableWidget(right);
  modelTable->setObjectName("parameterTable");
  modelView = new ModelTableController(modelTable, profileChart, workspace, this);
  column->addWidget(panel);
  auto* tableAndRatio = Splitter(Qt::Vertical, "inversionRatioSplitter", right);
  tableAndRatio->addWidget(modelTable);
  ratioView = MakeChart("inversionRatioView", QString(), tableAndRatio);
  ratioView->xAxis->setLabel("f,Hz");
  ratioView->yAxis->setLabel("H/V");
  ratioView->setMinimumHeight(120);
  new ChartImageMenu(ratioView);
  tableAndRatio->addWidget(ratioView);
  tableAndRatio->setStretchFactor(0, 3);
  tableAndRatio->setStretchFactor(1, 2);
  column->addWidget(tableAndRatio, 1);
  splitter->addWidget(right);
  splitter->setStretchFactor(0, 2);
  splitter->setStretchFactor(1, 3);
  splitter->setSizes({330, 530});
}

void InversionPage::showEnsemble(const app::EnsembleSummary& ensemble, const QStringList& warnings) {
  if (ensembleBands) ensembleBands->show(ensemble);
  modelView->showParameter(static_cast<int>(inversion::ModelParameter::Vs));
  QStringList lines;
  for (const std::string& line : app::EnsembleReportLines(ensemble)) lines << QString::fromStdString(line);
  for (const QString& warning : warnings) lines << "warning: " + warning;
  panel->ensembleSummary->setText(lines.join('\n'));
}

void InversionPage::clearEnsemble() {
  if (ensembleBands) ensembleBands->clear();
  panel->ensembleSummary->clear();
}

void InversionPage::mirrorRatioChart(QCustomPlot* ratioChart) {
  for (int i = 0; i < 2 && i < ratioChart->graphCount(); ++i) {  // "H/Z", "H/Zc"
    const QCPGraph* source = ratioChart->graph(i);
    QCPGraph* graph = ratioView->addGraph();
    graph->setName(source->name());
    graph->setPen(source->pen());
    graph->setData(source->data());  // shared: the view shows what the ratio chart holds
  }
  // The ensemble's bands come after the two curves (graphs 2 and 3 of the view).
  if (!ensembleBands) ensembleBands = new EnsembleBands(profileChart, ratioView, this);
  connect(ratioChart, &QCustomPlot::afterReplot, ratioView, [ratioChart, view = ratioView] {
    // The frequency axis as on the ratio chart; the values fitted to the two curves.
    if (view->xAxis->scaleType() != ratioChart->xAxis->scaleType()) {
      if (ratioChart->xAxis->scaleType() == QCPAxis::stLogarithmic)
        UseLogarithmicLabels(view->xAxis);
      else
        UseLinearLabels(view->xAxis);
    }
    view->xAxis->setRange(ratioChart->xAxis->range());
    bool found = false;
    QCPRange values;
    for (int i = 0; i < view->graphCount(); ++i) {
      bool any = false;
      const QCPRange r = view->graph(i)->getValueRange(any, QCP::sdBoth, view->xAxis->range());
      if (!any) continue;
      values = found ? QCPRange(std::min(values.lower, r.lower), std::max(values.upper, r.upper)) : r;
      found = true;
    }
    if (found) view->yAxis->setRange(std::min(0.0, values.lower), values.upper * 1.05 + 1e-12);
    view->replot(QCustomPlot::rpQueuedReplot);
  });
}

}  // namespace corvath::ui
