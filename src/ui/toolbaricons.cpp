#include "ui/toolbaricons.h"

#include <cmath>

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace corvath::ui {
namespace {

const QColor kOutline(40, 40, 40);
const QColor kPaper(250, 250, 245);
const QColor kFolder(232, 190, 90);
const QColor kBand(120, 200, 120, 170);
const QColor kRemove(200, 40, 40);
const QColor kAdd(30, 140, 50);

// Every icon is drawn on a 24 x 24 grid, then scaled to the pixmap size.
void DrawWave(QPainter& p, double x0, double x1, double y, double amplitude, const QColor& colour, double width = 1.6) {
  QPainterPath path;
  const int steps = 24;
  for (int i = 0; i <= steps; ++i) {
    const double x = x0 + (x1 - x0) * i / steps;
    const double t = i / double(steps) * 6.2832 * 1.5;
    const double v = y - amplitude * std::sin(t) * (0.6 + 0.4 * std::cos(2.3 * t));
    if (i == 0) path.moveTo(x, v); else path.lineTo(x, v);
  }
  p.setPen(QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(Qt::NoBrush);
  p.drawPath(path);
}

void DrawMagnifier(QPainter& p, bool plus) {
  p.setPen(QPen(kOutline, 2.2, Qt::SolidLine, Qt::RoundCap));
  p.setBrush(QColor(220, 235, 250));
  p.drawEllipse(QPointF(10, 10), 6.5, 6.5);
  p.setPen(QPen(kOutline, 3.2, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(15, 15), QPointF(21, 21));
  p.setPen(QPen(kOutline, 2.0, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(6.5, 10), QPointF(13.5, 10));
  if (plus) p.drawLine(QPointF(10, 6.5), QPointF(10, 13.5));
}

void DrawBandOverWave(QPainter& p) {
  p.setPen(Qt::NoPen);
  p.setBrush(kBand);
  p.drawRect(QRectF(7, 3, 8, 18));
  p.setPen(QPen(QColor(30, 110, 30), 1.2));
  p.drawLine(QPointF(7, 3), QPointF(7, 21));
  p.drawLine(QPointF(15, 3), QPointF(15, 21));
  DrawWave(p, 2, 22, 12, 5, kOutline, 1.4);
}

void DrawBadge(QPainter& p, bool plus) {
  p.setPen(QPen(Qt::white, 1.2));
  p.setBrush(plus ? kAdd : kRemove);
  p.drawEllipse(QPointF(18, 18), 5, 5);
  p.setPen(QPen(Qt::white, 2.0, Qt::SolidLine, Qt::RoundCap));
  if (plus) {
    p.drawLine(QPointF(15.5, 18), QPointF(20.5, 18));
    p.drawLine(QPointF(18, 15.5), QPointF(18, 20.5));
  } else {
    p.drawLine(QPointF(16, 16), QPointF(20, 20));
    p.drawLine(QPointF(20, 16), QPointF(16, 20));
  }
}

void DrawIcon(QPainter& p, IconKind kind) {
  switch (kind) {
    case IconKind::LoadComponents: {
      // An open folder holding three traces: X red, Y blue, Z black.
      p.setPen(QPen(kOutline, 1.2));
      p.setBrush(kFolder.darker(115));
      p.drawRoundedRect(QRectF(2, 5, 20, 16), 1.5, 1.5);
      p.setBrush(kPaper);
      p.drawRect(QRectF(4, 3, 16, 15));
      DrawWave(p, 5, 19, 6.5, 1.8, QColor(210, 30, 30), 1.3);
      DrawWave(p, 5, 19, 10.5, 1.8, QColor(30, 60, 210), 1.3);
      DrawWave(p, 5, 19, 14.5, 1.8, Qt::black, 1.3);
      p.setPen(QPen(kOutline, 1.2));
      p.setBrush(kFolder);
      QPolygonF front({QPointF(2, 21), QPointF(4.5, 13), QPointF(23, 13), QPointF(20.5, 21)});
      p.drawPolygon(front);
      break;
    }
    case IconKind::LoadRecordFile: {
      // A sheet with a folded corner and one trace: a single record file.
      p.setPen(QPen(kOutline, 1.2));
      p.setBrush(kPaper);
      QPolygonF sheet({QPointF(5, 2), QPointF(15, 2), QPointF(20, 7), QPointF(20, 22), QPointF(5, 22)});
      p.drawPolygon(sheet);
      p.drawPolyline(QPolygonF({QPointF(15, 2), QPointF(15, 7), QPointF(20, 7)}));
      DrawWave(p, 7, 18, 11, 2.2, QColor(210, 30, 30), 1.2);
      DrawWave(p, 7, 18, 15, 2.2, QColor(30, 60, 210), 1.2);
      DrawWave(p, 7, 18, 19, 1.6, Qt::black, 1.2);
      break;
    }
    case IconKind::SaveResults: {
      p.setPen(QPen(kOutline, 1.2));
      p.setBrush(QColor(70, 110, 170));
      QPolygonF disk({QPointF(3, 3), QPointF(18, 3), QPointF(21, 6), QPointF(21, 21), QPointF(3, 21)});
      p.drawPolygon(disk);
      p.setBrush(kPaper);
      p.drawRect(QRectF(6, 3, 11, 7));
      p.setBrush(QColor(200, 210, 225));
      p.drawRect(QRectF(6, 13, 12, 8));
      p.setBrush(kOutline);
      p.drawRect(QRectF(13, 4.5, 2.5, 4));
      break;
    }
    case IconKind::AddWindow:
      DrawBandOverWave(p);
      DrawBadge(p, true);
      break;
    case IconKind::RemoveWindow:
      DrawBandOverWave(p);
      DrawBadge(p, false);
      break;
    case IconKind::ZoomIn: DrawMagnifier(p, true); break;
    case IconKind::ZoomOut: DrawMagnifier(p, false); break;
    case IconKind::SmoothedSpectra: {
      // A jagged spectrum in grey under its smooth mean in red.
      p.setPen(QPen(QColor(150, 150, 150), 1.0));
      QPolygonF jagged;
      for (int i = 0; i <= 20; ++i) {
        const double x = 2 + i;
        const double base = 18 - 10 * std::exp(-std::pow((x - 11) / 4.0, 2));
        jagged << QPointF(x, base + ((i % 2) ? 2.5 : -2.5));
      }
      p.drawPolyline(jagged);
      QPainterPath smooth;
      for (int i = 0; i <= 40; ++i) {
        const double x = 2 + i * 0.5;
        const double y = 18 - 10 * std::exp(-std::pow((x - 11) / 4.0, 2));
        if (i == 0) smooth.moveTo(x, y); else smooth.lineTo(x, y);
      }
      p.setPen(QPen(QColor(200, 30, 30), 2.2, Qt::SolidLine, Qt::RoundCap));
      p.drawPath(smooth);
      break;
    }
    case IconKind::CalculateSpectra: {
      // Axes and a ratio curve with a labelled peak.
      p.setPen(QPen(kOutline, 1.4));
      p.drawLine(QPointF(3, 2), QPointF(3, 21));
      p.drawLine(QPointF(3, 21), QPointF(22, 21));
      QPainterPath curve;
      for (int i = 0; i <= 36; ++i) {
        const double x = 4 + i * 0.5;
        const double y = 18 - 13 * std::exp(-std::pow((x - 10) / 2.6, 2)) - 0.08 * (x - 4);
        if (i == 0) curve.moveTo(x, y); else curve.lineTo(x, y);
      }
      p.setPen(QPen(QColor(30, 60, 210), 2.0, Qt::SolidLine, Qt::RoundCap));
      p.drawPath(curve);
      p.setPen(QPen(QColor(200, 30, 30), 1.2, Qt::DashLine));
      p.drawLine(QPointF(10, 5), QPointF(10, 21));
      break;
    }
    case IconKind::StartInversion: {
      p.setPen(QPen(QColor(20, 90, 30), 1.2));
      p.setBrush(QColor(60, 170, 70));
      p.drawPolygon(QPolygonF({QPointF(6, 3), QPointF(20, 12), QPointF(6, 21)}));
      break;
    }
    case IconKind::StopInversion: {
      p.setPen(QPen(QColor(120, 20, 20), 1.2));
      p.setBrush(QColor(210, 50, 50));
      p.drawRoundedRect(QRectF(5, 5, 14, 14), 2, 2);
      break;
    }
  }
}

const char* ThemeName(IconKind kind) {
  switch (kind) {
    case IconKind::SaveResults: return "document-save";
    case IconKind::ZoomIn: return "zoom-in";
    case IconKind::ZoomOut: return "zoom-out";
    case IconKind::StartInversion: return "media-playback-start";
    case IconKind::StopInversion: return "media-playback-stop";
    default: return nullptr;
  }
}

}  // namespace

QIcon DrawnIcon(IconKind kind) {
  QIcon icon;
  for (int size : {16, 24, 32, 48}) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 24.0, size / 24.0);
    DrawIcon(painter, kind);
    painter.end();
    icon.addPixmap(pixmap);
    // Disabled: the same drawing, faded, so unavailable commands read as such.
    QPixmap faded(size, size);
    faded.fill(Qt::transparent);
    QPainter fader(&faded);
    fader.setOpacity(0.3);
    fader.drawPixmap(0, 0, pixmap);
    fader.end();
    icon.addPixmap(faded, QIcon::Disabled);
  }
  return icon;
}

QIcon CommandIcon(IconKind kind) {
  const char* name = ThemeName(kind);
  return name ? QIcon::fromTheme(QString::fromLatin1(name), DrawnIcon(kind)) : DrawnIcon(kind);
}

}  // namespace corvath::ui
