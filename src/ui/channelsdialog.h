#pragma once
// The "Channels" dialog: which channel (trace, from 1) of a multi-channel file is
// X, Y and Z. No buttons: the values shown when it is closed are used. Created
// once, so the numbers and their upper limit stay for the whole run.
#include <QDialog>

#include "import/readers.h"

class QSpinBox;

namespace corvath::ui {

class ChannelsDialog : public QDialog {
  Q_OBJECT
public:
  explicit ChannelsDialog(QWidget* parent = nullptr);

  //! Sets the upper limit of the three fields (kept afterwards).
  void setChannelLimit(int traceCount);
  //! The three channel numbers shown now.
  import::ChannelChoice choice() const;

  QSpinBox* fields[3];  //!< the X, Y and Z channel
};

}  // namespace corvath::ui
