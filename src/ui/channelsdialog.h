#pragma once
// The "Channels" dialog: which channel (trace, from 1) of a multi-channel file feeds
// each component. OK loads with the numbers shown, Cancel loads nothing. Created
// once, so the numbers stay for the whole run; their upper limit comes from the
// file being read.
#include <QDialog>

#include <optional>

#include "import/readers.h"
#include "ui/dialogrunner.h"

class QLabel;
class QSpinBox;

namespace corvath::ui {

class ChannelsDialog : public QDialog {
  Q_OBJECT
public:
  explicit ChannelsDialog(QWidget* parent = nullptr);

  //! Names what each field feeds for the kind of file: X, Y, Z for SEG-2 and
  //! miniSEED; Z, X, Y for a Delta file, whose first field feeds Z.
  void setFileKind(import::RecordFormat format);
  //! Sets the upper limit of the three fields to the channels of the file being read
  //! (a Delta file has three).
  void setChannelLimit(int traceCount);
  //! Shows the file's traces (their count and, where the file names them, a list)
  //! and sets the upper limit of the fields to their count.
  void setTraces(const import::TraceList& traces);
  //! The three channel numbers shown now, in field order.
  import::ChannelChoice choice() const;
  //! Why the numbers shown cannot be loaded ("Channel 2 feeds both X and Y"), or
  //! nothing when each channel feeds one component.
  QString refusal() const;
  //! OK: accepts unless a channel feeds two components, which stays said in the dialog.
  void tryAccept();

  QSpinBox* fields[3];  //!< the first, second and third field
  QLabel* labels[3];    //!< what each field feeds
  QLabel* traceList;    //!< the file's traces: "4 traces:" and one line each
  QLabel* refused;      //!< why OK did not load, in red; hidden otherwise

private:
  QString feeds_[3];  //!< the component each field feeds, in field order
};

//! The "Channels" question for a file of the given kind and traces, shown by run;
//! nothing when the user cancels (or a channel would feed two components).
std::optional<import::ChannelChoice> AskChannels(ChannelsDialog& dialog, const DialogRunner& run,
                                                 import::RecordFormat format, const import::TraceList& traces);

}  // namespace corvath::ui
