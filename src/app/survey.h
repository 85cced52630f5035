#pragma once
// Surveys: many stations processed with one settings file. A manifest (CSV with the
// heading station,files,longitude,latitude and any further columns) names each
// station's record; every station gets a folder OUT/STATION with its curve table,
// its JSON report, a figure and station.json (its summary row and the size and
// SHA-256 of its files). The survey's summary.csv, summary.geojson, map.png and
// survey.json are assembled from the station folders, so that stations run as
// independent tasks (of a cluster's job array) give the same summary as a local run.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/outcome.h"
#include "app/settingsfile.h"
#include "spectra/fieldstandard.h"

namespace corvath::app {

//! One row of the manifest.
struct SurveyStation {
  std::string name;                //!< also the name of its folder
  std::vector<std::string> files;  //!< one record file or three component files, relative ones resolved
  std::optional<double> longitude;  //!< none when the cell is not a number
  std::optional<double> latitude;
  std::string coordinateError;      //!< why a coordinate is missing, empty when both are numbers
  std::string filesError;           //!< why the files cell cannot be used, empty when it can
  std::vector<std::string> extra;   //!< the further columns' cells
};

struct SurveyManifest {
  std::string path;                       //!< absolute
  std::vector<std::string> extraColumns;  //!< headings of the further columns, in order
  std::vector<SurveyStation> stations;    //!< in manifest order
};

//! The manifest in text (path names it and is the folder relative files start from).
//! Failed naming the line for a missing heading column, a row of the wrong length, an
//! unclosed quote, an empty, repeated or unusable station name. A bad files or
//! coordinate cell only fails its station later.
Result<SurveyManifest> ParseSurveyManifest(const std::string& text, const std::string& path);

//! The manifest file at path.
Result<SurveyManifest> ReadSurveyManifest(const std::string& path);

//! The columns of summary.csv before the manifest's further ones.
inline constexpr const char* kSummaryColumns[] = {"station", "status",       "f0_hz",    "f0_sigma_ln",
                                                  "curve_f0_hz", "a0",       "reliable", "clear",
                                                  "windows_used", "longitude", "latitude", "message"};
inline constexpr std::size_t kSummaryColumnCount = sizeof kSummaryColumns / sizeof kSummaryColumns[0];

//! An input file of a station as survey.json records it.
struct SurveyFile {
  std::string path;
  std::optional<std::uintmax_t> size;  //!< none when it cannot be read
  std::string sha256;                  //!< lower-case hex; empty when it cannot be read
};

//! The SHA-256 of a file as lower-case hex, or Failed naming the file.
Result<std::string> FileSha256(const std::string& path);

//! A station processed: its summary cells and files; its result until the figure is drawn.
struct StationRun {
  std::size_t index = 0;
  bool done = false;
  std::vector<std::string> cells;  //!< kSummaryColumnCount cells
  std::vector<SurveyFile> files;
  std::optional<spectra::FieldStandardResult> result;
};

//! Draws a station's figure (H/V with f0 ± sigma) to a PNG file: empty on success,
//! else why. title names the station.
using StationFigureWriter =
    std::function<std::string(const spectra::FieldStandardResult& result, const std::string& title,
                              const std::string& path)>;

//! A station on the map.
struct SurveyMapPoint {
  std::string station;
  double longitude = 0.0;
  double latitude = 0.0;
  std::optional<double> f0Hz;  //!< none for a failed station
};

//! Draws the map of the stations to a PNG file: empty on success, else why.
using SurveyMapWriter = std::function<std::string(const std::vector<SurveyMapPoint>& points, const std::string& path)>;

//! How a survey runs.
struct SurveyOptions {
  std::size_t jobs = 0;  //!< stations at a time; 0: as many as the machine has cores
  StationFigureWriter figure;  //!< unset: no figure; called on the calling thread only
  SurveyMapWriter map;         //!< unset: no map
  //! Told on the calling thread after each station: stations finished, their number,
  //! the station and whether it failed.
  std::function<void(std::size_t finished, std::size_t total, const StationRun& run)> progress;
};

//! What a finished survey counts.
struct SurveyTotals {
  std::size_t stations = 0;
  std::size_t failed = 0;
  std::vector<std::string> notices;  //!< what could not be drawn, and the like
};

//! The survey folder's plan: OUT/settings.json (the settings) and OUT/plan.json (the
//! manifest's path), which the station tasks and the merge read. Creates OUT.
Outcome PrepareSurveyFolder(const SurveyManifest& manifest, const AnalysisSettings& settings, const std::string& out);

//! Station index of the manifest: reads its record, computes its field-standard H/V
//! and writes OUT/STATION/curve.txt and report.json. A station that cannot be read or
//! gives no result is not done, its message cell saying why. Safe on any thread.
StationRun ComputeSurveyStation(const SurveyManifest& manifest, std::size_t index, const AnalysisSettings& settings,
                                const std::string& out);

//! The rest of a station, on the thread that may draw: its figure OUT/STATION/hv.png and
//! OUT/STATION/station.json. Drops the result. Notices of what could not be drawn go
//! to notices.
Outcome FinishSurveyStation(StationRun& run, const SurveyManifest& manifest, const std::string& out,
                            const StationFigureWriter& figure, std::vector<std::string>& notices);

//! Every station of the survey, options.jobs at a time (each holds only its own
//! record), then MergeSurvey. Failed only when the folder cannot be written.
Result<SurveyTotals> RunSurvey(const SurveyManifest& manifest, const AnalysisSettings& settings,
                               const std::string& out, const SurveyOptions& options);

//! summary.csv, summary.geojson, map.png and survey.json from the station folders of
//! OUT (a station without station.json is failed: its task left no result). Failed
//! when OUT holds no plan or a file cannot be written.
Result<SurveyTotals> MergeSurvey(const std::string& out, const SurveyMapWriter& map);

//! OUT/survey.sbatch: a Slurm job array with one task per station, each running
//! `executable survey MANIFEST --out OUT --settings OUT/settings.json --station I`.
//! Writes the plan too.
Outcome WriteSurveyBatchScript(const SurveyManifest& manifest, const AnalysisSettings& settings,
                               const std::string& out, const std::string& executable);

//! A survey folder as the window shows it.
struct SurveyFolder {
  std::string path;
  std::vector<std::string> columns;             //!< summary.csv's heading
  std::vector<std::vector<std::string>> rows;   //!< its rows, each as long as columns
  std::vector<std::vector<std::string>> files;  //!< each row's record files (from survey.json)
  std::vector<SurveyMapPoint> points;           //!< stations with coordinates
  AnalysisSettings settings;
};

//! Reads OUT/summary.csv, OUT/survey.json and OUT/settings.json; Failed naming the file.
Result<SurveyFolder> ReadSurveyFolder(const std::string& out);

//! Cells as one CSV line (quoted where needed), ended by CR LF.
std::string CsvLine(const std::vector<std::string>& cells);

}  // namespace corvath::app
