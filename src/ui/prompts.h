#pragma once
// The window's modal questions as the user meets them: a failure in a message box
// wide enough for a path, a line of text, a yes/no question.
#include <optional>

#include <QString>

class QWidget;

namespace corvath::ui {

//! A failure: text, and informative (the file) below it.
void ShowFailureBox(QWidget* parent, const QString& text, const QString& informative);
//! A line of text, or nothing when the user cancels.
std::optional<QString> AskText(QWidget* parent, const QString& caption, const QString& label, const QString& defaultText);
//! Yes (true) or No (the default).
bool AskYesNo(QWidget* parent, const QString& text);

}  // namespace corvath::ui
