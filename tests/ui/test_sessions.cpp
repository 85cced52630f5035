// Sessions in the real window: save the work on a real record, open it in a new
// window and find the same windows, settings, model and curves; a session whose
// record is gone, or that cannot be read, changes nothing. The settings, recent files
// and dialog folders remembered between runs come back in the next window.
#include <QtTest>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTemporaryDir>
#include <qcustomplot.h>

#include <cmath>
#include <fstream>

#include "import/fixtures.h"
#include "app/commands.h"
#include "app/session.h"
#include "ui/channelsdialog.h"
#include "ui/loadcomponentsdialog.h"
#include "ui/mainwindow.h"
#include "ui/openfiles.h"
#include "ui/sessions.h"
#include "ui/windowbands.h"
#include "support/records.h"
#include "support/widgets.h"

using corvath::ui::MainWindow;
using corvath::ui::SessionController;

using corvath::testing::Child;

namespace {

// A SEG-2 shot of four traces, 2 s at 1000 Hz (each a tone over noise), written once
// for the whole run: the record a session reloads, with a "Channels" question.
QString Seg2Record() {
  static QTemporaryDir dir;
  static const QString path = [] {
    std::vector<corvath::testing::Seg2TraceFixture> traces;
    corvath::testing::Noise noise(7);
    for (int t = 0; t < 4; ++t) {
      std::vector<float> samples;
      for (int i = 0; i < 2000; ++i)
        samples.push_back(static_cast<float>((t + 1) * std::sin(2 * M_PI * (5.0 + 3 * t) * i * 0.001) + noise()));
      traces.push_back(corvath::testing::FloatTrace(samples, {"SAMPLE_INTERVAL 0.001"}));
    }
    const QString file = dir.filePath("shot.sg2");
    std::ofstream(file.toStdString(), std::ios::binary) << corvath::testing::BuildSeg2(traces).bytes;
    return file;
  }();
  return path;
}
const QString kSeg2Filter = "SEG2 files (*seg2 *.sg2)";

// Answers the window's dialogs as a user would: the record file, the session file
// and the "Channels" question (counted), each accepted.
struct Answers {
  QString record = Seg2Record();
  QString session;
  corvath::import::ChannelChoice channels{3, 1, 2};
  int channelQuestions = 0;
  QStringList components;

  MainWindow::DialogRunner runner() {
    return [this](QDialog& dialog) {
      if (auto* form = qobject_cast<corvath::ui::LoadComponentsDialog*>(&dialog)) {
        for (int c = 0; c < 3; ++c) form->setFileName(c, components[c]);
        form->tryLoad();
        return form->result();
      }
      if (auto* form = qobject_cast<corvath::ui::ChannelsDialog*>(&dialog)) {
        ++channelQuestions;
        form->fields[0]->setValue(channels.first);
        form->fields[1]->setValue(channels.second);
        form->fields[2]->setValue(channels.third);
        return int(QDialog::Accepted);
      }
      auto* files = qobject_cast<QFileDialog*>(&dialog);
      if (!files) return int(QDialog::Rejected);
      if (files->objectName() == "recordFileDialog") {
        files->selectNameFilter(kSeg2Filter);
        emit files->filterSelected(kSeg2Filter);
        files->selectFile(record);
      } else {
        files->selectFile(session);
      }
      static_cast<QDialog*>(files)->accept();  // as the user's "Open" / "Save" (the folder is remembered)
      return int(QDialog::Accepted);
    };
  }
};

std::vector<std::pair<double, double>> GraphPoints(QCPGraph* graph) {
  std::vector<std::pair<double, double>> points;
  for (auto it = graph->data()->constBegin(); it != graph->data()->constEnd(); ++it)
    points.emplace_back(it->key, it->value);
  return points;
}

QCPGraph* RatioGraph(QWidget& window, const QString& name) {
  auto* chart = Child<QCustomPlot>(window, "Chart5");
  for (int i = 0; i < chart->graphCount(); ++i)
    if (chart->graph(i)->name() == name) return chart->graph(i);
  qFatal("no graph %s", qPrintable(name));
  return nullptr;
}

// Three small component files.
QStringList ComponentFiles(const QTemporaryDir& dir) {
  QStringList paths;
  for (const char* name : {"x.txt", "y.txt", "z.txt"}) {
    QFile file(dir.filePath(name));
    if (!file.open(QIODevice::WriteOnly)) qFatal("cannot write %s", name);
    file.write("component\n\n\n0.00 1\n0.01 2\n0.02 3\n0.03 4\n");
    paths << QFileInfo(file).absoluteFilePath();
  }
  return paths;
}

void SetText(QWidget& window, const char* name, const QString& text) { Child<QLineEdit>(window, name)->setText(text); }

// A record, two windows, changed settings and model, the spectra and the theoretical
// curve: the work a session has to keep.
void DoSomeWork(MainWindow& window, Answers& answers) {
  window.setDialogRunner(answers.runner());
  window.loadRecordFile();
  QCOMPARE(answers.channelQuestions, 1);
  QCOMPARE(window.workspace().record.size(corvath::import::Component::X), std::size_t{2000});
  QVERIFY(corvath::app::AddAnalysisWindow(window.workspace(), 0.1, 0.9).done());
  QVERIFY(corvath::app::AddAnalysisWindow(window.workspace(), 1.0 / 3.0, 1.7).done());
  window.windowBands().refresh();

  SetText(window, "Edit3", "2,5");  // "Min frq", a comma as the point
  SetText(window, "Edit4", "60");
  SetText(window, "Edit1", "1.25");
  SetText(window, "Edit2", "0.35");
  Child<QSpinBox>(window, "SpinEdit1")->setValue(5);
  Child<QSpinBox>(window, "SpinEdit3")->setValue(42);
  Child<QCheckBox>(window, "CheckBox1")->setChecked(true);
  Child<QCheckBox>(window, "CheckBox2")->setChecked(false);
  Child<QCheckBox>(window, "CheckBox4")->setChecked(true);
  window.findChild<QAction*>("SpeedButton6")->trigger();  // "Smoothed spectra" off
  window.zoomIn();
  window.zoomIn();
  SetText(window, "fieldStandardWindow", "0.4");
  Child<QComboBox>(window, "fieldStandardCombine")->setCurrentIndex(2);

  QVERIFY(corvath::app::EditModelCell(window.workspace(), 2, 1, 0.1 + 0.2).done());  // Vp of the top layer
  QVERIFY(corvath::app::ToggleInvertFlag(window.workspace(), 3, 2).done());
  window.workspace().modelTables.SelectedParameter = 4;

  auto* tabs = Child<QTabWidget>(window, "tabs");
  tabs->setCurrentIndex(2);
  window.calculateSpectra();
  QVERIFY(window.workspace().spectraResult);
  tabs->setCurrentIndex(3);
  window.calculateSpectra();
  QVERIFY(!window.workspace().theoreticalCurve.empty());
  tabs->setCurrentIndex(0);
}

}  // namespace

class SessionsTest : public QObject {
  Q_OBJECT
private slots:
  void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

  void fileMenuHoldsTheSessionCommands() {
    MainWindow window;
    QMenu* file = window.menuBar()->findChild<QMenu*>("FileMenu");
    QVERIFY(file);
    QStringList texts;
    for (QAction* action : file->actions()) texts << action->text();
    QCOMPARE(texts, QStringList({"Load components", "Load saf/sg2 file", "Recent files", "", "Open session\u2026",
                                 "Save session\u2026", "Recent sessions", "", "Open settings\u2026", "Save settings\u2026",
                                 "Recent settings", "Open survey\u2026", "", "Open model\u2026", "Save model\u2026", "",
                                 "Save results", "Save H/V results\u2026", "", "Quit"}));
    QCOMPARE(window.sessions().openAction()->shortcut(), QKeySequence("Ctrl+Alt+O"));
    QCOMPARE(window.sessions().saveAction()->shortcut(), QKeySequence("Ctrl+Alt+S"));
    QVERIFY(!window.sessions().recentRecordsMenu()->isEnabled());  // nothing yet
  }

  void aSavedSessionOpensToTheSameWork() {
    QTemporaryDir dir;
    Answers answers;
    answers.session = dir.filePath("work");  // ".json" is added
    MainWindow first;
    DoSomeWork(first, answers);
    if (QTest::currentTestFailed()) return;
    first.sessions().saveAction()->trigger();
    QVERIFY(QFileInfo::exists(dir.filePath("work.json")));
    QCOMPARE(first.sessions().recentSessions(), QStringList{dir.filePath("work.json")});

    MainWindow second;
    Answers secondAnswers;
    secondAnswers.session = dir.filePath("work.json");
    second.setDialogRunner(secondAnswers.runner());
    QSignalSpy opened(&second.sessions(), &SessionController::opened);
    second.sessions().openAction()->trigger();
    QCOMPARE(opened.count(), 1);
    QVERIFY2(opened.front().front().value<corvath::app::Outcome>().done(),
             opened.front().front().value<corvath::app::Outcome>().message.c_str());
    QCOMPARE(secondAnswers.channelQuestions, 0);  // the saved channels, without asking

    // The record as loaded then, with its channels.
    const auto& a = first.workspace();
    const auto& b = second.workspace();
    QCOMPARE(b.record.size(corvath::import::Component::X), std::size_t{2000});
    for (int c = 0; c < 3; ++c) {
      const auto component = static_cast<corvath::import::Component>(c);
      QCOMPARE(b.record.sample(component, 7).value, a.record.sample(component, 7).value);
    }
    // Windows, every setting, model and tables: the same session, number for number.
    const auto sessionA = first.sessions().currentSession();
    const auto sessionB = second.sessions().currentSession();
    QVERIFY(sessionA.done() && sessionB.done());
    QVERIFY(*sessionA == *sessionB);
    QCOMPARE(b.windows.windows.size(), std::size_t{2});
    QCOMPARE(b.windows.windows[1].start, 1.0 / 3.0);
    QCOMPARE(b.model.values[1][0], 0.1 + 0.2);
    QVERIFY(b.model == a.model);
    QVERIFY(b.modelTables == a.modelTables);
    QCOMPARE(Child<QLineEdit>(second, "Edit3")->text(), QString("2.5"));
    QCOMPARE(Child<QSpinBox>(second, "SpinEdit1")->value(), 5);
    QCOMPARE(Child<QSpinBox>(second, "SpinEdit3")->value(), 42);
    QVERIFY(Child<QCheckBox>(second, "CheckBox4")->isChecked());
    QVERIFY(!second.findChild<QAction*>("SpeedButton6")->isChecked());
    QVERIFY(!b.smoothedSpectra);
    QCOMPARE(b.zoomFactor, a.zoomFactor);
    QCOMPARE(Child<QComboBox>(second, "fieldStandardCombine")->currentIndex(), 2);
    QCOMPARE(sessionB->computed.classic->minFrequencyHz, 2.5);

    // The same computations again: the same curves on the charts.
    QVERIFY(b.spectraResult);
    QCOMPARE(b.spectraResult->ratio.points.size(), a.spectraResult->ratio.points.size());
    for (std::size_t i = 0; i < a.spectraResult->ratio.points.size(); ++i) {
      QCOMPARE(b.spectraResult->ratio.points[i].frequencyHz, a.spectraResult->ratio.points[i].frequencyHz);
      QCOMPARE(b.spectraResult->ratio.points[i].ratio, a.spectraResult->ratio.points[i].ratio);
    }
    QVERIFY(b.theoreticalCurve == a.theoreticalCurve);
    QCOMPARE(b.referenceFrequency, 1.25);
    QVERIFY(GraphPoints(RatioGraph(second, "H/Z")) == GraphPoints(RatioGraph(first, "H/Z")));
    QVERIFY(!GraphPoints(RatioGraph(second, "H/Zc")).empty());
    QVERIFY(GraphPoints(RatioGraph(second, "H/Zc")) == GraphPoints(RatioGraph(first, "H/Zc")));
    QVERIFY(second.findChild<QAction*>("SpeedButton10")->isEnabled());  // "Save results"
  }

  // `corvath FILE`: a session or settings file by the marker it names itself with, a .hv
  // curve by its extension, anything else as a record.
  void filesNamedOnTheCommandLineOpenByTheirContent() {
    QTemporaryDir dir;
    using corvath::ui::OpenedFileKind;
    const struct {
      const char* name;
      const char* text;
      OpenedFileKind kind;
    } cases[] = {{"work.json", "{\"computed\": null, \"corvath_session\": 1}", OpenedFileKind::Session},
                 {"field", "{\"classic_max_hz\": 20, \"corvath_settings\": 1}", OpenedFileKind::Settings},
                 {"STN11.HV", "# GEOPSY output version 1.1\n", OpenedFileKind::ObservedCurve},
                 {"other.json", "{\"corvath\": 1}", OpenedFileKind::Record},
                 {"x.saf", "SESAME ASCII data format (saf) v. 1\n", OpenedFileKind::Record}};
    for (const auto& c : cases) {
      QFile file(dir.filePath(c.name));
      QVERIFY(file.open(QIODevice::WriteOnly));
      file.write(c.text);
      file.close();
      QCOMPARE(corvath::ui::KindOfOpenedFile(file.fileName()), c.kind);
    }
    QCOMPARE(corvath::ui::KindOfOpenedFile(dir.filePath("missing.hv")), OpenedFileKind::ObservedCurve);

    // A .hv file becomes the observed curve to fit.
    MainWindow window;
    const QString curve = QString(CORVATH_TEST_SOURCE) + "/app/stn11.hv";
    corvath::ui::OpenFiles(window, {curve});
    QVERIFY(window.workspace().spectraResult);
    QCOMPARE(window.workspace().spectraResult->ratio.points.size(), std::size_t{128});
  }

  void aSessionThatCannotBeOpenedChangesNothing() {
    QTemporaryDir dir;
    const QString copy = dir.filePath("shot.sg2");
    QVERIFY(QFile::copy(Seg2Record(), copy));
    Answers answers;
    answers.record = copy;
    answers.session = dir.filePath("gone.json");
    MainWindow first;
    DoSomeWork(first, answers);
    if (QTest::currentTestFailed()) return;
    first.sessions().saveAction()->trigger();
    QVERIFY(QFile::remove(copy));
    // Another session naming a key this program does not know.
    {
      QFile bad(dir.filePath("bad.json"));
      QVERIFY(bad.open(QIODevice::WriteOnly));
      bad.write(R"({"corvath_session": 1, "settings": {"minFrequencyHz": 1, "maxFreq": 3}})");
    }

    MainWindow second;
    Answers secondAnswers;
    second.setDialogRunner(secondAnswers.runner());
    second.loadRecordFile();  // the work that must stay
    QVERIFY(corvath::app::AddAnalysisWindow(second.workspace(), 0.5, 0.6).done());
    SetText(second, "Edit3", "4");
    QStringList messages;
    second.setMessageSink([&](const QString& text, const QString& file) { messages << text + "|" + file; });
    QSignalSpy opened(&second.sessions(), &SessionController::opened);

    second.sessions().openSessionFrom(dir.filePath("gone.json"));
    QCOMPARE(messages.size(), 1);
    QVERIFY2(messages[0].contains(copy) && messages[0].contains("missing"), qPrintable(messages[0]));
    second.sessions().openSessionFrom(dir.filePath("bad.json"));
    QCOMPARE(messages.size(), 2);
    QVERIFY2(messages[1].contains("'settings.maxFreq'") && messages[1].contains("bad.json"), qPrintable(messages[1]));
    second.sessions().openSessionFrom(dir.filePath("nowhere.json"));
    QCOMPARE(messages.size(), 3);
    QVERIFY2(messages[2].contains("nowhere.json"), qPrintable(messages[2]));

    QCOMPARE(opened.count(), 3);
    for (const QList<QVariant>& answer : opened) QVERIFY(answer.front().value<corvath::app::Outcome>().failed());
    QCOMPARE(second.workspace().windows.windows.size(), std::size_t{1});
    QCOMPARE(Child<QLineEdit>(second, "Edit3")->text(), QString("4"));
    QCOMPARE(second.workspace().record.size(corvath::import::Component::X), std::size_t{2000});
    QVERIFY(second.sessions().recentSessions().isEmpty());

    // A field that is not a number is named, and no session is written.
    SetText(second, "Edit4", "lots");
    QVERIFY(second.sessions().saveSessionTo(dir.filePath("never.json")).failed());
    QVERIFY(!QFileInfo::exists(dir.filePath("never.json")));
  }

  void settingsRecentFilesAndFoldersAreRememberedBetweenRuns() {
    QTemporaryDir dir;
    const QString ini = dir.filePath("corvath.ini");
    Answers answers;
    answers.session = dir.filePath("s.json");
    {
      MainWindow first;
      first.useSettings(std::make_unique<QSettings>(ini, QSettings::IniFormat));
      first.setDialogRunner(answers.runner());
      answers.components = ComponentFiles(dir);
      first.loadComponents();
      first.loadRecordFile();
      first.sessions().saveAction()->trigger();
      SetText(first, "Edit4", "33.333333333333336");
      SetText(first, "Edit2", "0.30000000000000004");
      Child<QSpinBox>(first, "SpinEdit1")->setValue(3);
      Child<QComboBox>(first, "spectraMethod")->setCurrentIndex(1);
      SetText(first, "fieldStandardGridPoints", "99");
      first.zoomIn();
      SetText(first, "Edit3", "oops");  // not a number: the value remembered before stays
      first.close();  // written when the window closes
    }
    MainWindow second;
    second.useSettings(std::make_unique<QSettings>(ini, QSettings::IniFormat));
    const auto [settings, read] = second.sessions().windowSettings();
    QVERIFY(read.done());
    corvath::app::WindowSettings expected;
    expected.analysis.classic.maxFrequencyHz = 33.333333333333336;
    expected.dispersionExponent = 0.30000000000000004;
    expected.layersNumber = 3;
    expected.fieldStandard = true;
    expected.analysis.fieldStandard.gridPoints = 99;
    corvath::app::Workspace zoomed;
    corvath::app::ZoomIn(zoomed);
    expected.zoomFactor = zoomed.zoomFactor;
    QVERIFY(settings == expected);
    QCOMPARE(second.workspace().model.layerCount(), 3);
    QCOMPARE(second.workspace().zoomFactor, zoomed.zoomFactor);

    // The recent record and session, newest first, and the folders of their dialogs.
    QCOMPARE(second.sessions().recentRecords(),
             (std::vector<QStringList>{QStringList{QFileInfo(Seg2Record()).absoluteFilePath()}, answers.components}));
    for (int c = 0; c < 3; ++c) QCOMPARE(second.loadComponentsDialog().fileName(c), answers.components[c]);
    QCOMPARE(second.sessions().recentSessions(), QStringList{dir.filePath("s.json")});
    QCOMPARE(second.recordFileDialog().directory().absolutePath(), QFileInfo(Seg2Record()).absolutePath());
    QCOMPARE(second.sessions().openDialog().directory().absolutePath(), QDir(dir.path()).absolutePath());
    QMenu* recent = second.sessions().recentRecordsMenu();
    QVERIFY(recent->isEnabled());
    QCOMPARE(recent->actions().size(), 2);
    QCOMPARE(recent->actions().back()->text(), QString("&2 x.txt, y.txt, z.txt"));
    QCOMPARE(recent->actions().front()->text(), "&1 " + QFileInfo(Seg2Record()).fileName());

    // A recent file loads as a drop would.
    Answers secondAnswers;
    second.setDialogRunner(secondAnswers.runner());
    recent->actions().front()->trigger();
    QCOMPARE(secondAnswers.channelQuestions, 1);
    QCOMPARE(second.workspace().record.size(corvath::import::Component::X), std::size_t{2000});
  }
};

QTEST_MAIN(SessionsTest)
#include "test_sessions.moc"
