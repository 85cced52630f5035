#include "ui/chartmenu.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QToolButton>

#include <qcustomplot.h>

#include "charts/chartimage.h"
#include "charts/charts.h"

using namespace corvath::charts;

namespace corvath::ui {
namespace {

const struct {
  const char* text;
  const char* suffix;
} kKinds[] = {{"PNG image", "png"}, {"SVG image", "svg"}, {"PDF document", "pdf"}};

constexpr int kMaxImagePixels = 20000;

QString SuggestedName(const QCustomPlot& chart) {
  QString title = ChartTitle(chart);
  if (title.isEmpty()) title = chart.objectName();
  title.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9]+")), QStringLiteral("_"));
  return QDir::home().filePath(title.toLower() + QStringLiteral(".png"));
}

}  // namespace

SaveImageDialog::SaveImageDialog(QWidget* parent) : QDialog(parent) {
  setObjectName("saveImageDialog");
  setWindowTitle("Save image");
  fileEdit = new QLineEdit(this);
  fileEdit->setObjectName("imageFile");
  fileEdit->setMinimumWidth(320);
  auto* browse = new QToolButton(this);
  browse->setText(QStringLiteral("Browse\u2026"));
  connect(browse, &QToolButton::clicked, this, &SaveImageDialog::browse);
  auto* fileRow = new QHBoxLayout;
  fileRow->addWidget(fileEdit, 1);
  fileRow->addWidget(browse);

  formatChoice = new QComboBox(this);
  formatChoice->setObjectName("imageFormat");
  for (const auto& kind : kKinds) formatChoice->addItem(kind.text);
  // A typed extension chooses the kind.
  connect(fileEdit, &QLineEdit::textEdited, this, [this](const QString& text) {
    const QString suffix = QFileInfo(text).suffix().toLower();
    for (int i = 0; i < 3; ++i)
      if (suffix == QLatin1String(kKinds[i].suffix)) formatChoice->setCurrentIndex(i);
  });

  widthEdit = new QSpinBox(this);
  widthEdit->setObjectName("imageWidth");
  heightEdit = new QSpinBox(this);
  heightEdit->setObjectName("imageHeight");
  for (QSpinBox* edit : {widthEdit, heightEdit}) {
    edit->setRange(16, kMaxImagePixels);
    edit->setSuffix(" px");
  }
  auto* chartSize = new QPushButton("Chart size", this);
  chartSize->setObjectName("chartSizeButton");
  chartSize->setAutoDefault(false);
  connect(chartSize, &QPushButton::clicked, this, [this] { setChartSize(chartSize_); });
  auto* sizeRow = new QHBoxLayout;
  sizeRow->addWidget(widthEdit);
  sizeRow->addWidget(new QLabel(QStringLiteral("\u00D7"), this));
  sizeRow->addWidget(heightEdit);
  sizeRow->addWidget(chartSize);
  sizeRow->addStretch(1);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Save | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* form = new QFormLayout(this);
  form->addRow("File:", fileRow);
  form->addRow("Format:", formatChoice);
  form->addRow("Size:", sizeRow);
  form->addRow(buttons);
}

void SaveImageDialog::setChartSize(QSize size) {
  chartSize_ = size;
  widthEdit->setValue(size.width());
  heightEdit->setValue(size.height());
}

QString SaveImageDialog::fileName() const {
  QString name = fileEdit->text().trimmed();
  if (name.isEmpty()) return name;
  const QString suffix = QLatin1String(kKinds[std::max(formatChoice->currentIndex(), 0)].suffix);
  const QFileInfo info(name);
  if (info.suffix().toLower() == suffix) return name;
  ChartImageFormat ignored;
  if (ChartImageFormatOf(name, ignored)) name.chop(info.suffix().size() + 1);  // another kind's extension
  return name + QLatin1Char('.') + suffix;
}

QSize SaveImageDialog::imageSize() const { return QSize(widthEdit->value(), heightEdit->value()); }

void SaveImageDialog::browse() {
  QStringList filters;
  for (const auto& kind : kKinds) filters << QStringLiteral("%1 (*.%2)").arg(kind.text, kind.suffix);
  QString selected = filters[std::max(formatChoice->currentIndex(), 0)];
  const QString name = QFileDialog::getSaveFileName(this, "Save image as", fileName(), filters.join(";;"), &selected);
  if (name.isEmpty()) return;
  fileEdit->setText(name);
  formatChoice->setCurrentIndex(std::max<int>(filters.indexOf(selected), 0));
  emit fileEdit->textEdited(name);
}

ChartImageMenu::ChartImageMenu(QCustomPlot* chart)
    : QObject(chart), chart_(chart), menu_(new QMenu(chart)), dialog_(new SaveImageDialog(chart)) {
  setObjectName("chartImageMenu");
  menu_->setObjectName("chartMenu");
  menu_->addAction(QStringLiteral("Save image as\u2026"), this, &ChartImageMenu::saveImageAs);
  menu_->addAction(QStringLiteral("Copy"), this, &ChartImageMenu::copyImage);
  runDialog_ = [](QDialog& dialog) { return dialog.exec(); };
  showMessage_ = [chart](const QString& text) {
    QMessageBox::warning(chart->window(), QStringLiteral("Save image"), text);
  };
  dialog_->fileEdit->setText(SuggestedName(*chart));
  chart->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(chart, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { menu_->popup(chart_->mapToGlobal(at)); });
}

void ChartImageMenu::saveImageAs() {
  dialog_->setChartSize(chart_->size());
  if (runDialog_(*dialog_) != QDialog::Accepted) return;
  const QString name = dialog_->fileName();
  if (name.isEmpty()) {
    showMessage_(QStringLiteral("No file name was given: nothing was saved."));
    return;
  }
  dialog_->fileEdit->setText(name);  // offered again next time
  if (const QString error = SaveChartImage(*chart_, name, dialog_->imageSize()); !error.isEmpty()) showMessage_(error);
}

void ChartImageMenu::copyImage() { CopyChartImage(*chart_); }

ChartImageMenu* ChartImageMenuOf(QCustomPlot* chart) {
  return chart ? chart->findChild<ChartImageMenu*>(QStringLiteral("chartImageMenu"), Qt::FindDirectChildrenOnly)
               : nullptr;
}

}  // namespace corvath::ui
