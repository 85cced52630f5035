#pragma once
// The map of a survey on a chart: the stations at their longitude and latitude,
// coloured by f0 with a colour bar, failed ones marked.
#include <vector>

#include "app/survey.h"

class QCustomPlot;

namespace corvath::charts {

//! Object name of the map's colour bar.
inline constexpr const char* kSurveyColourBarName = "surveyColourBar";

//! Replaces what the chart shows by the map of the points: one marker per station
//! coloured by f0 (logarithmic colour bar on the right, "f0, Hz"), failed stations as
//! black crosses, every station named; longitude and latitude axes kept at the
//! ground's proportions. Does not replot.
void DrawSurveyMap(QCustomPlot* chart, const std::vector<app::SurveyMapPoint>& points);

//! Keeps the map's proportions after the chart changed size (called by DrawSurveyMap too).
void KeepMapProportions(QCustomPlot* chart);

}  // namespace corvath::charts
