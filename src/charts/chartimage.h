#pragma once
// A chart as a picture: written to a PNG, SVG or PDF file, or put on the clipboard.
#include <QSize>
#include <QString>

class QCustomPlot;
class QImage;

namespace corvath::charts {

//! The picture kinds a chart is written as, chosen by the file's extension.
enum class ChartImageFormat { Png, Svg, Pdf };

//! The kind of ".png", ".svg" or ".pdf" (any letter case); false for anything else.
bool ChartImageFormatOf(const QString& path, ChartImageFormat& format);

//! Writes the chart to path as PNG, SVG or PDF by its extension, size pixels large
//! (the chart's own size when size is empty). Empty on success, otherwise the reason,
//! naming the file.
QString SaveChartImage(QCustomPlot& chart, const QString& path, QSize size = QSize());

//! The chart drawn at its own size.
QImage ChartImage(QCustomPlot& chart);

//! Puts the chart, drawn at its own size, on the clipboard as an image.
void CopyChartImage(QCustomPlot& chart);

}  // namespace corvath::charts
