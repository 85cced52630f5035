#pragma once
// The analysis windows on the two time-series charts: turns mouse presses, moves
// and releases into the window operations and draws every window as a band on
// both charts.
#include <QObject>

#include <array>
#include <optional>
#include <vector>

#include "app/history.h"
#include "app/outcome.h"
#include "spectra/fieldstandard.h"
#include "app/workspace.h"
#include "windows/analysiswindows.h"

class QCustomPlot;
class QCPItemRect;
class QCPItemLine;
class QCPLayer;
class QMouseEvent;

namespace corvath::ui {

class WindowBandController : public QObject {
  Q_OBJECT
public:
  //! The drawn items of one window's band on one chart.
  struct BandItems {
    QCPItemRect* fill = nullptr;       //!< white interval with the frame
    QCPItemLine* startEdge = nullptr;  //!< draggable start edge line
    QCPItemLine* endEdge = nullptr;    //!< draggable end edge line
  };

  //! Pixels from an edge line within which a press grabs it.
  static constexpr double kEdgeGrabPixels = 4.0;

  //! Binds the horizontal chart (Chart1) and the vertical chart (Chart2) to the
  //! workspace's analysis windows; its record decides whether a press may start one.
  WindowBandController(QCustomPlot* horizontalChart, QCustomPlot* verticalChart, app::Workspace& workspace,
                       QObject* parent = nullptr);

  //! The chart of the given kind.
  QCustomPlot* chart(windows::Chart chart) const;
  //! The band items on a chart, index-aligned with the window list.
  const std::vector<BandItems>& bands(windows::Chart chart) const;
  //! Where finished gestures are recorded as undoable steps ("Add window",
  //! "Remove window", "Resize window").
  void setHistory(app::WorkspaceHistory* history) { history_ = history; }

public slots:
  //! "Add window" pressed: toggles addMode.
  void toggleAddMode();
  //! "Remove window" pressed: toggles removeMode.
  void toggleRemoveMode();
  //! Deletes every window and its bands (after a record load).
  void clearWindows();
  //! Redraws all bands and the mouse-zoom setting from the state.
  void refresh();

public:
  //! "Select windows automatically": the automatic windows of the settings that the
  //! STA/LTA anti-trigger keeps replace the analysis windows, as one undoable step;
  //! Failed (nothing changed) when none is kept.
  app::Outcome selectWindows(const spectra::FieldStandardSettings& settings);

signals:
  //! addMode or removeMode changed (the toggle buttons show the state).
  void modesChanged();
  //! The window list or a window's extent changed (or was set behind the charts: refresh).
  void windowsChanged();

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  struct EdgeHit {
    std::size_t window;
    windows::Edge edge;
  };

  std::optional<windows::Chart> chartOf(QObject* object) const;
  double timeAt(windows::Chart chart, const QMouseEvent& event) const;
  double clampedToView(windows::Chart chart, double t) const;
  std::optional<EdgeHit> edgeAt(windows::Chart chart, double x) const;

  bool mousePressed(windows::Chart chart, QMouseEvent& event);
  bool mouseMoved(windows::Chart chart, QMouseEvent& event);
  bool mouseReleased(windows::Chart chart, QMouseEvent& event);
  bool contextMenuRequested();

  void apply(const windows::Update& update);
  //! Records the gesture's step when the window list differs from the one at its press.
  void recordStep(const char* name);
  void syncBands(windows::Chart chart);
  void placeBand(windows::Chart chart, std::size_t index);
  void redrawBands();
  void applyMouseZoom();

  std::array<QCustomPlot*, 2> charts_;
  std::array<QCPLayer*, 2> layers_{};
  std::array<std::vector<BandItems>, 2> bands_;
  std::array<int, 2> selectionRectModes_{};
  app::Workspace& workspace_;
  const windows::WindowState& state_;  // the workspace's windows, read for drawing
  std::optional<windows::Chart> pressedChart_;  // the chart that owns the pointer until release
  bool edgeDragging_ = false;
  app::WorkspaceHistory* history_ = nullptr;
  std::optional<app::Snapshot> pressed_;  // the window list at the press of the gesture
};

}  // namespace corvath::ui
