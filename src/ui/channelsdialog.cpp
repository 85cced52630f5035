#include "ui/channelsdialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QSpinBox>

namespace corvath::ui {

namespace {
constexpr int kDeltaChannels = 3;
}

ChannelsDialog::ChannelsDialog(QWidget* parent) : QDialog(parent, Qt::Tool) {
  setObjectName("TForm5");
  setWindowTitle("Channels");
  auto* form = new QFormLayout(this);
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
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
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
  for (int c = 0; c < 3; ++c) labels[c]->setText(QString("%1-component, channel = ").arg(fed[c]));
}

void ChannelsDialog::setChannelLimit(int traceCount) {
  const int limit = traceCount >= 1 ? traceCount : kDeltaChannels;
  for (QSpinBox* field : fields) field->setMaximum(limit);
}

import::ChannelChoice ChannelsDialog::choice() const {
  // QSpinBox falls back to its last valid number when the text is left unfinished.
  return {fields[0]->value(), fields[1]->value(), fields[2]->value()};
}

std::optional<import::ChannelChoice> AskChannels(ChannelsDialog& dialog, const DialogRunner& run,
                                                 import::RecordFormat format, int traceCount) {
  dialog.setFileKind(format);
  dialog.setChannelLimit(traceCount);
  if ((run ? run(dialog) : dialog.exec()) != QDialog::Accepted) return std::nullopt;
  return dialog.choice();
}

}  // namespace corvath::ui
