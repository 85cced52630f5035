#include <QtTest>

#include <QCheckBox>
#include <QDialog>
#include <QFileDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QSplitter>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QToolBar>
#include <QToolButton>
#include <qcustomplot.h>

#include <cmath>
#include <limits>
#include <utility>

#include "import/record.h"
#include "ui/channelsdialog.h"
#include "charts/charts.h"
#include "charts/curvelegend.h"
#include "ui/loadcomponentsdialog.h"
#include "ui/mainwindow.h"
#include "ui/recordcurve.h"
#include "ui/settingsdialog.h"

using corvath::import::Component;
using corvath::ui::MainWindow;
using corvath::ui::RecordCurve;

namespace {

QCustomPlot* Chart(QWidget& window, const char* name) {
  auto* chart = window.findChild<QCustomPlot*>(name);
  if (!chart) qFatal("no chart %s", name);
  return chart;
}

void WriteFile(const QString& path, const QByteArray& content) {
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly));
  file.write(content);
}

// Three small component files of different lengths in a temporary folder.
struct ComponentFiles {
  QTemporaryDir dir;
  QString x, y, z;
  ComponentFiles() {
    x = dir.filePath("x.csv");
    y = dir.filePath("y.csv");
    z = dir.filePath("z.csv");
    WriteFile(x, "X component\nmm/s\n-\n0.00 1.5\n0.01 -2.5\n0.02 3.0\n");
    WriteFile(y, "Y\n\n\r\n0.00\t4\r\n0,01\t5,25\r\n");
    WriteFile(z, "Z\n\n\n0.00 7\n0.01 8\n0.02 9\n0.03 -10\n");
  }
};

// Fills the "Load components" dialog and presses "Load" in place of the modal loop;
// `beforeReturn` runs after the dialog has accepted (to spoil a file).
MainWindow::DialogRunner FillAndLoad(const QString& x, const QString& y, const QString& z,
                                     std::function<void()> beforeReturn = {}) {
  return [=](QDialog& dialog) {
    auto* form = qobject_cast<corvath::ui::LoadComponentsDialog*>(&dialog);
    if (!form) return int(QDialog::Rejected);
    form->setResult(QDialog::Rejected);
    form->setFileName(0, x);
    form->setFileName(1, y);
    form->setFileName(2, z);
    form->tryLoad();
    if (beforeReturn) beforeReturn();
    return form->result();
  };
}

struct Message {
  int count = 0;
  QString text, informative;
};

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT
private slots:
  void windowToolbarAndTabs() {
    MainWindow window;
    QCOMPARE(window.objectName(), QString("TForm1"));
    QCOMPARE(window.windowTitle(), QString("Corvath"));
    QCOMPARE(window.size(), QSize(868, 563));

    // Toolbar: order, hints, groups, toggles and which commands are live.
    auto* bar = window.findChild<QToolBar*>();
    QVERIFY(bar);
    QStringList layout;
    for (QAction* action : bar->actions()) {
      if (action->isSeparator()) {
        layout << "|";
        continue;
      }
      auto* button = qobject_cast<QToolButton*>(bar->widgetForAction(action));
      if (!button) {  // a choice rather than a command
        QVERIFY(bar->widgetForAction(action));
        layout << bar->widgetForAction(action)->objectName();
        continue;
      }
      // The tooltip names the command and says what it does.
      QVERIFY2(action->toolTip().startsWith(action->text() + ": ") && action->toolTip().size() > action->text().size() + 12,
               qPrintable(action->toolTip()));
      layout << QString("%1:%2:%3%4%5")
                    .arg(button->objectName(), action->text())
                    .arg(button->isCheckable() ? "toggle" : "")
                    .arg(button->isChecked() ? "+on" : "")
                    .arg(button->isEnabled() ? "" : "(off)");
    }
    QCOMPARE(layout, QStringList({"SpeedButton1:Load components:", "SpeedButton8:Load saf/sg2 file:",
                                  "SpeedButton10:Save results:(off)", "|", "SpeedButton2:Add window:toggle",
                                  "SpeedButton4:Remove window:toggle", "|", "SpeedButton5:Zoom in:",
                                  "SpeedButton3:Zoom out:", "zoomFactorLabel", "SpeedButton9:Remove zero:", "|",
                                  "SpeedButton6:Smoothed spectra:toggle+on", "SpeedButton7:Calculate spectra:",
                                  "spectraMethod"}));
    auto* zero = bar->findChild<QToolButton*>("SpeedButton9");
    QCOMPARE(zero->text(), QString("0"));
    QVERIFY(zero->font().bold());
    for (auto* button : bar->findChildren<QToolButton*>())
      if (button->objectName() != "SpeedButton9" && button->objectName().startsWith("SpeedButton")) {
        QVERIFY2(!button->icon().isNull(), qPrintable(button->objectName()));
        QVERIFY(button->autoRaise());
      }

    // "Smoothed spectra" drives smoothedSpectra.
    auto* smoothed = bar->findChild<QToolButton*>("SpeedButton6");
    QVERIFY(window.workspace().smoothedSpectra);
    smoothed->click();
    QVERIFY(!window.workspace().smoothedSpectra);
    smoothed->click();
    QVERIFY(window.workspace().smoothedSpectra);

    auto* tabs = window.findChild<QTabWidget*>();
    QStringList titles;
    for (int i = 0; i < tabs->count(); ++i) titles << tabs->tabText(i);
    QCOMPARE(titles, QStringList({"Time series", "Spectra", "Ratio", "1D inversion", "Windows", "Azimuths"}));
    QCOMPARE(tabs->currentIndex(), 0);
  }

  void charts() {
    MainWindow window;
    struct Row {
      const char* name;
      const char* title;
      const char* bottom;
      bool logarithmic;
      bool grid;
      int tab;
    };
    const Row rows[] = {
        {"Chart1", "Horizontal time series", "t,sec", false, false, 0},
        {"Chart2", "Vertical time series", "t,sec", false, false, 0},
        {"Chart3", "Horizontal spectra", "f,Hz", true, false, 1},
        {"Chart4", "Vertical spectra", "f,Hz", true, false, 1},
        {"Chart5", "Ratio", "f,Hz", false, false, 2},
        {"Chart6", "", "Vp, km/s", false, true, 3},
    };
    auto* tabs = window.findChild<QTabWidget*>();
    for (const Row& row : rows) {
      QCustomPlot* chart = Chart(window, row.name);
      const QString where = row.name;
      QCOMPARE(corvath::charts::ChartTitle(*chart), QString(row.title));
      QCOMPARE(chart->xAxis->label(), QString(row.bottom));
      QCOMPARE(chart->yAxis->scaleType() == QCPAxis::stLogarithmic, row.logarithmic);
      if (row.logarithmic) QVERIFY(qSharedPointerDynamicCast<QCPAxisTickerLog>(chart->yAxis->ticker()));
      QVERIFY2(chart->xAxis->grid()->visible() == row.grid && chart->yAxis->grid()->visible() == row.grid,
               qPrintable(where));
      QVERIFY2(tabs->widget(row.tab)->isAncestorOf(chart), qPrintable(where));
    }
    for (const char* name : {"Chart3", "Chart4", "Chart5"}) QCOMPARE(Chart(window, name)->xAxis->range(), QCPRange(0, 100));
    QVERIFY(Chart(window, "Chart6")->yAxis->rangeReversed());
    QCOMPARE(Chart(window, "Chart6")->yAxis->label(), QString("Depth, m"));

    // Logarithmic ticks: decades on a wide range, 1-2-5 steps of the decade on a
    // narrow one, linear steps when fewer than three of those fit.
    const struct {
      QCPRange range;
      QVector<double> ticks;
    } logRanges[] = {{{37, 480}, {50, 100, 200}},
                     {{12, 280}, {20, 50, 100, 200}},
                     {{100, 300}, {100, 150, 200, 250, 300}},
                     {{44, 49}, {44, 45, 46, 47, 48, 49}},
                     {{0.5, 2e4}, {1, 10, 100, 1000, 1e4}}};
    auto ticker = Chart(window, "Chart3")->yAxis->ticker();
    for (const auto& row : logRanges) {
      QVector<double> ticks;
      QVector<QString> labels;
      ticker->generate(row.range, QLocale::c(), 'g', 6, ticks, nullptr, &labels);
      const QString where = QString("%1..%2").arg(row.range.lower).arg(row.range.upper);
      QVERIFY2(ticks.size() == row.ticks.size(), qPrintable(where));
      for (int i = 0; i < ticks.size(); ++i) QVERIFY2(qFuzzyCompare(ticks[i], row.ticks[i]), qPrintable(where));
    }

    // Label format: up to five decimals, no grouping, no trailing zeros.
    QCOMPARE(corvath::charts::AxisLabelText(12345.5), QString("12345.5"));
    QCOMPARE(corvath::charts::AxisLabelText(0.123456789), QString("0.12346"));
    QCOMPARE(corvath::charts::AxisLabelText(-2.0), QString("-2"));
    QCOMPARE(corvath::charts::AxisLabelText(1e-7), QString("1e-07"));

    // The ratio chart: "H/Z" and "H/Zc", lines 2 pixels wide, no markers; its legend
    // lists them with check boxes that hide and show them.
    QCustomPlot* ratio = Chart(window, "Chart5");
    QCOMPARE(ratio->graphCount(), 2);
    QCOMPARE(ratio->graph(0)->name(), QString("H/Z"));
    QCOMPARE(ratio->graph(1)->name(), QString("H/Zc"));
    for (int i = 0; i < 2; ++i) {
      QCOMPARE(ratio->graph(i)->pen().width(), 2);
      QCOMPARE(ratio->graph(i)->scatterStyle().shape(), QCPScatterStyle::ssNone);
    }
    auto* legend = window.findChild<corvath::charts::CurveLegend*>("Chart5Legend");
    QVERIFY(legend);
    QCOMPARE(legend->count(), 2);
    QCOMPARE(legend->item(1)->text(), QString("H/Zc"));
    QCOMPARE(legend->item(1)->checkState(), Qt::Checked);
    legend->item(1)->setCheckState(Qt::Unchecked);
    QVERIFY(!ratio->graph(1)->visible());
    legend->item(1)->setCheckState(Qt::Checked);
    QVERIFY(ratio->graph(1)->visible());

    // The spectra legends follow the curves after refresh() and scroll when long.
    QCustomPlot* spectra = Chart(window, "Chart3");
    auto* spectraLegend = window.findChild<corvath::charts::CurveLegend*>("Chart3Legend");
    QCOMPARE(spectraLegend->count(), 0);
    for (int i = 0; i < 40; ++i) spectra->addGraph()->setName(QString("X_wnd%1").arg(i + 1));
    spectraLegend->refresh();
    QCOMPARE(spectraLegend->count(), 40);
    QCOMPARE(spectraLegend->item(39)->text(), QString("X_wnd40"));
    window.show();
    tabs_(window)->setCurrentIndex(1);
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY(spectraLegend->verticalScrollBar()->maximum() > 0);
    spectraLegend->item(5)->setCheckState(Qt::Unchecked);
    QVERIFY(!spectra->graph(5)->visible());
  }

  void inversionPanelAndModelTable() {
    MainWindow window;
    struct Field {
      const char* name;
      const char* text;
      const char* hint;
    };
    const Field fields[] = {{"Edit1", "0", "Referrence frequency"}, {"Edit2", "0.1", "Frequency dispersion exponent"},
                            {"Edit3", "1", ""}, {"Edit4", "20", ""}};
    for (const Field& f : fields) {
      auto* edit = window.findChild<QLineEdit*>(f.name);
      QVERIFY2(edit, f.name);
      QCOMPARE(edit->text(), QString(f.text));
      QCOMPARE(edit->toolTip(), QString(f.hint));
    }
    struct Box {
      const char* name;
      const char* caption;
      bool ticked;
      const char* hint;
    };
    const Box boxes[] = {{"CheckBox1", "", false, "Optimization"},
                         {"CheckBox2", "", true, "Optimization"},
                         {"CheckBox3", "Vp/Vs Qp/Qs constraint", true, ""},
                         {"CheckBox4", "Global search", false, ""}};
    for (const Box& b : boxes) {
      auto* box = window.findChild<QCheckBox*>(b.name);
      QVERIFY2(box, b.name);
      QCOMPARE(box->text(), QString(b.caption));
      QCOMPARE(box->isChecked(), b.ticked);
      QCOMPARE(box->toolTip(), QString(b.hint));
    }
    auto* layers = window.findChild<QSpinBox*>("SpinEdit1");
    QCOMPARE(layers->value(), 10);
    QCOMPARE(layers->minimum(), 2);
    QCOMPARE(layers->maximum(), 10);
    QVERIFY(layers->findChild<QLineEdit*>()->isReadOnly());
    auto* iterations = window.findChild<QSpinBox*>("SpinEdit3");
    QCOMPARE(iterations->value(), 100);
    QCOMPARE(iterations->minimum(), 1);
    QCOMPARE(iterations->maximum(), 500);
    auto* start = window.findChild<QToolButton*>("StartButton");
    QCOMPARE(start->toolTip(), QString("Start inversion"));
    QVERIFY(!start->icon().isNull());
    auto* progress = window.findChild<QProgressBar*>("ProgressBar1");
    QCOMPARE(progress->value(), 0);
    QCOMPARE(progress->maximum(), 100);

    // The parameter table shows the default ten-layer model.
    auto* table = window.findChild<QTableWidget*>();
    QVERIFY(table);
    QStringList headings;
    for (int c = 0; c < table->columnCount(); ++c) headings << table->horizontalHeaderItem(c)->text();
    QCOMPARE(headings, QStringList({"N", "H(m)", "Vp(km/s)", "Vs(km/s)", "rho(g/cm)", "Qp", "Qs"}));
    QCOMPARE(table->rowCount(), 10);
    auto cell = [table](int row, int column) { return table->item(row, column)->text(); };
    const QStringList expectedH{"1", "1.30", "1.69", "2.20", "2.86", "3.71", "4.83", "6.27", "8.16", "*"};
    for (int r = 0; r < 10; ++r) {
      QCOMPARE(cell(r, 0), QString::number(r + 1));
      QCOMPARE(cell(r, 1), expectedH[r]);
      QCOMPARE(cell(r, 4), QString("1.80"));
      QCOMPARE(cell(r, 5), r < 9 ? QString("10") : QString("*"));
      QCOMPARE(cell(r, 6), r < 9 ? QString("5") : QString("*"));
      for (int c = 1; c <= 6; ++c) {
        const bool silver = table->item(r, c)->background().color() == QColor(192, 192, 192);
        QCOMPARE(silver, c == 4);  // only rho's invert flags are off
        QCOMPARE(table->item(r, c)->textAlignment(), int(Qt::AlignCenter));
      }
    }
    QCOMPARE(cell(0, 2), QString("0.50"));
    QCOMPARE(cell(1, 3), QString("0.33"));
    // The profile chart draws Vp as a staircase, two points per layer.
    QCOMPARE(Chart(window, "Chart6")->plottable(0)->interface1D()->dataCount(), 20);

    // "Layers number" steps the model by one layer and refreshes table and profile.
    layers->stepDown();
    QCOMPARE(window.workspace().model.layerCount(), 9);
    QCOMPARE(table->rowCount(), 9);
    QCOMPARE(cell(8, 1), QString("*"));
    QCOMPARE(Chart(window, "Chart6")->plottable(0)->interface1D()->dataCount(), 18);
    layers->stepUp();
    QCOMPARE(table->rowCount(), 10);
    QCOMPARE(cell(8, 1), QString("8.16"));
  }

  void dialogsAreMadeOnceWithTheirControls() {
    MainWindow window;
    QCOMPARE(window.loadComponentsDialog().objectName(), QString("TForm2"));
    QCOMPARE(window.settingsDialog().objectName(), QString("TForm3"));
    QCOMPARE(window.channelsDialog().objectName(), QString("TForm5"));
    QCOMPARE(window.settingsDialog().windowTitle(), QString("Settings"));
    QVERIFY(!window.loadComponentsDialog().isVisible());
    QCOMPARE(window.findChildren<corvath::ui::LoadComponentsDialog*>().size(), 1);
    auto& settings = window.settingsDialog();
    for (const char* name : {"GroupBox1", "GroupBox2", "Edit1", "Edit2", "Edit3", "Edit4", "CheckBox1", "CheckBox2",
                             "CheckBox3", "CheckBox4", "Button1"})
      QVERIFY2(settings.findChild<QWidget*>(name), name);
    QVERIFY(!settings.valuesGroup->isEnabled());
    settings.valuesEnabled->setChecked(true);
    QVERIFY(settings.valuesGroup->isEnabled());
    QVERIFY(!settings.invertFlag->isEnabled());
    settings.invertEnabled->setChecked(true);
    QVERIFY(settings.invertFlag->isEnabled());

    auto& channels = window.channelsDialog();
    const auto choice = channels.choice();
    QCOMPARE(choice.first, 1);
    QCOMPARE(choice.second, 2);
    QCOMPARE(choice.third, 3);
    QCOMPARE(channels.fields[2]->maximum(), 100);
    channels.setChannelLimit(0);  // a Delta file has three channels
    QCOMPARE(channels.fields[2]->maximum(), 3);
    channels.setChannelLimit(2);
    QCOMPARE(channels.fields[0]->maximum(), 2);
    QCOMPARE(channels.choice().third, 2);
    // The file's traces are listed by what it calls them; a long list is counted.
    corvath::import::TraceList traces{20, {}};
    for (int i = 1; i <= 20; ++i) traces.names.push_back("XX.ST" + std::to_string(i) + "..HHZ");
    channels.setTraces(traces);
    QCOMPARE(channels.fields[1]->maximum(), 20);
    const QStringList lines = channels.traceList->text().split('\n');
    QCOMPARE(lines.size(), 18);
    QCOMPARE(lines.front(), QString("20 traces:"));
    QCOMPARE(lines[1], QString("1  XX.ST1..HHZ"));
    QCOMPARE(lines.back(), QString("... and 4 more"));
    channels.setTraces({});  // a Delta file tells nothing: no list, three channels
    QVERIFY(channels.traceList->isHidden());
    QCOMPARE(channels.fields[1]->maximum(), 3);

    const QStringList filters = window.recordFileDialog().nameFilters();
    QCOMPARE(filters, QStringList({"All supported files (*.saf *seg2 *.sg2 *.dat *.mseed *.miniseed *.msd *.sac)",
                                   "SAF files (*.saf)", "SEG2 files (*seg2 *.sg2)", "Delta files (*.dat)",
                                   "miniSEED files (*.mseed *.miniseed *.msd)", "SAC files (*.sac)", "All files (*)"}));
  }

  void loadButtonWaitsForThreeExistingFiles() {
    ComponentFiles files;
    corvath::ui::LoadComponentsDialog dialog;
    const QString missing = files.dir.filePath("missing.csv");
    const QStringList cases[] = {{files.x, files.y, missing}, {files.x, "", files.z}, {files.x, files.dir.path(), files.z}};
    for (const QStringList& names : cases) {
      dialog.setResult(QDialog::Rejected);
      for (int c = 0; c < 3; ++c) dialog.setFileName(c, names[c]);
      dialog.tryLoad();
      QCOMPARE(dialog.result(), int(QDialog::Rejected));
    }
    dialog.setFileName(1, files.y);
    dialog.setFileName(2, files.z);
    dialog.tryLoad();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
  }

  void loadDrawsTheComponentsFromTheWorkspace() {
    ComponentFiles files;
    MainWindow window;
    Message message;
    window.setMessageSink([&](const QString& text, const QString& info) { ++message.count; message.text = text; message.informative = info; });
    window.setDialogRunner(FillAndLoad(files.x, files.y, files.z));
    window.workspace().model.values[2][0] = 2.5;  // an edit the load must undo
    window.loadComponents();
    QCOMPARE(message.count, 0);

    const auto& record = window.workspace().record;
    QCOMPARE(record.size(Component::X), std::size_t(3));
    QCOMPARE(record.size(Component::Y), std::size_t(2));
    QCOMPARE(record.size(Component::Z), std::size_t(4));
    QCOMPARE(record.sample(Component::Y, 1).value, 5.25);
    QCOMPARE(window.workspace().model.values[2][0], 0.3);

    QCustomPlot* horizontal = Chart(window, "Chart1");
    QCustomPlot* vertical = Chart(window, "Chart2");
    QCOMPARE(horizontal->plottableCount(), 2);
    QCOMPARE(vertical->plottableCount(), 1);
    auto* x = qobject_cast<RecordCurve*>(horizontal->plottable(0));
    auto* y = qobject_cast<RecordCurve*>(horizontal->plottable(1));
    auto* z = qobject_cast<RecordCurve*>(vertical->plottable(0));
    QVERIFY(x && y && z);
    QCOMPARE(x->samples(), &record.samples(Component::X));
    QCOMPARE(y->samples(), &record.samples(Component::Y));
    QCOMPARE(z->samples(), &record.samples(Component::Z));
    QCOMPARE(x->pen().color(), QColor(Qt::red));
    QCOMPARE(y->pen().color(), QColor(Qt::blue));
    QCOMPARE(z->pen().color(), QColor(Qt::black));
    QCOMPARE(x->pen().width(), 1);
    // Automatic ranges cover the samples.
    QVERIFY(horizontal->xAxis->range().contains(0.0) && horizontal->xAxis->range().contains(0.02));
    QVERIFY(horizontal->yAxis->range().contains(-2.5) && horizontal->yAxis->range().contains(5.25));
    QVERIFY(vertical->yAxis->range().contains(-10) && vertical->xAxis->range().contains(0.03));
    QCOMPARE(z->screenPoints().size(), 4);
  }

  void cancelChangesNothing() {
    ComponentFiles files;
    MainWindow window;
    window.setDialogRunner(FillAndLoad(files.x, files.y, files.z));
    window.loadComponents();
    window.workspace().model.values[1][3] = 4.4;
    Chart(window, "Chart5")->graph(1)->addData(1.0, 2.0);
    const auto record = window.workspace().record;
    const auto model = window.workspace().model;

    window.setDialogRunner([](QDialog&) { return int(QDialog::Rejected); });
    window.loadComponents();
    QVERIFY(window.workspace().record == record);
    QVERIFY(window.workspace().model == model);
    QCOMPARE(Chart(window, "Chart5")->graph(1)->dataCount(), 1);  // "H/Zc" kept
  }

  void failedLoadShowsTheMessageAndKeepsEverything() {
    ComponentFiles files;
    MainWindow window;
    Message message;
    window.setMessageSink([&](const QString& text, const QString& info) { ++message.count; message.text = text; message.informative = info; });
    window.setDialogRunner(FillAndLoad(files.x, files.y, files.z));
    window.loadComponents();
    window.workspace().model.values[1][3] = 4.4;
    Chart(window, "Chart5")->graph(1)->addData(1.0, 2.0);
    const auto record = window.workspace().record;
    const auto model = window.workspace().model;
    const QCPRange shown = Chart(window, "Chart1")->xAxis->range();

    // New files pass the dialog, then the Z file disappears before it is read.
    ComponentFiles other;
    WriteFile(other.x, "h\nh\nh\n5 5\n6 6\n7 7\n8 8\n");
    window.setDialogRunner(FillAndLoad(other.x, other.y, other.z, [&] { QVERIFY(QFile::remove(other.z)); }));
    window.loadComponents();
    QCOMPARE(message.count, 1);
    QCOMPARE(message.text, QString("File not found"));
    QCOMPARE(message.informative, other.z);
    QVERIFY(window.workspace().record == record);
    QVERIFY(window.workspace().model == model);
    QCOMPARE(Chart(window, "Chart5")->graph(1)->dataCount(), 1);
    QCOMPARE(Chart(window, "Chart1")->xAxis->range(), shown);
  }

  void recordFileDialogFailuresAndCancelChangeNothing() {
    ComponentFiles files;
    MainWindow window;
    window.setDialogRunner(FillAndLoad(files.x, files.y, files.z));
    window.loadComponents();
    const auto record = window.workspace().record;
    const auto model = window.workspace().model;
    Message message;
    window.setMessageSink([&](const QString& text, const QString& info) { ++message.count; message.text = text; message.informative = info; });

    window.setDialogRunner([](QDialog&) { return int(QDialog::Rejected); });
    window.loadRecordFile();
    QCOMPARE(message.count, 0);

    const QString missing = files.dir.filePath("absent.sg2");
    const QStringList filters = window.recordFileDialog().nameFilters();
    for (const QString& filter : filters) {
      window.setDialogRunner([&](QDialog& dialog) {
        auto* open = qobject_cast<QFileDialog*>(&dialog);
        if (!open) return int(QDialog::Rejected);  // the channels prompt is not reached for a missing file
        open->selectFile(missing);
        open->selectNameFilter(filter);
        return int(QDialog::Accepted);
      });
      const int before = message.count;
      window.loadRecordFile();
      QCOMPARE(message.count, before + 1);
      QVERIFY(!message.text.isEmpty());
      QVERIFY(window.workspace().record == record);
      QVERIFY(window.workspace().model == model);
      // The dialog offers the last name and type again.
      QCOMPARE(window.recordFileDialog().selectedNameFilter(), filter);
    }
  }

  void dividersKeepTheirFractionOnResize() {
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    for (const char* name : {"timeSeriesSplitter", "spectraSplitter"}) {
      auto* splitter = window.findChild<QSplitter*>(name);
      auto* tabs = window.findChild<QTabWidget*>();
      for (int i = 0; i < tabs->count(); ++i)
        if (tabs->widget(i)->isAncestorOf(splitter)) tabs->setCurrentIndex(i);
      window.resize(868, 563);
      QCoreApplication::processEvents();
      const int total = splitter->sizes()[0] + splitter->sizes()[1];
      splitter->setSizes({total / 3, total - total / 3});  // both panes above their minimum height
      const double before = double(splitter->sizes()[0]) / total;
      window.resize(868, 900);
      QCoreApplication::processEvents();
      const QList<int> after = splitter->sizes();
      QVERIFY(after[0] + after[1] > total + 200);
      QVERIFY2(std::abs(double(after[0]) / (after[0] + after[1]) - before) < 0.01,
               qPrintable(QString("%1: %2 of %3 then %4 + %5").arg(name).arg(before).arg(total).arg(after[0]).arg(after[1])));
    }
  }

  void timeSeriesChartsScrollTogether() {
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    // No scrolling panes on the page: one scroll bar below both charts moves their shared time range.
    QVERIFY(window.findChild<QTabWidget*>("tabs")->widget(0)->findChildren<QScrollArea*>().isEmpty());
    auto* bar = window.findChild<QScrollBar*>("timeScrollBar");
    QVERIFY(bar);
    auto* chart1 = window.findChild<QCustomPlot*>("Chart1");
    auto* chart2 = window.findChild<QCustomPlot*>("Chart2");
    QVERIFY(bar->geometry().top() >= chart2->mapTo(bar->parentWidget(), QPoint(0, chart2->height())).y());
    QCOMPARE(chart1->width(), chart2->width());
  }

  void recordCurveKeepsPeaksWhenThinned() {
    QCustomPlot plot;
    plot.resize(500, 300);
    std::vector<double> values;
    for (int i = 0; i < 200000; ++i) values.push_back((i % 7) * 0.1);
    values[123457] = 50.0;   // one-sample spike up
    values[150001] = -40.0;  // and down
    const auto samples = corvath::import::SampleList::Even(0.0, 0.005L, std::move(values));
    auto* curve = new RecordCurve(plot.xAxis, plot.yAxis, &samples);
    plot.rescaleAxes();
    plot.replot();
    const QVector<QPointF> points = curve->screenPoints();
    const int width = plot.axisRect()->width();
    QVERIFY(points.size() > 0);
    QVERIFY(points.size() <= 4 * width + 8);
    double top = 1e9, bottom = -1e9;
    for (const QPointF& p : points) {
      top = std::min(top, p.y());
      bottom = std::max(bottom, p.y());
    }
    QCOMPARE(top, plot.yAxis->coordToPixel(50.0));
    QCOMPARE(bottom, plot.yAxis->coordToPixel(-40.0));
    QCOMPARE(samples.size(), std::size_t(200000));  // the samples are untouched

    // Zoomed in: only the visible samples and one beyond each edge are visited.
    plot.xAxis->setRange(100.0, 100.5);
    QCOMPARE(curve->screenPoints().size(), 101 + 2);
    plot.xAxis->setRange(2000.0, 3000.0);  // beyond the record
    QVERIFY(curve->screenPoints().size() <= 1);
  }

  void recordCurveDrawsALongRecordFromItsEnvelope() {
    QCustomPlot plot;
    plot.resize(500, 300);
    // Far more than four envelope blocks per pixel column, a NaN among them.
    std::vector<double> values(3'000'000);
    for (std::size_t i = 0; i < values.size(); ++i) values[i] = static_cast<double>(i % 11) * 0.1;
    values[1'234'567] = 50.0;
    values[2'500'001] = -40.0;
    values[17] = std::numeric_limits<double>::quiet_NaN();
    auto samples = corvath::import::SampleList::Even(0.0, 0.005L, std::move(values));
    auto* curve = new RecordCurve(plot.xAxis, plot.yAxis, &samples);
    plot.rescaleAxes();
    plot.replot();
    const auto extremes = [&] {
      double top = 1e9, bottom = -1e9;
      for (const QPointF& p : curve->screenPoints()) {
        if (!std::isfinite(p.x()) || !std::isfinite(p.y())) return std::pair(0.0, 0.0);  // a point off the chart
        top = std::min(top, p.y());
        bottom = std::max(bottom, p.y());
      }
      return std::pair(top, bottom);
    };
    const QVector<QPointF> points = curve->screenPoints();
    QVERIFY(points.size() > 0);
    QVERIFY(points.size() <= 4 * plot.axisRect()->width() + 8);
    QCOMPARE(extremes(), std::pair(plot.yAxis->coordToPixel(50.0), plot.yAxis->coordToPixel(-40.0)));
    // A changed value is drawn at once (the envelope follows the list).
    samples.values()[2'000'000] = 60.0;
    QCOMPARE(extremes().first, plot.yAxis->coordToPixel(60.0));
    samples.setValue(2'000'000, 0.0);
    QCOMPARE(extremes().first, plot.yAxis->coordToPixel(50.0));
    // Zoomed in to the minute around the spike: drawn from the samples themselves.
    plot.xAxis->setRange(6150.0, 6210.0);
    QVERIFY(curve->screenPoints().size() <= 4 * plot.axisRect()->width() + 8);
    QCOMPARE(extremes().first, plot.yAxis->coordToPixel(50.0));
    plot.xAxis->setRange(6172.0, 6173.0);  // a second: every sample and one beyond each edge
    QCOMPARE(curve->screenPoints().size(), 201 + 2);
  }

private:
  static QTabWidget* tabs_(QWidget& window) { return window.findChild<QTabWidget*>(); }
};

QTEST_MAIN(MainWindowTest)
#include "test_mainwindow.moc"

using namespace corvath::charts;
