// Undo and redo in the real window: the Edit menu's two actions, their names and
// shortcuts, and each kind of step taken back and again (windows, model edits,
// "Remove zero", loads, an inversion's result), with what is drawn following.
#include <QtTest>

#include <QAction>
#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QSpinBox>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QToolButton>
#include <qcustomplot.h>

#include <cstring>

#include "app/commands.h"
#include "ui/mainwindow.h"
#include "ui/settingsdialog.h"
#include "ui/windowbands.h"
#include "support/widgets.h"

using corvath::import::Component;
using corvath::ui::MainWindow;
using corvath::windows::Chart;

using corvath::testing::Child;

namespace {

QString Write(const QTemporaryDir& dir, const QString& name, const QByteArray& content) {
  const QString path = dir.filePath(name);
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly)) qFatal("cannot write %s", qPrintable(path));
  file.write(content);
  return path;
}

// A component file of `samples` lines at 100 Hz with values that have many digits.
QByteArray ComponentText(int samples, int seed) {
  QByteArray text = "h\nh\nh\n";
  unsigned state = 977u * static_cast<unsigned>(seed);
  for (int i = 0; i < samples; ++i) {
    state = state * 1103515245u + 12345u;
    text += QByteArray::number(i * 0.01, 'f', 2) + " " + QByteArray::number((int(state >> 16) % 2000) / 7.0, 'g', 15) +
            "\n";
  }
  return text;
}

QStringList Record(const QTemporaryDir& dir, const QString& prefix, int samples, int seed) {
  return {Write(dir, prefix + "_x.txt", ComponentText(samples, seed)),
          Write(dir, prefix + "_y.txt", ComponentText(samples, seed + 1)),
          Write(dir, prefix + "_z.txt", ComponentText(samples, seed + 2))};
}

bool SameBits(const corvath::import::ThreeComponentRecord& a, const corvath::import::ThreeComponentRecord& b) {
  for (Component c : corvath::import::kComponents) {
    const auto sa = a.samples(c).pairs();
    const auto sb = b.samples(c).pairs();
    if (sa.size() != sb.size() || std::memcmp(sa.data(), sb.data(), sa.size() * sizeof(sa[0])) != 0) return false;
  }
  return true;
}

// As the inversion tests: an observed curve of a known three-layer model.
void SetObservedCurve(corvath::app::Workspace& ws) {
  corvath::app::Workspace truth;
  corvath::app::SetLayerCount(truth, 3);
  auto& v = truth.model.values;
  v[0] = {20.0, 60.0, 1.0};
  v[1] = {0.6, 1.6, 3.0};
  v[2] = {0.2, 0.6, 1.5};
  v[3] = {1.8, 2.0, 2.2};
  v[4] = {20.0, 40.0, 100.0};
  v[5] = {10.0, 20.0, 50.0};
  auto& result = truth.spectraResult.emplace();
  for (int k = 0; k <= 100; ++k) result.ratio.points.push_back({1.0 + 0.19 * k, 1.0, 1.0, 1.0});
  QVERIFY(corvath::app::CalculateTheoreticalCurve(truth, {0.0, 0.1}).done());
  for (std::size_t k = 0; k < result.ratio.points.size(); ++k) {
    const double r = truth.theoreticalCurve[k].im;
    result.ratio.points[k] = {truth.theoreticalCurve[k].re, r, r, r};
  }
  ws.spectraResult = result;
}

}  // namespace

class UndoTest : public QObject {
  Q_OBJECT
  static QAction* undo(QWidget& w) { return Child<QAction>(w, "undoAction"); }
  static QAction* redo(QWidget& w) { return Child<QAction>(w, "redoAction"); }
  static QTableWidget* table(QWidget& w) { return Child<QTableWidget>(w, "parameterTable"); }

  // A press, two moves and a release on a time-series chart from one time to another.
  static void drag(MainWindow& window, double from, double to) {
    QCustomPlot* chart = window.windowBands().chart(Chart::Horizontal);
    auto at = [chart](double t) { return QPoint(qRound(chart->xAxis->coordToPixel(t)), chart->axisRect()->center().y()); };
    QTest::mousePress(chart, Qt::LeftButton, Qt::NoModifier, at(from));
    QTest::mouseMove(chart, at((from + to) / 2));
    QTest::mouseMove(chart, at(to));
    QTest::mouseRelease(chart, Qt::LeftButton, Qt::NoModifier, at(to));
  }

  // Types text into a cell of the parameter table and presses Return.
  static void type(QTableWidget* t, int row, int c, const QString& text) {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    t->setCurrentCell(row, c);
    t->editItem(t->item(row, c));
    auto* editor = t->viewport()->findChild<QLineEdit*>();
    QVERIFY(editor);
    editor->setText(text);
    QTest::keyClick(editor, Qt::Key_Return);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }

private slots:
  void editMenuHoldsUndoAndRedoNamedAfterTheirStep() {
    MainWindow window;
    QMenu* edit = window.menuBar()->findChild<QMenu*>("EditMenu");
    QVERIFY(edit);
    QCOMPARE(edit->actions().value(0), undo(window));
    QCOMPARE(edit->actions().value(1), redo(window));
    // Ctrl+Z and Ctrl+Shift+Z shown, and whatever else the platform binds to the two.
    QCOMPARE(undo(window)->shortcut().toString(), QString("Ctrl+Z"));
    QCOMPARE(redo(window)->shortcut().toString(), QString("Ctrl+Shift+Z"));
    for (QKeySequence key : QKeySequence::keyBindings(QKeySequence::Undo)) QVERIFY(undo(window)->shortcuts().contains(key));
    for (QKeySequence key : QKeySequence::keyBindings(QKeySequence::Redo)) QVERIFY(redo(window)->shortcuts().contains(key));
    // Nothing to take back at start.
    QVERIFY(!undo(window)->isEnabled());
    QVERIFY(!redo(window)->isEnabled());
    QCOMPARE(undo(window)->text(), QString("Undo"));
    QCOMPARE(redo(window)->text(), QString("Redo"));
  }

  void windowsAreUndoneAndRedoneByTheShortcuts() {
    QTemporaryDir dir;
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.loadDroppedFiles(Record(dir, "a", 2000, 1));
    QCOMPARE(undo(window)->text(), QString("Undo Load record"));
    window.windowBands().chart(Chart::Horizontal)->replot();

    Child<QAction>(window, "SpeedButton2")->trigger();  // "Add window"
    drag(window, 3.0, 6.0);
    const auto& windows = window.workspace().windows.windows;
    QCOMPARE(windows.size(), std::size_t(1));
    const auto added = windows;
    QCOMPARE(undo(window)->text(), QString("Undo Add window"));
    QVERIFY(undo(window)->isEnabled());
    QVERIFY(!redo(window)->isEnabled());

    // The shortcut works where the focus is: on the chart.
    QCustomPlot* chart = window.windowBands().chart(Chart::Horizontal);
    chart->setFocus();
    QTest::keyClick(chart, Qt::Key_Z, Qt::ControlModifier);
    QVERIFY(windows.empty());
    QVERIFY(window.windowBands().bands(Chart::Horizontal).empty());
    QVERIFY(window.windowBands().bands(Chart::Vertical).empty());
    QCOMPARE(redo(window)->text(), QString("Redo Add window"));
    QCOMPARE(undo(window)->text(), QString("Undo Load record"));
    QVERIFY(window.statusBar()->currentMessage().contains("Add window"));

    QTest::keyClick(chart, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    QVERIFY(windows == added);
    QCOMPARE(window.windowBands().bands(Chart::Vertical).size(), std::size_t(1));
    QVERIFY(!redo(window)->isEnabled());

    // "Remove window" and a new step after an undo: the redo step goes.
    Child<QAction>(window, "SpeedButton4")->trigger();
    drag(window, 4.0, 4.0);
    QVERIFY(windows.empty());
    QCOMPARE(undo(window)->text(), QString("Undo Remove window"));
    undo(window)->trigger();
    QVERIFY(windows == added);
    QVERIFY(redo(window)->isEnabled());
    Child<QAction>(window, "SpeedButton2")->trigger();
    drag(window, 10.0, 12.0);
    QCOMPARE(windows.size(), std::size_t(2));
    QVERIFY(!redo(window)->isEnabled());
    QCOMPARE(undo(window)->text(), QString("Undo Add window"));
  }

  void modelEditsAreUndone() {
    MainWindow window;
    window.show();
    Child<QTabWidget>(window, "tabs")->setCurrentIndex(3);
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    corvath::app::Workspace& ws = window.workspace();
    const auto start = ws.model;
    const auto startTables = ws.modelTables;
    QTableWidget* t = table(window);
    const QString shown = t->item(1, 3)->text();

    type(t, 1, 3, "0.4234");  // Vs of the second layer (below its Vp 0.55)
    QCOMPARE(ws.model.values[2][1], 0.4234);
    QCOMPARE(undo(window)->text(), QString("Undo Edit model value"));
    undo(window)->trigger();
    QVERIFY(ws.model == start);
    QCOMPARE(t->item(1, 3)->text(), shown);
    redo(window)->trigger();
    QCOMPARE(ws.model.values[2][1], 0.4234);
    QCOMPARE(t->item(1, 3)->text(), QString("0.42"));
    undo(window)->trigger();

    // A refused entry is no step.
    type(t, 1, 3, "7");
    QCOMPARE(undo(window)->text(), QString("Undo"));

    // A right press toggles an invert flag.
    QTest::mousePress(t->viewport(), Qt::RightButton, {}, t->visualRect(t->model()->index(2, 1)).center());
    QVERIFY(!ws.model.invertFlags[0][2]);
    QCOMPARE(undo(window)->text(), QString("Undo Invert flag"));
    undo(window)->trigger();
    QVERIFY(ws.model == start);

    // "Layers number": the spin field follows the undone count without stepping again.
    auto* layers = Child<QSpinBox>(window, "SpinEdit1");
    layers->setValue(9);
    QCOMPARE(ws.model.layerCount(), 9);
    QCOMPARE(undo(window)->text(), QString("Undo Layers number"));
    undo(window)->trigger();
    QVERIFY(ws.model == start);
    QCOMPARE(layers->value(), 10);
    QCOMPARE(t->rowCount(), 10);
    QVERIFY(!undo(window)->isEnabled());
    redo(window)->trigger();
    QCOMPARE(layers->value(), 9);
    QCOMPARE(t->rowCount(), 9);
    undo(window)->trigger();

    // "Settings": an Apply is a step; opening and cancelling is none.
    int answer = QDialog::Rejected;
    window.setDialogRunner([&](QDialog& dialog) {
      auto* settings = qobject_cast<corvath::ui::SettingsDialog*>(&dialog);
      if (settings && answer == QDialog::Accepted) {
        settings->findChild<QCheckBox*>("CheckBox2")->setChecked(true);
        settings->findChild<QLineEdit*>("Edit3")->setText("0.2");
        settings->findChild<QLineEdit*>("Edit4")->setText("1.5");
        settings->findChild<QPushButton*>("Button1")->click();
      }
      return answer;
    });
    QMetaObject::invokeMethod(t->horizontalHeader(), "sectionClicked", Q_ARG(int, 3));
    QCOMPARE(ws.modelTables.SelectedParameter, 2);
    QCOMPARE(undo(window)->text(), QString("Undo"));
    answer = QDialog::Accepted;
    QMetaObject::invokeMethod(t->horizontalHeader(), "sectionClicked", Q_ARG(int, 3));
    QCOMPARE(ws.modelTables.StartValues[2], 0.2);
    QCOMPARE(undo(window)->text(), QString("Undo Settings"));
    undo(window)->trigger();
    QCOMPARE(ws.modelTables.StartValues[2], startTables.StartValues[2]);
    QVERIFY(ws.model == start);
    QCOMPARE(t->item(0, 3)->text(), QString("0.30"));
  }

  void removeZeroIsUndoneToTheSamplesBitForBit() {
    QTemporaryDir dir;
    MainWindow window;
    window.loadDroppedFiles(Record(dir, "a", 1500, 4));
    const auto original = window.workspace().record;
    window.setTextPrompt([](const QString&, const QString&, const QString&) { return QString("33"); });
    window.removeZero();
    const auto removed = window.workspace().record;
    QVERIFY(!SameBits(removed, original));
    QCOMPARE(undo(window)->text(), QString("Undo Remove zero"));
    undo(window)->trigger();
    QVERIFY(SameBits(window.workspace().record, original));
    redo(window)->trigger();
    QVERIFY(SameBits(window.workspace().record, removed));
    // A cancelled prompt changes nothing and is no step.
    window.setTextPrompt([](const QString&, const QString&, const QString&) { return std::optional<QString>(); });
    window.removeZero();
    QCOMPARE(undo(window)->text(), QString("Undo Remove zero"));
    QVERIFY(!redo(window)->isEnabled());
  }

  void aLoadIsUndoneWithItsWindowsModelAndNames() {
    QTemporaryDir dir;
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.loadDroppedFiles(Record(dir, "a", 1200, 7));
    const auto first = window.workspace().record;
    const QString firstTitle = window.windowTitle();
    QVERIFY(corvath::app::AddAnalysisWindow(window.workspace(), 1.0, 2.0).done());  // kept by the next load's step
    window.loadDroppedFiles(Record(dir, "b", 800, 9));
    QVERIFY(window.windowTitle().contains("b_x.txt"));
    QVERIFY(window.workspace().windows.windows.empty());

    undo(window)->trigger();
    QVERIFY(SameBits(window.workspace().record, first));
    QCOMPARE(window.windowTitle(), firstTitle);
    QCOMPARE(window.workspace().windows.windows.size(), std::size_t(1));
    QCOMPARE(window.windowBands().bands(Chart::Horizontal).size(), std::size_t(1));
    QVERIFY(Child<QLabel>(window, "recordInfo")->text().contains("1200 samples"));
    redo(window)->trigger();
    QCOMPARE(window.workspace().record.size(Component::X), std::size_t(800));
    QVERIFY(window.windowTitle().contains("b_x.txt"));
    QVERIFY(window.windowBands().bands(Chart::Horizontal).empty());
  }

  void heldWhileABackgroundLoadRuns() {
    QTemporaryDir dir;
    MainWindow window;
    window.loadDroppedFiles(Record(dir, "a", 500, 1));
    QVERIFY(undo(window)->isEnabled());
    window.setBackgroundThresholds(0, 0);
    window.loadDroppedFiles(Record(dir, "b", 60000, 2));
    QVERIFY(window.backgroundRunning());
    QVERIFY(!undo(window)->isEnabled());
    undo(window)->trigger();  // does nothing while held
    QTRY_VERIFY_WITH_TIMEOUT(!window.backgroundRunning(), 20000);
    QCOMPARE(window.workspace().record.size(Component::X), std::size_t(60000));
    QVERIFY(undo(window)->isEnabled());
    QVERIFY(!redo(window)->isEnabled());  // nothing was undone: it stays off after the run
    QCOMPARE(undo(window)->text(), QString("Undo Load record"));
    undo(window)->trigger();
    QCOMPARE(window.workspace().record.size(Component::X), std::size_t(500));
  }

  void anInversionResultIsUndoneWithRefFrqAndKDegree() {
    MainWindow window;
    window.show();
    SetObservedCurve(window.workspace());
    Child<QSpinBox>(window, "SpinEdit1")->setValue(3);
    Child<QSpinBox>(window, "SpinEdit3")->setValue(3);
    Child<QCheckBox>(window, "CheckBox1")->setChecked(true);  // optimise "Ref frq" too
    Child<QLineEdit>(window, "Edit1")->setText("2");
    const auto start = window.workspace().model;
    Child<QToolButton>(window, "StartButton")->click();
    QVERIFY(window.inversionRunning());
    QVERIFY(!undo(window)->isEnabled());  // "Layers number" waits for the run's end
    QTRY_VERIFY_WITH_TIMEOUT(!window.inversionRunning(), 60000);
    QCOMPARE(undo(window)->text(), QString("Undo Inversion result"));
    const auto result = window.workspace().model;
    const QString resultK = Child<QLineEdit>(window, "Edit2")->text();
    QVERIFY(!(result == start));

    undo(window)->trigger();
    QVERIFY(window.workspace().model == start);
    QCOMPARE(window.workspace().referenceFrequency, 2.0);
    QCOMPARE(Child<QLineEdit>(window, "Edit1")->text(), QString("2"));
    QCOMPARE(Child<QLineEdit>(window, "Edit2")->text().toDouble(), 0.1);
    QCOMPARE(table(window)->item(0, 3)->text().toStdString(), corvath::inversion::ModelCellText(start, 2, 0));
    redo(window)->trigger();
    QVERIFY(window.workspace().model == result);
    QCOMPARE(Child<QLineEdit>(window, "Edit2")->text(), resultK);
    QCOMPARE(Child<QCustomPlot>(window, "Chart5")->graph(1)->dataCount(), 101);
  }
};

QTEST_MAIN(UndoTest)
#include "test_undo.moc"
