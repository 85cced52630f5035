#pragma once
// The toolbar and panel icons: a freedesktop theme icon where one fits, else a
// drawn one in one consistent style (dark outline, few flat colours).
#include <QIcon>

namespace corvath::ui {

enum class IconKind {
  LoadComponents,
  LoadRecordFile,
  SaveResults,
  AddWindow,
  RemoveWindow,
  ZoomIn,
  ZoomOut,
  SmoothedSpectra,
  CalculateSpectra,
  StartInversion,
  StopInversion,
};

//! The icon of a command; drawn when the desktop theme has none.
QIcon CommandIcon(IconKind kind);

//! The drawn icon only (independent of the desktop theme).
QIcon DrawnIcon(IconKind kind);

}  // namespace corvath::ui
