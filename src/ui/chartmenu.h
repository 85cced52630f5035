#pragma once
// The context menu of every chart: "Save image as…" (PNG, SVG or PDF, at the
// chart's size or a chosen one) and "Copy" (the chart as an image on the clipboard).
#include <functional>

#include <QDialog>
#include <QObject>

#include "ui/dialogrunner.h"

class QComboBox;
class QCustomPlot;
class QLineEdit;
class QMenu;
class QSpinBox;

namespace corvath::ui {

//! The "Save image" dialog: file name, picture kind and size in pixels.
class SaveImageDialog : public QDialog {
  Q_OBJECT
public:
  explicit SaveImageDialog(QWidget* parent = nullptr);

  //! Offers the chart's own size (and "Chart size" goes back to it).
  void setChartSize(QSize size);
  //! The file name with the extension of the chosen kind (added or replaced).
  QString fileName() const;
  QSize imageSize() const;

  QLineEdit* fileEdit = nullptr;      //!< objectName "imageFile"
  QComboBox* formatChoice = nullptr;  //!< "PNG image", "SVG image", "PDF document"
  QSpinBox* widthEdit = nullptr;      //!< "imageWidth", pixels
  QSpinBox* heightEdit = nullptr;     //!< "imageHeight", pixels

private:
  void browse();
  QSize chartSize_;
};

class ChartImageMenu : public QObject {
  Q_OBJECT
public:
  //! Shows a dialog modally and returns its result; replaceable for tests.
  //! Tells the user that the picture could not be written.
  using MessageSink = std::function<void(const QString& text)>;

  //! Gives the chart its context menu (a child of the chart).
  explicit ChartImageMenu(QCustomPlot* chart);

  //! The menu as the right button opens it.
  QMenu* menu() const { return menu_; }
  void setDialogRunner(DialogRunner runner) { runDialog_ = std::move(runner); }
  void setMessageSink(MessageSink sink) { showMessage_ = std::move(sink); }

  //! "Save image as…": the dialog, then the picture; a failure is told.
  void saveImageAs();
  //! "Copy": the chart as an image on the clipboard.
  void copyImage();

private:
  QCustomPlot* chart_;
  QMenu* menu_;
  SaveImageDialog* dialog_;
  DialogRunner runDialog_;
  MessageSink showMessage_;
};

//! The menu of a chart that has one, else null.
ChartImageMenu* ChartImageMenuOf(QCustomPlot* chart);

}  // namespace corvath::ui
