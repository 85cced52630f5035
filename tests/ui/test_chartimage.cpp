// Charts as pictures: the context menu of every chart, the files it writes, the
// clipboard, and the batch command's --plot drawn by the same chart code.
#include <QtTest>

#include <cmath>

#include <QClipboard>
#include <QImage>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QSpinBox>
#include <QComboBox>
#include <QTemporaryDir>
#include <qcustomplot.h>

#include "charts/chartimage.h"
#include "ui/chartmenu.h"
#include "ui/mainwindow.h"
#include "charts/peaklabel.h"
#include "charts/ratioplot.h"
#include "charts/spectradrawing.h"

using namespace corvath;

namespace {


QByteArray Head(const QString& path, int bytes) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return file.read(bytes);
}

// A ratio with error gates and a peak inside the band, on a chart made as the window's.
spectra::SpectraResult HandMadeResult() {
  spectra::SpectraResult result;
  for (int i = 0; i <= 100; ++i) {
    const double f = 1.0 + 0.19 * i;
    const double r = 1.0 + 3.0 * std::exp(-std::pow((f - 2.5) / 0.6, 2));
    result.ratio.points.push_back({f, r, r - 0.3, r + 0.3});
  }
  result.ratio.hasBounds = true;
  spectra::MarkPeak(result.ratio);
  result.ratioSpan = spectra::FrequencySpan(result.ratio);
  return result;
}

int RedPixels(const QImage& image) {
  int count = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      const QColor c = image.pixelColor(x, y);
      count += c.red() > 200 && c.green() < 80 && c.blue() < 80;
    }
  return count;
}

}  // namespace

class ChartImageTest : public QObject {
  Q_OBJECT
  QTemporaryDir dir;
  QString kSaf;  // a ten-minute 50 Hz SAF record with a 3 Hz horizontal resonance

public:
  ChartImageTest() {
    kSaf = dir.filePath("record.saf");
    QFile file(kSaf);
    if (!file.open(QIODevice::WriteOnly)) qFatal("cannot write %s", qPrintable(kSaf));
    QByteArray text = "SAMP_FREQ = 50\n####----\n";
    unsigned state = 99u;
    auto noise = [&state] {
      state = state * 1103515245u + 12345u;
      return double((state >> 8) & 0xffff) / 65536.0 - 0.5;
    };
    for (int i = 0; i < 30000; ++i) {
      const double t = i / 50.0;
      const double h = 4.0 * std::sin(2 * M_PI * 3.0 * t);
      text += QByteArray::number(noise(), 'g', 8) + " " + QByteArray::number(h + noise(), 'g', 8) + " " +
              QByteArray::number(-h + noise(), 'g', 8) + "\n";
    }
    file.write(text);
  }

private slots:
  void everyChartOffersSaveAndCopy() {
    ui::MainWindow window;
    const auto charts = window.findChildren<QCustomPlot*>();
    // The six charts, the ratio view beside the model table, the windows' time-frequency
    // map and the two charts of the azimuths.
    QCOMPARE(charts.size(), 10);
    for (QCustomPlot* chart : charts) {
      ui::ChartImageMenu* menu = ui::ChartImageMenuOf(chart);
      QVERIFY2(menu, qPrintable(chart->objectName()));
      QStringList texts;
      for (QAction* action : menu->menu()->actions()) texts << action->text();
      QCOMPARE(texts, QStringList({QString::fromUtf8("Save image as…"), "Copy"}));
      QCOMPARE(chart->contextMenuPolicy(), Qt::CustomContextMenu);
    }
  }

  void picturesInEachFormatAtTheChartsOrAChosenSize_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QByteArray>("head");
    QTest::newRow("png at the chart's size") << "ratio.png" << QSize() << QByteArray("\x89PNG\r\n\x1a\n");
    QTest::newRow("PNG at a chosen size") << "ratio.PNG" << QSize(1200, 300) << QByteArray("\x89PNG\r\n\x1a\n");
    QTest::newRow("svg") << "ratio.svg" << QSize(500, 320) << QByteArray("<?xml");
    QTest::newRow("pdf") << "ratio.pdf" << QSize(700, 400) << QByteArray("%PDF-");
  }
  void picturesInEachFormatAtTheChartsOrAChosenSize() {
    QFETCH(QString, name);
    QFETCH(QSize, size);
    QFETCH(QByteArray, head);
    std::unique_ptr<QCustomPlot> chart(charts::MakeRatioChart(nullptr));
    chart->resize(640, 420);
    charts::DrawRatio(chart.get(), HandMadeResult());
    const QString path = dir.filePath(name);
    QCOMPARE(charts::SaveChartImage(*chart, path, size), QString());
    QCOMPARE(Head(path, head.size()), head);
    const QSize expected = size.isEmpty() ? QSize(640, 420) : size;
    if (name.endsWith("png", Qt::CaseInsensitive)) {
      const QImage image(path);
      QCOMPARE(image.size(), expected);
      QVERIFY(RedPixels(image) > 100);  // the curve and its gates are in the picture
    } else if (name.endsWith("svg")) {
      const QByteArray svg = Head(path, 1 << 20);
      QVERIFY(svg.contains("<svg"));
      QVERIFY(svg.contains(QString("viewBox=\"0 0 %1 %2\"").arg(expected.width()).arg(expected.height()).toUtf8()));
      QVERIFY(svg.contains("2.5Hz"));
    } else {
      QVERIFY(QFileInfo(path).size() > 1000);
    }
  }

  void aPictureThatCannotBeWrittenSaysWhy() {
    QCustomPlot chart;
    chart.resize(300, 200);
    const QString wrongKind = dir.filePath("chart.bmp");
    QVERIFY(charts::SaveChartImage(chart, wrongKind).contains(".png, .svg or .pdf"));
    QVERIFY(!QFile::exists(wrongKind));
    for (const char* name : {"no/such/folder/chart.png", "no/such/folder/chart.svg", "no/such/folder/chart.pdf"}) {
      const QString path = dir.filePath(name);
      const QString error = charts::SaveChartImage(chart, path);
      QVERIFY2(error.contains(QDir::toNativeSeparators(path)), qPrintable(error));
      QVERIFY(!QFile::exists(path));
    }
  }

  void saveImageAsAndCopyFromTheMenu() {
    ui::MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto* chart = window.findChild<QCustomPlot*>("Chart1");
    ui::ChartImageMenu* menu = ui::ChartImageMenuOf(chart);
    QSize offered;
    menu->setDialogRunner([&](QDialog& dialog) {
      auto& form = static_cast<ui::SaveImageDialog&>(dialog);
      offered = QSize(form.widthEdit->value(), form.heightEdit->value());
      form.fileEdit->setText(dir.filePath("series.png"));
      form.formatChoice->setCurrentIndex(2);  // PDF: the extension follows the kind
      form.widthEdit->setValue(400);
      form.heightEdit->setValue(250);
      return int(QDialog::Accepted);
    });
    QStringList messages;
    menu->setMessageSink([&](const QString& text) { messages << text; });
    menu->menu()->actions().at(0)->trigger();
    QCOMPARE(offered, chart->size());
    QVERIFY(messages.isEmpty());
    QCOMPARE(Head(dir.filePath("series.pdf"), 5), QByteArray("%PDF-"));
    QVERIFY(!QFile::exists(dir.filePath("series.png")));

    // Cancel writes nothing.
    menu->setDialogRunner([](QDialog&) { return int(QDialog::Rejected); });
    QFile::remove(dir.filePath("series.pdf"));
    menu->saveImageAs();
    QVERIFY(!QFile::exists(dir.filePath("series.pdf")));

    menu->menu()->actions().at(1)->trigger();
    const QImage copied = QGuiApplication::clipboard()->image();
    QCOMPARE(copied.size(), chart->size());
  }

  void thePeakLabelIsInThePictureOnItsLightBox() {
    std::unique_ptr<QCustomPlot> chart(charts::MakeRatioChart(nullptr));
    chart->resize(500, 300);
    charts::DrawRatio(chart.get(), HandMadeResult());
    QVERIFY(charts::SaveChartImage(*chart, dir.filePath("label.png")).isEmpty());
    charts::PeakLabel* label = nullptr;
    for (int i = 0; i < chart->itemCount(); ++i)
      if (auto* l = qobject_cast<charts::PeakLabel*>(chart->item(i))) label = l;
    QVERIFY(label);
    const QRectF box = label->drawnBox();
    QVERIFY(!box.isEmpty());
    const QImage image(dir.filePath("label.png"));
    // Inside the box the gates are covered: almost only light pixels and the text.
    int light = 0, total = 0;
    for (int y = int(box.top()) + 2; y < int(box.bottom()) - 1; ++y)
      for (int x = int(box.left()) + 2; x < int(box.right()) - 1; ++x, ++total)
        light += image.pixelColor(x, y).lightness() > 200;
    QVERIFY2(light > total / 2, qPrintable(QString("%1 of %2 light").arg(light).arg(total)));
  }

  void batchPlotWritesTheRatioChartWithoutADisplay() {
    const QString png = dir.filePath("batch.png");
    QProcess cli;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.remove("DISPLAY");
    env.remove("WAYLAND_DISPLAY");
    cli.setProcessEnvironment(env);
    cli.start(CORVATH_CLI, {"spectra", "--plot", png, "--plot-size", "640x400", "-o", dir.filePath("t.txt"), kSaf});
    QVERIFY(cli.waitForFinished(120000));
    QCOMPARE(cli.exitCode(), 0);
    const QImage image(png);
    QCOMPARE(image.size(), QSize(640, 400));
    QVERIFY(RedPixels(image) > 200);

    for (const char* name : {"batch.svg", "batch.pdf"}) {
      cli.start(CORVATH_CLI, {"spectra", "--plot", dir.filePath(name), kSaf});
      QVERIFY(cli.waitForFinished(120000));
      QCOMPARE(cli.exitCode(), 0);
      QVERIFY(QFileInfo(dir.filePath(name)).size() > 1000);
    }

    // Without --plot nothing graphical starts: a platform that cannot open does not matter.
    env.insert("QT_QPA_PLATFORM", "xcb");
    cli.setProcessEnvironment(env);
    cli.start(CORVATH_CLI, {"spectra", "-o", dir.filePath("plain.txt"), kSaf});
    QVERIFY(cli.waitForFinished(120000));
    QCOMPARE(cli.exitCode(), 0);

    // A name of another kind is a usage error, before any work.
    cli.start(CORVATH_CLI, {"spectra", "--plot", dir.filePath("batch.jpg"), kSaf});
    QVERIFY(cli.waitForFinished(120000));
    QCOMPARE(cli.exitCode(), 2);
    QVERIFY(cli.readAllStandardError().contains(".png, .svg or .pdf"));
    QVERIFY(!QFile::exists(dir.filePath("batch.jpg")));
    cli.start(CORVATH_CLI, {"spectra", "--plot", png, "--plot-size", "10x0", kSaf});
    QVERIFY(cli.waitForFinished(120000));
    QCOMPARE(cli.exitCode(), 2);
  }

  void batchPlotInProcessGivesTheSamePictureAsTheWindowsChart() {
    const spectra::SpectraResult result = HandMadeResult();
    const QString batch = dir.filePath("same_batch.png");
    QCOMPARE(QString::fromStdString(charts::WriteRatioChart(result, batch.toStdString(), 600, 380)), QString());
    std::unique_ptr<QCustomPlot> chart(charts::MakeRatioChart(nullptr));
    chart->resize(600, 380);
    charts::DrawRatio(chart.get(), result);
    const QString window = dir.filePath("same_window.png");
    QVERIFY(charts::SaveChartImage(*chart, window).isEmpty());
    QCOMPARE(QImage(batch), QImage(window));
  }
};

QTEST_MAIN(ChartImageTest)
#include "test_chartimage.moc"

using namespace corvath::charts;
