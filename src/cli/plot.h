#pragma once
// "spectra --plot": the ratio chart of the result as a picture file.
#include <string>

#include "app/workspace.h"

namespace corvath::cli {

//! The picture asked for with --plot and --plot-size.
struct PlotRequest {
  std::string path;  //!< .png, .svg or .pdf; empty: no picture
  int widthPx = 900;
  int heightPx = 560;
};

//! Empty when the name ends in .png, .svg or .pdf (any letter case), else the usage error.
std::string CheckPlotPath(const std::string& path);

//! Reads "WIDTHxHEIGHT" in pixels, each 16 to 20000; false for anything else.
bool ParsePlotSize(const std::string& text, int& widthPx, int& heightPx);

//! Writes the ratio chart of the workspace's spectra result ("H/Z" with its error gates
//! and peak label) as the window draws it. Empty on success, otherwise the reason.
std::string WritePlot(const app::Workspace& workspace, const PlotRequest& request);

}  // namespace corvath::cli
