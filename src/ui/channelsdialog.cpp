#include "ui/channelsdialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QSpinBox>

namespace corvath::ui {

namespace {
constexpr int kDeltaChannels = 3;
constexpr int kListedTraces = 16;  // lines of the trace list; more are counted
}

ChannelsDialog::ChannelsDialog(QWidget* parent) : QDialog(parent, Qt::Tool) {
  setObjectName("TForm5");
  setWindowTitle("Channels");
  auto* form = new QFormLayout(this);
  traceList = new QLabel(this);
  traceList->setObjectName("traceList");
  traceList->setTextInteractionFlags(Qt::TextSelectableByMouse);
  form->addRow(traceList);
  for (int c = 0; c < 3; ++c) {
    fields[c] = new QSpinBox(this);
    fields[c]->setObjectName(QString("%1ChannelSpin").arg(QChar("xyz"[c])));
    fields[c]->setRange(1, 100);
    fields[c]->setValue(c + 1);
    labels[c] = new QLabel(this);
    labels[c]->setBuddy(fields[c]);
    form->addRow(labels[c], fields[c]);
  }
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->setObjectName("channelsButtons");
  refused = new QLabel(this);
  refused->setObjectName("channelsRefused");
  refused->setStyleSheet("color: #b00000");
  refused->hide();
  form->addRow(refused);
  for (QSpinBox* field : fields) connect(field, &QSpinBox::valueChanged, refused, &QLabel::hide);
  connect(buttons, &QDialogButtonBox::accepted, this, &ChannelsDialog::tryAccept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  form->addRow(buttons);
  setFileKind(import::RecordFormat::Seg2);
}

void ChannelsDialog::setFileKind(import::RecordFormat format) {
  const char* fed[3] = {"X", "Y", "Z"};
  if (format == import::RecordFormat::Delta) {
    fed[0] = "Z";
    fed[1] = "X";
    fed[2] = "Y";
  }
  for (int c = 0; c < 3; ++c) {
    feeds_[c] = fed[c];
    labels[c]->setText(QString("%1-component, channel = ").arg(fed[c]));
  }
}

void ChannelsDialog::setChannelLimit(int traceCount) {
  const int limit = traceCount >= 1 ? traceCount : kDeltaChannels;
  for (QSpinBox* field : fields) field->setMaximum(limit);
}

void ChannelsDialog::setTraces(const import::TraceList& traces) {
  setChannelLimit(traces.count);
  if (traces.count < 1) {  // a Delta file tells nothing of its channels
    traceList->clear();
    traceList->hide();
    return;
  }
  QStringList lines{traces.count == 1 ? QString("1 trace:") : QString("%1 traces:").arg(traces.count)};
  const int named = static_cast<int>(traces.names.size());
  for (int i = 0; i < named && i < kListedTraces; ++i)
    lines << QString("%1  %2").arg(i + 1).arg(QString::fromStdString(traces.names[static_cast<std::size_t>(i)]));
  if (named > kListedTraces) lines << QString("... and %1 more").arg(traces.count - kListedTraces);
  traceList->setText(lines.join('\n'));
  traceList->show();
}

import::ChannelChoice ChannelsDialog::choice() const {
  // QSpinBox falls back to its last valid number when the text is left unfinished.
  return {fields[0]->value(), fields[1]->value(), fields[2]->value()};
}

QString ChannelsDialog::refusal() const {
  for (int a = 0; a < 3; ++a)
    for (int b = a + 1; b < 3; ++b)
      if (fields[a]->value() == fields[b]->value())
        return QString("Channel %1 feeds both %2 and %3: choose one channel a component.")
            .arg(fields[a]->value())
            .arg(feeds_[a], feeds_[b]);
  return {};
}

void ChannelsDialog::tryAccept() {
  if (const QString why = refusal(); !why.isEmpty()) {
    refused->setText(why);
    refused->show();
    return;
  }
  accept();
}

std::optional<import::ChannelChoice> AskChannels(ChannelsDialog& dialog, const DialogRunner& run,
                                                 import::RecordFormat format, const import::TraceList& traces) {
  dialog.setFileKind(format);
  dialog.setTraces(traces);
  if ((run ? run(dialog) : dialog.exec()) != QDialog::Accepted) return std::nullopt;
  if (!dialog.refusal().isEmpty()) return std::nullopt;  // OK refuses it; an answer that skips OK too
  return dialog.choice();
}

}  // namespace corvath::ui
