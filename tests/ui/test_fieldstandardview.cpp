// The "Field standard" choice beside "Calculate spectra" on the real main window:
// the curves and the f0 band on the ratio chart, the report beside it, a refusal
// in the status bar, and the way back to the classic computation. With
// CORVATH_SCREENSHOT set, the Ratio tab on the STN11 record is saved there.
#include <QtTest>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolButton>
#include <qcustomplot.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "app/commands.h"
#include "app/settingsfile.h"
#include "numerics/numbertext.h"
#include "cli/clirun.h"
#include "import/record.h"
#include "charts/curvelegend.h"
#include "ui/fieldstandardview.h"
#include "ui/mainwindow.h"
#include "ui/windowbands.h"
#include "support/records.h"
#include "support/widgets.h"

using corvath::import::Component;
using corvath::import::ThreeComponentRecord;
using corvath::ui::MainWindow;

using corvath::testing::Child;

namespace {

// seconds of a 50 Hz record whose horizontals carry noise through a band-pass
// resonator at 2 Hz over white noise.
ThreeComponentRecord ResonantRecord(double seconds) {
  return corvath::testing::RecordOf(
      corvath::testing::ResonantNoise(static_cast<int>(std::lround(seconds * 50)), 0.02, 2.0, 0.3, 99));
}

std::vector<float> ReadSac(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::int32_t npts = 0;
  std::memcpy(&npts, bytes.data() + 316, 4);
  std::vector<float> samples(static_cast<std::size_t>(npts));
  std::memcpy(samples.data(), bytes.data() + 632, samples.size() * 4);
  return samples;
}

int OwnPlottables(QCustomPlot* chart) {
  int count = 0;
  for (int i = 0; i < chart->plottableCount(); ++i)
    if (chart->plottable(i)->objectName() == QLatin1String(corvath::ui::kFieldStandardDrawingName)) ++count;
  return count;
}

}  // namespace

class FieldStandardViewTest : public QObject {
  Q_OBJECT

  std::unique_ptr<MainWindow> window;
  QString status() { return window->statusBar()->currentMessage(); }
  void calculate() { Child<QToolButton>(*window, "SpeedButton7")->click(); }
  void load(ThreeComponentRecord record) {
    corvath::app::LoadRecord(window->workspace(), std::move(record));
    window->windowBands().refresh();
    window->showRecord();
  }

private slots:
  void init() { window = std::make_unique<MainWindow>(); }
  void cleanup() { window.reset(); }

  // The form reads each field through its row of the settings' table: a value it takes
  // (and the computation's check accepts) is one the settings file takes, and the other
  // way round. Every box is ticked, so that every field counts.
  void formAcceptsWhatTheSettingsFileAccepts() {
    using Settings = corvath::spectra::FieldStandardSettings;
    const auto& table = corvath::spectra::FieldStandardSettingTable();
    auto json = [](double v, corvath::numerics::SettingKind kind) {
      return kind == corvath::numerics::SettingKind::Whole && v == std::floor(v)
                 ? std::to_string(static_cast<long long>(v))
                 : corvath::numerics::NumberToShortestText(v);
    };
    // Every box ticked and every field at its start.
    Settings everyOn;
    everyOn.search = corvath::spectra::FrequencyBand{everyOn.gridMinHz, everyOn.gridMaxHz};
    everyOn.staLta.emplace();
    everyOn.azimuthStepDegrees = corvath::spectra::kAzimuthStepDegreesWhenOn;
    int probed = 0;
    QWidget parent;
    corvath::ui::FieldStandardView form(&parent);
    for (const auto& [key, edit] : form.fieldsByKey()) {
      const auto& row = *table.find(key);
      const auto& range = row.range;
      std::vector<double> values{1.0, -1.0, 0.0, 2.5, 1e9};
      for (double end : {range.lower, range.upper})
        if (std::isfinite(end)) values.insert(values.end(), {end, end - 1, end + 1, std::nextafter(end, 0.0)});
      for (double v : values) {
        form.showSettings(everyOn);
        edit->setText(QString::fromStdString(corvath::numerics::NumberToShortestText(v)));
        const auto read = form.readSettings();
        const bool formTakes = read.done() && corvath::spectra::CheckFieldStandardSettings(*read).done();
        // The file: the row's key, and the other fields of its group as the form shows them.
        std::string entry;
        if (const auto* group = table.groupOf(row)) {
          std::string members;
          for (const auto& [otherKey, otherEdit] : form.fieldsByKey()) {
            const auto& other = *table.find(otherKey);
            if (table.groupOf(other) != group) continue;
            const double value = &other == &row ? v : otherEdit->text().toDouble();
            members += std::string(members.empty() ? "" : ", ") + "\"" + (other.key + std::strlen(group->key) + 1) +
                       "\": " + json(value, other.kind);
          }
          entry = std::string("\"") + group->key + "\": {" + members + "}";
        } else {
          entry = std::string("\"") + row.key + "\": " + json(v, row.kind);
        }
        const bool fileTakes =
            corvath::app::ParseSettingsText("{\"corvath_settings\": 1, " + entry + "}", "s.json").done();
        if (formTakes != fileTakes)
          QFAIL(qPrintable(QString("%1 = %2: the form %3 it, the file %4")
                               .arg(row.key)
                               .arg(v)
                               .arg(formTakes ? "takes" : "refuses")
                               .arg(fileTakes ? "takes" : "refuses")));
        ++probed;
      }
    }
    QVERIFY(probed > 100);
  }

  void classicByDefault() {
    auto* method = Child<QComboBox>(*window, "spectraMethod");
    QCOMPARE(method->currentText(), QString("Classic"));
    QCOMPARE(method->itemText(1), QString("Field standard"));
    load(ResonantRecord(120));
    calculate();
    QVERIFY(window->workspace().spectraResult);
    QVERIFY(!window->workspace().fieldStandardResult);
  }

  void drawsCurvesBandAndReportThenGivesWayToClassic() {
    load(ResonantRecord(300));
    Child<QComboBox>(*window, "spectraMethod")->setCurrentIndex(1);
    Child<QLineEdit>(*window, "fieldStandardWindow")->setText("30");
    calculate();
    QCOMPARE(status(), QString());
    const auto& result = window->workspace().fieldStandardResult;
    QVERIFY(result);
    QCOMPARE(result->windows.size(), std::size_t(10));
    QVERIFY(!window->workspace().spectraResult);  // the classic result is not touched

    QCustomPlot* chart = Child<QCustomPlot>(*window, "Chart5");
    QCOMPARE(chart->xAxis->scaleType(), QCPAxis::stLogarithmic);
    QCOMPARE(OwnPlottables(chart), 10 + 3);  // windows, -sigma, +sigma, mean
    QStringList legend;
    auto* list = Child<corvath::charts::CurveLegend>(*window, "Chart5Legend");
    for (int i = 0; i < list->count(); ++i) legend << list->item(i)->text();
    QVERIFY(legend.contains("H/V"));
    QVERIFY(legend.contains("H/V_wnd1"));
    for (int i = 0; i < chart->graphCount(); ++i)
      for (auto it = chart->graph(i)->data()->begin(); it != chart->graph(i)->data()->end(); ++it)
        QVERIFY(std::isfinite(it->key) && std::isfinite(it->value));
    const QString report = Child<QPlainTextEdit>(*window, "fieldStandardReport")->toPlainText();
    QVERIFY(report.startsWith("f0_hz: "));
    QVERIFY(report.contains("windows_used: 10\n"));
    for (const char* key : {"reliability_1: ", "reliability_2: ", "reliability_3: ", "clarity_1: ", "clarity_6: "})
      QVERIFY2(report.contains(key), key);

    // A field that is not a number is named; the previous result stays.
    Child<QLineEdit>(*window, "fieldStandardB")->setText("wide");
    calculate();
    QVERIFY(status().contains("K-O b"));
    QCOMPARE(result->windows.size(), std::size_t(10));
    // A window longer than the record: the command's reason.
    Child<QLineEdit>(*window, "fieldStandardB")->setText("40");
    Child<QLineEdit>(*window, "fieldStandardWindow")->setText("600");
    calculate();
    QVERIFY(status().contains("shorter than one window"));

    Child<QComboBox>(*window, "spectraMethod")->setCurrentIndex(0);
    calculate();
    QVERIFY(window->workspace().spectraResult);
    QCOMPARE(OwnPlottables(chart), 0);
    QCOMPARE(chart->xAxis->scaleType(), QCPAxis::stLinear);
  }

  void reportIsTheLinesOfTheBatchCommand() {
    // The same record and settings in the window and in "corvath-cli hv".
    corvath::testing::ScratchDir scratch;
    corvath::testing::WriteThreeHertzRecord(scratch.root());
    const std::vector<std::string> paths = {scratch.path("x.txt"), scratch.path("y.txt"), scratch.path("z.txt")};
    corvath::app::LoadRequest request;
    request.paths = paths;
    QVERIFY(corvath::app::LoadRecord(window->workspace(), request).done());
    window->windowBands().refresh();
    window->showRecord();
    Child<QComboBox>(*window, "spectraMethod")->setCurrentIndex(1);
    Child<QLineEdit>(*window, "fieldStandardWindow")->setText("20");
    Child<QLineEdit>(*window, "fieldStandardB")->setText("30");
    Child<QComboBox>(*window, "fieldStandardCombine")->setCurrentIndex(1);
    calculate();
    QCOMPARE(status(), QString());

    std::vector<std::string> args = {"--window-length", "20", "--ko-b", "30", "--combine", "quadratic"};
    args.insert(args.end(), paths.begin(), paths.end());
    const corvath::testing::CliRun run = corvath::testing::RunCli(scratch, "hv", args);
    QCOMPARE(run.status, 0);
    const QStringList cli = QString::fromStdString(run.out).split('\n');
    const QStringList shown = Child<QPlainTextEdit>(*window, "fieldStandardReport")->toPlainText().split('\n');
    QVERIFY(shown.size() > 10);
    QCOMPARE(shown, cli);
  }

  void screenshotOnStn11() {
    const char* target = std::getenv("CORVATH_SCREENSHOT");
    const std::filesystem::path dir = std::filesystem::path(CORVATH_SHARED_DATA) / "sac";
    const char* names[] = {"ut.stn11.a2_c50_n.sac", "ut.stn11.a2_c50_e.sac", "ut.stn11.a2_c50_z.sac"};
    for (const char* name : names)
      if (!std::filesystem::exists(dir / name)) QSKIP("no STN11 record");
    ThreeComponentRecord record;
    for (int c = 0; c < 3; ++c) {
      const auto samples = ReadSac(dir / names[c]);
      std::vector<corvath::import::Sample> list(samples.size());
      for (std::size_t i = 0; i < samples.size(); ++i) list[i] = {i * 0.01, samples[i]};
      record.assign(corvath::import::kComponents[c], std::move(list));
    }
    load(std::move(record));
    Child<QComboBox>(*window, "spectraMethod")->setCurrentIndex(1);
    window->findChild<QTabWidget*>()->setCurrentIndex(2);
    calculate();
    QCOMPARE(status(), QString());
    QVERIFY(std::abs(window->workspace().fieldStandardResult->f0.median() - 0.7) < 0.07);
    if (target) {
      window->resize(1400, 800);
      window->show();
      QTest::qWait(200);
      QVERIFY(window->grab().save(target));
    }
  }
};

QTEST_MAIN(FieldStandardViewTest)
#include "test_fieldstandardview.moc"
