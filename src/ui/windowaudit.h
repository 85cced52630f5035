#pragma once
// What became of each window of the field-standard H/V, where a user can follow it:
// every window's band on the time-series charts coloured by its fate with the reason
// as a tooltip; the "Windows" tab, each window's curve against its start time as a
// colour map with its f0 marked; the "Azimuths" tab, the H/V of each direction as
// a colour map with its f0 marked, and f0 against the azimuth.
#include <QObject>
#include <QString>
#include <vector>

#include "app/workspace.h"

class QCustomPlot;
class QLabel;
class QMouseEvent;
class QWidget;

namespace corvath::ui {

//! Object name of every band the fate drawing adds to the time-series charts.
inline constexpr const char* kWindowFateBandName = "windowFate";

//! The sentence a window's tooltip gives: its span, its f0, its STA/LTA range and
//! what became of it, e.g. "Window 5, 240 to 300 s: rejected by the STA/LTA
//! anti-trigger (ratio 0.43 to 2.84, bounds 0.2 to 2.5)".
QString WindowFateText(const spectra::FieldStandardResult& result, std::size_t window);

class WindowAudit : public QObject {
  Q_OBJECT
public:
  //! horizontal and vertical are the time-series charts the bands are drawn on.
  WindowAudit(QCustomPlot* horizontal, QCustomPlot* vertical, QWidget* parent);

  QWidget* windowsPage() const { return windowsPage_; }
  QWidget* azimuthsPage() const { return azimuthsPage_; }

  //! Draws the workspace's field-standard result (and its azimuthal H/V, if any).
  void show(const app::Workspace& workspace);
  //! Removes every band and map: no result is shown.
  void clear();
  //! Removes the bands from the time-series charts only (a new record is shown).
  void clearBands();

  //! The tooltip for time t (s) on a time-series chart: the latest window holding t,
  //! empty when none does.
  QString tooltipAt(double t) const;

  QCustomPlot* timeFrequencyChart = nullptr;  // "Windows": start time x frequency
  QCustomPlot* azimuthMapChart = nullptr;     // "Azimuths": azimuth x frequency
  QCustomPlot* azimuthF0Chart = nullptr;      // "Azimuths": f0 against azimuth
  QLabel* windowsSummary = nullptr;
  QLabel* azimuthsSummary = nullptr;

private:
  void drawBands(const spectra::FieldStandardResult& result);
  void drawTimeFrequency(const spectra::FieldStandardResult& result);
  void drawAzimuths(const spectra::AzimuthalHv& hv);
  void hover(QCustomPlot* chart, QMouseEvent* event);

  QCustomPlot* timeSeries_[2] = {};
  QWidget* windowsPage_ = nullptr;
  QWidget* azimuthsPage_ = nullptr;
  // The tooltip texts of the drawn windows with their spans (s).
  struct Span {
    double start = 0.0;
    double end = 0.0;
    QString text;
  };
  std::vector<Span> spans_;
};

}  // namespace corvath::ui
