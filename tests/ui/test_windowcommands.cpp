// The analysis-window, zoom and "Remove zero" commands of the real main window,
// driven through its toolbar buttons and real mouse events on the charts.
#include <QtTest>

#include <QApplication>
#include <QInputDialog>
#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <qcustomplot.h>

#include <functional>
#include <vector>

#include "import/record.h"
#include "ui/loadcomponentsdialog.h"
#include "ui/mainwindow.h"
#include "ui/windowbands.h"

using corvath::import::Component;
using corvath::ui::MainWindow;
using corvath::windows::Chart;

namespace {

// One component file: three header lines, then time and value per line.
void WriteComponent(const QString& path, const std::vector<double>& values, double step) {
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly));
  QByteArray text = "component\nunits\n-\n";
  for (std::size_t i = 0; i < values.size(); ++i)
    text += QByteArray::number(i * step, 'g', 12) + ' ' + QByteArray::number(values[i], 'g', 17) + '\n';
  file.write(text);
}

// Three component files in a temporary folder, loaded through the "Load components" dialog.
struct Record {
  QTemporaryDir dir;
  std::vector<double> x, y, z;

  explicit Record(std::size_t n, double step = 0.1) {
    for (std::size_t i = 0; i < n; ++i) {
      x.push_back(5.0 + 0.3 * i + (i % 3 == 0 ? 2.0 : -1.0));
      y.push_back(-2.0 + (i % 4) * 0.75);
      z.push_back(100.0 + (i * i % 7));
    }
    WriteComponent(dir.filePath("x.txt"), x, step);
    WriteComponent(dir.filePath("y.txt"), y, step);
    WriteComponent(dir.filePath("z.txt"), z, step);
  }

  void loadInto(MainWindow& window) {
    window.setDialogRunner([this](QDialog& dialog) {
      auto* form = qobject_cast<corvath::ui::LoadComponentsDialog*>(&dialog);
      if (!form) return int(QDialog::Rejected);
      form->setFileName(0, dir.filePath("x.txt"));
      form->setFileName(1, dir.filePath("y.txt"));
      form->setFileName(2, dir.filePath("z.txt"));
      return int(QDialog::Accepted);
    });
    window.loadComponents();
  }
};

// y_i minus the mean of y[max(i-half,0) .. min(i+half,n-1)], summed plainly.
std::vector<double> MinusRunningMean(const std::vector<double>& y, std::size_t half) {
  std::vector<double> out(y.size());
  for (std::size_t i = 0; i < y.size(); ++i) {
    const std::size_t lo = i > half ? i - half : 0;
    const std::size_t hi = std::min(i + half, y.size() - 1);
    double sum = 0;
    for (std::size_t j = lo; j <= hi; ++j) sum += y[j];
    out[i] = y[i] - sum / double(hi - lo + 1);
  }
  return out;
}

std::vector<double> Values(const corvath::import::ThreeComponentRecord& record, Component c) {
  std::vector<double> values;
  for (const auto& sample : record.samples(c)) values.push_back(sample.value);
  return values;
}

}  // namespace

class WindowCommandsTest : public QObject {
  Q_OBJECT

  std::unique_ptr<MainWindow> window;

  QToolButton* button(const char* name) {
    auto* b = window->findChild<QToolButton*>(name);
    if (!b) qFatal("no button %s", name);
    return b;
  }
  QCustomPlot* chart(Chart c) { return window->windowBands().chart(c); }
  QScrollArea* pane(Chart c) {
    return window->findChild<QScrollArea*>(c == Chart::Horizontal ? "horizontalTimeSeriesPane"
                                                                  : "verticalTimeSeriesPane");
  }
  const corvath::windows::WindowState& state() { return window->workspace().windows; }

  QPoint at(Chart c, double t) {
    QCustomPlot* p = chart(c);
    return QPoint(qRound(p->xAxis->coordToPixel(t)), p->axisRect()->center().y());
  }
  // The time of the pixel column the pointer lands on for time t.
  double snapped(Chart c, double t) { return chart(c)->xAxis->pixelToCoord(at(c, t).x()); }

  void drag(Chart c, double from, double to) {
    QCustomPlot* p = chart(c);
    QTest::mousePress(p, Qt::LeftButton, Qt::NoModifier, at(c, from));
    QTest::mouseMove(p, at(c, (from + to) / 2));
    QTest::mouseMove(p, at(c, to));
    QTest::mouseRelease(p, Qt::LeftButton, Qt::NoModifier, at(c, to));
  }

  // Both charts hold one band per window at the window's extent.
  void checkBands() {
    const auto& windows = state().windows;
    for (Chart c : {Chart::Horizontal, Chart::Vertical}) {
      const auto& bands = window->windowBands().bands(c);
      QCOMPARE(bands.size(), windows.size());
      for (std::size_t i = 0; i < bands.size(); ++i) {
        QCOMPARE(bands[i].fill->topLeft->coords().x(), windows[i].start);
        QCOMPARE(bands[i].fill->bottomRight->coords().x(), windows[i].end);
        QCOMPARE(bands[i].startEdge->start->coords().x(), windows[i].start);
        QCOMPARE(bands[i].endEdge->start->coords().x(), windows[i].end);
      }
    }
  }

  void checkToggles() {
    QCOMPARE(button("SpeedButton2")->isChecked(), state().addMode);
    QCOMPARE(button("SpeedButton4")->isChecked(), state().removeMode);
  }

private slots:
  void init() {
    window = std::make_unique<MainWindow>();
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
  }

  void cleanup() { window.reset(); }

  void windowsAreCreatedResizedAndRemovedWithTheMouse() {
    Record record(101);  // 0 .. 10 s
    record.loadInto(*window);
    QCoreApplication::processEvents();
    QCOMPARE(chart(Chart::Horizontal)->xAxis->range(), QCPRange(0, 10));

    // "Add window" is a toggle that shows addMode; mouse zoom is off while it is on.
    QVERIFY(button("SpeedButton2")->isEnabled() && button("SpeedButton2")->isCheckable());
    QVERIFY(button("SpeedButton2")->autoRaise());
    button("SpeedButton2")->click();
    QVERIFY(state().addMode);
    checkToggles();
    QVERIFY(!chart(Chart::Horizontal)->interactions().testFlag(QCP::iRangeDrag));

    // A drag on Chart1 makes a lime window on both charts; addMode goes off.
    QTest::mousePress(chart(Chart::Horizontal), Qt::LeftButton, Qt::NoModifier, at(Chart::Horizontal, 2));
    QTest::mouseMove(chart(Chart::Horizontal), at(Chart::Horizontal, 3));
    QCOMPARE(window->windowBands().bands(Chart::Vertical).at(0).fill->bottomRight->coords().x(),
             snapped(Chart::Horizontal, 3));  // the band follows the pointer
    QTest::mouseMove(chart(Chart::Horizontal), at(Chart::Horizontal, 4));
    QTest::mouseRelease(chart(Chart::Horizontal), Qt::LeftButton, Qt::NoModifier, at(Chart::Horizontal, 4));
    QCOMPARE(state().windows.size(), std::size_t{1});
    QCOMPARE(state().windows[0].start, snapped(Chart::Horizontal, 2));
    QCOMPARE(state().windows[0].end, snapped(Chart::Horizontal, 4));
    QVERIFY(!state().addMode);
    checkToggles();
    QVERIFY(chart(Chart::Horizontal)->interactions().testFlag(QCP::iRangeDrag));
    checkBands();
    for (Chart c : {Chart::Horizontal, Chart::Vertical})
      QCOMPARE(window->windowBands().bands(c).at(0).fill->pen().color(), QColor(0, 255, 0));

    // A leftward drag on Chart2 makes a black one.
    button("SpeedButton2")->click();
    drag(Chart::Vertical, 8, 6);
    QCOMPARE(state().windows.size(), std::size_t{2});
    QCOMPARE(state().windows[1].start, snapped(Chart::Vertical, 6));
    QCOMPARE(state().windows[1].end, snapped(Chart::Vertical, 8));
    QCOMPARE(window->windowBands().bands(Chart::Horizontal).at(1).endEdge->pen().color(), QColor(Qt::black));
    checkBands();

    // The end edge of the first window, dragged onto the second, stops one gap short;
    // the other chart follows when the drag ends.
    const double gap = chart(Chart::Horizontal)->xAxis->range().size() / 300.0;
    const double limit = state().windows[1].start - gap;
    QTest::mousePress(chart(Chart::Horizontal), Qt::LeftButton, Qt::NoModifier,
                      at(Chart::Horizontal, state().windows[0].end));
    QTest::mouseMove(chart(Chart::Horizontal), at(Chart::Horizontal, 5));
    QTest::mouseMove(chart(Chart::Horizontal), at(Chart::Horizontal, 7));
    QCOMPARE(window->windowBands().bands(Chart::Horizontal).at(0).fill->bottomRight->coords().x(), limit);
    QTest::mouseRelease(chart(Chart::Horizontal), Qt::LeftButton, Qt::NoModifier, at(Chart::Horizontal, 7));
    QCOMPARE(state().windows[0].end, limit);
    QCOMPARE(state().windows[0].band(Chart::Vertical).end, limit);
    QCOMPARE(chart(Chart::Horizontal)->xAxis->range(), QCPRange(0, 10));  // no panning under the edge
    checkBands();

    // "Remove window" switches addMode off; a press outside every window keeps it on,
    // a press that removes the window under it ends it, as "Add window" ends with its window.
    button("SpeedButton2")->click();
    button("SpeedButton4")->click();
    QVERIFY(state().removeMode && !state().addMode);
    checkToggles();
    QTest::mouseClick(chart(Chart::Vertical), Qt::LeftButton, Qt::NoModifier, at(Chart::Vertical, 9.5));
    QCOMPARE(state().windows.size(), std::size_t{2});
    QVERIFY(state().removeMode);
    QTest::mouseClick(chart(Chart::Vertical), Qt::LeftButton, Qt::NoModifier, at(Chart::Vertical, 3));
    QCOMPARE(state().windows.size(), std::size_t{1});
    QCOMPARE(state().windows[0].colourIndex, 1);
    QVERIFY(!state().removeMode);
    checkToggles();
    checkBands();
  }

  void aSecondLoadDeletesEveryWindowAndKeepsZoomAndModes() {
    Record record(101);
    record.loadInto(*window);
    for (double from : {1.0, 5.0}) {
      button("SpeedButton2")->click();
      drag(Chart::Horizontal, from, from + 2);
    }
    QCOMPARE(state().windows.size(), std::size_t{2});
    const int itemsBefore = chart(Chart::Vertical)->itemCount();
    button("SpeedButton5")->click();
    button("SpeedButton2")->click();

    Record other(51);
    other.loadInto(*window);
    QCOMPARE(window->workspace().record.size(Component::X), std::size_t{51});
    QVERIFY(state().windows.empty());
    for (Chart c : {Chart::Horizontal, Chart::Vertical}) QVERIFY(window->windowBands().bands(c).empty());
    QCOMPARE(chart(Chart::Vertical)->itemCount(), itemsBefore - 6);
    QVERIFY(state().addMode);
    checkToggles();
    QCOMPARE(window->workspace().zoomFactor, 1.2);
    // The cleared lists take new windows.
    drag(Chart::Horizontal, 1, 2);
    QCOMPARE(state().windows.size(), std::size_t{1});
    QCOMPARE(state().windows[0].colourIndex, 0);
    checkBands();
  }

  void zoomNarrowsTheSharedTimeRangeAndTheChartsKeepTheirWidth() {
    Record record(101);  // 0 .. 10 s
    record.loadInto(*window);
    QCoreApplication::processEvents();
    const int width = chart(Chart::Horizontal)->width();
    auto* bar = window->findChild<QScrollBar*>("timeScrollBar");
    auto* label = window->findChild<QLabel*>("zoomFactorLabel");
    QVERIFY(bar && label);
    QCOMPARE(label->text(), QString("\u00D71.0"));
    QVERIFY(!bar->isEnabled());

    for (int i = 0; i < 5; ++i) button("SpeedButton5")->click();
    QCoreApplication::processEvents();
    QCOMPARE(window->workspace().zoomFactor, 2.0);
    QCOMPARE(label->text(), QString("\u00D72.0"));
    for (Chart c : {Chart::Horizontal, Chart::Vertical}) {
      QCOMPARE(chart(c)->width(), width);  // the axis, its title and the chart title stay in view
      const QCPRange view = chart(c)->xAxis->range();
      QVERIFY(std::abs(view.size() - 5.0) < 1e-9);  // half of the record, around the old centre
      QVERIFY(std::abs(view.center() - 5.0) < 1e-9);
    }
    // The scroll bar moves both charts along the record.
    QVERIFY(bar->isEnabled() && bar->maximum() > 0);
    bar->setValue(0);
    QCOMPARE(chart(Chart::Vertical)->xAxis->range().lower, 0.0);
    bar->setValue(bar->maximum());
    QVERIFY(std::abs(chart(Chart::Horizontal)->xAxis->range().upper - 10.0) < 1e-9);
    QVERIFY(std::abs(chart(Chart::Vertical)->xAxis->range().upper - 10.0) < 1e-9);

    // The limits: 10 at most, 1 at least, where the whole record shows again.
    for (int i = 0; i < 60; ++i) button("SpeedButton5")->click();
    QCOMPARE(window->workspace().zoomFactor, 10.0);
    QVERIFY(std::abs(chart(Chart::Vertical)->xAxis->range().size() - 1.0) < 1e-9);
    QCOMPARE(label->text(), QString("\u00D710"));
    for (int i = 0; i < 60; ++i) button("SpeedButton3")->click();
    QCOMPARE(window->workspace().zoomFactor, 1.0);
    for (Chart c : {Chart::Horizontal, Chart::Vertical}) QCOMPARE(chart(c)->xAxis->range(), QCPRange(0, 10));
    QVERIFY(!bar->isEnabled());

    // Windows are still drawn on the zoomed charts at the times under the pointer.
    button("SpeedButton5")->click();
    button("SpeedButton2")->click();
    const QCPRange view = chart(Chart::Horizontal)->xAxis->range();
    drag(Chart::Vertical, view.lower + 1, view.lower + 2);
    QCOMPARE(state().windows.size(), std::size_t{1});
    QVERIFY(std::abs(state().windows[0].start - snapped(Chart::Vertical, view.lower + 1)) < 1e-9);
    checkBands();
  }

  void aRightClickOpensTheChartMenuOnlyOutsideTheWindowModes() {
    Record record(101);
    record.loadInto(*window);
    auto rightClick = [this](Chart c, double t) {
      QCustomPlot* p = chart(c);
      QTest::mousePress(p, Qt::RightButton, Qt::NoModifier, at(c, t));
      QContextMenuEvent menu(QContextMenuEvent::Mouse, at(c, t), p->mapToGlobal(at(c, t)));
      return QCoreApplication::sendEvent(p, &menu) && menu.isAccepted();
    };
    // No mode: the menu may open; the press that opened it is over, so the next
    // gesture works as usual.
    QSignalSpy requested(chart(Chart::Horizontal), &QWidget::customContextMenuRequested);
    rightClick(Chart::Horizontal, 3);
    QCOMPARE(requested.size(), 1);
    // The open menu takes the release of the right button.
    QWidget* menu = QApplication::activePopupWidget();
    QTest::mouseRelease(menu ? menu : window.get(), Qt::RightButton);
    if (menu) menu->close();
    button("SpeedButton2")->click();
    drag(Chart::Horizontal, 1, 2);
    QCOMPARE(state().windows.size(), std::size_t{1});
    // In addMode the right button makes a window, as every button does, and no menu opens.
    button("SpeedButton2")->click();
    rightClick(Chart::Horizontal, 5);
    QTest::mouseRelease(chart(Chart::Horizontal), Qt::RightButton, Qt::NoModifier, at(Chart::Horizontal, 5));
    QCOMPARE(requested.size(), 1);
    QCOMPARE(state().windows.size(), std::size_t{2});
    QVERIFY(!state().addMode);
    checkBands();
  }

  void removeZeroAsksForTheSizeAndSubtractsTheRunningMean() {
    Record record(23);
    record.loadInto(*window);
    struct Asked {
      int count = 0;
      QString caption, label, defaultText;
    } asked;
    window->setTextPrompt([&](const QString& caption, const QString& label, const QString& defaultText) {
      ++asked.count;
      asked = {asked.count, caption, label, defaultText};
      return QString("4");  // half 2: means over five samples
    });
    const auto& ws = window->workspace();
    const auto times = ws.record.samples(Component::Z);
    button("SpeedButton9")->click();
    QCOMPARE(asked.count, 1);
    QCOMPARE(asked.caption, QString("Set window size"));
    QCOMPARE(asked.label, QString("5-200"));
    QCOMPARE(asked.defaultText, QString("100"));
    const std::vector<double>* original[3] = {&record.x, &record.y, &record.z};
    for (Component c : corvath::import::kComponents) {
      const std::vector<double> expected = MinusRunningMean(*original[static_cast<int>(c)], 2);
      const std::vector<double> got = Values(ws.record, c);
      QCOMPARE(got.size(), expected.size());
      for (std::size_t i = 0; i < got.size(); ++i) QVERIFY(std::abs(got[i] - expected[i]) < 1e-12);
    }
    for (std::size_t i = 0; i < times.size(); ++i) QCOMPARE(ws.record.sample(Component::Z, i).time, times[i].time);
    // The amplitude axis follows the corrected values (Z lost its offset of about 100).
    QVERIFY(chart(Chart::Vertical)->yAxis->range().upper < 10);
  }

  // Cancel leaves every sample as it was, bit for bit; an unreadable size is named.
  void removeZeroCancelledLeavesTheRecord() {
    Record record(12);
    record.loadInto(*window);
    const auto before = window->workspace().record;
    QString title, label, text;
    QTimer::singleShot(0, this, [&] {
      auto* prompt = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
      QVERIFY(prompt);
      title = prompt->windowTitle();
      label = prompt->labelText();
      text = prompt->textValue();
      prompt->setTextValue("2");  // typed, then cancelled
      prompt->reject();
    });
    button("SpeedButton9")->click();
    QCOMPARE(title, QString("Set window size"));
    QCOMPARE(label, QString("5-200"));
    QCOMPARE(text, QString("100"));
    QVERIFY(window->workspace().record == before);

    window->setTextPrompt([](const QString&, const QString&, const QString&) { return QString("ten"); });
    window->removeZero();
    QVERIFY(window->workspace().record == before);
    QCOMPARE(window->statusBar()->currentMessage(), QString("Remove zero: Window size: 'ten' is not a number"));
  }

  void removeZeroNeedsTenXSamples() {
    int asked = 0;
    for (std::size_t n : {9, 10}) {
      Record record(n);
      record.loadInto(*window);
      const auto before = window->workspace().record;
      window->setTextPrompt([&](const QString&, const QString&, const QString&) {
        ++asked;
        return QString("100");
      });
      button("SpeedButton9")->click();
      QCOMPARE(asked, n == 9 ? 0 : 1);
      QCOMPARE(window->workspace().record == before, n == 9);
    }
  }
};

QTEST_MAIN(WindowCommandsTest)
#include "test_windowcommands.moc"
