#pragma once
// What the commands answered, where it stays: the last failure or notice in a line
// above the status bar until it is dismissed or the next command answers, and every
// message of the session in the "Messages" log (time, command, text).
#include <QFrame>
#include <QString>
#include <QStringList>

class QLabel;
class QPlainTextEdit;
class QToolButton;

namespace corvath::ui {

class MessageArea : public QFrame {
  Q_OBJECT
public:
  explicit MessageArea(QWidget* parent = nullptr);

  //! Shows a command's failure (failed) or notice and adds it to the log; an empty
  //! text only clears the line (a plain success replaces an older message).
  void show(const QString& command, const QString& text, bool failed);
  //! The text in view ("" when dismissed or replaced by a success).
  QString text() const;
  //! Every message of the session, oldest first: "hh:mm:ss  command: text".
  const QStringList& log() const { return log_; }
  //! Opens the "Messages" log.
  void showLog();

private:
  QLabel* text_;
  QToolButton* dismiss_;
  QToolButton* openLog_;
  QStringList log_;
  QPlainTextEdit* logView_ = nullptr;
};

}  // namespace corvath::ui
