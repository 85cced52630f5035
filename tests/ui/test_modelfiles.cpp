// "Open model..." and "Save model..." in the File menu: the model and "Ref frq" and
// "K degree" go to a file and come back to the last bit; a refused file is named.
#include <QtTest>

#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>

#include "app/commands.h"
#include "inversion/modeltable.h"
#include "ui/mainwindow.h"
#include "ui/menus.h"
#include "ui/modelfiles.h"

using corvath::ui::MainWindow;

namespace {

QByteArray ReadAll(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

struct Told {
  QStringList texts;
  QStringList files;
};

// A window whose model dialogs choose `name` in dir, and whose failures are collected.
void Drive(MainWindow& window, const QTemporaryDir& dir, const QString& name, Told& told) {
  window.setMessageSink([&told](const QString& text, const QString& informative) {
    told.texts << text;
    told.files << informative;
  });
  window.setDialogRunner([&window, &dir, &name](QDialog& dialog) {
    if (&dialog == &window.modelFiles().openDialog() || &dialog == &window.modelFiles().saveDialog())
      static_cast<QFileDialog&>(dialog).selectFile(dir.filePath(name));
    return int(QDialog::Accepted);
  });
}

QStringList TableTexts(const QTableWidget& table) {
  QStringList texts;
  for (int r = 0; r < table.rowCount(); ++r)
    for (int c = 0; c < table.columnCount(); ++c) texts << (table.item(r, c) ? table.item(r, c)->text() : QString());
  return texts;
}

class ModelFilesTest : public QObject {
  Q_OBJECT
private slots:
  void fileMenuOffersBoth() {
    MainWindow window;
    QMenu* file = corvath::ui::TopMenu(window, "File");
    QStringList texts;
    for (QAction* action : file->actions()) texts << action->text();
    QVERIFY2(texts.contains(QString::fromUtf8("Open model\u2026")), qPrintable(texts.join(", ")));
    QVERIFY(texts.contains(QString::fromUtf8("Save model\u2026")));
    QCOMPARE(window.menuBar()->actions().front(), file->menuAction());  // File comes first in the bar
    // A run holds the model: opening one waits, saving it does not.
    window.setWorkspaceCommandsEnabled(false);
    QVERIFY(!window.modelFiles().openAction()->isEnabled());
    QVERIFY(window.modelFiles().saveAction()->isEnabled());
  }

  void savedModelOpensToTheLastBit() {
    QTemporaryDir dir;
    QString name = "model";  // no extension: written as model.txt
    Told told;
    MainWindow saving;
    Drive(saving, dir, name, told);
    saving.findChild<QSpinBox*>("SpinEdit1")->setValue(4);
    corvath::inversion::amodel& model = saving.workspace().model;
    model.values[1][0] = 0.1 + 0.2;
    model.values[2][2] = 1.0 / 3.0;
    model.values[0][1] = 12.345678901234567;
    saving.findChild<QLineEdit*>("Edit1")->setText("1,25");
    saving.findChild<QLineEdit*>("Edit2")->setText("0.12345678901234568");
    saving.modelFiles().saveModel();
    QVERIFY2(told.texts.isEmpty(), qPrintable(told.texts.join("; ")));
    const QByteArray text = ReadAll(dir.filePath("model.txt"));
    QVERIFY2(text.endsWith("Ref frq: 1.25\r\nK degree: 0.12345678901234568\r\n"), text.constData());

    // Another window with 10 layers and other fields opens it.
    MainWindow opening;
    name = "model.txt";
    Drive(opening, dir, name, told);
    opening.findChild<QLineEdit*>("Edit1")->setText("7");
    opening.modelFiles().openModel();
    QVERIFY2(told.texts.isEmpty(), qPrintable(told.texts.join("; ")));
    QVERIFY(opening.workspace().model == saving.workspace().model);
    QCOMPARE(opening.findChild<QSpinBox*>("SpinEdit1")->value(), 4);
    QCOMPARE(opening.findChild<QLineEdit*>("Edit1")->text(), QString("1.25"));
    QCOMPARE(opening.findChild<QLineEdit*>("Edit2")->text(), QString("0.12345678901234568"));
    // The table shows the model opened, as the shown texts of its rows.
    auto* shown = opening.findChild<QTableWidget*>("parameterTable");
    QVERIFY(shown);
    QCOMPARE(shown->rowCount(), 4);
    QStringList expected;
    const auto rows = corvath::inversion::ModelTableRows(saving.workspace().model);
    for (std::size_t r = 1; r < rows.size(); ++r)
      for (const std::string& cell : rows[r]) expected << QString::fromStdString(cell);
    QCOMPARE(TableTexts(*shown), expected);
    QCOMPARE(shown->item(0, 2)->text(), QString("0.30"));

    // Saved again, the same bytes.
    name = "again.txt";
    opening.modelFiles().saveModel();
    QCOMPARE(ReadAll(dir.filePath("again.txt")), text);
  }

  void aRefusedFileIsNamedAndTheModelStays() {
    QTemporaryDir dir;
    QFile bad(dir.filePath("bad.txt"));
    QVERIFY(bad.open(QIODevice::WriteOnly));
    bad.write(" N  H(m)  Vp(km/s)  Vs(km/s)  rho(g/cm)  Qp  Qs \r\n 1  20  0.5  0.2  1.8  20  10 \r\n"
              " 2  *  9  1  2  *  * \r\n");
    bad.close();
    Told told;
    QString name = "bad.txt";
    MainWindow window;
    Drive(window, dir, name, told);
    const corvath::inversion::amodel before = window.workspace().model;
    window.modelFiles().openModel();
    QCOMPARE(told.texts.size(), 1);
    QVERIFY2(told.texts.front().contains("line 3 (layer 2): Vp(km/s) \"9\" is outside its limits"),
             qPrintable(told.texts.front()));
    QVERIFY2((told.texts.front() + told.files.front()).contains("bad.txt"), qPrintable(told.files.front()));
    QVERIFY(window.workspace().model == before);
    QCOMPARE(window.findChild<QSpinBox*>("SpinEdit1")->value(), 10);

    // A "K degree" that is no number: told, nothing written.
    name = "unsaved.txt";
    window.findChild<QLineEdit*>("Edit2")->setText("abc");
    window.modelFiles().saveModel();
    QCOMPARE(told.texts.size(), 2);
    QVERIFY2(told.texts.back().contains("K degree"), qPrintable(told.texts.back()));
    QVERIFY(!QFile::exists(dir.filePath("unsaved.txt")));
  }
};

}  // namespace

QTEST_MAIN(ModelFilesTest)
#include "test_modelfiles.moc"
