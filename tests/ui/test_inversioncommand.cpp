// "Start inversion" in the window: the run works off the window's thread, the
// workspace commands are held while it runs, a second press stops it, and closing
// the window during a run stops it first.
#include <QtTest>

#include <QAction>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QSpinBox>
#include <QStatusBar>
#include <QTableWidget>
#include <QToolButton>
#include <qcustomplot.h>

#include <algorithm>

#include "app/commands.h"
#include "inversion/randomgenerator.h"
#include "ui/inversionpanel.h"
#include "ui/mainwindow.h"
#include "support/widgets.h"

using corvath::ui::MainWindow;

using corvath::testing::Child;

namespace {

// An observed curve computed from a known three-layer model, on 101 points 1..20 Hz.
void SetObservedCurveFromThreeLayers(corvath::app::Workspace& ws) {
  corvath::app::Workspace truth;
  corvath::app::SetLayerCount(truth, 3);
  auto& v = truth.model.values;
  v[0] = {20.0, 60.0, 1.0};    // H, m
  v[1] = {0.6, 1.6, 3.0};      // Vp
  v[2] = {0.2, 0.6, 1.5};      // Vs
  v[3] = {1.8, 2.0, 2.2};      // rho
  v[4] = {20.0, 40.0, 100.0};  // Qp
  v[5] = {10.0, 20.0, 50.0};   // Qs
  auto& result = truth.spectraResult.emplace();
  for (int k = 0; k <= 100; ++k) {
    const double f = 1.0 + 0.19 * k;
    result.ratio.points.push_back({f, 1.0, 1.0, 1.0});
  }
  QVERIFY(corvath::app::CalculateTheoreticalCurve(truth, {0.0, 0.1}).done());
  for (std::size_t k = 0; k < result.ratio.points.size(); ++k) {
    const double r = truth.theoreticalCurve[k].im;
    result.ratio.points[k] = {truth.theoreticalCurve[k].re, r, r, r};
  }
  ws.spectraResult = result;
}

class InversionCommandTest : public QObject {
  Q_OBJECT

private slots:
  void globalSearchRunsOffTheWindowThreadAndHoldsTheCommands() {
    MainWindow window;
    window.show();
    SetObservedCurveFromThreeLayers(window.workspace());
    window.findChild<QSpinBox*>("SpinEdit1")->setValue(3);
    Child<QCheckBox>(window, "CheckBox4")->setChecked(true);  // "Global search"
    corvath::inversion::SeedRandomGenerator(7);
    const auto start = window.workspace().model;

    // The largest lateness of a 5 ms timer while the run goes: the window stays live.
    QElapsedTimer clock;
    qint64 last = 0, worst = 0;
    QTimer ticker;
    ticker.setInterval(5);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
      const qint64 now = clock.elapsed();
      worst = std::max(worst, now - last);
      last = now;
    });

    auto* startButton = Child<QToolButton>(window, "StartButton");
    startButton->click();
    QVERIFY(window.inversionRunning());
    clock.start();
    ticker.start();
    QVERIFY(!window.findChild<QAction*>("SpeedButton1")->isEnabled());
    QVERIFY(!window.findChild<QAction*>("SpeedButton7")->isEnabled());
    QCOMPARE(window.findChild<QTableWidget*>("parameterTable")->editTriggers(), QAbstractItemView::NoEditTriggers);
    QVERIFY(!window.findChild<QSpinBox*>("SpinEdit1")->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(!window.inversionRunning(), 60000);
    ticker.stop();
    qInfo("longest stall of the event loop during a global search: %lld ms", static_cast<long long>(worst));

    QVERIFY(window.findChild<QAction*>("SpeedButton1")->isEnabled());
    QVERIFY(window.findChild<QTableWidget*>("parameterTable")->editTriggers() != QAbstractItemView::NoEditTriggers);
    QCOMPARE(Child<QProgressBar>(window, "ProgressBar1")->value(), 100);
    QVERIFY(!(window.workspace().model == start));
    QCOMPARE(window.workspace().theoreticalCurve.size(), std::size_t(101));
    QCOMPARE(Child<QCustomPlot>(window, "Chart5")->graph(1)->dataCount(), 101);
    // The table shows the model the run kept.
    const QString shown = window.findChild<QTableWidget*>("parameterTable")->item(0, 3)->text();
    QCOMPARE(shown.toStdString(), corvath::inversion::ModelCellText(window.workspace().model, 2, 0));
    // The end of the run is said, with the misfit at its start and its end.
    const QString said = window.statusBar()->currentMessage();
    QVERIFY2(said.startsWith("Finished: misfit ") && said.contains(" -> "), qPrintable(said));
    QVERIFY(Child<QLabel>(window, "misfitLabel")->text().startsWith("misfit "));
  }

  void fourChainsShowTheirProgressStopTogetherAndDrawTheBands() {
    MainWindow window;
    window.show();
    // The window's first paint (fonts, layout) is done before the run starts, so that
    // the run's progress is heard as it comes.
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.grab();
    QCoreApplication::processEvents();
    SetObservedCurveFromThreeLayers(window.workspace());
    window.findChild<QSpinBox*>("SpinEdit1")->setValue(3);
    Child<QCheckBox>(window, "CheckBox4")->setChecked(true);  // "Global search"
    Child<QSpinBox>(window, "chainsField")->setValue(4);
    auto* startButton = Child<QToolButton>(window, "StartButton");
    auto* chainProgress = Child<QLabel>(window, "chainProgress");
    auto* profile = Child<QCustomPlot>(window, "Chart6");
    auto* ratioView = Child<QCustomPlot>(window, "inversionRatioView");
    const auto bandPoints = [](QCustomPlot* chart) {
      int points = 0;
      if (QCPLayer* layer = chart->layer("ensembleBand"))
        for (QCPLayerable* item : layer->children())
          if (auto* graph = qobject_cast<QCPGraph*>(item); graph && graph->visible()) points += graph->dataCount();
      return points;
    };

    // Started and stopped: every chain ends, the best state so far is kept.
    // The stop goes in at the first progress the window hears of, so that even a fast
    // machine cannot finish the run before it.
    auto* progressBar = Child<QProgressBar>(window, "ProgressBar1");
    QMetaObject::Connection stopAtFirst;
    stopAtFirst = connect(progressBar, &QProgressBar::valueChanged, this, [&](int value) {
      if (value <= 0) return;
      QObject::disconnect(stopAtFirst);
      startButton->click();  // stop
    });
    startButton->click();
    QVERIFY(window.inversionRunning());
    QTRY_VERIFY_WITH_TIMEOUT(!window.inversionRunning(), 20000);
    QObject::disconnect(stopAtFirst);
    QCOMPARE(chainProgress->text().count('%'), 4);
    QVERIFY2(window.statusBar()->currentMessage().startsWith("Stopped at "),
             qPrintable(window.statusBar()->currentMessage()));
    QVERIFY(Child<QProgressBar>(window, "ProgressBar1")->value() < 100);
    QVERIFY(bandPoints(profile) > 0);

    // Run to the end: all chains at 100 %, both bands drawn, the spread stated.
    startButton->click();
    QVERIFY(window.inversionRunning());
    QCOMPARE(bandPoints(profile), 0);  // the last run's bands are gone
    QTRY_VERIFY_WITH_TIMEOUT(!window.inversionRunning(), 120000);
    QCOMPARE(chainProgress->text(), QString("chains 100 % 100 % 100 % 100 %"));
    const QString said = window.statusBar()->currentMessage();
    QVERIFY2(said.startsWith("Finished: misfit ") && said.contains("ensemble: "), qPrintable(said));
    QCOMPARE(bandPoints(profile), 3 * 101);  // 5 %, 50 % and 95 % at 101 depths
    QCOMPARE(bandPoints(ratioView), 2 * 101);
    QCOMPARE(window.workspace().modelTables.SelectedParameter, 2);  // the profile shows Vs
    const QString summary = Child<QLabel>(window, "ensembleSummary")->text();
    QVERIFY2(summary.contains("f0 Hz: ") && summary.contains("depth to the half-space m: "), qPrintable(summary));
  }

  void secondPressStopsAndClosingDuringARunStopsFirst() {
    MainWindow window;
    window.show();
    SetObservedCurveFromThreeLayers(window.workspace());
    window.findChild<QSpinBox*>("SpinEdit3")->setValue(500);
    auto* startButton = Child<QToolButton>(window, "StartButton");
    startButton->click();
    QVERIFY(window.inversionRunning());
    QTest::qWait(50);
    startButton->click();  // stop
    QTRY_VERIFY_WITH_TIMEOUT(!window.inversionRunning(), 20000);
    QVERIFY(Child<QProgressBar>(window, "ProgressBar1")->value() < 100);
    QVERIFY2(window.statusBar()->currentMessage().startsWith("Stopped at "),
             qPrintable(window.statusBar()->currentMessage()));
    QVERIFY(window.findChild<QAction*>("SpeedButton8")->isEnabled());
    for (const auto& values : window.workspace().model.values)
      for (double v : values) QVERIFY(std::isfinite(v));

    startButton->click();
    QVERIFY(window.inversionRunning());
    window.close();  // must not crash or hang
    QVERIFY(!window.inversionRunning());
  }

  void withoutAnObservedCurveNothingStarts() {
    MainWindow window;
    Child<QToolButton>(window, "StartButton")->click();
    QVERIFY(!window.inversionRunning());
    QVERIFY(window.findChild<QAction*>("SpeedButton1")->isEnabled());
    QVERIFY2(window.statusBar()->currentMessage().contains("no observed H/Z curve"),
             qPrintable(window.statusBar()->currentMessage()));
  }

  // A panel field that is not a number is refused before anything runs, and named;
  // the model stays as it was.
  void aRefusedPanelFieldIsNamedAndNothingRuns_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("label");
    QTest::newRow("Min frq") << "Edit3" << "Min frq";
    QTest::newRow("Max frq") << "Edit4" << "Max frq";
    QTest::newRow("Ref frq") << "Edit1" << "Ref frq";
    QTest::newRow("K degree") << "Edit2" << "K degree";
  }
  void aRefusedPanelFieldIsNamedAndNothingRuns() {
    QFETCH(QString, field);
    QFETCH(QString, label);
    MainWindow window;
    SetObservedCurveFromThreeLayers(window.workspace());
    const auto model = window.workspace().model;
    Child<QLineEdit>(window, qPrintable(field))->setText("abc");
    Child<QToolButton>(window, "StartButton")->click();
    QVERIFY(!window.inversionRunning());
    QCOMPARE(window.statusBar()->currentMessage(), QString("Start inversion: %1: 'abc' is not a number").arg(label));
    QVERIFY(window.workspace().model == model);
  }
};

}  // namespace

QTEST_MAIN(InversionCommandTest)
#include "test_inversioncommand.moc"
