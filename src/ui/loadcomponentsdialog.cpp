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
  // Why "Load" did not close the dialog.
  message_ = new QLabel(this);
  message_->setObjectName("loadMessage");
  message_->setWordWrap(true);
  grid->addWidget(message_, 7, 0, 1, 2);
}

QString LoadComponentsDialog::fileName(int component) const { return fields_[component]->text(); }

void LoadComponentsDialog::setFileName(int component, const QString& name) { fields_[component]->setText(name); }

void LoadComponentsDialog::tryLoad() {
  const char* names[3] = {"X", "Y", "Z"};
  for (int c = 0; c < 3; ++c) {
    QLineEdit* field = fields_[c];
    const QFileInfo info(field->text());
    QString problem;
    if (field->text().isEmpty())
      problem = QString("Choose the %1 component file.").arg(names[c]);
    else if (!info.exists())
      problem = QString("%1: no such file.").arg(field->text());
    else if (info.isDir())
      problem = QString("%1 is a folder, not a file.").arg(field->text());
    if (!problem.isEmpty()) {
      message_->setText(problem);
      field->setFocus();
      return;
    }
  }
  message_->clear();
  accept();
}

void LoadComponentsDialog::browse(int component) {
  const QString start = fields_[component]->text();
  const QString name = QFileDialog::getOpenFileName(this, "Open", start, "csv files (*.csv)");
  if (!name.isEmpty()) fields_[component]->setText(name);
}

}  // namespace corvath::ui
