#pragma once
// The ensemble of a global search drawn where the fit is looked at: the Vs profile's
// 5-95 % band (and its median) behind the best model's staircase on the depth
// profile, and the 5-95 % band of the ensemble's theoretical curves behind the
// observed curve on the inversion page's ratio view.
#include <QObject>
#include <QStringList>

#include "app/inversionrun.h"

class QCPGraph;
class QCustomPlot;

namespace corvath::ui {

//! Marks a graph of the profile chart as drawn only while that parameter is shown.
inline constexpr const char* kProfileParameterProperty = "profileParameter";

class EnsembleBands : public QObject {
  Q_OBJECT
public:
  EnsembleBands(QCustomPlot* profileChart, QCustomPlot* ratioView, QObject* parent = nullptr);

  //! Draws the two bands of the ensemble (the profile band is seen while Vs is shown).
  void show(const app::EnsembleSummary& ensemble);
  //! Removes both bands.
  void clear();
  //! True while bands are drawn.
  bool shown() const;

private:
  QCustomPlot* profileChart_;
  QCustomPlot* ratioView_;
  QCPGraph* profileLower_;
  QCPGraph* profileUpper_;
  QCPGraph* profileMedian_;
  QCPGraph* curveLower_;
  QCPGraph* curveUpper_;
};

}  // namespace corvath::ui
