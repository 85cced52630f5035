#include <QVBoxLayout>
#include <QtTest>
#include <qcustomplot.h>

#include <memory>

#include "app/workspace.h"
#include "ui/windowbands.h"
#include "windows/analysiswindows.h"

using corvath::ui::WindowBandController;
using corvath::windows::Chart;
using corvath::windows::WindowState;

// Two time-series charts over 0..100 s with one curve each, as on the "Time series" tab.
class WindowBandsTest : public QObject {
  Q_OBJECT

  std::unique_ptr<QWidget> page;
  QCustomPlot* chart1 = nullptr;
  QCustomPlot* chart2 = nullptr;
  corvath::app::Workspace workspace;
  WindowState& state = workspace.windows;
  std::unique_ptr<WindowBandController> controller;

  QCustomPlot* plot(Chart c) { return c == Chart::Horizontal ? chart1 : chart2; }

  QPoint at(Chart c, double t) {
    QCustomPlot* p = plot(c);
    return QPoint(qRound(p->xAxis->coordToPixel(t)), p->axisRect()->center().y());
  }
  // Time of the pixel column the pointer lands on for time t.
  double snapped(Chart c, double t) { return plot(c)->xAxis->pixelToCoord(at(c, t).x()); }

  void drag(Chart c, double from, double to, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QCustomPlot* p = plot(c);
    QTest::mousePress(p, Qt::LeftButton, mods, at(c, from));
    QTest::mouseMove(p, at(c, (from + to) / 2));
    QTest::mouseMove(p, at(c, to));
    QTest::mouseRelease(p, Qt::LeftButton, mods, at(c, to));
  }

  void createWindow(Chart c, double from, double to) {
    controller->toggleAddMode();
    drag(c, from, to);
  }

  // Both charts hold one band per window at the window's extent.
  void checkBands() {
    for (Chart c : {Chart::Horizontal, Chart::Vertical}) {
      const auto& bands = controller->bands(c);
      QCOMPARE(bands.size(), state.windows.size());
      for (std::size_t i = 0; i < bands.size(); ++i) {
        QCOMPARE(bands[i].fill->topLeft->coords().x(), state.windows[i].start);
        QCOMPARE(bands[i].fill->bottomRight->coords().x(), state.windows[i].end);
        QCOMPARE(bands[i].startEdge->start->coords().x(), state.windows[i].start);
        QCOMPARE(bands[i].endEdge->start->coords().x(), state.windows[i].end);
      }
    }
  }

private slots:
  void init() {
    page = std::make_unique<QWidget>();
    auto* layout = new QVBoxLayout(page.get());
    chart1 = new QCustomPlot(page.get());
    chart2 = new QCustomPlot(page.get());
    layout->addWidget(chart1);
    layout->addWidget(chart2);
    for (QCustomPlot* p : {chart1, chart2}) {
      QVector<double> t, y;
      for (int i = 0; i <= 1000; ++i) {
        t << i * 0.1;
        y << std::sin(i * 0.05);
      }
      p->addGraph()->setData(t, y);
      p->xAxis->setRange(0, 100);
      p->yAxis->setRange(-1.5, 1.5);
    }
    page->resize(700, 600);
    page->show();
    QVERIFY(QTest::qWaitForWindowExposed(page.get()));
    chart1->replot();
    chart2->replot();
    state = WindowState{};
    workspace.record.clear();
    for (corvath::import::Component c : corvath::import::kComponents)
      for (int i = 0; i <= 1000; ++i) workspace.record.append(c, i * 0.1, std::sin(i * 0.05));
    controller = std::make_unique<WindowBandController>(chart1, chart2, workspace);
  }

  void cleanup() {
    controller.reset();
    page.reset();
  }

  void dragOnChart1CreatesAColouredBandOnBothCharts() {
    QSignalSpy modes(controller.get(), &WindowBandController::modesChanged);
    QVERIFY(chart1->interactions().testFlag(QCP::iRangeDrag));
    controller->toggleAddMode();
    QVERIFY(state.addMode);
    QVERIFY(!chart1->interactions().testFlag(QCP::iRangeDrag));
    QVERIFY(!chart2->interactions().testFlag(QCP::iRangeZoom));

    QTest::mousePress(chart1, Qt::LeftButton, Qt::NoModifier, at(Chart::Horizontal, 20));
    QTest::mouseMove(chart1, at(Chart::Horizontal, 30));
    // The band follows the pointer on both charts while dragging.
    QCOMPARE(state.windows.size(), std::size_t{1});
    QCOMPARE(controller->bands(Chart::Vertical).at(0).fill->bottomRight->coords().x(),
             snapped(Chart::Horizontal, 30));
    QTest::mouseMove(chart1, at(Chart::Horizontal, 40));
    QTest::mouseRelease(chart1, Qt::LeftButton, Qt::NoModifier, at(Chart::Horizontal, 40));

    QCOMPARE(state.windows.size(), std::size_t{1});
    QCOMPARE(state.windows[0].start, snapped(Chart::Horizontal, 20));
    QCOMPARE(state.windows[0].end, snapped(Chart::Horizontal, 40));
    QVERIFY(!state.addMode);
    QVERIFY(chart1->interactions().testFlag(QCP::iRangeDrag));
    QVERIFY(chart2->interactions().testFlag(QCP::iRangeZoom));
    QCOMPARE(modes.count(), 2);
    checkBands();

    for (Chart c : {Chart::Horizontal, Chart::Vertical}) {
      const auto& band = controller->bands(c).at(0);
      QCOMPARE(band.fill->pen().color(), QColor(0, 255, 0));
      QCOMPARE(band.startEdge->pen().color(), QColor(0, 255, 0));
      QCOMPARE(band.endEdge->pen().color(), QColor(0, 255, 0));
      QCOMPARE(band.fill->brush().color(), QColor(Qt::white));
      QCOMPARE(band.fill->brush().style(), Qt::SolidPattern);
      // Behind the curves.
      QVERIFY(band.fill->layer()->index() < plot(c)->graph(0)->layer()->index());
    }
  }

  void dragLeftOnChart2GivesABlackBand() {
    createWindow(Chart::Horizontal, 10, 15);
    createWindow(Chart::Vertical, 60, 45);
    QCOMPARE(state.windows.size(), std::size_t{2});
    QCOMPARE(state.windows[1].start, snapped(Chart::Vertical, 45));
    QCOMPARE(state.windows[1].end, snapped(Chart::Vertical, 60));
    QCOMPARE(state.windows[1].colourIndex, 1);
    checkBands();
    for (Chart c : {Chart::Horizontal, Chart::Vertical}) {
      QCOMPARE(controller->bands(c).at(1).fill->pen().color(), QColor(Qt::black));
      QCOMPARE(controller->bands(c).at(1).endEdge->pen().color(), QColor(Qt::black));
    }
  }

  void ignoredWithShiftOrWithoutRecord() {
    controller->toggleAddMode();
    drag(Chart::Horizontal, 20, 40, Qt::ShiftModifier);
    QVERIFY(state.windows.empty());
    workspace.record.clear();
    drag(Chart::Vertical, 20, 40);
    QVERIFY(state.windows.empty());
    QVERIFY(controller->bands(Chart::Horizontal).empty());
    QVERIFY(state.addMode);
  }

  void releaseInsideAnotherWindowCancels() {
    createWindow(Chart::Horizontal, 20, 40);
    createWindow(Chart::Horizontal, 60, 30);
    QCOMPARE(state.windows.size(), std::size_t{1});
    QVERIFY(state.addMode);
    checkBands();
  }

  void edgeDragStopsShortOfTheNeighbourAndMirrorsOnRelease() {
    createWindow(Chart::Horizontal, 20, 40);
    createWindow(Chart::Horizontal, 60, 70);
    const double gap = chart1->xAxis->range().size() / 300.0;
    const double end = state.windows[0].end;

    // Grab the end edge of the first window on Chart2 and pull it onto the second.
    QTest::mousePress(chart2, Qt::LeftButton, Qt::NoModifier, at(Chart::Vertical, end));
    QVERIFY(state.edgeDrag.has_value());
    QTest::mouseMove(chart2, at(Chart::Vertical, 50));
    QTest::mouseMove(chart2, at(Chart::Vertical, 65));
    const double limit = state.windows[1].start - gap;
    // Chart2's band moved and is clamped; Chart1's waits for the end of the drag.
    QCOMPARE(controller->bands(Chart::Vertical).at(0).fill->bottomRight->coords().x(), limit);
    QCOMPARE(controller->bands(Chart::Horizontal).at(0).fill->bottomRight->coords().x(), end);
    // The chart did not pan under the edge drag.
    QCOMPARE(chart2->xAxis->range().lower, 0.0);
    QTest::mouseRelease(chart2, Qt::LeftButton, Qt::NoModifier, at(Chart::Vertical, 65));

    QVERIFY(!state.edgeDrag.has_value());
    QCOMPARE(state.windows[0].end, limit);
    QCOMPARE(state.windows[0].band(Chart::Vertical).end, limit);
    checkBands();

    // The start edge on Chart1 stops one gap short of the window's own end.
    const double start = state.windows[1].start;
    QTest::mousePress(chart1, Qt::LeftButton, Qt::NoModifier, at(Chart::Horizontal, start));
    QTest::mouseMove(chart1, at(Chart::Horizontal, 90));
    QTest::mouseRelease(chart1, Qt::LeftButton, Qt::NoModifier, at(Chart::Horizontal, 90));
    QCOMPARE(state.windows[1].start, state.windows[1].end - gap);
    checkBands();
  }

  void pressInRemoveModeDeletesTheLatestWindowThere() {
    createWindow(Chart::Horizontal, 20, 40);
    createWindow(Chart::Vertical, 50, 10);  // encloses the first
    createWindow(Chart::Horizontal, 70, 80);
    QCOMPARE(state.windows.size(), std::size_t{3});
    controller->toggleRemoveMode();
    QTest::mouseClick(chart1, Qt::LeftButton, Qt::NoModifier, at(Chart::Horizontal, 30));
    QCOMPARE(state.windows.size(), std::size_t{2});
    QCOMPARE(state.windows[1].colourIndex, 2);
    checkBands();
    // Colours stay with their windows.
    QCOMPARE(controller->bands(Chart::Vertical).at(1).fill->pen().color(), QColor(0, 128, 0));
    QVERIFY(!state.removeMode);  // one removal a press of the button
    controller->toggleRemoveMode();
    QTest::mouseClick(chart2, Qt::LeftButton, Qt::NoModifier, at(Chart::Vertical, 90));
    QCOMPARE(state.windows.size(), std::size_t{2});
    QVERIFY(state.removeMode);  // nothing under the press: still on
    QTest::mouseClick(chart2, Qt::LeftButton, Qt::NoModifier, at(Chart::Vertical, 75));
    QCOMPARE(state.windows.size(), std::size_t{1});
    QVERIFY(!state.removeMode);
    checkBands();
  }

  void clearWindowsRemovesEveryBand() {
    createWindow(Chart::Horizontal, 20, 40);
    createWindow(Chart::Vertical, 50, 60);
    const int items = chart1->itemCount();
    controller->clearWindows();
    QVERIFY(state.windows.empty());
    QCOMPARE(chart1->itemCount(), items - 6);
    QVERIFY(controller->bands(Chart::Vertical).empty());
  }
};

QTEST_MAIN(WindowBandsTest)
#include "test_windowbands.moc"
