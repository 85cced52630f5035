// What a load says: a file with nothing usable changes nothing and the status bar
// names the file and what was missing; a success clears an older message and shows
// what is loaded; the "Channels" dialog's Cancel loads nothing; dropped files load.
#include <QtTest>

#include <QAction>
#include <QFileDialog>
#include <QLabel>
#include <QStatusBar>
#include <QSpinBox>
#include <QTemporaryDir>

#include "ui/channelsdialog.h"
#include "ui/loadcomponentsdialog.h"
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

QByteArray Component(double offset) {
  QByteArray text = "h\nh\nh\n";
  for (int i = 0; i < 200; ++i) text += QByteArray::number(i * 0.01) + " " + QByteArray::number(offset + i % 7) + "\n";
  return text;
}

class LoadFeedbackTest : public QObject {
  Q_OBJECT

  QString status(MainWindow& w) { return w.statusBar()->currentMessage(); }

  // Opens `path` through "Load saf/sg2 file" with the given filter.
  void openRecordFile(MainWindow& window, const QString& path, const QString& filter, int channelsAnswer = 1) {
    window.setDialogRunner([&, path, filter, channelsAnswer](QDialog& dialog) {
      if (&dialog == &window.recordFileDialog()) {
        window.recordFileDialog().selectNameFilter(filter);
        window.recordFileDialog().selectFile(path);
        return int(QDialog::Accepted);
      }
      return channelsAnswer;  // the "Channels" dialog
    });
    window.loadRecordFile();
  }

private slots:
  void loadsWithNothingUsableChangeNothingAndSayWhy() {
    QTemporaryDir dir;
    const QString x = Write(dir, "x.txt", Component(1)), y = Write(dir, "y.txt", Component(2)),
                  z = Write(dir, "z.txt", Component(3));
    MainWindow window;
    window.setMessageSink([](const QString& text, const QString&) { QFAIL(qPrintable("unexpected box: " + text)); });
    window.loadDroppedFiles({z, x, y});  // name order gives X, Y, Z
    QCOMPARE(window.workspace().record.size(Component::X), std::size_t(200));
    QCOMPARE(window.workspace().record.sample(Component::Z, 1).value, 4.0);
    const QString info = window.findChild<QLabel*>("recordInfo")->text();
    QVERIFY2(info.contains("x.txt") && info.contains("100 Hz") && info.contains("1.99 s") &&
                 info.contains("200 samples a component"),
             qPrintable(info));
    const auto record = window.workspace().record;

    const struct {
      const char* name;
      QString path;
      QString filter;
      const char* says;
    } cases[] = {
        {"SAF without its end-of-header line", Write(dir, "a.saf", "SAMP_FREQ = 100\n1 2 3\n4 5 6\n"),
         "SAF files (*.saf)", "####-"},
        {"an empty file named .sg2", Write(dir, "b.sg2", ""), "SEG2 files (*seg2 *.sg2)", "SEG-2 signature"},
        {"a text file opened as SEG-2", Write(dir, "c.sg2", "SAMP_FREQ = 100\n####-\n1 2 3\n"),
         "SEG2 files (*seg2 *.sg2)", "SEG-2 signature"},
        {"a SAF file opened as Delta", Write(dir, "d.dat", "SAMP_FREQ = 100\n####-\n1 2 3\n"),
         "Delta files (*.dat)", "nothing to load"},
        {"SAF with one data line", Write(dir, "e.saf", "SAMP_FREQ = 100\n####-\n1 2 3\n"), "SAF files (*.saf)",
         "no line with three numbers"},
        {"a file of no known kind under All supported files", Write(dir, "g.bin", "hello\n"),
         window.recordFileDialog().nameFilters().front(), "cannot tell the kind"},
    };
    for (const auto& c : cases) {
      openRecordFile(window, c.path, c.filter);
      QVERIFY2(status(window).contains(QFileInfo(c.path).fileName()) && status(window).contains(c.says),
               qPrintable(QString("%1: %2").arg(c.name, status(window))));
      QVERIFY2(window.workspace().record == record, c.name);
      QCOMPARE(window.findChild<QLabel*>("recordInfo")->text(), info);
    }

    // Comma-separated component files: the file is named with the cause.
    const QString cx = Write(dir, "cx.csv", "h\nh\nh\n0.00,1.5\n0.01,2.5\n");
    window.loadDroppedFiles({cx, Write(dir, "cy.csv", "h\nh\nh\n0.00,1\n"), Write(dir, "cz.csv", "h\nh\nh\n0,1\n")});
    QVERIFY2(status(window).contains("cx.csv") && status(window).contains("commas"), qPrintable(status(window)));
    QVERIFY(window.workspace().record == record);

    // A good load afterwards replaces the message: three files dropped in any order
    // are X, Y, Z by name, and the load says which became which.
    window.loadDroppedFiles({z, x, y});
    QCOMPARE(status(window), QString("X: x.txt, Y: y.txt, Z: z.txt."));
  }

  void channelsDialogNamesWhatEachFieldFeedsAndCancelLoadsNothing() {
    QTemporaryDir dir;
    QByteArray delta = "\xF2\xF1\xF7\xE5\xF2\xFB\n";
    for (int i = 0; i < 50; ++i) delta += "1 2 3 4 " + QByteArray::number(i * 0.01) + " 5 6 " + QByteArray::number(i) + "\n";
    const QString path = Write(dir, "f.dat", delta);
    MainWindow window;
    openRecordFile(window, path, "Delta files (*.dat)", QDialog::Rejected);
    QVERIFY(!window.workspace().record.present());
    QCOMPARE(window.channelsDialog().labels[0]->text(), QString("Z-component, channel = "));
    QCOMPARE(window.channelsDialog().fields[0]->maximum(), 3);
    openRecordFile(window, path, "Delta files (*.dat)", QDialog::Accepted);
    QCOMPARE(window.workspace().record.size(Component::Z), std::size_t(50));
  }

  void loadDialogSaysWhyItStaysOpen() {
    corvath::ui::LoadComponentsDialog dialog;
    dialog.tryLoad();
    QCOMPARE(dialog.findChild<QLabel*>("loadMessage")->text(), QString("Choose the X component file."));
    QVERIFY(dialog.result() != QDialog::Accepted);
  }
};

}  // namespace

QTEST_MAIN(LoadFeedbackTest)
#include "test_loadfeedback.moc"
