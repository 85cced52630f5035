#pragma once
// The window's menu bar: File, Edit, View, Analysis, Inversion, Help, always in
// that order. Each command family puts its actions under the menu it belongs to.
#include <QString>

class QMainWindow;
class QMenu;

namespace corvath::ui {

//! The top-level menu of that title ("File", "Edit", "View", "Analysis",
//! "Inversion", "Help"), made on first use in its place in the bar.
QMenu* TopMenu(QMainWindow& window, const QString& title);

}  // namespace corvath::ui
