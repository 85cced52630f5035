#pragma once
// The survey's pictures without a window, for the batch command: a station's H/V
// with f0 ± sigma, and the map of the stations coloured by f0. The header is free
// of Qt so that the batch command can call it.
#include <memory>
#include <string>
#include <vector>

#include "app/survey.h"
#include "spectra/fieldstandard.h"

namespace corvath::charts {

//! Keeps an application on the offscreen platform for the pictures drawn while it
//! lives (QT_QPA_PLATFORM, when set, chooses another); nothing when one runs already.
//! The pictures are drawn on the thread that made it.
std::shared_ptr<void> StartOffscreenDrawing();

//! The station's mean H/V with its ± sigma band and f0 ± sigma as a shaded band,
//! titled with the station, on a logarithmic frequency axis, as a PNG of
//! widthPx x heightPx. Empty on success, otherwise the reason.
std::string WriteStationFigure(const spectra::FieldStandardResult& result, const std::string& title,
                               const std::string& path, int widthPx = 900, int heightPx = 560);

//! The stations at their longitude and latitude, coloured by f0 on a logarithmic colour
//! bar, failed ones marked by a cross, each named, as a PNG. Empty on success, otherwise why.
std::string WriteSurveyMap(const std::vector<app::SurveyMapPoint>& points, const std::string& path,
                           int widthPx = 900, int heightPx = 700);

}  // namespace corvath::charts
