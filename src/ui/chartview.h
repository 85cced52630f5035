#pragma once
// What the charts show beyond their curves: the unit of every axis, a readout of
// the value under the pointer, and the choice of a logarithmic or linear frequency
// axis on the spectra and ratio charts.
#include <QList>
#include <QObject>
#include <QString>

class QAction;
class QCustomPlot;
class QLabel;

namespace corvath::ui {

class ChartViewController : public QObject {
  Q_OBJECT
public:
  //! frequencyCharts: the spectra and ratio charts whose bottom axis is frequency.
  //! readout: the label (in the status bar) that shows the pointer's position.
  ChartViewController(QList<QCustomPlot*> frequencyCharts, QLabel* readout, QObject* parent);

  //! Shows the pointer's position over chart in the readout as
  //! "<x name> = <x> <x unit>   <y name> = <y> <y unit>" while it is over the plot area;
  //! an empty xName takes the bottom axis's caption.
  void watch(QCustomPlot* chart, const QString& xName, const QString& xUnit, const QString& yName,
             const QString& yUnit);

  //! "Logarithmic frequency axis" (View menu): checked, the frequency axes of the
  //! spectra and ratio charts are logarithmic.
  QAction* logarithmicFrequencyAction() const { return logFrequency_; }
  //! After a drawing: the scale the user last chose in the menu (linear at start).
  void useChosenScale() { setLogarithmicFrequency(chosenLogarithmic_); }
  //! The scale the user last chose in the menu: true for logarithmic.
  bool chosenLogarithmic() const { return chosenLogarithmic_; }
  //! After a drawing of curves on a logarithmic grid (the field standard's): a
  //! logarithmic scale, until the user chooses otherwise or another drawing comes.
  void useLogarithmicScale() { setLogarithmicFrequency(true); }

  //! The readout's text for the point (x, y) of a chart watched with these names.
  static QString ReadoutText(const QString& xName, double x, const QString& xUnit, const QString& yName, double y,
                             const QString& yUnit);

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  void setLogarithmicFrequency(bool on);
  void applyFrequencyScale();

  struct Watched {
    QCustomPlot* chart;
    QString xName, xUnit, yName, yUnit;
  };
  QList<QCustomPlot*> frequencyCharts_;
  QList<Watched> watched_;
  QLabel* readout_;
  QAction* logFrequency_;
  bool chosenLogarithmic_ = false;  //!< the scale last chosen in the menu
};

}  // namespace corvath::ui
