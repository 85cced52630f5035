// The menu bar, help, and what the charts show beyond their curves, on the real main
// window: every command reachable from a menu with a shortcut that is its own, the
// help page and About, the pointer readout, the frequency scale and the ratio view
// on the "1D inversion" tab.
#include <QtTest>

#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QTabWidget>
#include <QTextBrowser>
#include <QToolBar>
#include <QToolButton>
#include <qcustomplot.h>

#include <cmath>
#include <map>

#include "app/commands.h"
#include "app/version.h"
#include "import/record.h"
#include "ui/chartview.h"
#include "ui/helppage.h"
#include "ui/mainwindow.h"
#include "ui/sessions.h"
#include "ui/surveyview.h"
#include "ui/windowbands.h"
#include "support/widgets.h"

using corvath::import::Component;
using corvath::import::ThreeComponentRecord;
using corvath::ui::ChartViewController;
using corvath::ui::MainWindow;

using corvath::testing::Child;

namespace {

// 60 s at 100 Hz, horizontal components at 4 Hz over a broadband vertical.
ThreeComponentRecord ResonantRecord() {
  ThreeComponentRecord record;
  for (int i = 0; i < 6000; ++i) {
    const double t = i * 0.01;
    double z = 0;
    for (int k = 1; k <= 200; ++k) z += std::cos(2 * M_PI * k * 0.1 * t + 0.37 * k * k);
    record.append(Component::X, t, 3.0 * std::sin(2 * M_PI * 4.0 * t) + 0.1 * z);
    record.append(Component::Y, t, 2.0 * std::cos(2 * M_PI * 4.0 * t) + 0.1 * z);
    record.append(Component::Z, t, z);
  }
  return record;
}

QList<QAction*> MenuActions(QMenu* menu) {
  QList<QAction*> all;
  for (QAction* action : menu->actions()) {
    if (action->menu())
      all += MenuActions(action->menu());
    else if (!action->isSeparator())
      all << action;
  }
  return all;
}

}  // namespace

class MenuBarTest : public QObject {
  Q_OBJECT

  std::unique_ptr<MainWindow> window;
  QAction* action(const char* name) { return Child<QAction>(*window, name); }
  QCustomPlot* chart(const char* name) { return Child<QCustomPlot>(*window, name); }

  void load() {
    corvath::app::LoadRecord(window->workspace(), ResonantRecord());
    window->windowBands().refresh();
    window->showRecord();
  }
  void calculate() { action("SpeedButton7")->trigger(); }

private slots:
  void init() {
    window = std::make_unique<MainWindow>();
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
  }
  void cleanup() { window.reset(); }

  void everyCommandIsInAMenuWithAShortcutOfItsOwn() {
    QStringList titles;
    QList<QAction*> inMenus;
    for (QAction* top : window->menuBar()->actions()) {
      titles << top->menu()->title().remove('&');
      inMenus += MenuActions(top->menu());
    }
    QCOMPARE(titles, (QStringList{"File", "Edit", "View", "Analysis", "Inversion", "Help"}));
    // Every toolbar command can be reached from a menu as well.
    for (QAction* tool : window->findChild<QToolBar*>("toolBar")->actions())
      if (!tool->isSeparator() && !qobject_cast<QWidgetAction*>(tool))
        QVERIFY2(inMenus.contains(tool), qPrintable(tool->text()));
    for (const char* name : {"startInversionAction", "calculateTheoreticalCurveAction", "helpAction", "aboutAction",
                             "logarithmicFrequencyAxis", "messagesAction", "quitAction"})
      QVERIFY2(inMenus.contains(action(name)), name);
    // What a command family offers the File menu is in it, whatever it is.
    QList<QAction*> offered = window->sessions().fileActions() + window->surveys().fileActions();
    for (QAction* a : offered)
      QVERIFY2(a->menu() ? window->findChild<QMenu*>("FileMenu")->actions().contains(a) : inMenus.contains(a),
               qPrintable(a->text()));
    // A shortcut shared by two actions fires neither: each must be unique in the window.
    std::map<QString, QString> owner;
    for (QAction* a : window->findChildren<QAction*>()) {
      bool inDialog = false;  // a dialog's own actions act only inside it
      for (QObject* o = a->parent(); o && !inDialog; o = o->parent()) inDialog = qobject_cast<QDialog*>(o) != nullptr;
      if (inDialog) continue;
      for (const QKeySequence& key : a->shortcuts()) {
        const QString text = key.toString();
        QVERIFY2(!owner.count(text), qPrintable(text + ": " + owner[text] + " and " + a->text()));
        owner[text] = a->text();
      }
    }
    QCOMPARE(action("SpeedButton7")->shortcut(), QKeySequence(Qt::Key_F5));
    QCOMPARE(action("helpAction")->shortcut(), QKeySequence(QKeySequence::HelpContents));
  }

  void helpExplainsTheWorkflowAndAboutNamesTheVersions() {
    action("helpAction")->trigger();
    auto* page = Child<QDialog>(*window, "helpPage");
    QVERIFY(page->isVisible());
    const QString help = page->findChild<QTextBrowser*>()->toPlainText();
    for (const char* step : {"Load a record", "analysis windows", "Calculate spectra", "Field-standard",
                             "layered model", "Inversion", "Save"})
      QVERIFY2(help.contains(step, Qt::CaseInsensitive), step);
    const QString about = corvath::ui::AboutText();
    QVERIFY(about.contains("Corvath " + QString::fromStdString(corvath::app::ProgramVersion())));
    for (const char* library : {"Qt ", "QCustomPlot ", "FFTW ", "libmseed ", "libxlsxwriter ", "ALGLIB "})
      QVERIFY2(about.contains(library), library);
    for (const auto& [name, version] : corvath::app::LibraryVersions())
      QVERIFY2(!version.empty() && std::isdigit(static_cast<unsigned char>(version[0])), name.c_str());
  }

  void thePointerIsReadOffInTheChartsUnits() {
    QCOMPARE(ChartViewController::ReadoutText("f", 2.345678, "Hz", "H/V", 3.0, QString()),
             QString("f = 2.346 Hz   H/V = 3"));
    QCOMPARE(ChartViewController::ReadoutText("t", NAN, "s", "A", 1e7, QString()), QString("t = - s   A = 1e+07"));
    load();
    calculate();
    window->findChild<QTabWidget*>("tabs")->setCurrentIndex(2);
    QCustomPlot* ratio = chart("Chart5");
    ratio->replot();
    const QRect area = ratio->axisRect()->rect();
    const QPoint at = area.center();
    QTest::mouseMove(ratio, at);
    QMouseEvent move(QEvent::MouseMove, QPointF(at), ratio->mapToGlobal(QPointF(at)), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(ratio, &move);
    auto* readout = Child<QLabel>(*window, "cursorReadout");
    const QString expected = ChartViewController::ReadoutText(
        "f", ratio->xAxis->pixelToCoord(at.x()), "Hz", "H/V", ratio->yAxis->pixelToCoord(at.y()), QString());
    QCOMPARE(readout->text(), expected);
    // Outside the plot area (over the axis labels) nothing is read off.
    QMouseEvent outside(QEvent::MouseMove, QPointF(2, 2), ratio->mapToGlobal(QPointF(2, 2)), Qt::NoButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(ratio, &outside);
    QVERIFY(readout->text().isEmpty());
    // Every axis says what it measures.
    for (const char* name : {"Chart1", "Chart2", "Chart3", "Chart4", "Chart5", "Chart6"})
      for (QCPAxis* axis : {chart(name)->xAxis, chart(name)->yAxis}) QVERIFY2(!axis->label().isEmpty(), name);
  }

  void theFrequencyScaleIsChosenForAllFrequencyCharts() {
    QAction* logarithmic = action("logarithmicFrequencyAxis");
    QVERIFY(!logarithmic->isChecked());
    logarithmic->trigger();  // before any result: the empty charts start above zero
    for (const char* name : {"Chart3", "Chart4", "Chart5"}) {
      QCOMPARE(chart(name)->xAxis->scaleType(), QCPAxis::stLogarithmic);
      QVERIFY(chart(name)->xAxis->range().lower > 0);
    }
    load();
    calculate();  // a new drawing keeps the chosen scale
    for (const char* name : {"Chart3", "Chart4", "Chart5"}) {
      QCOMPARE(chart(name)->xAxis->scaleType(), QCPAxis::stLogarithmic);
      QVERIFY(chart(name)->xAxis->range().lower > 0);
    }
    QCOMPARE(chart("Chart5")->xAxis->range().lower, window->workspace().spectraResult->ratio.points.front().frequencyHz);
    logarithmic->trigger();
    for (const char* name : {"Chart3", "Chart4", "Chart5"})
      QCOMPARE(chart(name)->xAxis->scaleType(), QCPAxis::stLinear);
    // The field standard's curves come logarithmic; a classic result after them
    // goes back to the scale the user chose.
    auto* method = window->findChild<QComboBox*>("spectraMethod");
    method->setCurrentIndex(1);
    calculate();
    QVERIFY(window->workspace().fieldStandardResult);
    QVERIFY(logarithmic->isChecked());
    QCOMPARE(chart("Chart5")->xAxis->scaleType(), QCPAxis::stLogarithmic);
    method->setCurrentIndex(0);
    calculate();
    QVERIFY(!logarithmic->isChecked());
    QCOMPARE(chart("Chart5")->xAxis->scaleType(), QCPAxis::stLinear);
  }

  void theInversionTabShowsTheObservedAndTheoreticalRatio() {
    QCustomPlot* view = chart("inversionRatioView");
    QCOMPARE(view->graphCount(), 4);  // "H/Z", "H/Zc" and the two edges of an ensemble's band
    QCOMPARE(view->graph(0)->name(), QString("H/Z"));
    QCOMPARE(view->graph(2)->dataCount(), 0);
    QCOMPARE(view->graph(0)->dataCount(), 0);
    load();
    calculate();
    window->findChild<QTabWidget*>("tabs")->setCurrentIndex(3);
    // The theoretical curve from the menu, from whatever tab.
    action("calculateTheoreticalCurveAction")->trigger();
    QTRY_COMPARE(view->graph(1)->dataCount(), int(window->workspace().theoreticalCurve.size()));
    const auto& observed = window->workspace().spectraResult->ratio.points;
    QCOMPARE(view->graph(0)->dataCount(), int(observed.size()));
    QCOMPARE(view->graph(0)->data()->at(3)->value, observed[3].ratio);
    QCOMPARE(view->graph(1)->data()->at(3)->value, window->workspace().theoreticalCurve[3].im);
    QTRY_COMPARE(view->xAxis->range(), chart("Chart5")->xAxis->range());
    // A failed calculation leaves no observed curve here either.
    Child<QLineEdit>(*window, "Edit4")->setText("abc");
    window->findChild<QTabWidget*>("tabs")->setCurrentIndex(2);
    calculate();
    QCOMPARE(view->graph(0)->dataCount(), 0);
  }
};

QTEST_MAIN(MenuBarTest)
#include "test_menubar.moc"
