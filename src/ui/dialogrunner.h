#pragma once
// How the window shows a dialog: modally by default; tests replace it so that they
// can fill a dialog and answer it without a modal loop.
#include <functional>

class QDialog;

namespace corvath::ui {

//! Shows a dialog modally and returns its result (QDialog::exec when empty).
using DialogRunner = std::function<int(QDialog&)>;

}  // namespace corvath::ui
