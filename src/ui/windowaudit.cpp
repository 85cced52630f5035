#include "ui/windowaudit.h"

#include <QLabel>
#include <QMouseEvent>
#include <QSplitter>
#include <QToolTip>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>
#include <qcustomplot.h>

#include "spectra/fieldstandardreport.h"
#include "ui/chartmenu.h"
#include "ui/mapreadout.h"

namespace corvath::ui {

namespace {

using spectra::FieldStandardResult;
using spectra::FieldStandardWindow;
using spectra::WindowFate;

const QString kFateLayer = QStringLiteral("windowfates");

QString number(double value) { return QString::fromStdString(spectra::ReportNumber(value)); }

const QColor kKeptBand(120, 120, 120, 40);
const QColor kRejectedBand(235, 90, 90, 70);

// A chart whose value axis is log10 of the frequency, labelled in Hz.
void useLogFrequencyAxis(QCPAxis* axis, double lowHz, double highHz) {
  auto ticker = QSharedPointer<QCPAxisTickerText>::create();
  for (double decade = std::pow(10.0, std::floor(std::log10(lowHz))); decade <= highHz * 10; decade *= 10)
    for (double step : {1.0, 2.0, 5.0}) {
      const double f = decade * step;
      if (f >= lowHz * (1 - 1e-9) && f <= highHz * (1 + 1e-9)) ticker->addTick(std::log10(f), number(f));
    }
  axis->setTicker(ticker);
  axis->setRange(std::log10(lowHz), std::log10(highHz));
  axis->setLabel("f, Hz");
}

QCustomPlot* newChart(const char* name, QWidget* parent) {
  auto* chart = new QCustomPlot(parent);
  chart->setObjectName(name);
  chart->setMinimumHeight(160);
  chart->setNoAntialiasingOnDrag(true);
  new ChartImageMenu(chart);  // "Save image as…", "Copy"
  return chart;
}

// A colour map of `chart` with its colour scale on the right (made once, reused).
QCPColorMap* newColorMap(QCustomPlot* chart, const QString& scaleLabel) {
  auto* map = new QCPColorMap(chart->xAxis, chart->yAxis);
  QCPColorGradient gradient(QCPColorGradient::gpJet);
  gradient.setNanHandling(QCPColorGradient::nhTransparent);
  map->setGradient(gradient);
  map->setInterpolate(false);
  QCPColorScale* scale = nullptr;
  if (chart->plotLayout()->columnCount() > 1)
    scale = qobject_cast<QCPColorScale*>(chart->plotLayout()->element(0, 1));
  if (!scale) {
    scale = new QCPColorScale(chart);
    chart->plotLayout()->addElement(0, 1, scale);
    scale->setType(QCPAxis::atRight);
    auto* group = new QCPMarginGroup(chart);
    chart->axisRect()->setMarginGroup(QCP::msBottom | QCP::msTop, group);
    scale->setMarginGroup(QCP::msBottom | QCP::msTop, group);
  }
  scale->axis()->setLabel(scaleLabel);
  map->setColorScale(scale);  // the map takes the scale's gradient: give both the one wanted
  scale->setGradient(gradient);
  return map;
}

// The colour range of the values: from the smallest to the 98th percentile, so that
// one extreme window does not wash out the others.
QCPRange colorRange(std::vector<double> values) {
  values.erase(std::remove_if(values.begin(), values.end(), [](double v) { return !std::isfinite(v); }),
               values.end());
  if (values.empty()) return {0, 1};
  const auto top = values.begin() + static_cast<std::ptrdiff_t>((values.size() - 1) * 98 / 100);
  std::nth_element(values.begin(), top, values.end());
  const double high = *top;
  const double low = *std::min_element(values.begin(), values.end());
  return high > low ? QCPRange(low, high) : QCPRange(low, low + 1);
}

QCPGraph* marks(QCustomPlot* chart, const QColor& color, QCPScatterStyle::ScatterShape shape, const QString& name) {
  QCPGraph* graph = chart->addGraph();
  graph->setName(name);
  graph->setLineStyle(QCPGraph::lsNone);
  graph->setScatterStyle(QCPScatterStyle(shape, QPen(QColor(0, 0, 0), 1.5), QBrush(color), 8));
  return graph;
}

void clearChart(QCustomPlot* chart) {
  chart->clearPlottables();
  chart->clearItems();
  chart->replot(QCustomPlot::rpQueuedReplot);
}

}  // namespace

QString WindowFateText(const FieldStandardResult& result, std::size_t index) {
  const FieldStandardWindow& w = result.windows.at(index);
  QString text = QString("Window %1, %2 to %3 s: f0 %4 Hz, STA/LTA %5 to %6; ")
                     .arg(index + 1)
                     .arg(number(w.startSeconds), number(w.endSeconds), number(w.peakFrequencyHz),
                          number(w.staLtaMin), number(w.staLtaMax));
  switch (w.fate) {
    case WindowFate::Kept: return text + "kept";
    case WindowFate::StaLta: {
      const spectra::StaLtaSettings s = result.settings.staLta.value_or(spectra::StaLtaSettings{});
      return text + QString("rejected by the STA/LTA anti-trigger (bounds %1 to %2)")
                        .arg(number(s.minRatio), number(s.maxRatio));
    }
    case WindowFate::F0Outlier:
      if (w.f0Deviation != 0.0)
        return text + QString("rejected as an f0 outlier, %1 sigma from the median %2 Hz of the kept windows")
                          .arg(number(w.f0Deviation), number(result.f0.median()));
      return text + QString("rejected as an f0 outlier, off the median %1 Hz of the kept windows")
                        .arg(number(result.f0.median()));
  }
  return text;
}

WindowAudit::WindowAudit(QCustomPlot* horizontal, QCustomPlot* vertical, QWidget* parent)
    : QObject(parent), timeSeries_{horizontal, vertical} {
  windowsPage_ = new QWidget(parent);
  windowsPage_->setObjectName("windowsPage");
  auto* windowsColumn = new QVBoxLayout(windowsPage_);
  windowsSummary = new QLabel("Calculate the field-standard H/V to see each window's curve here.", windowsPage_);
  windowsSummary->setObjectName("windowsSummary");
  windowsSummary->setWordWrap(true);
  timeFrequencyChart = newChart("timeFrequencyChart", windowsPage_);
  timeFrequencyChart->xAxis->setLabel("window start, s");
  windowsColumn->addWidget(windowsSummary);
  windowsColumn->addWidget(timeFrequencyChart, 1);

  azimuthsPage_ = new QWidget(parent);
  azimuthsPage_->setObjectName("azimuthsPage");
  auto* azimuthsColumn = new QVBoxLayout(azimuthsPage_);
  azimuthsSummary = new QLabel(
      "Tick \"Azimuths\" in the field-standard form and calculate to see the H/V of each direction here.",
      azimuthsPage_);
  azimuthsSummary->setObjectName("azimuthsSummary");
  azimuthsSummary->setWordWrap(true);
  auto* splitter = new QSplitter(Qt::Horizontal, azimuthsPage_);
  azimuthMapChart = newChart("azimuthMapChart", splitter);
  azimuthMapChart->xAxis->setLabel("azimuth, degrees from X towards Y");
  azimuthF0Chart = newChart("azimuthF0Chart", splitter);
  azimuthF0Chart->xAxis->setLabel("azimuth, degrees");
  azimuthF0Chart->yAxis->setLabel("f0, Hz");
  splitter->addWidget(azimuthMapChart);
  splitter->addWidget(azimuthF0Chart);
  splitter->setStretchFactor(0, 3);
  splitter->setStretchFactor(1, 2);
  azimuthsColumn->addWidget(azimuthsSummary);
  azimuthsColumn->addWidget(splitter, 1);

  WatchMapValues(timeFrequencyChart, "window start", "s");
  WatchMapValues(azimuthMapChart, "azimuth", "°");
  for (QCustomPlot* chart : timeSeries_) {
    if (!chart) continue;
    if (!chart->layer(kFateLayer))
      chart->addLayer(kFateLayer, chart->layer(QStringLiteral("main")), QCustomPlot::limBelow);
    connect(chart, &QCustomPlot::mouseMove, this, [this, chart](QMouseEvent* event) { hover(chart, event); });
  }
}

void WindowAudit::show(const app::Workspace& workspace) {
  clear();
  if (!workspace.fieldStandardResult) return;
  const FieldStandardResult& result = *workspace.fieldStandardResult;
  drawBands(result);
  drawTimeFrequency(result);
  if (workspace.azimuthalResult) drawAzimuths(*workspace.azimuthalResult);
}

void WindowAudit::clear() {
  clearBands();
  for (QCustomPlot* chart : {timeFrequencyChart, azimuthMapChart, azimuthF0Chart}) clearChart(chart);
  windowsSummary->setText("Calculate the field-standard H/V to see each window's curve here.");
  azimuthsSummary->setText(
      "Tick \"Azimuths\" in the field-standard form and calculate to see the H/V of each direction here.");
}

void WindowAudit::clearBands() {
  spans_.clear();
  for (QCustomPlot* chart : timeSeries_) {
    if (!chart) continue;
    for (int i = chart->itemCount() - 1; i >= 0; --i)
      if (chart->item(i)->objectName() == QLatin1String(kWindowFateBandName)) chart->removeItem(i);
    chart->replot(QCustomPlot::rpQueuedReplot);
  }
}

void WindowAudit::drawBands(const FieldStandardResult& result) {
  for (std::size_t w = 0; w < result.windows.size(); ++w) {
    const FieldStandardWindow& window = result.windows[w];
    spans_.push_back({window.startSeconds, window.endSeconds, WindowFateText(result, w)});
    for (QCustomPlot* chart : timeSeries_) {
      if (!chart) continue;
      auto* band = new QCPItemRect(chart);
      band->setObjectName(kWindowFateBandName);
      band->setLayer(kFateLayer);
      band->setSelectable(false);
      for (QCPItemPosition* corner : {band->topLeft, band->bottomRight}) {
        corner->setTypeX(QCPItemPosition::ptPlotCoords);
        corner->setTypeY(QCPItemPosition::ptAxisRectRatio);
      }
      band->topLeft->setCoords(window.startSeconds, 0.0);
      band->bottomRight->setCoords(window.endSeconds, 1.0);
      band->setPen(Qt::NoPen);
      band->setBrush(window.rejected ? kRejectedBand : kKeptBand);
    }
  }
  for (QCustomPlot* chart : timeSeries_)
    if (chart) chart->replot(QCustomPlot::rpQueuedReplot);
}

QString WindowAudit::tooltipAt(double t) const {
  for (auto span = spans_.rbegin(); span != spans_.rend(); ++span)
    if (t >= span->start && t <= span->end) return span->text;
  return {};
}

void WindowAudit::hover(QCustomPlot* chart, QMouseEvent* event) {
  if (spans_.empty()) return;
  const QPointF at = event->position();
  if (!chart->axisRect()->rect().contains(at.toPoint())) return QToolTip::hideText();
  const QString text = tooltipAt(chart->xAxis->pixelToCoord(at.x()));
  if (text.isEmpty()) return QToolTip::hideText();
  QToolTip::showText(event->globalPosition().toPoint(), text, chart);
}

void WindowAudit::drawTimeFrequency(const FieldStandardResult& result) {
  QCustomPlot* chart = timeFrequencyChart;
  const auto& windows = result.windows;
  const auto& grid = result.frequenciesHz;
  if (windows.empty() || grid.size() < 2) return;
  double start = windows.front().startSeconds, end = windows.front().endSeconds;
  for (const auto& w : windows) start = std::min(start, w.startSeconds), end = std::max(end, w.endSeconds);
  if (!(end > start)) end = start + 1;

  // Columns along the time span; each shows the latest-starting window that holds it.
  const int columns = static_cast<int>(std::clamp<std::size_t>(windows.size() * 4, 50, 2000));
  const int rows = static_cast<int>(grid.size());
  QCPColorMap* map = newColorMap(chart, "H/V");
  map->setName("H/V of each window");
  const double step = (end - start) / columns;
  map->data()->setSize(columns, rows);
  map->data()->setRange(QCPRange(start + step / 2, end - step / 2),
                        QCPRange(std::log10(grid.front()), std::log10(grid.back())));
  std::vector<std::size_t> order(windows.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::stable_sort(order.begin(), order.end(),
                   [&](std::size_t a, std::size_t b) { return windows[a].startSeconds < windows[b].startSeconds; });
  std::vector<double> values;
  for (int c = 0; c < columns; ++c) {
    const double t = start + (c + 0.5) * step;
    const FieldStandardWindow* shown = nullptr;
    for (std::size_t i : order) {
      if (windows[i].startSeconds > t) break;
      if (t <= windows[i].endSeconds) shown = &windows[i];
    }
    for (int r = 0; r < rows; ++r) {
      const double v = shown ? shown->ratio[static_cast<std::size_t>(r)] : std::numeric_limits<double>::quiet_NaN();
      map->data()->setCell(c, r, v);
      if (shown) values.push_back(v);
    }
  }
  map->setDataRange(colorRange(std::move(values)));

  QCPGraph* kept = marks(chart, Qt::white, QCPScatterStyle::ssCircle, "f0 of a kept window");
  QCPGraph* dropped = marks(chart, QColor(255, 60, 60), QCPScatterStyle::ssDiamond, "f0 of a rejected window");
  for (const auto& w : windows)
    (w.rejected ? dropped : kept)->addData((w.startSeconds + w.endSeconds) / 2, std::log10(w.peakFrequencyHz));
  chart->xAxis->setRange(start, end);
  useLogFrequencyAxis(chart->yAxis, grid.front(), grid.back());
  chart->replot(QCustomPlot::rpQueuedReplot);

  windowsSummary->setText(QString("%1 windows: %2 kept, %3 rejected by the STA/LTA anti-trigger, %4 f0 outliers. "
                                  "White circles: f0 of a kept window; red diamonds: of a rejected one. "
                                  "Point at a band on \"Time series\" for why.")
                              .arg(windows.size())
                              .arg(result.usedWindows())
                              .arg(result.staLtaWindows())
                              .arg(result.rejectedWindows() - result.staLtaWindows()));
}

void WindowAudit::drawAzimuths(const spectra::AzimuthalHv& hv) {
  if (hv.azimuths.empty()) return;
  const auto& grid = hv.azimuths.front().result.frequenciesHz;
  if (grid.size() < 2) return;
  const int count = static_cast<int>(hv.azimuths.size());
  const int rows = static_cast<int>(grid.size());
  const double step = count > 1 ? hv.azimuths[1].azimuthDegrees - hv.azimuths[0].azimuthDegrees : 180.0;

  QCPColorMap* map = newColorMap(azimuthMapChart, "H/V");
  map->setName("H/V of each azimuth");
  map->data()->setSize(count, rows);
  map->data()->setRange(QCPRange(hv.azimuths.front().azimuthDegrees, hv.azimuths.back().azimuthDegrees),
                        QCPRange(std::log10(grid.front()), std::log10(grid.back())));
  std::vector<double> values;
  QCPGraph* f0Marks = marks(azimuthMapChart, Qt::white, QCPScatterStyle::ssCircle, "f0");
  QCPGraph* f0Line = azimuthF0Chart->addGraph();
  f0Line->setName("f0");
  f0Line->setPen(QPen(QColor(30, 60, 160), 2));
  f0Line->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssCircle, 6));
  auto* bars = new QCPErrorBars(azimuthF0Chart->xAxis, azimuthF0Chart->yAxis);
  bars->setName("f0 +- sigma");
  bars->setPen(QPen(QColor(30, 60, 160)));
  QVector<double> keys, f0s, minus, plus;
  double lowest = std::numeric_limits<double>::infinity(), highest = 0;
  for (int a = 0; a < count; ++a) {
    const auto& curve = hv.azimuths[static_cast<std::size_t>(a)];
    for (int r = 0; r < rows; ++r) {
      const double v = curve.result.mean[static_cast<std::size_t>(r)];
      map->data()->setCell(a, r, v);
      values.push_back(v);
    }
    const spectra::Lognormal& f0 = curve.result.f0;
    f0Marks->addData(curve.azimuthDegrees, std::log10(f0.median()));
    keys << curve.azimuthDegrees;
    f0s << f0.median();
    minus << f0.median() - f0.lower();
    plus << f0.upper() - f0.median();
    lowest = std::min(lowest, f0.lower());
    highest = std::max(highest, f0.upper());
  }
  map->setDataRange(colorRange(std::move(values)));
  azimuthMapChart->xAxis->setRange(hv.azimuths.front().azimuthDegrees - step / 2,
                                   hv.azimuths.back().azimuthDegrees + step / 2);
  useLogFrequencyAxis(azimuthMapChart->yAxis, grid.front(), grid.back());
  azimuthMapChart->replot(QCustomPlot::rpQueuedReplot);

  f0Line->setData(keys, f0s, true);
  bars->setDataPlottable(f0Line);
  bars->setData(minus, plus);
  azimuthF0Chart->xAxis->setRange(0, 180);
  if (std::isfinite(lowest) && highest > lowest)
    azimuthF0Chart->yAxis->setRange(lowest * 0.9, highest * 1.1);
  azimuthF0Chart->replot(QCustomPlot::rpQueuedReplot);

  azimuthsSummary->setText(QString("Peak directional: %1 (%2). Circles: f0 of each azimuth.")
                               .arg(hv.directional ? "yes" : "no", QString::fromStdString(hv.directionality)));
}

}  // namespace corvath::ui
