#include "charts/chartimage.h"

#include <QClipboard>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageWriter>
#include <QSaveFile>
#include <QSvgGenerator>
#include <QTemporaryFile>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <qcustomplot.h>

#include "charts/charts.h"

namespace corvath::charts {
namespace {

QSize SizeFor(const QCustomPlot& chart, QSize size) {
  if (size.isEmpty()) size = chart.size();
  return size.expandedTo(QSize(1, 1));
}

// Lays the chart out at the picture's size: its axes pick their ticks for the
// lengths they get there, which a first pass at a new size only estimates.
void LayOutAt(QCustomPlot& chart, QSize size) { (void)chart.toPixmap(size.width(), size.height()); }

QString Failed(const QString& path, const QString& reason) {
  return QStringLiteral("Cannot write the picture %1: %2").arg(QDir::toNativeSeparators(path), reason);
}

QString SavePng(QCustomPlot& chart, const QString& path, QSize size) {
  const QImage image = chart.toPixmap(size.width(), size.height()).toImage();
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return Failed(path, file.errorString());
  QImageWriter writer(&file, "png");
  if (!writer.write(image)) return Failed(path, writer.errorString());
  if (!file.commit()) return Failed(path, file.errorString());
  return QString();
}

QString SaveSvg(QCustomPlot& chart, const QString& path, QSize size) {
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return Failed(path, file.errorString());
  QSvgGenerator generator;
  generator.setOutputDevice(&file);
  generator.setSize(size);
  generator.setViewBox(QRect(QPoint(0, 0), size));
  generator.setTitle(ChartTitle(chart));
  QCPPainter painter;
  if (!painter.begin(&generator)) return Failed(path, QStringLiteral("the drawing could not start"));
  chart.toPainter(&painter, size.width(), size.height());
  painter.end();
  if (!file.commit()) return Failed(path, file.errorString());
  return QString();
}

QString SavePdf(QCustomPlot& chart, const QString& path, QSize size) {
  // Written beside the target and renamed over it, so a failed write leaves any old
  // picture as it was. The PDF writer reports no reason of its own.
  QTemporaryFile temporary(QFileInfo(path).absolutePath() + QStringLiteral("/.picture-XXXXXX.pdf"));
  if (!temporary.open()) return Failed(path, temporary.errorString());
  temporary.close();
  if (!chart.savePdf(temporary.fileName(), size.width(), size.height(), QCP::epNoCosmetic, QString(),
                     ChartTitle(chart)) ||
      QFileInfo(temporary.fileName()).size() == 0)
    return Failed(path, QStringLiteral("the PDF could not be written"));
  if (std::rename(QFile::encodeName(temporary.fileName()).constData(), QFile::encodeName(path).constData()) != 0)
    return Failed(path, QString::fromLocal8Bit(std::strerror(errno)));
  temporary.setAutoRemove(false);  // it is the picture now
  return QString();
}

}  // namespace

bool ChartImageFormatOf(const QString& path, ChartImageFormat& format) {
  const QString suffix = QFileInfo(path).suffix().toLower();
  if (suffix == QLatin1String("png")) format = ChartImageFormat::Png;
  else if (suffix == QLatin1String("svg")) format = ChartImageFormat::Svg;
  else if (suffix == QLatin1String("pdf")) format = ChartImageFormat::Pdf;
  else return false;
  return true;
}

QString SaveChartImage(QCustomPlot& chart, const QString& path, QSize size) {
  ChartImageFormat format;
  if (!ChartImageFormatOf(path, format))
    return Failed(path, QStringLiteral("the name must end in .png, .svg or .pdf"));
  size = SizeFor(chart, size);
  LayOutAt(chart, size);
  QString error;
  switch (format) {
    case ChartImageFormat::Png: error = SavePng(chart, path, size); break;
    case ChartImageFormat::Svg: error = SaveSvg(chart, path, size); break;
    case ChartImageFormat::Pdf: error = SavePdf(chart, path, size); break;
  }
  chart.replot(QCustomPlot::rpQueuedReplot);  // back to the widget's own size on screen
  return error;
}

QImage ChartImage(QCustomPlot& chart) {
  const QSize size = SizeFor(chart, QSize());
  LayOutAt(chart, size);
  return chart.toPixmap(size.width(), size.height()).toImage();
}

void CopyChartImage(QCustomPlot& chart) {
  if (QClipboard* clipboard = QGuiApplication::clipboard()) clipboard->setImage(ChartImage(chart));
}

}  // namespace corvath::charts
