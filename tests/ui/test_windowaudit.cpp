// Each window's fate in the real main window: "Select windows automatically" and its
// undo, the bands on the time-series charts coloured by fate with the reason as
// their tooltip, the window curves coloured and named by fate, the time-frequency
// and azimuth maps, the ".hv" file from the save dialog, and nothing of a result
// left in view after a failed run.
#include <QtTest>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QStatusBar>
#include <QToolButton>
#include <qcustomplot.h>

#include <cmath>
#include <fstream>

#include "app/commands.h"
#include "cli/clirun.h"
#include "import/record.h"
#include "spectra/ratiotable.h"
#include "ui/fieldstandardview.h"
#include "ui/mainwindow.h"
#include "ui/windowaudit.h"
#include "ui/windowbands.h"
#include "support/records.h"
#include "support/widgets.h"

using corvath::import::Component;
using corvath::import::ThreeComponentRecord;
using corvath::ui::MainWindow;

using corvath::testing::Child;

namespace {

// 400 s at 50 Hz: noise, the horizontals through a resonator at 2 Hz, and a loud
// burst in the middle of the 20 s windows 4 and 11 (counted from 0).
ThreeComponentRecord BurstRecord() {
  const auto loudness = [](double t) { return (t >= 89 && t < 89.5) || (t >= 229 && t < 229.5) ? 30.0 : 1.0; };
  return corvath::testing::RecordOf(corvath::testing::ResonantNoise(20000, 0.02, 2.0, 0.05, 7, loudness));
}

int ItemsNamed(QCustomPlot* chart, const char* name) {
  int count = 0;
  for (int i = 0; i < chart->itemCount(); ++i) count += chart->item(i)->objectName() == QLatin1String(name);
  return count;
}

QCPColorMap* ColorMapOf(QCustomPlot* chart) {
  for (int i = 0; i < chart->plottableCount(); ++i)
    if (auto* map = qobject_cast<QCPColorMap*>(chart->plottable(i))) return map;
  return nullptr;
}

}  // namespace

class WindowAuditTest : public QObject {
  Q_OBJECT

  std::unique_ptr<MainWindow> window;
  QString status() { return window->statusBar()->currentMessage(); }
  void calculate() { Child<QToolButton>(*window, "SpeedButton7")->click(); }
  void fieldStandard(bool staLta, bool azimuths) {
    Child<QComboBox>(*window, "spectraMethod")->setCurrentIndex(1);
    Child<QLineEdit>(*window, "fieldStandardWindow")->setText("20");
    Child<QLineEdit>(*window, "fieldStandardGridMax")->setText("10");
    Child<QLineEdit>(*window, "fieldStandardGridPoints")->setText("60");
    Child<QCheckBox>(*window, "fieldStandardStaLta")->setChecked(staLta);
    Child<QCheckBox>(*window, "fieldStandardAzimuths")->setChecked(azimuths);
    Child<QLineEdit>(*window, "fieldStandardAzimuthStep")->setText("30");
  }

private slots:
  void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
  void init() {
    window = std::make_unique<MainWindow>();
    corvath::app::LoadRecord(window->workspace(), BurstRecord());
    window->windowBands().refresh();
    window->showRecord();
  }
  void cleanup() { window.reset(); }

  void selectWindowsAutomaticallyAndUndo() {
    fieldStandard(false, false);
    Child<QAction>(*window, "selectWindowsAction")->trigger();
    QCOMPARE(status(), QString("18 of 20 windows pass the STA/LTA anti-trigger"));
    const auto& windows = window->workspace().windows.windows;
    QCOMPARE(windows.size(), std::size_t(18));
    QCOMPARE(windows[4].start, 100.0);  // window 4 (80 to 100 s) is left out
    QCOMPARE(window->windowBands().bands(corvath::windows::Chart::Horizontal).size(), std::size_t(18));
    window->findChild<QAction*>("undoAction")->trigger();
    QCOMPARE(window->workspace().windows.windows.size(), std::size_t(0));

    // Bounds no window meets: the reason, and the windows stay as they were.
    Child<QCheckBox>(*window, "fieldStandardStaLta")->setChecked(true);
    Child<QLineEdit>(*window, "fieldStandardStaLtaMax")->setText("0.9");
    Child<QAction>(*window, "selectWindowsAction")->trigger();
    QVERIFY2(status().contains("kept none of the 20 windows"), qPrintable(status()));
    QCOMPARE(window->workspace().windows.windows.size(), std::size_t(0));
  }

  // A fate describes the windows it was computed for: when they change (selected,
  // undone), the bands go until the next calculation.
  void fatesLeaveWithTheWindowsTheyDescribe() {
    fieldStandard(true, false);
    calculate();
    QCustomPlot* chart = Child<QCustomPlot>(*window, "Chart1");
    QCOMPARE(ItemsNamed(chart, corvath::ui::kWindowFateBandName), 20);
    Child<QAction>(*window, "selectWindowsAction")->trigger();
    QCOMPARE(window->workspace().windows.windows.size(), std::size_t(18));
    QCOMPARE(ItemsNamed(chart, corvath::ui::kWindowFateBandName), 0);
    calculate();
    QCOMPARE(ItemsNamed(chart, corvath::ui::kWindowFateBandName), 18);
    window->findChild<QAction*>("undoAction")->trigger();
    QCOMPARE(window->workspace().windows.windows.size(), std::size_t(0));
    QCOMPARE(ItemsNamed(chart, corvath::ui::kWindowFateBandName), 0);
  }

  void fatesOnTheChartsAndMaps() {
    fieldStandard(true, true);
    calculate();
    QCOMPARE(status(), QString());
    const auto& result = window->workspace().fieldStandardResult;
    QVERIFY(result);
    QCOMPARE(result->windows.size(), std::size_t(20));
    QCOMPARE(result->staLtaWindows(), std::size_t(2));

    // A band per window on both time-series charts, the reason under the pointer.
    for (const char* name : {"Chart1", "Chart2"})
      QCOMPARE(ItemsNamed(Child<QCustomPlot>(*window, name), corvath::ui::kWindowFateBandName), 20);
    corvath::ui::WindowAudit* audit = window->findChild<corvath::ui::FieldStandardView*>()->audit();
    QVERIFY(audit);
    QVERIFY2(audit->tooltipAt(90).startsWith("Window 5, 80 to 99.98 s: f0 "), qPrintable(audit->tooltipAt(90)));
    QVERIFY(audit->tooltipAt(90).endsWith("rejected by the STA/LTA anti-trigger (bounds 0.2 to 2.5)"));
    QVERIFY(audit->tooltipAt(50).endsWith("; kept"));
    QVERIFY(audit->tooltipAt(-5).isEmpty());

    // The window curves: kept grey, rejected light red and named with their fate.
    QCustomPlot* ratio = Child<QCustomPlot>(*window, "Chart5");
    int rejectedCurves = 0;
    for (int i = 0; i < ratio->graphCount(); ++i) {
      const QString name = ratio->graph(i)->name();
      if (!name.startsWith("H/V_wnd")) continue;
      const bool rejected = name.endsWith("(sta-lta)");
      rejectedCurves += rejected;
      QCOMPARE(ratio->graph(i)->pen().color(), rejected ? QColor(240, 150, 150) : QColor(160, 160, 160));
    }
    QCOMPARE(rejectedCurves, 2);

    // The time-frequency map over the windows and the grid; the azimuth map and f0 of each azimuth.
    QCPColorMap* timeFrequency = ColorMapOf(Child<QCustomPlot>(*window, "timeFrequencyChart"));
    QVERIFY(timeFrequency);
    QCOMPARE(timeFrequency->data()->valueSize(), 60);
    QVERIFY(Child<QLabel>(*window, "windowsSummary")->text().startsWith("20 windows: 18 kept, 2 rejected by the STA/LTA"));
    QCPColorMap* azimuths = ColorMapOf(Child<QCustomPlot>(*window, "azimuthMapChart"));
    QVERIFY(azimuths);
    QCOMPARE(azimuths->data()->keySize(), 6);
    QCOMPARE(Child<QCustomPlot>(*window, "azimuthF0Chart")->graph(0)->data()->size(), 6);
    QVERIFY(Child<QLabel>(*window, "azimuthsSummary")->text().startsWith("Peak directional: "));

    // Saved as a .hv file through the dialog: read back, it is the mean curve.
    corvath::testing::ScratchDir scratch;
    const QString path = QString::fromStdString(scratch.path("site"));
    window->setDialogRunner([&](QDialog& dialog) {
      auto& files = static_cast<QFileDialog&>(dialog);
      files.selectNameFilter("H/V curve (*.hv)");
      files.selectFile(path);
      return int(QDialog::Accepted);
    });
    QAction* save = Child<QAction>(*window, "saveFieldStandardAction");
    QVERIFY(save->isEnabled());
    save->trigger();
    std::ifstream in(scratch.path("site.hv"));
    const corvath::spectra::RatioTableReading read = corvath::spectra::ReadRatioTable(in);
    QVERIFY2(read.result, read.reason.c_str());
    QCOMPARE(read.result->ratio.points.size(), std::size_t(60));
    QCOMPARE(read.result->ratio.points[7].ratio, result->mean[7]);

    // Opened again as the observed curve, with Min and Max as its bounds; a truncated
    // file is refused naming its line, and the curve stays.
    QString chosen = QString::fromStdString(scratch.path("site.hv"));
    window->setDialogRunner([&](QDialog& dialog) {
      static_cast<QFileDialog&>(dialog).selectFile(chosen);
      return int(QDialog::Accepted);
    });
    Child<QAction>(*window, "openObservedCurveAction")->trigger();
    const auto& observed = window->workspace().spectraResult;
    QVERIFY(observed);
    QVERIFY(observed->ratio.hasBounds);
    QCOMPARE(observed->ratio.points.size(), std::size_t(60));
    QCOMPARE(observed->ratio.points[59].upper, result->upper[59]);
    std::ofstream(scratch.path("cut.hv")) << "# GEOPSY output version 1.1\n1\t2\t1\t3\n2\t2\n";
    chosen = QString::fromStdString(scratch.path("cut.hv"));
    QString told;
    window->setMessageSink([&](const QString& text, const QString&) { told = text; });
    Child<QAction>(*window, "openObservedCurveAction")->trigger();
    QVERIFY2(told.contains("line 3"), qPrintable(told));
    QCOMPARE(observed->ratio.points.size(), std::size_t(60));

    // A failed run leaves no band, map or curve of the one before in view.
    Child<QLineEdit>(*window, "fieldStandardWindow")->setText("900");
    calculate();
    QVERIFY(status().contains("shorter than one window"));
    QCOMPARE(ItemsNamed(Child<QCustomPlot>(*window, "Chart1"), corvath::ui::kWindowFateBandName), 0);
    QVERIFY(!ColorMapOf(Child<QCustomPlot>(*window, "timeFrequencyChart")));
    QVERIFY(!save->isEnabled());
  }
};

QTEST_MAIN(WindowAuditTest)
#include "test_windowaudit.moc"
