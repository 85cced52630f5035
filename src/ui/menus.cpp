#include "ui/menus.h"

#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>

namespace corvath::ui {

namespace {
const char* const kMenuOrder[] = {"File", "Edit", "View", "Analysis", "Inversion", "Help"};

int OrderOf(const QString& title) {
  for (int i = 0; i < int(std::size(kMenuOrder)); ++i)
    if (title == kMenuOrder[i]) return i;
  return int(std::size(kMenuOrder));
}
}  // namespace

QMenu* TopMenu(QMainWindow& window, const QString& title) {
  QMenuBar* bar = window.menuBar();
  const QString name = title + "Menu";  // "FileMenu", "EditMenu", ...
  if (auto* existing = bar->findChild<QMenu*>(name, Qt::FindDirectChildrenOnly)) return existing;
  auto* menu = new QMenu("&" + title, bar);
  menu->setObjectName(name);
  QAction* before = nullptr;  // the first menu that comes after this one
  for (QAction* action : bar->actions())
    if (action->menu() && OrderOf(action->menu()->objectName().chopped(4)) > OrderOf(title)) {
      before = action;
      break;
    }
  bar->insertMenu(before, menu);
  return menu;
}

}  // namespace corvath::ui
