#include "ui/loadcomponentsdialog.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>

namespace corvath::ui {

LoadComponentsDialog::LoadComponentsDialog(QWidget* parent) : QDialog(parent, Qt::Tool) {
  setObjectName("TForm2");
  setWindowTitle("Load components");
  auto* grid = new QGridLayout(this);
  const char* captions[3] = {"X component file", "Y component file", "Z component file"};
  for (int c = 0; c < 3; ++c) {
    auto* label = new QLabel(captions[c], this);
    fields_[c] = new QLineEdit(this);
    fields_[c]->setObjectName(QString("%1FileEdit").arg(QChar("xyz"[c])));
    fields_[c]->setMinimumWidth(320);
    label->setBuddy(fields_[c]);
    auto* browse = new QToolButton(this);
    browse->setObjectName(QString("%1BrowseButton").arg(QChar("xyz"[c])));
    browse->setText("...");
    browse->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
    browse->setToolTip(QString("Choose the ") + captions[c]);
    connect(browse, &QToolButton::clicked, this, [this, c] { this->browse(c); });
    grid->addWidget(label, 2 * c, 0, 1, 2);
    grid->addWidget(fields_[c], 2 * c + 1, 0);
    grid->addWidget(browse, 2 * c + 1, 1);
  }
  auto* load = new QPushButton("Load", this);
  load->setObjectName("loadButton");
  load->setDefault(true);
  connect(load, &QPushButton::clicked, this, &LoadComponentsDialog::tryLoad);
  grid->addWidget(load, 6, 0, 1, 2, Qt::AlignRight);
}

QString LoadComponentsDialog::fileName(int component) const { return fields_[component]->text(); }

void LoadComponentsDialog::setFileName(int component, const QString& name) { fields_[component]->setText(name); }

void LoadComponentsDialog::tryLoad() {
  for (QLineEdit* field : fields_) {
    const QFileInfo info(field->text());
    if (field->text().isEmpty() || !info.exists() || info.isDir()) return;
  }
  accept();
}

void LoadComponentsDialog::browse(int component) {
  const QString start = fields_[component]->text();
  const QString name = QFileDialog::getOpenFileName(this, "Open", start, "csv files (*.csv)");
  if (!name.isEmpty()) fields_[component]->setText(name);
}

}  // namespace corvath::ui
