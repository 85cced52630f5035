// A load starts afresh and every failure is said the one way: a record loaded after
// a calculation leaves no result of the record before (curves, spectra, report,
// "Save results"), while the model and an observed curve opened from a file stay; a
// result names the files of its record; a failed load is in the message line, the
// status bar and the log, as well as in its box, and replaces an older notice there.
#include <QtTest>

#include <QAction>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QToolButton>
#include <qcustomplot.h>

#include <cmath>

#include "ui/mainwindow.h"
#include "ui/messagearea.h"
#include "ui/rangeguard.h"
#include "ui/sessions.h"

using corvath::import::Component;
using corvath::ui::MainWindow;

namespace {

// X, Y and Z text files of a 240 s record at 100 Hz whose horizontals resonate at f Hz
// (four windows of the field standard's 60 s).
QStringList WriteRecord(const QTemporaryDir& dir, const QString& stem, double f) {
  QStringList paths;
  for (int c = 0; c < 3; ++c) {
    const QString path = dir.filePath(QString("%1_%2.txt").arg(stem).arg(QChar("xyz"[c])));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) qFatal("cannot write %s", qPrintable(path));
    QByteArray text = "h\nh\nh\n";
    for (int i = 0; i < 24000; ++i) {
      const double t = i * 0.01;
      double z = 0;
      for (int k = 1; k <= 60; ++k) z += std::cos(2 * M_PI * k * 0.33 * t + 0.37 * k * k);
      const double h = 3.0 * std::sin(2 * M_PI * f * t + c) + 0.2 * z;
      text += QByteArray::number(t) + " " + QByteArray::number(c == 2 ? z : h, 'g', 10) + "\n";
    }
    file.write(text);
    paths << path;
  }
  return paths;
}

QString WriteHvFile(const QTemporaryDir& dir) {
  const QString path = dir.filePath("observed.hv");
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly)) qFatal("cannot write %s", qPrintable(path));
  file.write("# observed\n");
  for (int i = 1; i <= 40; ++i) {
    const double f = 0.5 * i, a = 1.0 + 3.0 * std::exp(-std::pow(f - 6.0, 2));
    file.write(QByteArray::number(f) + " " + QByteArray::number(a) + " " + QByteArray::number(a * 0.8) + " " +
               QByteArray::number(a * 1.25) + "\n");
  }
  return path;
}

}  // namespace

class FreshLoadTest : public QObject {
  Q_OBJECT

  template <typename T = QWidget>
  static T* find(MainWindow& window, const char* name) {
    auto* child = window.findChild<T*>(name);
    if (!child) qFatal("no child %s", name);
    return child;
  }
  static int points(MainWindow& window, const char* chart) {
    int n = 0;
    QCustomPlot* plot = find<QCustomPlot>(window, chart);
    for (int g = 0; g < plot->graphCount(); ++g) n += plot->graph(g)->data()->size();
    return n;
  }

private slots:
  void aLoadAfterCalculationsLeavesNothingOfTheRecordBefore() {
    QTemporaryDir dir;
    MainWindow window;
    window.setMessageSink([](const QString& text, const QString&) { QFAIL(qPrintable("unexpected box: " + text)); });
    const QStringList first = WriteRecord(dir, "first", 4.0), second = WriteRecord(dir, "second", 9.0);
    window.loadDroppedFiles(first);
    QCOMPARE(window.workspace().record.size(Component::X), std::size_t{24000});

    // Classic, then field standard (with azimuths) on the first record.
    window.calculateSpectra();
    QVERIFY(window.workspace().spectraResult);
    // The result names its record's files.
    std::vector<std::string> firstFiles;
    for (const QString& path : first) firstFiles.push_back(QFile::encodeName(path).toStdString());
    QCOMPARE(window.workspace().spectraResult->recordFiles, firstFiles);
    find<QComboBox>(window, "spectraMethod")->setCurrentIndex(1);
    window.calculateSpectra();
    QVERIFY(window.workspace().fieldStandardResult);
    QVERIFY(find<QAction>(window, "SpeedButton10")->isEnabled());
    QVERIFY(points(window, "Chart3") > 0 && points(window, "Chart5") > 0);
    QVERIFY(!find<QPlainTextEdit>(window, "fieldStandardReport")->toPlainText().isEmpty());
    const int layers = window.workspace().model.layerCount();

    window.loadDroppedFiles(second);
    QCOMPARE(window.workspace().recordFiles.size(), std::size_t{3});
    QVERIFY(!window.workspace().spectraResult);
    QVERIFY(!window.workspace().fieldStandardResult);
    QVERIFY(!window.workspace().azimuthalResult);
    QVERIFY(window.workspace().theoreticalCurve.empty());
    QCOMPARE(points(window, "Chart3") + points(window, "Chart4") + points(window, "Chart5"), 0);
    QVERIFY(find<QPlainTextEdit>(window, "fieldStandardReport")->toPlainText().isEmpty());
    QVERIFY(!find<QAction>(window, "SpeedButton10")->isEnabled());
    QVERIFY(!find<QAction>(window, "saveFieldStandardAction")->isEnabled());
    QCOMPARE(window.workspace().model.layerCount(), layers);  // the model stays
    QCOMPARE(window.windowTitle(), QString::fromUtf8("Corvath \u2014 second_x.txt, second_y.txt, second_z.txt"));
  }

  void anObservedCurveFromAFileStaysAcrossALoad() {
    QTemporaryDir dir;
    MainWindow window;
    window.setMessageSink([](const QString& text, const QString&) { QFAIL(qPrintable("unexpected box: " + text)); });
    const QString hv = WriteHvFile(dir);
    window.setDialogRunner([&](QDialog& dialog) {
      auto* files = qobject_cast<QFileDialog*>(&dialog);
      if (!files || files->objectName() != "observedCurveDialog") return int(QDialog::Rejected);
      files->selectFile(hv);
      return int(QDialog::Accepted);
    });
    find<QAction>(window, "openObservedCurveAction")->trigger();
    QVERIFY(window.workspace().spectraResult);
    const std::size_t observed = window.workspace().spectraResult->ratio.points.size();
    window.loadDroppedFiles(WriteRecord(dir, "later", 4.0));
    QVERIFY(window.workspace().spectraResult);
    QCOMPARE(window.workspace().spectraResult->ratio.points.size(), observed);
    QVERIFY(find<QAction>(window, "SpeedButton10")->isEnabled());
    QVERIFY(points(window, "Chart5") > 0);

    // A session brings it back from its file.
    const QString session = dir.filePath("work.json");
    QVERIFY(window.sessions().saveSessionTo(session).done());
    MainWindow next;
    next.setMessageSink([](const QString& text, const QString&) { QFAIL(qPrintable("unexpected box: " + text)); });
    QSignalSpy opened(&next.sessions(), &corvath::ui::SessionController::opened);
    next.sessions().openSessionFrom(session);
    QTRY_COMPARE(opened.count(), 1);
    QVERIFY(opened.front().front().value<corvath::app::Outcome>().done());
    QVERIFY(next.workspace().spectraResult);
    QCOMPARE(next.workspace().spectraResult->ratio.points.size(), observed);
    QVERIFY(!next.workspace().spectraResult->computedWith);
  }

  void everyFailureIsInTheLineTheStatusBarAndTheLog() {
    QTemporaryDir dir;
    MainWindow window;
    QStringList boxes;
    window.setMessageSink([&](const QString& text, const QString&) { boxes << text; });
    window.loadDroppedFiles(WriteRecord(dir, "good", 4.0));
    auto* line = find<corvath::ui::MessageArea>(window, "messageArea");
    // A notice of an earlier command is in the line.
    find<QAction>(window, "selectWindowsAction")->trigger();
    QVERIFY2(!line->text().isEmpty(), "the automatic windows say how many passed");
    const QString notice = line->text();

    const struct {
      const char* name;
      QByteArray content;
    } garbage[] = {{"garbage.mseed", QByteArray(700, 'x')}, {"garbage.saf", "not a record\n"}};
    for (const auto& g : garbage) {
      const QString path = dir.filePath(g.name);
      QFile file(path);
      QVERIFY(file.open(QIODevice::WriteOnly));
      file.write(g.content);
      file.close();
      boxes.clear();
      const qsizetype logged = line->log().size();
      window.loadDroppedFiles({path});
      QVERIFY2(line->text() != notice && line->text().contains(g.name), qPrintable(line->text()));
      QVERIFY2(window.statusBar()->currentMessage().contains(g.name), qPrintable(window.statusBar()->currentMessage()));
      QVERIFY(line->log().size() > logged);
      QVERIFY2(line->log().back().contains(g.name), qPrintable(line->log().back()));
      QCOMPARE(window.workspace().record.size(Component::X), std::size_t{24000});  // the record stays
    }
  }

  // A number typed beyond a box's limits is refused naming them; the value before stays.
  void numberBoxesRefuseRatherThanClamp() {
    MainWindow window;
    auto* iterations = find<QSpinBox>(window, "SpinEdit3");
    const int before = iterations->value();
    iterations->setFocus();
    iterations->selectAll();
    QTest::keyClicks(iterations, "3000");
    QCOMPARE(iterations->value(), before);
    auto* line = find<corvath::ui::MessageArea>(window, "messageArea");
    QVERIFY2(line->text().contains("Iter number: 3000 is outside 1 to 500"), qPrintable(line->text()));
    iterations->selectAll();
    QTest::keyClicks(iterations, "250");
    QTest::keyClick(iterations, Qt::Key_Return);
    QCOMPARE(iterations->value(), 250);
    const struct {
      QString text;
      bool refused;
    } cases[] = {{"3000", true}, {"0", true}, {"-4", true}, {"1", false}, {"500", false}, {"", false}, {"12a", false}};
    for (const auto& c : cases)
      QCOMPARE(!corvath::ui::RangeGuard::RefusalOf("Iter number", c.text, 1, 500).isEmpty(), c.refused);
  }
};

QTEST_MAIN(FreshLoadTest)
#include "test_freshload.moc"
