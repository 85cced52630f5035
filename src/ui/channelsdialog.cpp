#include "ui/channelsdialog.h"

#include <QFormLayout>
#include <QSpinBox>

namespace corvath::ui {

ChannelsDialog::ChannelsDialog(QWidget* parent) : QDialog(parent, Qt::Tool) {
  setObjectName("TForm5");
  setWindowTitle("Channels");
  auto* form = new QFormLayout(this);
  const char* captions[3] = {"X-component, channel = ", "Y-component, channel = ", "Z-component, channel = "};
  for (int c = 0; c < 3; ++c) {
    fields[c] = new QSpinBox(this);
    fields[c]->setObjectName(QString("%1ChannelSpin").arg(QChar("xyz"[c])));
    fields[c]->setRange(1, 100);
    fields[c]->setValue(c + 1);
    form->addRow(captions[c], fields[c]);
  }
}

void ChannelsDialog::setChannelLimit(int traceCount) {
  if (traceCount < 1) return;
  for (QSpinBox* field : fields) field->setMaximum(traceCount);
}

import::ChannelChoice ChannelsDialog::choice() const {
  // QSpinBox falls back to its last valid number when the text is left unfinished.
  return {fields[0]->value(), fields[1]->value(), fields[2]->value()};
}

}  // namespace corvath::ui
