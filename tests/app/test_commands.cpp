#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <sys/resource.h>
#include <unistd.h>
#include <zip.h>

#include "app/atomicfile.h"
#include "app/commands.h"
#include "app/inversionrun.h"
#include "app/observedcurve.h"
#include "numerics/numbertext.h"

namespace fs = std::filesystem;
using corvath::app::Outcome;
using corvath::import::Component;

namespace {

class ScratchFolder {
public:
  ScratchFolder() {
    char pattern[] = "/tmp/corvath-app-XXXXXX";
    path_ = ::mkdtemp(pattern);
  }
  ~ScratchFolder() {
    std::error_code ignored;
    fs::permissions(path_, fs::perms::owner_all, ignored);
    fs::remove_all(path_, ignored);
  }
  fs::path operator/(const std::string& name) const { return path_ / name; }
  std::size_t entries() const { return static_cast<std::size_t>(std::distance(fs::directory_iterator(path_), {})); }
  const fs::path& path() const { return path_; }

private:
  fs::path path_;
};

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

void WriteText(const fs::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

// A file of n lines "t v" for the component files.
std::string ComponentText(double frequency, int n, double offset) {
  std::string text = "c\nunit\n\n";
  for (int i = 0; i < n; ++i) {
    const double t = i * 0.01;
    text += corvath::numerics::NumberToExponentText(t) + " " +
            corvath::numerics::NumberToExponentText(offset + std::sin(6.283185307179586 * frequency * t) +
                                                    0.1 * std::sin(0.37 * i * i)) +
            "\n";
  }
  return text;
}

}  // namespace

TEST(AtomicFile, ReplacesTheFileAndLeavesNoTemporaryFile) {
  ScratchFolder folder;
  const fs::path target = folder / "result.txt";
  WriteText(target, "old content\r\n");
  ASSERT_TRUE(corvath::app::WriteFileAtomically(target.string(), std::string_view("new\r\n")).done());
  EXPECT_EQ(ReadAll(target), "new\r\n");
  EXPECT_EQ(folder.entries(), 1u);
  // A new file gets the usual permissions, not those of a private temporary file.
  const auto perms = fs::status(target).permissions();
  EXPECT_NE(perms & fs::perms::group_read, fs::perms::none);
}

TEST(AtomicFile, AFailedWriteKeepsTheOldFileAndLeavesNothingBehind) {
  ScratchFolder folder;
  const fs::path target = folder / "result.txt";
  const std::string old = "f,Hz   X  Y  Z  H/Z\r\n 1.00000000000000E+0000\r\n";
  WriteText(target, old);
  const std::string big(1 << 20, 'x');

  // A path through a file.
  WriteText(folder / "plain", "a file, not a folder");
  const Outcome through = corvath::app::WriteFileAtomically((folder / "plain" / "result.txt").string(), big);
  EXPECT_TRUE(through.failed());
  EXPECT_NE(through.message.find("plain/result.txt"), std::string::npos) << through.message;

  // The disk fills up in the middle of the write (a file size limit stands for it,
  // as it holds for root too).
  {
    struct rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const Outcome full = corvath::app::WriteFileAtomically(target.string(), big);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
    EXPECT_TRUE(full.failed());
    EXPECT_EQ(full.path, target.string());
  }

  // A read-only folder (root may write there anyway).
  if (::geteuid() != 0) {
    fs::permissions(folder.path(), fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_TRUE(corvath::app::WriteFileAtomically(target.string(), big).failed());
    fs::permissions(folder.path(), fs::perms::owner_all);
  }

  // A writer that gives up.
  const Outcome abandoned =
      corvath::app::WriteFileAtomically(target.string(), [](std::ostream& out) { out << "half"; return false; });
  EXPECT_TRUE(abandoned.failed());

  EXPECT_EQ(ReadAll(target), old);
  EXPECT_EQ(folder.entries(), 2u);  // result.txt and plain, no temporary file
}

TEST(Commands, LoadAnswersWithOneOutcomeAndChangesNothingOnFailure) {
  ScratchFolder folder;
  WriteText(folder / "x.txt", ComponentText(2.0, 400, 1.0));
  WriteText(folder / "y.txt", ComponentText(2.0, 400, 2.0));
  WriteText(folder / "z.txt", ComponentText(5.0, 400, 3.0));
  WriteText(folder / "empty.saf", "no header end here\n");
  corvath::app::Workspace ws;
  corvath::app::LoadRequest components{corvath::import::RecordFormat::Components,
                                       {(folder / "x.txt").string(), (folder / "y.txt").string(),
                                        (folder / "z.txt").string()},
                                       {}};
  ASSERT_TRUE(corvath::app::LoadRecord(ws, components).done());
  EXPECT_EQ(ws.record.size(Component::Z), 400u);
  corvath::app::AddAnalysisWindow(ws, 0.5, 2.5);
  const auto record = ws.record;

  struct Case {
    const char* name;
    corvath::app::LoadRequest request;
    Outcome::Status status;
    std::string path;
  };
  const std::string missing = (folder / "missing.txt").string();
  const Case cases[] = {
      {"a missing component file",
       {corvath::import::RecordFormat::Components, {(folder / "x.txt").string(), missing, (folder / "z.txt").string()}, {}},
       Outcome::Status::Failed, missing},
      {"nothing to load", {corvath::import::RecordFormat::Saf, {(folder / "empty.saf").string()}, {}},
       Outcome::Status::Unchanged, (folder / "empty.saf").string()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Outcome outcome = corvath::app::LoadRecord(ws, c.request);
    EXPECT_EQ(outcome.status, c.status);
    EXPECT_FALSE(outcome.message.empty());
    EXPECT_EQ(outcome.path, c.path);
    EXPECT_EQ(ws.record, record);
    EXPECT_EQ(ws.windows.windows.size(), 1u);
  }
}

TEST(Commands, SpectraFailureKeepsTheLastResultAndTheTheoreticalCurveFollowsTheRatio) {
  corvath::app::Workspace ws;
  for (int i = 0; i < 6000; ++i)
    for (Component c : corvath::import::kComponents)
      ws.record.append(c, i * 0.01, std::sin(0.02 * i * (1 + static_cast<int>(c))) + 0.3 * std::sin(0.7 * i * i));

  // No ratio yet: the curve stays empty, the values are stored.
  ASSERT_TRUE(corvath::app::CalculateTheoreticalCurve(ws, {2.0, 0.3}).done());
  EXPECT_EQ(ws.referenceFrequency, 2.0);
  EXPECT_EQ(ws.dispersionExponent, 0.3);
  EXPECT_TRUE(ws.theoreticalCurve.empty());

  ASSERT_TRUE(corvath::app::CalculateSpectra(ws, {1.0, 20.0, true}).done());
  const auto ratio = ws.spectraResult->ratio.points;
  EXPECT_TRUE(corvath::app::CalculateSpectra(ws, {70.0, 80.0, true}).failed());
  ASSERT_TRUE(ws.spectraResult);
  EXPECT_EQ(ws.spectraResult->ratio.points.size(), ratio.size());

  ASSERT_TRUE(corvath::app::CalculateTheoreticalCurve(ws, {0.0, 0.1}).done());
  ASSERT_EQ(ws.theoreticalCurve.size(), ratio.size());
  for (std::size_t k = 0; k < ratio.size(); ++k) {
    EXPECT_EQ(ws.theoreticalCurve[k].re, ratio[k].frequencyHz);
    EXPECT_TRUE(std::isfinite(ws.theoreticalCurve[k].im));
  }
  // A fault in the forward model keeps the previous curve and says why.
  const auto before = ws.theoreticalCurve;
  const Outcome fault = corvath::app::CalculateTheoreticalCurve(ws, {0.0, corvath::numerics::InvalidNumber});
  EXPECT_TRUE(fault.failed());
  EXPECT_FALSE(fault.message.empty());
  EXPECT_EQ(ws.theoreticalCurve.size(), before.size());
}

TEST(Commands, ResultFileNames) {
  using corvath::app::ResultFileType;
  struct Case {
    const char* name;
    ResultFileType type;
    const char* expected;
  };
  const Case cases[] = {
      {"result.dat", ResultFileType::SpectrumText, "result.txt"},
      {"result", ResultFileType::SpectrumWorkbook, "result.xlsx"},
      {"/data/site.2024/result", ResultFileType::ModelText, "/data/site.2024/result.txt"},
      {"a.b.c", ResultFileType::SpectrumWorkbook, "a.b.xlsx"},
  };
  for (const Case& c : cases) EXPECT_EQ(corvath::app::ResultFileName(c.name, c.type), c.expected) << c.name;
}

TEST(Commands, ComputeAndApplyHalvesAndACancelThatChangesNothing) {
  ScratchFolder folder;
  WriteText(folder / "x.txt", ComponentText(2.0, 3000, 1.0));
  WriteText(folder / "y.txt", ComponentText(2.0, 3000, 2.0));
  WriteText(folder / "z.txt", ComponentText(5.0, 3000, 3.0));
  corvath::app::LoadRequest request{corvath::import::RecordFormat::Components,
                                    {(folder / "x.txt").string(), (folder / "y.txt").string(),
                                     (folder / "z.txt").string()},
                                    {}};
  std::vector<double> fractions;
  request.progress = [&](double f) {
    fractions.push_back(f);
    return true;
  };
  // Reading touches no workspace; applying installs the record and resets.
  corvath::app::LoadedRecord loaded = corvath::app::ReadRecordForLoad(request);
  ASSERT_TRUE(loaded.outcome.done()) << loaded.outcome.message;
  ASSERT_TRUE(loaded.record);
  ASSERT_FALSE(fractions.empty());
  EXPECT_EQ(fractions.back(), 1.0);
  corvath::app::Workspace ws;
  corvath::app::AddAnalysisWindow(ws, 0.0, 1.0);
  EXPECT_TRUE(corvath::app::ApplyLoadedRecord(ws, std::move(loaded)).done());
  EXPECT_EQ(ws.record.size(Component::X), 3000u);
  EXPECT_TRUE(ws.windows.windows.empty());

  // A cancelled load answers Unchanged("cancelled") and leaves the record.
  const auto record = ws.record;
  request.progress = [](double) { return false; };
  const Outcome cancelledLoad = corvath::app::LoadRecord(ws, request);
  EXPECT_EQ(cancelledLoad.status, Outcome::Status::Unchanged);
  EXPECT_EQ(cancelledLoad.message, "cancelled");
  EXPECT_EQ(ws.record, record);

  // Spectra: computed from the inputs alone, then applied; a cancel keeps the last result.
  corvath::app::SpectraSettings settings;
  corvath::app::ComputedSpectra computed = corvath::app::ComputeSpectra(ws.record, {}, settings);
  ASSERT_TRUE(computed.outcome.done()) << computed.outcome.message;
  EXPECT_FALSE(ws.spectraResult);
  EXPECT_TRUE(corvath::app::ApplyComputedSpectra(ws, std::move(computed)).done());
  ASSERT_TRUE(ws.spectraResult);
  const auto ratio = ws.spectraResult->ratio.points;
  corvath::app::AddAnalysisWindow(ws, 0.0, 20.0);
  settings.progress = [](double) { return false; };
  const Outcome cancelledSpectra = corvath::app::CalculateSpectra(ws, settings);
  EXPECT_EQ(cancelledSpectra.status, Outcome::Status::Unchanged);
  EXPECT_EQ(cancelledSpectra.message, "cancelled");
  ASSERT_TRUE(ws.spectraResult);
  EXPECT_TRUE(ws.spectraResult->automatic);
  EXPECT_EQ(ws.spectraResult->ratio.points.size(), ratio.size());
}

TEST(Commands, ALoadAtAnAssumedRateSaysSo) {
  ScratchFolder folder;
  WriteText(folder / "r.saf", "SESAME\n####-\n1 2 3\n4 5 6\n");
  corvath::app::Workspace ws;
  const Outcome outcome =
      corvath::app::LoadRecord(ws, {corvath::import::RecordFormat::Saf, {(folder / "r.saf").string()}, {}});
  ASSERT_TRUE(outcome.done());
  EXPECT_NE(outcome.message.find("the sampling rate 1000 Hz was assumed"), std::string::npos) << outcome.message;
  EXPECT_EQ(ws.record.sample(Component::X, 1).time, 0.001);
}

// "Apply" of the "Settings" dialog answers Done (with a notice when some group was
// refused), Failed when nothing was taken, Unchanged when no group is used.
TEST(ModelCommands, ParameterSettingsAnswerOneShape) {
  using corvath::inversion::AppliedSettings;
  using corvath::inversion::ParameterSettings;
  constexpr int Vs = 2;
  struct Case {
    const char* name;
    int p;
    ParameterSettings settings;
    Outcome::Status status;
    const char* message;
    AppliedSettings applied;  // when Done
  };
  ParameterSettings valuesAndInvert;
  valuesAndInvert.startValue = 0.5;
  valuesAndInvert.incFactor = 1.2;
  valuesAndInvert.valuesEnabled = valuesAndInvert.invertEnabled = true;
  ParameterSettings valuesAndBadLimits = valuesAndInvert;
  valuesAndBadLimits.invertEnabled = false;
  valuesAndBadLimits.limitsEnabled = true;
  valuesAndBadLimits.minimum = 2.0;
  valuesAndBadLimits.maximum = 1.0;
  ParameterSettings badLimitsOnly = valuesAndBadLimits;
  badLimitsOnly.valuesEnabled = false;
  ParameterSettings badBoth = badLimitsOnly;
  badBoth.valuesEnabled = true;
  badBoth.startValue = 7.0;
  const Case cases[] = {
      {"nothing used", Vs, ParameterSettings{}, Outcome::Status::Unchanged, "", {}},
      {"all taken", Vs, valuesAndInvert, Outcome::Status::Done, "", {true, false, true, {}}},
      {"limits refused, values taken",
       Vs,
       valuesAndBadLimits,
       Outcome::Status::Done,
       "Maximum: 1 is not above the Minimum 2",
       {true, false, false, {"Maximum: 1 is not above the Minimum 2"}}},
      {"only group refused", Vs, badLimitsOnly, Outcome::Status::Failed, "Maximum: 1 is not above the Minimum 2", {}},
      {"two refused",
       Vs,
       badBoth,
       Outcome::Status::Failed,
       "Start value: 7 is not within 0.01 to 6\nMaximum: 1 is not above the Minimum 2",
       {}},
      {"no such parameter", 6, valuesAndInvert, Outcome::Status::Failed, "there is no model parameter 6", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    corvath::app::Workspace ws;
    const corvath::inversion::ModelTables before = ws.modelTables;
    const auto answer = corvath::app::ApplyParameterSettings(ws, c.p, c.settings);
    EXPECT_EQ(answer.outcome.status, c.status);
    EXPECT_EQ(answer.message(), c.message);
    EXPECT_EQ(answer.value.has_value(), c.status == Outcome::Status::Done);
    if (answer.value) { EXPECT_EQ(*answer, c.applied); }
    if (c.p == Vs) { EXPECT_EQ(ws.modelTables.SelectedParameter, Vs); }
    if (c.status != Outcome::Status::Done) {
      ws.modelTables.SelectedParameter = before.SelectedParameter;
      EXPECT_EQ(ws.modelTables, before);
    }
  }
}

TEST(ModelCommands, CellValuesAndInvertTogglesAnswerOneShape) {
  constexpr int Vs = 2, Rho = 3;
  corvath::app::Workspace ws;
  EXPECT_TRUE(corvath::app::EditModelCell(ws, Vs + 1, 2, 0.5).done());
  EXPECT_EQ(ws.model.values[Vs][1], 0.5);

  const corvath::inversion::amodel before = ws.model;
  const Outcome refused = corvath::app::EditModelCell(ws, Vs + 1, 2, 7.0);
  EXPECT_TRUE(refused.failed());
  EXPECT_EQ(refused.message, "Vs(km/s): 7 is not within 0.01 to 6");
  const Outcome noValue = corvath::app::EditModelCell(ws, 0, 1, 5.0);
  EXPECT_TRUE(noValue.unchanged());
  EXPECT_EQ(noValue.message, "cell (0, 1) holds no model value");
  EXPECT_EQ(ws.model, before);

  EXPECT_TRUE(corvath::app::ToggleInvertFlag(ws, Rho + 1, 1).done());
  EXPECT_TRUE(ws.model.invertFlags[Rho][0]);
  for (auto [c, r] : {std::pair{0, 1}, {Rho + 1, 0}, {7, 1}, {1, 11}})
    EXPECT_TRUE(corvath::app::ToggleInvertFlag(ws, c, r).unchanged()) << c << "," << r;
  ws.model.invertFlags[Rho][0] = false;
  EXPECT_EQ(ws.model, before);
}

// A layer whose Vs is not below its Vp, or (above the half-space) whose Qs exceeds its
// Qp, is named; the half-space's quality factors are no model values.
TEST(Commands, UnphysicalLayersAreNamed) {
  corvath::app::Workspace ws;
  corvath::app::SetLayerCount(ws, 3);
  auto& v = ws.model.values;
  v[1] = {0.6, 1.6, 3.0};     // Vp
  v[2] = {0.2, 1.6, 1.5};     // Vs: layer 2 as fast as its Vp
  v[4] = {20.0, 40.0, 10.0};  // Qp
  v[5] = {30.0, 20.0, 50.0};  // Qs: above Qp in layer 1 and in the half-space
  EXPECT_EQ(corvath::app::UnphysicalLayers(ws.model),
            (std::vector<std::string>{"layer 1: Qs 30 > Qp 20", "layer 2: Vs 1.60 >= Vp 1.60"}));
  v[2][1] = 0.5;
  v[5][0] = 10.0;
  EXPECT_TRUE(corvath::app::UnphysicalLayers(ws.model).empty());
}

namespace {

// A member of a zip archive (a workbook) as text; empty when it cannot be read.
std::string ZipMember(const fs::path& archivePath, const char* name) {
  int error = 0;
  zip_t* archive = zip_open(archivePath.c_str(), ZIP_RDONLY, &error);
  if (!archive) return {};
  std::string text;
  zip_stat_t stat;
  if (zip_stat(archive, name, 0, &stat) == 0)
    if (zip_file_t* file = zip_fopen(archive, name, 0)) {
      text.resize(stat.size);
      if (zip_fread(file, text.data(), stat.size) != static_cast<zip_int64_t>(stat.size)) text.clear();
      zip_fclose(file);
    }
  zip_discard(archive);
  return text;
}

}  // namespace

TEST(Commands, SaveResultsWithBoundsAndTheSettingsOfTheComputation) {
  ScratchFolder folder;
  const std::vector<std::string> files{(folder / "x.txt").string(), (folder / "y.txt").string(),
                                       (folder / "z.txt").string()};
  for (int c = 0; c < 3; ++c) WriteText(files[c], ComponentText(2.0 + c, 6000, c));
  corvath::app::Workspace ws;
  ASSERT_TRUE(corvath::app::LoadRecord(ws, {corvath::import::RecordFormat::Components, files, {}}).done());
  EXPECT_EQ(ws.recordFiles, files);
  corvath::app::SpectraSettings settings;
  settings.minFrequencyHz = 0.75;
  settings.maxFrequencyHz = 12.5;
  ASSERT_TRUE(corvath::app::CalculateSpectra(ws, settings).done());
  ASSERT_TRUE(ws.spectraResult->ratio.hasBounds);
  EXPECT_EQ(ws.spectraResult->recordFiles, files);
  ASSERT_TRUE(ws.spectraResult->computedWith);
  EXPECT_EQ(ws.spectraResult->computedWith->minFrequencyHz, 0.75);
  EXPECT_TRUE(ws.spectraResult->computedWith->windows.empty());

  using corvath::app::ResultFileType;
  // The plain table as ever; the one with bounds: seven 23-character values a row.
  const fs::path plain = folder / "plain.txt", bounds = folder / "bounds.txt", book = folder / "book.xlsx";
  ASSERT_TRUE(corvath::app::SaveResults(ws, {ResultFileType::SpectrumText, plain.string(), {}}).done());
  std::ostringstream expected;
  ASSERT_TRUE(corvath::app::WriteSpectrumTable(ws, expected).done());
  EXPECT_EQ(ReadAll(plain), expected.str());
  ASSERT_TRUE(corvath::app::SaveResults(ws, {ResultFileType::SpectrumTextWithBounds, bounds.string(), {}}).done());
  std::istringstream lines(ReadAll(bounds));
  std::string line;
  std::getline(lines, line);
  EXPECT_EQ(line, "f,Hz   X  Y  Z  H/Z  lower  upper\r");
  std::size_t rows = 0;
  for (; std::getline(lines, line); ++rows) EXPECT_EQ(line.size(), 7u * 23 + 6 + 1) << line;
  EXPECT_EQ(rows, ws.spectraResult->ratio.points.size());
  // It reads back as an observed curve with its bounds.
  corvath::app::Workspace observed;
  ASSERT_TRUE(corvath::app::LoadObservedCurve(observed, bounds.string()).done());
  EXPECT_TRUE(observed.spectraResult->ratio.hasBounds);
  EXPECT_EQ(observed.spectraResult->averaged[2].points.size(), rows);

  // The workbook's second sheet names the files, the settings and the program.
  ASSERT_TRUE(corvath::app::SaveResults(ws, {ResultFileType::SpectrumWorkbook, book.string(), {}}).done());
  const std::string strings = ZipMember(book, "xl/sharedStrings.xml");
  for (const std::string& text : {files[0] + "; " + files[1] + "; " + files[2], corvath::app::ProgramName(),
                                  std::string("Min frq"), std::string("automatic segmentation")})
    EXPECT_NE(strings.find(text), std::string::npos) << text;
  EXPECT_NE(ZipMember(book, "xl/worksheets/sheet2.xml").find("<v>0.75</v>"), std::string::npos);

  // With analysis windows the ratio has no bounds: refused, and no file is written.
  ASSERT_TRUE(corvath::app::AddAnalysisWindow(ws, 1.0, 30.0).done());
  ASSERT_TRUE(corvath::app::CalculateSpectra(ws, settings).done());
  const fs::path refused = folder / "refused.txt";
  const Outcome outcome = corvath::app::SaveResults(ws, {ResultFileType::SpectrumTextWithBounds, refused.string(), {}});
  EXPECT_TRUE(outcome.failed());
  EXPECT_NE(outcome.message.find("no bounds"), std::string::npos) << outcome.message;
  EXPECT_FALSE(fs::exists(refused));
}
