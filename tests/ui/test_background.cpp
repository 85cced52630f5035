// Long loads and calculations run off the window's thread: the commands are held
// meanwhile, a cancel leaves everything as it was, the channel question is still
// answered in the window, and the results equal those of the direct path.
#include <QtTest>

#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QProgressBar>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QToolButton>

#include <optional>
#include <stdexcept>

#include "ui/controllers/backgroundwork.h"
#include "ui/mainwindow.h"

using corvath::import::Component;
using corvath::ui::MainWindow;

namespace {

QString Write(const QTemporaryDir& dir, const QString& name, const QByteArray& content) {
  const QString path = dir.filePath(name);
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly)) qFatal("cannot write %s", qPrintable(path));
  file.write(content);
  return path;
}

QByteArray Component(int samples, int seed) {
  QByteArray text = "h\nh\nh\n";
  text.reserve(samples * 16);
  unsigned state = 1234u + static_cast<unsigned>(seed);
  for (int i = 0; i < samples; ++i) {
    state = state * 1103515245u + 12345u;
    text += QByteArray::number(i * 0.01, 'f', 2) + " " + QByteArray::number(int(state >> 20) % 1000 - 500) + "\n";
  }
  return text;
}

class BackgroundTest : public QObject {
  Q_OBJECT
private slots:
  void loadAndSpectraOffTheWindowThreadGiveTheDirectResults() {
    QTemporaryDir dir;
    const QStringList files{Write(dir, "a_x.txt", Component(30000, 1)), Write(dir, "b_y.txt", Component(30000, 2)),
                            Write(dir, "c_z.txt", Component(30000, 3))};
    MainWindow direct;
    direct.loadDroppedFiles(files);
    direct.calculateSpectra();
    QVERIFY(direct.workspace().spectraResult);

    MainWindow window;
    window.setBackgroundThresholds(0, 0);
    window.loadDroppedFiles(files);
    QVERIFY(window.backgroundRunning());
    QVERIFY(!window.findChild<QAction*>("SpeedButton7")->isEnabled());
    QVERIFY(window.findChild<QProgressBar*>("backgroundProgress")->isVisibleTo(&window));
    QTRY_VERIFY_WITH_TIMEOUT(!window.backgroundRunning(), 20000);
    QVERIFY(window.workspace().record == direct.workspace().record);
    QCOMPARE(window.windowTitle(), QString::fromUtf8("Corvath \u2014 a_x.txt, b_y.txt, c_z.txt"));
    QVERIFY(window.findChild<QAction*>("SpeedButton7")->isEnabled());

    window.calculateSpectra();
    QVERIFY(window.backgroundRunning());
    QTRY_VERIFY_WITH_TIMEOUT(!window.backgroundRunning(), 20000);
    QVERIFY(window.workspace().spectraResult);
    const auto& a = window.workspace().spectraResult->ratio.points;
    const auto& b = direct.workspace().spectraResult->ratio.points;
    QCOMPARE(a.size(), b.size());
    for (std::size_t i = 0; i < a.size(); ++i) QCOMPARE(a[i].ratio, b[i].ratio);
  }

  void cancelLeavesEverythingAsItWas() {
    QTemporaryDir dir;
    const QStringList small{Write(dir, "a_x.txt", Component(500, 1)), Write(dir, "b_y.txt", Component(500, 2)),
                            Write(dir, "c_z.txt", Component(500, 3))};
    const QStringList big{Write(dir, "d_x.txt", Component(400000, 4)), Write(dir, "e_y.txt", Component(400000, 5)),
                          Write(dir, "f_z.txt", Component(400000, 6))};
    MainWindow window;
    window.loadDroppedFiles(small);
    const auto record = window.workspace().record;
    window.setBackgroundThresholds(0, 0);
    window.loadDroppedFiles(big);
    QVERIFY(window.backgroundRunning());
    window.findChild<QToolButton*>("backgroundCancel")->click();
    QTRY_VERIFY_WITH_TIMEOUT(!window.backgroundRunning(), 20000);
    QVERIFY(window.workspace().record == record);
    QVERIFY2(window.statusBar()->currentMessage().contains("cancelled"), qPrintable(window.statusBar()->currentMessage()));
    QVERIFY(window.findChild<QAction*>("SpeedButton1")->isEnabled());
  }

  // The field-standard H/V of a long record too: the commands are held, the result
  // equals the direct one, and a cancel leaves the result before in place.
  void fieldStandardOffTheWindowThreadGivesTheDirectResultAndCancels() {
    QTemporaryDir dir;
    const QStringList files{Write(dir, "a_x.txt", Component(60000, 1)), Write(dir, "b_y.txt", Component(60000, 2)),
                            Write(dir, "c_z.txt", Component(60000, 3))};
    MainWindow direct;
    direct.loadDroppedFiles(files);
    direct.findChild<QComboBox*>("spectraMethod")->setCurrentIndex(1);
    direct.calculateSpectra();
    QVERIFY(direct.workspace().fieldStandardResult);

    MainWindow window;
    window.loadDroppedFiles(files);
    window.setBackgroundThresholds(0, 0);
    window.findChild<QComboBox*>("spectraMethod")->setCurrentIndex(1);
    window.calculateSpectra();
    QVERIFY(window.backgroundRunning());
    QVERIFY(!window.findChild<QAction*>("SpeedButton7")->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(!window.backgroundRunning(), 20000);
    QVERIFY(window.workspace().fieldStandardResult);
    const std::vector<double> mean = window.workspace().fieldStandardResult->mean;
    QVERIFY(mean == direct.workspace().fieldStandardResult->mean);

    window.calculateSpectra();
    QVERIFY(window.backgroundRunning());
    window.findChild<QToolButton*>("backgroundCancel")->click();
    QTRY_VERIFY_WITH_TIMEOUT(!window.backgroundRunning(), 20000);
    QVERIFY(window.workspace().fieldStandardResult && window.workspace().fieldStandardResult->mean == mean);
    QVERIFY2(window.statusBar()->currentMessage().contains("cancelled"), qPrintable(window.statusBar()->currentMessage()));
    QVERIFY(window.findChild<QAction*>("SpeedButton7")->isEnabled());
  }

  // Whatever escapes the work is its answer: a Failed outcome with the message, or
  // "cancelled" for a cancel; nothing is swallowed.
  void anEscapingExceptionIsAFailedAnswer() {
    corvath::ui::BackgroundWork work;
    std::optional<corvath::app::Outcome> answer;
    QVERIFY(work.start(
        "failing", [](const corvath::numerics::ProgressHook&) -> corvath::app::Outcome {
          throw std::runtime_error("the disk went away");
        },
        [&](const corvath::app::Outcome& outcome) { answer = outcome; }));
    QTRY_VERIFY_WITH_TIMEOUT(answer.has_value(), 5000);
    QVERIFY(answer->failed());
    QCOMPARE(QString::fromStdString(answer->message), QString("the disk went away"));
    QVERIFY(!work.running());

    answer.reset();
    QVERIFY(work.start(
        "cancelled", [](const corvath::numerics::ProgressHook&) -> corvath::app::Outcome {
          throw corvath::numerics::Cancelled();
        },
        [&](const corvath::app::Outcome& outcome) { answer = outcome; }));
    QTRY_VERIFY_WITH_TIMEOUT(answer.has_value(), 5000);
    QVERIFY(answer->unchanged());
  }

  void theChannelQuestionIsAnsweredInTheWindow() {
    QTemporaryDir dir;
    QByteArray delta = "\xF2\xF1\xF7\xE5\xF2\xFB\n";
    for (int i = 0; i < 200; ++i) delta += "1 2 3 4 " + QByteArray::number(i * 0.01) + " 5 6 " + QByteArray::number(i) + "\n";
    const QString path = Write(dir, "g.dat", delta);
    MainWindow window;
    window.setBackgroundThresholds(0, 0);
    int asked = 0;
    window.setDialogRunner([&](QDialog&) {
      ++asked;
      return int(QDialog::Accepted);
    });
    window.loadDroppedFiles({path});
    QTRY_VERIFY_WITH_TIMEOUT(!window.backgroundRunning(), 20000);
    QCOMPARE(asked, 1);
    QCOMPARE(window.workspace().record.size(Component::Z), std::size_t(200));
  }
};

}  // namespace

QTEST_MAIN(BackgroundTest)
#include "test_background.moc"
