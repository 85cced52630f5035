#include "charts/ratioplot.h"

#include <memory>

#include <QApplication>
#include <QFile>

#include <qcustomplot.h>

#include "charts/chartimage.h"
#include "charts/spectradrawing.h"

namespace corvath::charts {

std::string WriteRatioChart(const spectra::SpectraResult& result, const std::string& path, int widthPx,
                            int heightPx) {
  if (widthPx < 1 || heightPx < 1) return "the picture needs a width and a height of at least 1 pixel";
  std::unique_ptr<QApplication> application;
  if (!QCoreApplication::instance()) {
    // A batch run has no display: the chart is drawn offscreen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "corvath-cli";
    static char* argv[] = {name, nullptr};
    application = std::make_unique<QApplication>(argc, argv);
  }
  std::unique_ptr<QCustomPlot> chart(MakeRatioChart(nullptr));
  chart->resize(widthPx, heightPx);
  DrawRatio(chart.get(), result);
  chart->replot();
  const QString error = SaveChartImage(*chart, QFile::decodeName(path.c_str()), QSize(widthPx, heightPx));
  return error.toStdString();
}

}  // namespace corvath::charts
