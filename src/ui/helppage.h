#pragma once
// Help → "Corvath help" (F1): a short page on the workflow; Help → "About Corvath":
// the version and the libraries.
#include <QString>

class QMainWindow;

namespace corvath::ui {

//! The workflow page's text (HTML).
QString HelpText();
//! The About box's text (HTML): program version, Qt, QCustomPlot and the core's libraries.
QString AboutText();

//! Adds "Corvath help" (F1) and "About Corvath" to the window's Help menu.
void AddHelpMenu(QMainWindow& window);

}  // namespace corvath::ui
