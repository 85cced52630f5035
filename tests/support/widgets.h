#pragma once
// The window's tests find its widgets, actions and charts by object name.
#include <QObject>
#include <QtGlobal>

namespace corvath::testing {

//! The child of parent (at any depth) of type T named name; stops the test program
//! naming it when there is none.
template <typename T = QObject>
T* Child(const QObject& parent, const char* name) {
  auto* child = parent.findChild<T*>(name);
  if (!child) qFatal("no child %s", name);
  return child;
}

}  // namespace corvath::testing
