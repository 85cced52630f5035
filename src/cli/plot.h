#pragma once
// "spectra --plot": the ratio chart of the result as a picture file.
#include <string>
#include <utility>

#include "app/outcome.h"
#include "app/workspace.h"

namespace corvath::cli {

//! The picture asked for with --plot and --plot-size.
struct PlotRequest {
  std::string path;  //!< .png, .svg or .pdf; empty: no picture
  int widthPx = 900;
  int heightPx = 560;
};

//! Done when the name ends in .png, .svg or .pdf (any letter case), else Failed with
//! the usage error.
app::Outcome CheckPlotPath(const std::string& path);

//! "WIDTHxHEIGHT" in pixels, each 16 to 20000; Failed for anything else.
app::Result<std::pair<int, int>> ParsePlotSize(const std::string& text);

//! Writes the ratio chart of the workspace's spectra result ("H/Z" with its error gates
//! and peak label) as the window draws it; Failed with the reason.
app::Outcome WritePlot(const app::Workspace& workspace, const PlotRequest& request);

}  // namespace corvath::cli
