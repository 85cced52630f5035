#pragma once
// A wait cursor while a command works on the window's thread; a question asked
// meanwhile is answered with the normal cursor (QuietCursor).
#include <QApplication>

namespace corvath::ui {

class BusyCursor {
public:
  BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~BusyCursor() { QApplication::restoreOverrideCursor(); }
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;
};

//! Lifts a wait cursor for as long as it lives, and puts it back afterwards.
class QuietCursor {
public:
  QuietCursor() : busy_(QApplication::overrideCursor() != nullptr) {
    if (busy_) QApplication::restoreOverrideCursor();
  }
  ~QuietCursor() {
    if (busy_) QApplication::setOverrideCursor(Qt::WaitCursor);
  }
  QuietCursor(const QuietCursor&) = delete;
  QuietCursor& operator=(const QuietCursor&) = delete;

private:
  bool busy_;
};

}  // namespace corvath::ui
