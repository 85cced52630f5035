#include "ui/messagearea.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTime>
#include <QToolButton>
#include <QVBoxLayout>

namespace corvath::ui {

MessageArea::MessageArea(QWidget* parent) : QFrame(parent) {
  setObjectName("messageArea");
  setFrameShape(QFrame::StyledPanel);
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(6, 2, 2, 2);
  text_ = new QLabel(this);
  text_->setObjectName("messageText");
  text_->setWordWrap(true);  // a long message wraps instead of running into its neighbours
  text_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  dismiss_ = new QToolButton(this);
  dismiss_->setObjectName("messageDismiss");
  dismiss_->setText(QStringLiteral("\u00D7"));
  dismiss_->setToolTip("Dismiss");
  dismiss_->setAutoRaise(true);
  openLog_ = new QToolButton(this);
  openLog_->setObjectName("messageLog");
  openLog_->setText("Messages");
  openLog_->setToolTip("Every message of this session");
  openLog_->setAutoRaise(true);
  row->addWidget(text_, 1);
  row->addWidget(openLog_);
  row->addWidget(dismiss_);
  connect(dismiss_, &QToolButton::clicked, this, [this] {
    text_->clear();
    hide();
  });
  connect(openLog_, &QToolButton::clicked, this, &MessageArea::showLog);
  hide();
}

void MessageArea::show(const QString& command, const QString& text, bool failed) {
  if (text.isEmpty()) {
    text_->clear();
    hide();
    return;
  }
  const QString line = command.isEmpty() ? text : QString("%1: %2").arg(command, text);
  log_ << QString("%1  %2").arg(QTime::currentTime().toString("HH:mm:ss"), line);
  if (logView_) logView_->appendPlainText(log_.back());
  text_->setText(line);
  QPalette palette = text_->palette();
  palette.setColor(QPalette::WindowText, failed ? QColor(176, 0, 0) : palette.color(QPalette::Text));
  text_->setPalette(palette);
  QFrame::show();
}

QString MessageArea::text() const { return text_->text(); }

void MessageArea::showLog() {
  if (!logView_) {
    auto* dialog = new QDialog(window());
    dialog->setObjectName("messagesDialog");
    dialog->setWindowTitle("Messages");
    dialog->resize(640, 320);
    logView_ = new QPlainTextEdit(dialog);
    logView_->setReadOnly(true);
    (new QVBoxLayout(dialog))->addWidget(logView_);
    logView_->setPlainText(log_.join('\n'));
  }
  logView_->window()->show();
  logView_->window()->raise();
}

}  // namespace corvath::ui
