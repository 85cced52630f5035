// Surveys and settings files in the real window: a survey folder opened shows its
// table (failed stations marked, numbers sorted as numbers) and its map; a double
// click loads the station's record with the survey's settings; a folder that is no
// survey changes nothing. Settings files saved from the window's fields open again,
// a refused one is told naming the key, and the recent ones come back next run.
#include <QtTest>

#include <QAction>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QSettings>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <qcustomplot.h>

#include <cmath>
#include <fstream>

#include "app/settingsfile.h"
#include "app/survey.h"
#include "charts/surveymap.h"
#include "spectra/fieldstandardreport.h"
#include "spectra/fieldstandardsummary.h"
#include "ui/mainwindow.h"
#include "ui/surveyview.h"
#include "support/records.h"
#include "support/widgets.h"

using corvath::ui::MainWindow;
using corvath::ui::SurveyController;
namespace app = corvath::app;

using corvath::testing::Child;

namespace {

// Three component files of 120 s at 50 Hz: noise, the horizontals ringing at fHz.
QStringList WriteStation(const QTemporaryDir& dir, const QString& name, double fHz) {
  QStringList paths;
  std::ofstream out[3];
  for (int c = 0; c < 3; ++c) {
    paths << dir.filePath(QString("%1_%2.txt").arg(name).arg("xyz"[c]));
    out[c].open(paths.back().toStdString());
    out[c] << "station\ncomponent\nunits\n";
    out[c].precision(12);
  }
  for (const corvath::testing::ComponentSample& s : corvath::testing::OscillationOverNoise(6000, 0.02, fHz, 2, 2, 11)) {
    out[0] << s.t << ' ' << s.x << '\n';
    out[1] << s.t << ' ' << s.y << '\n';
    out[2] << s.t << ' ' << s.z << '\n';
  }
  return paths;
}

}  // namespace

class SurveyViewTest : public QObject {
  Q_OBJECT
private slots:
  void surveyTableMapAndStationLoad() {
    QTemporaryDir dir;
    WriteStation(dir, "low", 2.0);
    WriteStation(dir, "high", 6.0);
    {
      std::ofstream manifest(dir.filePath("m.csv").toStdString());
      manifest << "station,files,longitude,latitude,site\n"
               << "HIGH,high_x.txt;high_y.txt;high_z.txt,8.50,47.30,\"ridge, east\"\n"
               << "GONE,gone.saf,8.52,47.31,-\n"
               << "LOW,low_x.txt;low_y.txt;low_z.txt,8.51,47.32,valley\n";
    }
    app::AnalysisSettings settings;
    settings.fieldStandard.windowLengthSeconds = 20;
    settings.fieldStandard.gridMaxHz = 12;
    settings.fieldStandard.search = corvath::spectra::FrequencyBand{1.0, 10.0};
    settings.fieldStandard.rejectionIterations = 3;
    const auto manifest = app::ReadSurveyManifest(dir.filePath("m.csv").toStdString());
    QVERIFY2(manifest.done(), manifest.message().c_str());
    const QString folder = dir.filePath("survey");
    const auto run = app::RunSurvey(*manifest, settings, folder.toStdString(), {});
    QVERIFY2(run.done(), run.message().c_str());
    QCOMPARE(run->failed, std::size_t(1));

    MainWindow window;
    QStringList told;
    window.setMessageSink([&](const QString& text, const QString&) { told << text; });
    SurveyController& surveys = window.surveys();
    QVERIFY(!surveys.view());

    // A folder that is no survey is told and shows nothing.
    QVERIFY(surveys.openSurveyFrom(dir.path()).failed());
    QCOMPARE(told.size(), 1);
    QVERIFY(!surveys.view());

    window.setDialogRunner([&](QDialog& dialog) {
      auto* files = qobject_cast<QFileDialog*>(&dialog);
      if (!files || files->objectName() != "openSurveyDialog") return int(QDialog::Rejected);
      files->selectFile(folder);
      return int(QDialog::Accepted);
    });
    surveys.openSurvey();
    QVERIFY(surveys.view() && surveys.view()->isVisible());
    QTableWidget* table = surveys.table();
    QCOMPARE(table->rowCount(), 3);
    QCOMPARE(table->columnCount(), 13);
    QCOMPARE(table->horizontalHeaderItem(2)->text(), QString("f0_hz"));
    QCOMPARE(table->horizontalHeaderItem(12)->text(), QString("site"));
    QCOMPARE(table->item(0, 12)->text(), QString("ridge, east"));
    // The failed station is marked, its row saying why.
    QCOMPARE(table->item(1, 1)->text(), QString("failed"));
    QVERIFY(table->item(1, 0)->background().color() != table->item(0, 0)->background().color());
    QVERIFY(table->item(1, 0)->toolTip().contains("gone.saf"));

    // Numbers sort as numbers: 6 Hz after 2 Hz, the failed station's empty f0 first.
    const double lowF0 = table->item(2, 2)->text().toDouble(), highF0 = table->item(0, 2)->text().toDouble();
    QVERIFY2(std::abs(lowF0 - 2.0) < 0.2 && std::abs(highF0 - 6.0) < 0.4,
             qPrintable(QString("%1 %2").arg(lowF0).arg(highF0)));
    table->sortByColumn(2, Qt::AscendingOrder);
    QCOMPARE(table->item(0, 0)->text(), QString("GONE"));
    QCOMPARE(table->item(1, 0)->text(), QString("LOW"));
    QCOMPARE(table->item(2, 0)->text(), QString("HIGH"));

    // The map: one marker per done station, the failed one crossed, and the colour bar.
    QCustomPlot* map = surveys.map();
    QCOMPARE(map->graphCount(), 3);
    int crossed = 0;
    for (int g = 0; g < map->graphCount(); ++g)
      crossed += map->graph(g)->scatterStyle().shape() == QCPScatterStyle::ssCross;
    QCOMPARE(crossed, 1);
    QVERIFY(map->findChild<QCPColorScale*>(corvath::charts::kSurveyColourBarName) != nullptr);

    // A double click on the sorted table's LOW row loads LOW's record with the survey's settings.
    emit table->cellDoubleClicked(1, 0);
    const QString lowTitle = QString::fromUtf8("Corvath \u2014 low_x.txt, low_y.txt, low_z.txt");  // the record's files, X Y Z
    QTRY_COMPARE(window.windowTitle(), lowTitle);
    QCOMPARE(told.size(), 1);  // nothing more told
    QCOMPARE(Child<QLineEdit>(window, "fieldStandardWindow")->text(), QString("20"));
    QCOMPARE(Child<QLineEdit>(window, "fieldStandardGridMax")->text(), QString("12"));
    QCOMPARE(Child<QComboBox>(window, "spectraMethod")->currentIndex(), 1);
    QCOMPARE(Child<QLineEdit>(window, "fieldStandardSearchMax")->text(), QString("10"));
    QCOMPARE(Child<QLineEdit>(window, "fieldStandardRejectPasses")->text(), QString("3"));
    // ...and computes its H/V as the survey did, to the last digit, on the Ratio tab.
    QTRY_VERIFY(window.workspace().fieldStandardResult.has_value());
    const auto& shown = *window.workspace().fieldStandardResult;
    QVERIFY(shown.settings.search.has_value());
    QCOMPARE(shown.settings.rejectionIterations, 3);
    // The cells show a few digits; their tooltips hold the summary's text.
    QCOMPARE(QString::fromStdString(corvath::spectra::ShortestNumber(shown.f0.median())), table->item(1, 2)->toolTip());
    QCOMPARE(QString::fromStdString(corvath::spectra::ShortestNumber(shown.curvePeakHz)), table->item(1, 4)->toolTip());
    QCOMPARE(QString::fromStdString(corvath::spectra::DisplayNumber(shown.f0.median(), 4)), table->item(1, 2)->text());
    QCOMPARE(Child<QTabWidget>(window, "tabs")->currentIndex(), 2);
    // It was said that the survey's settings replaced the form's, and the change is undone.
    auto* line = window.findChild<QLabel*>("messageText");
    QVERIFY2(line->text().contains("replace the form's"), qPrintable(line->text()));
    QAction* undoSettings = Child<QAction>(window, "undoSurveySettingsAction");
    QVERIFY(undoSettings->isEnabled());
    undoSettings->trigger();
    QCOMPARE(Child<QComboBox>(window, "spectraMethod")->currentIndex(), 0);
    QVERIFY(Child<QLineEdit>(window, "fieldStandardWindow")->text() != QString("20"));
    QVERIFY(!undoSettings->isEnabled());

    // The failed station's record is missing: told, and the record stays.
    told.clear();
    emit table->cellDoubleClicked(0, 0);
    QCOMPARE(told.size(), 1);
    QVERIFY2(told.front().contains("gone.saf"), qPrintable(told.front()));
    QCOMPARE(window.windowTitle(), lowTitle);
  }

  void settingsFilesFromTheWindowAndRememberedNextRun() {
    QTemporaryDir dir;
    const QString store = dir.filePath("store.ini");
    const QString saved = dir.filePath("site.json");
    {
      MainWindow window;
      window.useSettings(std::make_unique<QSettings>(store, QSettings::IniFormat));
      Child<QLineEdit>(window, "fieldStandardWindow")->setText("45,5");
      Child<QLineEdit>(window, "fieldStandardB")->setText("30");
      window.setDialogRunner([&](QDialog& dialog) {
        auto* files = qobject_cast<QFileDialog*>(&dialog);
        if (!files || files->objectName() != "saveSettingsDialog") return int(QDialog::Rejected);
        files->selectFile(dir.filePath("site"));  // the suffix comes by itself
        return int(QDialog::Accepted);
      });
      window.surveys().saveSettings();
      const auto read = app::ReadSettingsFile(saved.toStdString());
      QVERIFY2(read.done(), read.message().c_str());
      QCOMPARE(read->fieldStandard.windowLengthSeconds, 45.5);
      QCOMPARE(read->fieldStandard.bandwidth, 30.0);

      // A field that is not a number is told and nothing is written.
      QStringList told;
      window.setMessageSink([&](const QString& text, const QString&) { told << text; });
      Child<QLineEdit>(window, "fieldStandardTaper")->setText("wide");
      QVERIFY(window.surveys().saveSettingsTo(dir.filePath("other.json")).failed());
      QVERIFY(told.size() == 1 && told.front().contains("Taper"));
      QVERIFY(!QFileInfo::exists(dir.filePath("other.json")));

      // A refused file is told naming the key; the fields stay.
      const QString bad = dir.filePath("bad.json");
      std::ofstream(bad.toStdString()) << R"({"corvath_settings": 1, "ko_b": 20, "colour": "red"})";
      told.clear();
      QVERIFY(window.surveys().openSettingsFrom(bad).failed());
      QVERIFY2(told.size() == 1 && told.front().contains("'colour' is not a setting"), qPrintable(told.join("|")));
      QCOMPARE(Child<QLineEdit>(window, "fieldStandardB")->text(), QString("30"));
    }
    MainWindow next;
    next.useSettings(std::make_unique<QSettings>(store, QSettings::IniFormat));
    QCOMPARE(next.surveys().recentSettings(), QStringList{QFileInfo(saved).absoluteFilePath()});
    QMenu* recent = next.surveys().recentSettingsMenu();
    QVERIFY(recent->isEnabled());
    QCOMPARE(recent->actions().size(), 1);
    recent->actions().front()->trigger();  // opens it: the fields show the file
    QCOMPARE(Child<QLineEdit>(next, "fieldStandardWindow")->text(), QString("45.5"));
    QCOMPARE(Child<QLineEdit>(next, "fieldStandardB")->text(), QString("30"));
  }
};

QTEST_MAIN(SurveyViewTest)
#include "test_surveyview.moc"
