// miniSEED and SAC records through the window's open dialog: several files at once,
// the notice of what was left out in the status bar, the same curve from either.
#include <QtTest>

#include <QFileDialog>
#include <QStatusBar>
#include <QTemporaryDir>

#include <filesystem>
#include <fstream>

#include "import/seismicfixtures.h"
#include <qcustomplot.h>
#include "ui/mainwindow.h"

using corvath::ui::MainWindow;

namespace {

const QString kSacFilter = "SAC files (*.sac)";
const QString kMiniSeedFilter = "miniSEED files (*.mseed *.miniseed *.msd)";

// The open dialog answered with the filter and the files of one folder, as a user
// picking the type and then several files would.
MainWindow::DialogRunner PickFiles(const QString& filter, const QString& folder, const QStringList& names) {
  return [=](QDialog& dialog) {
    auto* open = qobject_cast<QFileDialog*>(&dialog);
    if (!open) return int(QDialog::Rejected);
    open->selectNameFilter(filter);
    emit open->filterSelected(filter);
    open->setDirectory(folder);
    QString typed;
    for (const QString& name : names) typed += (typed.isEmpty() ? "\"" : " \"") + name + "\"";
    open->selectFile(names.size() == 1 ? names.front() : typed);
    return int(QDialog::Accepted);
  };
}

std::vector<double> RatioValues(MainWindow& window) {
  std::vector<double> values;
  if (!window.workspace().spectraResult) return values;
  for (const auto& p : window.workspace().spectraResult->ratio.points) values.push_back(p.ratio);
  return values;
}

}  // namespace

class SeismicRecordsTest : public QObject {
  Q_OBJECT
private slots:
  void threeSacFilesLoadAtOnceAndTheNoticeGoesToTheStatusBar() {
    QTemporaryDir dir;
    const char* names[3] = {"z.sac", "n.sac", "e.sac"};
    const char* components[3] = {"HHZ", "HHN", "HHE"};
    for (int c = 0; c < 3; ++c) {
      corvath::testing::SacFixture fixture;
      fixture.kcmpnm = components[c];
      for (int i = 0; i < 500; ++i) fixture.values.push_back(static_cast<float>(1000 * c + i));
      if (c == 1) fixture.b = 1.0f;  // N starts a second late
      std::ofstream(dir.filePath(names[c]).toStdString(), std::ios::binary) << corvath::testing::BuildSac(fixture);
    }
    MainWindow window;
    int messages = 0;
    window.setMessageSink([&](const QString&, const QString&) { ++messages; });
    window.setDialogRunner(PickFiles(kSacFilter, dir.path(), {"z.sac", "n.sac", "e.sac"}));
    window.loadRecordFile();
    QCOMPARE(messages, 0);
    QCOMPARE(window.recordFileDialog().fileMode(), QFileDialog::ExistingFiles);
    const auto& record = window.workspace().record;
    QCOMPARE(record.size(corvath::import::Component::X), std::size_t{400});
    QCOMPARE(record.sample(corvath::import::Component::X, 0).value, 1000.0);  // N as X
    QCOMPARE(record.sample(corvath::import::Component::Z, 0).value, 100.0);
    QVERIFY2(window.statusBar()->currentMessage().startsWith(
                 "X: n.sac (HHN), Y: e.sac (HHE), Z: z.sac (HHZ). Loaded 3.99 s from 1 s"),
             qPrintable(window.statusBar()->currentMessage()));

    // One SAC file alone is refused with a message; the record stays.
    window.setDialogRunner(PickFiles(kSacFilter, dir.path(), {"z.sac"}));
    window.loadRecordFile();
    QCOMPARE(messages, 1);
    QCOMPARE(window.workspace().record.size(corvath::import::Component::X), std::size_t{400});

    // Back to a one-file type, typed names need not exist again.
    emit window.recordFileDialog().filterSelected("SAF files (*.saf)");
    QCOMPARE(window.recordFileDialog().fileMode(), QFileDialog::AnyFile);
  }

  void theRealStationGivesTheSameCurveFromMiniSeedAndFromSac() {
    if (!std::filesystem::is_directory(CORVATH_SHARED_DATA)) QSKIP("no real records");
    const QString data = CORVATH_SHARED_DATA;
    MainWindow window;
    window.setMessageSink([](const QString& text, const QString&) { QFAIL(qPrintable(text)); });
    window.setDialogRunner(PickFiles(kMiniSeedFilter, data + "/mseed", {"UT.STN11.A2_C50.miniseed"}));
    window.loadRecordFile();
    window.calculateSpectra();
    const std::vector<double> fromMiniSeed = RatioValues(window);
    auto* chart = window.findChild<QCustomPlot*>("Chart5");
    QVERIFY(chart && chart->graphCount() > 0);
    const int drawn = chart->graph(0)->dataCount();

    window.setDialogRunner(PickFiles(kSacFilter, data + "/sac",
                                     {"ut.stn11.a2_c50_e.sac", "ut.stn11.a2_c50_n.sac", "ut.stn11.a2_c50_z.sac"}));
    window.loadRecordFile();
    QCOMPARE(window.workspace().record.size(corvath::import::Component::X), std::size_t{180001});
    window.workspace().spectraResult.reset();
    window.calculateSpectra();
    QVERIFY(fromMiniSeed.size() > 10);
    QVERIFY(RatioValues(window) == fromMiniSeed);
    QCOMPARE(chart->graph(0)->dataCount(), drawn);
  }
};

QTEST_MAIN(SeismicRecordsTest)
#include "test_seismicrecords.moc"
