#include "cli/plot.h"

#include <algorithm>
#include <cctype>

#include "numerics/numberfield.h"

#ifdef CORVATH_CLI_CHARTS
#include "charts/ratioplot.h"
#endif

namespace corvath::cli {

namespace {

constexpr int kMinPixels = 16;
constexpr int kMaxPixels = 20000;

std::string LowerExtension(const std::string& path) {
  const std::size_t slash = path.find_last_of("/\\");
  const std::size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  std::string extension = path.substr(dot + 1);
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return extension;
}

bool ParsePixels(const std::string& text, int& value) {
  const numerics::Result<long long> pixels = numerics::WholeNumberField("--plot-size", text, kMinPixels, kMaxPixels);
  if (pixels.done()) value = static_cast<int>(*pixels);
  return pixels.done();
}

}  // namespace

app::Outcome CheckPlotPath(const std::string& path) {
  const std::string extension = LowerExtension(path);
  if (extension == "png" || extension == "svg" || extension == "pdf") return app::Outcome::Done();
  return app::Outcome::Failed("--plot expects a file name ending in .png, .svg or .pdf, got '" + path + "'");
}

app::Result<std::pair<int, int>> ParsePlotSize(const std::string& text) {
  const app::Outcome refused =
      app::Outcome::Failed("--plot-size expects WIDTHxHEIGHT in pixels (16 to 20000 each), got '" + text + "'");
  const std::size_t x = text.find_first_of("xX");
  if (x == std::string::npos) return refused;
  int width = 0;
  int height = 0;
  if (!ParsePixels(text.substr(0, x), width) || !ParsePixels(text.substr(x + 1), height)) return refused;
  return std::pair{width, height};
}

app::Outcome WritePlot(const app::Workspace& workspace, const PlotRequest& request) {
  if (!workspace.spectraResult) return app::Outcome::Failed("there is no ratio to draw");
#ifdef CORVATH_CLI_CHARTS
  const std::string error =
      charts::WriteRatioChart(*workspace.spectraResult, request.path, request.widthPx, request.heightPx);
  return error.empty() ? app::Outcome::Done() : app::Outcome::Failed(error);
#else
  (void)request;
  return app::Outcome::Failed("this corvath-cli was built without the charts (the GUI part), so it cannot draw --plot");
#endif
}

}  // namespace corvath::cli
