#pragma once
// The one time range of the two time-series charts: pan, wheel and the zoom
// commands move both charts together, inside the record, with a scroll bar along
// the record and the zoom factor shown beside the zoom buttons.
#include <QList>
#include <QObject>

#include <qcustomplot.h>

#include "app/workspace.h"

class QLabel;
class QScrollBar;

namespace corvath::ui {

class TimeRangeLink : public QObject {
  Q_OBJECT
public:
  //! Scroll bar steps across one visible span.
  static constexpr int kStepsPerSpan = 1000;

  //! Links the time axes of the charts. The charts stay at their pane's width; the
  //! workspace's zoomFactor sets the visible span (the whole record / zoomFactor),
  //! bar scrolls that span along the record and label shows the factor in view.
  TimeRangeLink(QList<QCustomPlot*> charts, app::Workspace& workspace, QScrollBar* bar, QLabel* label,
                QObject* parent = nullptr);

  //! A record was loaded or changed: its time extent is the new whole; the view
  //! shows the span of zoomFactor from the record's start.
  void recordChanged();
  //! After "Zoom in" or "Zoom out": the span becomes whole / zoomFactor around the
  //! centre of the view.
  void applyZoomFactor();
  //! Double click or Home: the whole record (zoomFactor back to 1).
  void showWholeRecord();

  //! The record's time extent (s); empty before a record.
  QCPRange wholeRange() const { return whole_; }
  //! The time range both charts show (s).
  QCPRange visibleRange() const;
  //! How many times the visible span fits into the record (1 when all of it shows).
  double visibleFactor() const;

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  bool hasRecord() const { return whole_.size() > 0; }
  QCPRange clamped(const QCPRange& range) const;
  void setView(const QCPRange& range);
  void rangeChanged(const QCPRange& range);
  void followMouseZoom();
  void showBarAndLabel();

  QList<QCustomPlot*> charts_;
  app::Workspace& workspace_;
  QScrollBar* bar_;
  QLabel* label_;
  QCPRange whole_{0, 0};
  double minimumSpan_ = 0.0;
  double appliedFactor_ = 1.0;  // the zoomFactor the view last followed
  bool updating_ = false;
  bool wheeling_ = false;     // a wheel event is being handled
  bool modeAtPress_ = false;  // a window mode was on at the last press
};

}  // namespace corvath::ui
