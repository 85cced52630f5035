#include "app/commands.h"
#include "app/version.h"

#include <cmath>
#include <exception>
#include <fstream>
#include <new>
#include <sstream>
#include <utility>

#include "app/atomicfile.h"
#include "inversion/modeltext.h"
#include "inversion/theoreticalcurve.h"
#include "spectra/export.h"
#include "windows/removezero.h"
#include "windows/zoom.h"

namespace corvath::app {

namespace {

const char* nothingToLoad(import::RecordFormat format) {
  switch (format) {
    case import::RecordFormat::Seg2:
      return "nothing to load (no SEG-2 signature: not a little-endian SEG-2 file with at least three traces)";
    case import::RecordFormat::Saf:
      return "nothing to load (no \"####-\" line ends the header, or no line follows it)";
    case import::RecordFormat::MiniSeed:
    case import::RecordFormat::Sac: return "nothing to load (fewer than three channels with samples)";
    default: return "nothing to load (no end-of-header line, or nothing after it)";
  }
}

// Why a component file gave fewer than two samples, judged from its first lines.
std::string whyNoSamples(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::string line;
  int lineNumber = 0;
  while (lineNumber < 200 && std::getline(in, line)) {
    if (++lineNumber <= 3) continue;  // the header lines
    const bool digits = line.find_first_of("0123456789") != std::string::npos;
    const bool blankBetween = line.find_first_of(" \t", line.find_first_not_of(" \t")) != std::string::npos;
    if (digits && (line.find(';') != std::string::npos ||
                   (line.find(',') != std::string::npos && !blankBetween)))
      return "no line with two numbers: the fields are separated by commas or semicolons, "
             "but only spaces or tabs separate them (a comma is read as the decimal point)";
  }
  return "no line with two numbers (a time and a value) after the three header lines";
}

// Why a record holds nothing usable: no component with two samples or more. A record
// with at least one such component loads (components may differ in length).
std::optional<Outcome> tooFewSamples(const import::ThreeComponentRecord& record, const LoadRequest& request) {
  for (import::Component c : import::kComponents)
    if (record.size(c) >= 2) return std::nullopt;
  for (import::Component c : import::kComponents) {
    const char* name = c == import::Component::X ? "X" : c == import::Component::Y ? "Y" : "Z";
    if (request.format == import::RecordFormat::Components) {
      const std::string& path = request.paths[static_cast<std::size_t>(c)];
      Outcome few = Outcome::Unchanged(path + ": nothing to load: " + whyNoSamples(path));
      few.path = path;
      return few;
    }
    const std::string& path = request.paths.front();
    const char* what = request.format == import::RecordFormat::Saf
                           ? "no line with three numbers follows the header"
                           : "fewer than two samples";
    Outcome few = Outcome::Unchanged(path + ": nothing to load: " + what + " (component " + name + ")");
    few.path = path;
    return few;
  }
  return std::nullopt;
}

}  // namespace

Result<import::RecordFormat> FormatOfFiles(const std::vector<std::string>& paths) {
  if (paths.size() != 1 && paths.size() != 3)
    return Outcome::Failed("give one record file or three component files (X, Y, Z)");
  // What a file's bytes show comes first; its extension where they show nothing.
  auto kindOf = [](const std::string& file) {
    const auto content = import::FormatFromContent(file);
    return content ? content : import::FormatFromExtension(file);
  };
  const auto first = kindOf(paths.front());
  if (paths.size() == 3) {
    for (const std::string& file : paths)
      if (kindOf(file) != first) return import::RecordFormat::Components;
    if (first && import::InfoOf(*first).files != 1) return *first;
    return import::RecordFormat::Components;
  }
  if (first && import::InfoOf(*first).files == 3)
    return Outcome::Failed("SAC files hold one component each: give three (X, Y, Z)");
  if (first) return *first;
  return Outcome::Failed("cannot tell the kind of '" + paths.front() + "' from its extension or its content");
}

LoadedRecord ReadRecordForLoad(const LoadRequest& request) {
  // The file a message is about when the error does not name one itself.
  const std::string single = request.paths.size() == 1 ? request.paths.front() : std::string();
  const import::ChannelPrompt channels =
      request.channels ? request.channels : import::ChannelPrompt([](const import::TraceList&) { return import::ChannelChoice{}; });
  LoadedRecord loaded;
  loaded.files = request.paths;
  try {
    numerics::Progress progress(request.progress);
    import::ReadControl control;
    control.progress = request.progress ? &progress : nullptr;
    control.workers = request.workers;
    loaded.record = import::ReadRecord(request.format, request.paths, channels, &control);
    if (control.progress) progress.finish();
    if (!loaded.record) {
      const std::string& file = request.paths.empty() ? std::string() : request.paths.front();
      loaded.outcome = Outcome::Unchanged(file + ": " + nothingToLoad(request.format));
      loaded.outcome.path = file;
    } else if (std::optional<Outcome> few = tooFewSamples(*loaded.record, request)) {
      loaded.outcome = std::move(*few);
      loaded.record.reset();
    } else {
      // What the reader left out or assumed, for the user to read.
      loaded.outcome = Outcome::Done();
      loaded.outcome.message = control.notice;
      if (!control.notice.empty()) loaded.outcome.path = single;
    }
    return loaded;
  } catch (...) {
    std::string files;
    for (const std::string& path : request.paths) files += (files.empty() ? "\"" : ", \"") + path + "\"";
    loaded.outcome = OutcomeOfException(std::current_exception(),
                                        "not enough memory to load " + (files.empty() ? std::string("the record") : files),
                                        single);
  }
  loaded.record.reset();
  return loaded;
}

Outcome ApplyLoadedRecord(Workspace& workspace, LoadedRecord&& loaded) {
  if (!loaded.outcome.done() || !loaded.record) return std::move(loaded.outcome);
  LoadRecord(workspace, std::move(*loaded.record));
  loaded.record.reset();
  workspace.recordFiles = std::move(loaded.files);
  return std::move(loaded.outcome);
}

Outcome LoadRecord(Workspace& workspace, const LoadRequest& request) {
  return ApplyLoadedRecord(workspace, ReadRecordForLoad(request));
}

void LoadRecord(Workspace& workspace, import::ThreeComponentRecord&& record) {
  // Move-assignment keeps the three sample vectors at their addresses, so the
  // charts that draw them stay attached.
  workspace.record = std::move(record);
  workspace.recordFiles.clear();
  ResetWorkspace(workspace);
}

RecordSummary SummarizeRecord(const import::ThreeComponentRecord& record) {
  RecordSummary summary;
  for (import::Component c : import::kComponents) summary.samples[static_cast<int>(c)] = record.size(c);
  const auto& x = record.samples(import::Component::X);
  summary.present = record.present();
  if (x.size() >= 2) {
    const double interval = std::abs(x[1].time - x[0].time);
    summary.samplingRateHz = interval > 0.0 && std::isfinite(1.0 / interval) ? 1.0 / interval : 0.0;
    const double duration = x.back().time - x.front().time;
    summary.durationSeconds = std::isfinite(duration) ? duration : 0.0;
  }
  return summary;
}

Outcome RemoveZero(Workspace& workspace, const WindowSizePrompt& askWindowSize) {
  if (workspace.record.size(import::Component::X) < windows::kRemoveZeroMinSamples)
    return Outcome::Unchanged("Remove zero needs a record of at least 10 X samples");
  const std::optional<double> size = askWindowSize();
  if (!size) return Outcome::Unchanged();
  if (!windows::RemoveZero(workspace.record, *size)) return Outcome::Unchanged("a negative window size");
  return Outcome::Done();
}

Outcome AddAnalysisWindow(Workspace& workspace, double startSeconds, double endSeconds) {
  if (!(startSeconds <= endSeconds))
    return Outcome::Failed("an analysis window must not end before it starts");
  windows::AnalysisWindow window;
  window.start = startSeconds;
  window.end = endSeconds;
  window.colourIndex = static_cast<int>(workspace.windows.windows.size());
  window.coloured = true;
  window.verticalBand = {startSeconds, endSeconds};
  window.complete = true;
  workspace.windows.windows.push_back(window);
  return Outcome::Done();
}

std::vector<spectra::WindowInterval> WindowIntervals(const windows::WindowState& state) {
  std::vector<spectra::WindowInterval> intervals;
  intervals.reserve(state.windows.size());
  for (const windows::AnalysisWindow& window : state.windows) intervals.push_back({window.start, window.end});
  return intervals;
}

Outcome ZoomIn(Workspace& workspace) {
  workspace.zoomFactor = windows::ZoomIn(workspace.zoomFactor);
  return Outcome::Done();
}

Outcome ZoomOut(Workspace& workspace) {
  workspace.zoomFactor = windows::ZoomOut(workspace.zoomFactor);
  return Outcome::Done();
}

void SetSmoothedSpectra(Workspace& workspace, bool on) { workspace.smoothedSpectra = on; }

ComputedSpectra ComputeSpectra(const import::ThreeComponentRecord& record,
                               const std::vector<spectra::WindowInterval>& windows,
                               const SpectraSettings& settings) {
  ComputedSpectra computed;
  numerics::Result<spectra::SpectraResult> outcome = Outcome::Failed("no spectra could be computed");
  try {
    numerics::Progress progress(settings.progress);
    outcome = spectra::CalculateSpectra(record, windows, settings.smoothedSpectra, settings.minFrequencyHz,
                                        settings.maxFrequencyHz, settings.progress ? &progress : nullptr,
                                        settings.workers);
  } catch (const numerics::Cancelled&) {
    computed.outcome = Outcome::Unchanged("cancelled");
    return computed;
  } catch (const std::bad_alloc&) {
    computed.outcome = Outcome::Failed("not enough memory for the spectra of this record");
    return computed;
  } catch (const std::exception& error) {
    computed.outcome = Outcome::Failed(error.what());
    return computed;
  }
  if (!outcome.done()) {
    computed.outcome = Outcome::Failed(outcome.message().empty() ? std::string("no spectra could be computed")
                                                                 : outcome.message());
    return computed;
  }
  computed.outcome = Outcome::Done();
  computed.result = std::move(outcome.value);
  return computed;
}

Outcome ApplyComputedSpectra(Workspace& workspace, ComputedSpectra&& computed) {
  if (!computed.outcome.done() || !computed.result) return std::move(computed.outcome);
  computed.result->recordFiles = workspace.recordFiles;
  workspace.spectraResult = std::move(computed.result);
  computed.result.reset();
  return std::move(computed.outcome);
}

Outcome CalculateSpectra(Workspace& workspace, const SpectraSettings& settings) {
  return ApplyComputedSpectra(workspace,
                              ComputeSpectra(workspace.record, WindowIntervals(workspace.windows), settings));
}

Outcome SetLayerCount(Workspace& workspace, int layers) {
  if (layers == workspace.model.layerCount()) return Outcome::Unchanged();
  inversion::SetLayerCount(workspace.model, workspace.modelTables, layers);
  return Outcome::Done();
}

namespace {

Outcome NoModelValue(int c, int r) {
  return Outcome::Unchanged("cell (" + std::to_string(c) + ", " + std::to_string(r) + ") holds no model value");
}

std::string Lines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += (text.empty() ? "" : "\n") + line;
  return text;
}

}  // namespace

Outcome EditModelCell(Workspace& workspace, int c, int r, double value) {
  if (!inversion::IsDataCell(workspace.model, c, r)) return NoModelValue(c, r);
  const inversion::CellEdit edit = inversion::ValidateCellEdit(workspace.model, workspace.modelTables, c, r, value);
  return edit.accepted ? Outcome::Done() : Outcome::Failed(edit.reason);
}

Outcome ToggleInvertFlag(Workspace& workspace, int c, int r) {
  return inversion::ToggleInvertFlag(workspace.model, c, r) ? Outcome::Done() : NoModelValue(c, r);
}

inversion::ParameterSettings ParameterSettingsOf(const Workspace& workspace, int p,
                                                 inversion::ParameterSettings current) {
  inversion::FillParameterSettings(current, workspace.modelTables, p);
  return current;
}

Result<inversion::AppliedSettings> ApplyParameterSettings(Workspace& workspace, int p,
                                                          const inversion::ParameterSettings& settings) {
  if (p < 0 || p >= inversion::kParameterCount)
    return Outcome::Failed("there is no model parameter " + std::to_string(p));
  workspace.modelTables.SelectedParameter = p;
  inversion::AppliedSettings applied =
      inversion::ApplyParameterSettings(workspace.model, workspace.modelTables, p, settings);
  const bool taken = applied.values || applied.limits || applied.invert;
  if (!applied.refusals.empty()) {
    std::string refusals = Lines(applied.refusals);
    if (!taken) return Outcome::Failed(std::move(refusals));
    return Result<inversion::AppliedSettings>(std::move(applied), std::move(refusals));
  }
  if (!taken) return Outcome::Unchanged();
  return applied;
}

Outcome CalculateTheoreticalCurve(Workspace& workspace, const ForwardModelSettings& settings) {
  workspace.referenceFrequency = settings.referenceFrequencyHz;
  workspace.dispersionExponent = settings.dispersionExponent;
  // Without an observed curve there is nothing to compare with: the stored curve stays.
  if (!workspace.spectraResult || workspace.spectraResult->ratio.points.empty()) return Outcome::Done();
  try {
    inversion::ComputeTheoreticalCurve(workspace.model, workspace.referenceFrequency, workspace.dispersionExponent,
                                       inversion::RatioFrequencies(workspace.spectraResult->ratio),
                                       workspace.theoreticalCurve);
  } catch (...) {
    return OutcomeOfException(std::current_exception(), "Not enough memory for the theoretical curve");
  }
  return Outcome::Done();
}

Outcome WriteSpectrumTable(const Workspace& workspace, std::ostream& out) {
  if (!workspace.spectraResult) return Outcome::Unchanged("no spectra have been calculated");
  spectra::WriteSpectrumTable(out, *workspace.spectraResult);
  return Outcome::Done();
}

std::string ProgramName() { return "Corvath " + ProgramVersion(); }

Outcome SaveResults(const Workspace& workspace, const SaveRequest& request) {
  if (!workspace.spectraResult) return Outcome::Unchanged("no spectra have been calculated");
  const spectra::SpectraResult& result = *workspace.spectraResult;
  switch (request.type) {
    case ResultFileType::SpectrumText:
      return WriteFileAtomically(request.path, [&](std::ostream& out) {
        spectra::WriteSpectrumTable(out, result);
        return true;
      });
    case ResultFileType::SpectrumTextWithBounds:
      if (!result.ratio.hasBounds)
        return Outcome::Failed("the ratio has no bounds (they come with automatic segmentation, without analysis "
                               "windows); \"Spectrum to text file\" writes it without them",
                               request.path);
      return WriteFileAtomically(request.path, [&](std::ostream& out) {
        spectra::WriteSpectrumBoundsTable(out, result);
        return true;
      });
    case ResultFileType::SpectrumWorkbook: {
      const Outcome workbook = ReplaceFileAtomically(request.path, [&](const std::string& temporaryPath) {
        const Outcome written = spectra::WriteSpectrumWorkbook(temporaryPath, result, {ProgramName()});
        return written.done() ? Outcome::Done() : Outcome::Failed(written.message, request.path);
      });
      if (workbook.done()) return workbook;
      // No workbook: the same table as comma-separated text beside it.
      const std::string csvPath = spectra::ReplaceExtension(request.path, ".csv");
      const Outcome csv = WriteFileAtomically(csvPath, [&](std::ostream& out) {
        spectra::WriteSpectrumCsv(out, result);
        return true;
      });
      if (!csv.done()) return csv;
      Outcome notice = Outcome::Done();
      notice.message = spectra::kWorkbookFallbackNotice;
      notice.path = csvPath;
      return notice;
    }
    case ResultFileType::ModelText: {
      const std::vector<numerics::arofstrM> rows =
          request.shownTable.empty() ? inversion::ModelTableRows(workspace.model) : request.shownTable;
      return WriteFileAtomically(request.path, [&](std::ostream& out) {
        inversion::WriteModelText(out, rows);
        return true;
      });
    }
  }
  return Outcome::Failed("unknown kind of result file", request.path);
}

Outcome SaveRatioBounds(const Workspace& workspace, const std::string& path) {
  if (!workspace.spectraResult || !workspace.spectraResult->ratio.hasBounds)
    return Outcome::Failed("the ratio has no bounds (they come with automatic segmentation)");
  std::ostringstream table;
  spectra::WriteBoundsTable(table, workspace.spectraResult->ratio);
  return WriteFileAtomically(path, table.view());
}

}  // namespace corvath::app
