#include "ui/backgroundstatus.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QToolButton>

#include "ui/controllers/backgroundwork.h"

namespace corvath::ui {

BackgroundStatus::BackgroundStatus(QWidget* parent) : QWidget(parent) {
  setObjectName("backgroundStatus");
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(0, 0, 0, 0);
  label_ = new QLabel(this);
  progress_ = new QProgressBar(this);
  progress_->setObjectName("backgroundProgress");
  progress_->setRange(0, 100);
  progress_->setMaximumWidth(160);
  cancel_ = new QToolButton(this);
  cancel_->setObjectName("backgroundCancel");
  cancel_->setText("Cancel");
  row->addWidget(label_);
  row->addWidget(progress_);
  row->addWidget(cancel_);
  connect(cancel_, &QToolButton::clicked, this, [this] {
    if (current_) current_->cancel();
  });
  hide();
}

void BackgroundStatus::watch(BackgroundWork& work) {
  connect(&work, &BackgroundWork::started, this, [this, w = &work](const QString& what) {
    current_ = w;
    label_->setText(what);
    progress_->setValue(0);
    show();
  });
  connect(&work, &BackgroundWork::progressed, progress_, &QProgressBar::setValue);
  connect(&work, &BackgroundWork::ended, this, [this] {
    current_ = nullptr;
    hide();
  });
}

}  // namespace corvath::ui
