#include <QtTest>

#include "ui/mainwindow.h"

class MainWindowTest : public QObject {
  Q_OBJECT
private slots:
  void startsWithCaptionAndSize() {
    corvath::ui::MainWindow window;
    QCOMPARE(window.windowTitle(), QString("Corvath method"));
    QCOMPARE(window.size(), QSize(868, 563));
  }
};

QTEST_MAIN(MainWindowTest)
#include "test_mainwindow.moc"
