#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QtTest>
#include <qcustomplot.h>

#include <memory>

#include "inversion/model.h"
#include "inversion/modeltable.h"
#include "ui/modeltableview.h"
#include "ui/settingsdialog.h"

using corvath::inversion::amodel;
using corvath::inversion::ModelTables;
using corvath::ui::ModelTableController;
using corvath::ui::SettingsDialog;

namespace {
constexpr int H = 0, Vp = 1, Vs = 2, Rho = 3;
const QColor kSilver(192, 192, 192);
}  // namespace

// The "1D inversion" tab's profile chart and parameter table over one model.
class ModelTableTest : public QObject {
  Q_OBJECT

  std::unique_ptr<QWidget> page;
  QCustomPlot* chart = nullptr;
  QTableWidget* table = nullptr;
  corvath::app::Workspace workspace;
  amodel& model = workspace.model;
  ModelTables& tables = workspace.modelTables;
  ModelTableController* controller = nullptr;

  QStringList column(int c) {
    QStringList texts;
    for (int r = 0; r < table->rowCount(); ++r) texts << table->item(r, c)->text();
    return texts;
  }
  bool silver(int row, int c) {
    const QVariant background = table->item(row, c)->data(Qt::BackgroundRole);
    return background.isValid() && background.value<QBrush>().color() == kSilver;
  }
  QPoint centre(int row, int c) { return table->visualRect(table->model()->index(row, c)).center(); }
  void rightPress(int row, int c) { QTest::mousePress(table->viewport(), Qt::RightButton, {}, centre(row, c)); }
  QCPCurve* profile() { return qobject_cast<QCPCurve*>(chart->plottable(0)); }

  // Types text into the cell's editor and presses Return.
  void type(int row, int c, const QString& text) {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);  // editors closed before
    table->setCurrentCell(row, c);
    table->editItem(table->item(row, c));
    auto* editor = table->viewport()->findChild<QLineEdit*>();
    QVERIFY(editor);
    editor->setText(text);
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_VERIFY(!table->viewport()->findChild<QLineEdit*>() || !table->viewport()->findChild<QLineEdit*>()->isVisible());
  }

private slots:
  void init() {
    model = amodel{};
    tables = ModelTables{};
    corvath::inversion::ResetModel(model, tables, 10);
    page = std::make_unique<QWidget>();
    auto* layout = new QHBoxLayout(page.get());
    chart = new QCustomPlot(page.get());
    chart->setObjectName("Chart6");
    table = new QTableWidget(page.get());
    table->setObjectName("parameterTable");
    layout->addWidget(chart);
    layout->addWidget(table, 2);
    corvath::ui::SetUpProfileChart(*chart);  // as the window does before attaching
    controller = new ModelTableController(table, chart, workspace, page.get());
    page->resize(900, 500);
    page->show();
    QVERIFY(QTest::qWaitForWindowExposed(page.get()));
  }
  void cleanup() { page.reset(); }

  void tableShowsTheModelCentredWithFixedValuesSilver() {
    QCOMPARE(table->rowCount(), 10);
    QCOMPARE(table->columnCount(), 7);
    QStringList headings;
    for (int c = 0; c < 7; ++c) headings << table->horizontalHeaderItem(c)->text();
    QCOMPARE(headings, (QStringList{"N", "H(m)", "Vp(km/s)", "Vs(km/s)", "rho(g/cm)", "Qp", "Qs"}));
    QCOMPARE(column(0), (QStringList{"1", "2", "3", "4", "5", "6", "7", "8", "9", "10"}));
    QCOMPARE(column(H + 1), (QStringList{"1", "1.30", "1.69", "2.20", "2.86", "3.71", "4.83", "6.27", "8.16", "*"}));
    QCOMPARE(column(5).last(), QString("*"));
    QCOMPARE(column(5).first(), QString("10"));
    for (int r = 0; r < 10; ++r) {
      for (int c = 0; c < 7; ++c) {
        QTableWidgetItem* item = table->item(r, c);
        QCOMPARE(item->textAlignment(), int(Qt::AlignCenter));
        QCOMPARE(silver(r, c), c == Rho + 1);
        QCOMPARE(bool(item->flags() & Qt::ItemIsEditable), c >= 1);
      }
    }
  }

  void profileIsAStaircaseOnAnInvertedDepthAxis() {
    corvath::ui::SetUpProfileChart(*chart);  // setting up again keeps one curve
    QCOMPARE(chart->plottableCount(), 1);
    QCOMPARE(profile()->pen().width(), 2);
    QVERIFY(!chart->legend->visible());
    QVERIFY(chart->yAxis->rangeReversed());
    QCOMPARE(chart->yAxis->label(), QString("Depth, m"));
    QCOMPARE(chart->xAxis->label(), QString("Vp, km/s"));
    const auto data = profile()->data();
    QCOMPARE(data->size(), 20);
    // (value, depth) pairs in drawing order: down the top layer, then the next one.
    const double expected[][2] = {{0.5, 0.0}, {0.5, 1.0}, {0.55, 1.0}, {0.55, 2.3}};
    for (int i = 0; i < 4; ++i) {
      QCOMPARE(data->at(i)->key, expected[i][0]);
      QVERIFY(qAbs(data->at(i)->value - expected[i][1]) < 1e-12);
    }
    QVERIFY(qAbs(data->at(19)->value - (data->at(18)->value + model.values[H][9])) < 1e-9);  // half-space to its thickness
    QVERIFY(chart->xAxis->range().lower < 0.5 && chart->xAxis->range().upper > model.values[Vp][9]);

    tables.SelectedParameter = Rho;
    controller->showProfile();
    QCOMPARE(chart->xAxis->label(), QString("Density, g/cm³"));
    QCOMPARE(profile()->data()->at(5)->key, 1.8);
  }

  void rightPressTogglesTheInvertFlag() {
    QSignalSpy toggled(controller, &ModelTableController::invertFlagToggled);
    rightPress(2, Rho + 1);
    QVERIFY(model.invertFlags[Rho][2]);
    QVERIFY(!silver(2, Rho + 1));
    QVERIFY(silver(1, Rho + 1));
    QCOMPARE(toggled.size(), 1);
    QCOMPARE(toggled.at(0), (QVariantList{Rho + 1, 3}));
    rightPress(2, Rho + 1);
    QVERIFY(!model.invertFlags[Rho][2]);
    QVERIFY(silver(2, Rho + 1));

    // Other buttons and the layer-number column toggle nothing.
    const amodel before = model;
    QTest::mousePress(table->viewport(), Qt::LeftButton, {}, centre(4, Vs + 1));
    QTest::mouseRelease(table->viewport(), Qt::LeftButton, {}, centre(4, Vs + 1));
    rightPress(4, 0);
    QVERIFY(model == before);
    QCOMPARE(toggled.size(), 2);
  }

  void editedCellsAreValidated() {
    tables.SelectedParameter = Vs;
    controller->showModelTable();
    QSignalSpy accepted(controller, &ModelTableController::cellValueAccepted);
    type(1, Vs + 1, "0,5");
    QCOMPARE(model.values[Vs][1], 0.5);
    QCOMPARE(table->item(1, Vs + 1)->text(), QString("0,5"));  // kept as typed
    QCOMPARE(profile()->data()->at(2)->key, 0.5);              // the profile follows
    QCOMPARE(accepted.size(), 1);
    QCOMPARE(accepted.at(0), (QVariantList{Vs + 1, 2}));

    // Refused texts: the previous text comes back and the reason names the column.
    QSignalSpy refused(controller, &ModelTableController::cellEditRefused);
    const double fourth = model.values[Vs][3];
    type(1, Vs + 1, "7");  // above the hard maximum 6
    QCOMPARE(table->item(1, Vs + 1)->text(), QString("0,5"));
    QCOMPARE(model.values[Vs][1], 0.5);
    const struct {
      const char* text;
      const char* reason;
    } refusedTexts[] = {{"abc", "Vs(km/s): 'abc' is not a number"},
                        {"", "Vs(km/s): '' is not a number"},
                        {"1.5 ", "Vs(km/s): '1.5 ' is not a number"},
                        {"0,001", "Vs(km/s): '0,001' is not within 0.01 to 6"},
                        // S waves are slower than P waves: Vs of layer 4 stays below its Vp 0.67.
                        {"0,7", "Vs(km/s): 0.70 is not below Vp 0.67 of layer 4 (S waves are slower than P waves)"}};
    for (const auto& c : refusedTexts) {
      type(3, Vs + 1, c.text);
      QCOMPARE(table->item(3, Vs + 1)->text(), QString("0.40"));
    }
    QCOMPARE(model.values[Vs][3], fourth);
    QCOMPARE(refused.size(), 6);
    QCOMPARE(refused.at(0).at(0).toString(), QString("Vs(km/s): '7' is not within 0.01 to 6"));
    for (int i = 0; i < 5; ++i) QCOMPARE(refused.at(i + 1).at(0).toString(), QString(refusedTexts[i].reason));
    QCOMPARE(accepted.size(), 1);

    type(9, H + 1, "20");  // a "*" cell takes the value
    QCOMPARE(model.values[H][9], 20.0);

    // The exported texts are the table as shown.
    const auto texts = corvath::ui::ModelTableTexts(*table);
    auto expected = corvath::inversion::ModelTableRows(model);
    expected[2][Vs + 1] = "0,5";
    expected[10][H + 1] = "20";
    QVERIFY(texts == expected);

    // "Iter number" refreshes with the same layer count: the typed texts are redrawn.
    controller->setLayerCount(10);
    QCOMPARE(table->item(1, Vs + 1)->text(), QString("0.50"));
    QCOMPARE(table->item(9, H + 1)->text(), QString("*"));
  }

  void enterMovesDownAndATakenEditIsRefusedWhileReadOnly() {
    table->setCurrentCell(2, Vs + 1);
    type(2, Vs + 1, "0,45");
    QCOMPARE(table->currentRow(), 3);
    QCOMPARE(table->currentColumn(), Vs + 1);
    QCOMPARE(model.values[Vs][2], 0.45);
    // Leaving a cell whose text was not changed keeps the exact value behind the
    // rounded text.
    model.values[Vs][5] = 0.4444;
    controller->showModelTable();
    type(5, Vs + 1, table->item(5, Vs + 1)->text());
    QCOMPARE(model.values[Vs][5], 0.4444);

    // Read-only (a run): no editor opens, right presses change nothing.
    controller->setEditable(false);
    QCOMPARE(table->editTriggers(), QAbstractItemView::NoEditTriggers);
    const amodel before = model;
    rightPress(4, Vs + 1);
    QVERIFY(model == before);
    controller->setEditable(true);
    rightPress(4, Vs + 1);
    QVERIFY(!(model == before));
  }

  void layerStepsRedrawTheTable() {
    controller->setLayerCount(9);
    QCOMPARE(table->rowCount(), 9);
    QCOMPARE(table->item(8, H + 1)->text(), QString("*"));
    QCOMPARE(profile()->data()->size(), 18);
    controller->setLayerCount(10);
    QCOMPARE(table->rowCount(), 10);
    QCOMPARE(table->item(8, H + 1)->text(), QString("8.16"));
    QVERIFY(silver(9, Rho + 1));  // the new half-space copies the flags of the layer above
  }

  void headingClickAsksForTheSettingsOfItsParameter() {
    QSignalSpy requested(controller, &ModelTableController::parameterSettingsRequested);
    QHeaderView* header = table->horizontalHeader();
    auto click = [&](int c) {
      const QPoint at(header->sectionViewportPosition(c) + header->sectionSize(c) / 2, header->height() / 2);
      QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
    };
    click(Vs + 1);
    click(0);
    click(H + 1);
    QCOMPARE(requested.size(), 2);
    QCOMPARE(requested.at(0).at(0).toInt(), Vs);
    QCOMPARE(requested.at(1).at(0).toInt(), H);
  }

  void settingsDialogFillsAppliesAndCancels() {
    SettingsDialog dialog(page.get());
    QCOMPARE(dialog.objectName(), QString("TForm3"));
    QCOMPARE(dialog.windowTitle(), QString("Settings"));
    QVERIFY(dialog.windowFlags() & Qt::Tool);
    for (const char* name : {"GroupBox1", "GroupBox2", "Edit1", "Edit2", "Edit3", "Edit4", "CheckBox1", "CheckBox2",
                             "CheckBox3", "CheckBox4", "Button1"})
      QVERIFY2(dialog.findChild<QWidget*>(name), name);
    QCOMPARE(dialog.valuesGroup->title(), QString("Values"));
    QCOMPARE(dialog.limitsGroup->title(), QString("Limits"));
    QCOMPARE(dialog.invertEnabled->text(), QString("Invert"));

    // Opened for Vp: the fields show the tables, the groups wait for their boxes.
    auto applyVp = [&](QDialog& shown) {
      auto& d = static_cast<SettingsDialog&>(shown);
      [&] {
        QCOMPARE(d.startValue->text(), QString("0.50"));
        QCOMPARE(d.incFactor->text(), QString("1.10"));
        QCOMPARE(d.minimum->text(), QString("*"));
        QCOMPARE(d.maximum->text(), QString("*"));
        QVERIFY(d.invertFlag->isChecked());
        QVERIFY(!d.valuesGroup->isEnabled() && !d.limitsGroup->isEnabled() && !d.invertFlag->isEnabled());
        QCOMPARE(tables.SelectedParameter, Vp);
      }();
      d.show();  // as the modal run would
      [&] { QVERIFY(QTest::qWaitForWindowExposed(&d)); }();
      QTest::mouseClick(d.valuesEnabled, Qt::LeftButton);
      QTest::mouseClick(d.invertEnabled, Qt::LeftButton);
      [&] { QVERIFY(d.valuesGroup->isEnabled() && d.invertFlag->isEnabled()); }();
      d.startValue->setText("5");
      d.incFactor->setText("2");
      d.invertFlag->setChecked(false);
      d.minimum->setText("1");  // the "Limits" group is off: ignored
      d.maximum->setText("2");
      QTest::mouseClick(d.findChild<QPushButton*>("Button1"), Qt::LeftButton);
      return d.result();
    };
    const auto applied = corvath::ui::EditParameterSettings(dialog, applyVp, workspace, Vp);
    QVERIFY(applied.done());
    QVERIFY(*applied == (corvath::inversion::AppliedSettings{true, false, true, {}}));
    controller->showModelTable();
    QCOMPARE(column(Vp + 1).mid(0, 3), (QStringList{"5", "8", "8"}));
    for (int r = 0; r < 10; ++r) QVERIFY(silver(r, Vp + 1));
    QCOMPARE(tables.UserLimits[Vp].re, corvath::numerics::InvalidNumber);

    // Opened for H and cancelled: the switches stayed, the fields show H, the profile shows Vp.
    const ModelTables before = tables;
    auto cancel = [&](QDialog& shown) {
      auto& d = static_cast<SettingsDialog&>(shown);
      [&] {
        QVERIFY(d.valuesEnabled->isChecked() && d.invertEnabled->isChecked());
        QCOMPARE(d.startValue->text(), QString("1"));
        QCOMPARE(d.incFactor->text(), QString("1.30"));
      }();
      d.startValue->setText("3");
      d.reject();
      return d.result();
    };
    QVERIFY(corvath::ui::EditParameterSettings(dialog, cancel, workspace, H).outcome.unchanged());
    QCOMPARE(tables.SelectedParameter, H);
    tables.SelectedParameter = before.SelectedParameter;
    QVERIFY(tables == before);
    tables.SelectedParameter = H;
    controller->showModelTable();
    QCOMPARE(chart->xAxis->label(), QString("Vp, km/s"));
    QCOMPARE(profile()->data()->at(0)->key, 5.0);
  }
  // An unreadable field is named inside the dialog, which stays open; its group is
  // not applied, the other groups are. The message lasts until the next "Apply" or opening.
  void settingsDialogNamesARefusedFieldAndAppliesTheOtherGroups() {
    SettingsDialog dialog(page.get());
    auto* message = dialog.findChild<QLabel*>("settingsMessage");
    QVERIFY(message);
    QVERIFY(message->isHidden());
    auto retype = [](QLineEdit* field, const QString& text) {
      field->clear();
      QTest::keyClicks(field, text);
    };
    auto apply = [](SettingsDialog& d) { QTest::mouseClick(d.findChild<QPushButton*>("Button1"), Qt::LeftButton); };

    auto minimumUnreadable = [&](QDialog& shown) {
      auto& d = static_cast<SettingsDialog&>(shown);
      d.show();
      [&] { QVERIFY(QTest::qWaitForWindowExposed(&d)); }();
      QTest::mouseClick(d.limitsEnabled, Qt::LeftButton);
      QTest::mouseClick(d.invertEnabled, Qt::LeftButton);
      QTest::mouseClick(d.invertFlag, Qt::LeftButton);  // on by default for Vs: now off
      retype(d.minimum, "abc");
      retype(d.maximum, "2");
      apply(d);
      [&] {
        QCOMPARE(d.windowTitle(), QString("Settings: Vs(km/s)"));  // the title names the parameter
        QVERIFY(d.findChild<QPushButton*>("cancelButton"));
        QVERIFY(d.isVisible());  // still open, saying why
        QVERIFY(message->isVisible());
        QCOMPARE(message->text(), QString("Minimum: 'abc' is not a number"));
        QCOMPARE(tables.UserLimits[Vs], corvath::inversion::kUnsetLimits);
        QCOMPARE(model.layerLimits[Vs], corvath::numerics::arofcomplexM(10, corvath::inversion::kUnsetLimits));
        QVERIFY(!tables.InvertDefaults[Vs]);  // the "Invert" group was applied
        QVERIFY(model.invertFlags[Vs] == corvath::numerics::arofboolM(10, false));
      }();
      retype(d.minimum, "0,5");  // corrected: the next "Apply" takes the limits and closes
      apply(d);
      [&] {
        QVERIFY(!d.isVisible());
        QVERIFY(message->isHidden());
      }();
      return d.result();
    };
    auto applied = corvath::ui::EditParameterSettings(dialog, minimumUnreadable, workspace, Vs);
    QVERIFY(applied.done());
    QVERIFY(*applied == (corvath::inversion::AppliedSettings{false, true, true, {}}));
    QCOMPARE(tables.UserLimits[Vs], (corvath::numerics::Complex{0.5, 2.0}));

    // A Maximum not above the Minimum is named too; closing keeps what was taken.
    auto notIncreasing = [&](QDialog& shown) {
      auto& d = static_cast<SettingsDialog&>(shown);
      [&] {
        QVERIFY(message->isHidden());
        QCOMPARE(d.minimum->text(), QString("0.50"));
        QCOMPARE(d.maximum->text(), QString("2"));
      }();
      d.show();
      retype(d.minimum, "3");
      retype(d.maximum, "3");
      retype(d.startValue, "9");  // "Values" is not used: not read, not named
      apply(d);
      [&] {
        QVERIFY(d.isVisible());
        QCOMPARE(message->text(), QString("Maximum: 3 is not above the Minimum 3"));
      }();
      d.reject();
      return d.result();
    };
    applied = corvath::ui::EditParameterSettings(dialog, notIncreasing, workspace, Vs);
    QVERIFY(applied.done());  // the "Invert" group was taken
    QCOMPARE(applied.message(), std::string("Maximum: 3 is not above the Minimum 3"));
    QCOMPARE(tables.UserLimits[Vs], (corvath::numerics::Complex{0.5, 2.0}));

    // Reopened: the message is gone; two unreadable fields of one group are both named.
    auto twoUnreadable = [&](QDialog& shown) {
      auto& d = static_cast<SettingsDialog&>(shown);
      [&] { QVERIFY(message->isHidden()); }();
      d.show();
      QTest::mouseClick(d.invertEnabled, Qt::LeftButton);  // off: only "Limits" is used
      retype(d.minimum, "*");
      retype(d.maximum, "7");
      apply(d);
      [&] {
        QCOMPARE(message->text(), QString("Minimum: '*' is not a number\nMaximum: '7' is not within 0.01 to 6"));
      }();
      d.reject();
      return d.result();
    };
    const ModelTables before = tables;
    applied = corvath::ui::EditParameterSettings(dialog, twoUnreadable, workspace, Vs);
    QVERIFY(applied.failed());
    QCOMPARE(applied.message(), std::string("Minimum: '*' is not a number\nMaximum: '7' is not within 0.01 to 6"));
    QVERIFY(tables == before);
  }
};

QTEST_MAIN(ModelTableTest)
#include "test_modeltable.moc"
