// The window and corvath-cli compute through the same commands: the same record
// and settings give byte-identical result tables.
#include <QtTest>

#include <QFileDialog>
#include <QLineEdit>
#include <QTemporaryDir>

#include <cmath>
#include <cstdlib>
#include <sys/wait.h>

#include "app/commands.h"
#include "ui/loadcomponentsdialog.h"
#include "ui/mainwindow.h"
#include "ui/windowbands.h"

using corvath::ui::MainWindow;

namespace {

QByteArray ReadAll(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A minute of a 100 Hz record with a 2.5 Hz horizontal resonance, an offset and a drift.
void WriteComponents(const QTemporaryDir& dir) {
  const char* names[3] = {"x.txt", "y.txt", "z.txt"};
  for (int c = 0; c < 3; ++c) {
    QFile file(dir.filePath(names[c]));
    QVERIFY(file.open(QIODevice::WriteOnly));
    QByteArray text = "component\nmm/s\n\n";
    unsigned state = 12345u + 17u * static_cast<unsigned>(c);
    for (int i = 0; i < 6000; ++i) {
      state = state * 1103515245u + 12345u;
      const double noise = static_cast<double>((state >> 8) & 0xffff) / 65536.0 - 0.5;
      const double t = i * 0.01;
      const double value = (c < 2 ? 3.0 * std::sin(2 * M_PI * 2.5 * t + c) : 0.0) + noise + 7.0 + 0.01 * t;
      text += QByteArray::number(t, 'f', 2) + " " + QByteArray::number(value, 'g', 12) + "\n";
    }
    file.write(text);
  }
}

class CommandPathsTest : public QObject {
  Q_OBJECT
private slots:
  void windowAndBatchCommandWriteTheSameTable_data() {
    QTest::addColumn<bool>("windowed");
    QTest::addColumn<bool>("smoothed");
    QTest::addColumn<QString>("removeZero");
    QTest::addColumn<QString>("minFrq");
    QTest::addColumn<QString>("maxFrq");
    QTest::newRow("automatic, smoothed") << false << true << QString() << "1" << "20";
    QTest::newRow("automatic, linear, remove zero 50") << false << false << "50" << "0,5" << "12";
    QTest::newRow("two windows, smoothed") << true << true << QString() << "1" << "20";
    QTest::newRow("two windows, linear, remove zero 20") << true << false << "20" << "2" << "15.5";
  }
  void windowAndBatchCommandWriteTheSameTable() {
    QFETCH(bool, windowed);
    QFETCH(bool, smoothed);
    QFETCH(QString, removeZero);
    QFETCH(QString, minFrq);
    QFETCH(QString, maxFrq);
    QTemporaryDir dir;
    WriteComponents(dir);
    const QString x = dir.filePath("x.txt"), y = dir.filePath("y.txt"), z = dir.filePath("z.txt");

    // The window: load, remove zero, windows, fields, "Calculate spectra", "Save results".
    MainWindow window;
    window.setMessageSink([](const QString& text, const QString&) { QFAIL(qPrintable(text)); });
    window.setDialogRunner([&](QDialog& dialog) {
      if (auto* load = qobject_cast<corvath::ui::LoadComponentsDialog*>(&dialog)) {
        load->setFileName(0, x);
        load->setFileName(1, y);
        load->setFileName(2, z);
      }
      if (&dialog == &window.saveResultsDialog()) {
        window.saveResultsDialog().selectNameFilter("Spectrum to text file (*.txt)");
        window.saveResultsDialog().selectFile(dir.filePath("window.dat"));
      }
      return int(QDialog::Accepted);
    });
    window.setTextPrompt([&](const QString&, const QString&, const QString&) { return removeZero; });
    window.loadComponents();
    if (!removeZero.isEmpty()) window.removeZero();
    if (windowed) {
      corvath::app::AddAnalysisWindow(window.workspace(), 3.0, 23.0);
      corvath::app::AddAnalysisWindow(window.workspace(), 30.0, 55.5);
      window.windowBands().refresh();
    }
    if (!smoothed) window.findChild<QAction*>("SpeedButton6")->trigger();
    window.findChild<QLineEdit*>("Edit3")->setText(minFrq);
    window.findChild<QLineEdit*>("Edit4")->setText(maxFrq);
    window.calculateSpectra();
    QVERIFY(window.workspace().spectraResult);
    window.saveResults();
    const QByteArray fromWindow = ReadAll(dir.filePath("window.txt"));  // the extension becomes .txt
    QVERIFY(fromWindow.count('\n') > 50);

    // The batch command with the same settings.
    QStringList args{x, y, z, "-o", dir.filePath("batch.txt"), "--min-frq", minFrq, "--max-frq", maxFrq};
    if (windowed) args << "--window" << "3:23" << "--window" << "30:55.5";
    if (!smoothed) args << "--linear";
    if (!removeZero.isEmpty()) args << "--remove-zero" << removeZero;
    QString command = QString("'%1' spectra").arg(CORVATH_CLI);
    for (const QString& a : args) command += " '" + a + "'";
    const int status = std::system(command.toLocal8Bit().constData());
    QVERIFY(WIFEXITED(status));
    QCOMPARE(WEXITSTATUS(status), 0);
    const QByteArray fromBatch = ReadAll(dir.filePath("batch.txt"));
    QCOMPARE(fromBatch.size(), fromWindow.size());
    QVERIFY(fromBatch == fromWindow);
  }

  void saveResultsWritesEachTypeAndAsksBeforeReplacingTheFinalName() {
    QTemporaryDir dir;
    WriteComponents(dir);
    MainWindow window;
    QStringList messages, questions;
    bool answer = false;
    window.setMessageSink([&](const QString& text, const QString&) { messages << text; });
    window.setQuestion([&](const QString& text) {
      questions << text;
      return answer;
    });
    QString filter, name;
    window.setDialogRunner([&](QDialog& dialog) {
      if (auto* load = qobject_cast<corvath::ui::LoadComponentsDialog*>(&dialog)) {
        load->setFileName(0, dir.filePath("x.txt"));
        load->setFileName(1, dir.filePath("y.txt"));
        load->setFileName(2, dir.filePath("z.txt"));
      }
      if (&dialog == &window.saveResultsDialog()) {
        window.saveResultsDialog().selectNameFilter(filter);
        window.saveResultsDialog().selectFile(dir.filePath(name));
      }
      return int(QDialog::Accepted);
    });
    // Nothing to save yet: no dialog, no file.
    QVERIFY(!window.findChild<QAction*>("SpeedButton10")->isEnabled());
    window.saveResults();
    window.loadComponents();
    window.calculateSpectra();
    QVERIFY(window.findChild<QAction*>("SpeedButton10")->isEnabled());

    const struct {
      const char* filter;
      const char* typed;
      const char* written;
      const char* starts;
    } saves[] = {{"Spectrum to text file (*.txt)", "a.dat", "a.txt", "f,Hz   X  Y  Z  H/Z\r\n"},
                 {"Spectrum to Excel file (*.xlsx)", "b", "b.xlsx", "PK"},
                 {"Model to text file (*.txt)", "c.xlsx", "c.txt", " N "},
                 {"Spectrum with bounds to text file (*.txt)", "d", "d.txt", "f,Hz   X  Y  Z  H/Z  lower  upper\r\n"}};
    for (const auto& save : saves) {
      filter = save.filter;
      name = save.typed;
      window.saveResults();
      QVERIFY2(ReadAll(dir.filePath(save.written)).startsWith(save.starts), save.written);
    }
    QVERIFY2(messages.isEmpty(), qPrintable(messages.join("; ")));
    QVERIFY(questions.isEmpty());

    // "a.dat" again becomes a.txt, which exists: asked about a.txt; "No" keeps it.
    WriteComponents(dir);
    QFile::resize(dir.filePath("a.txt"), 5);
    const QByteArray kept = ReadAll(dir.filePath("a.txt"));
    filter = "Spectrum to text file (*.txt)";
    name = "a.dat";
    window.saveResults();
    QCOMPARE(questions.size(), 1);
    QVERIFY2(questions.front().startsWith("a.txt already exists"), qPrintable(questions.front()));
    QCOMPARE(ReadAll(dir.filePath("a.txt")), kept);
    answer = true;
    window.saveResults();
    QVERIFY(ReadAll(dir.filePath("a.txt")).size() > 1000);
  }
};

}  // namespace

QTEST_MAIN(CommandPathsTest)
#include "test_commandpaths.moc"
