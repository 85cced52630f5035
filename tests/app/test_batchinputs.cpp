// The commands that read the batch commands' inputs: an observed curve from a results
// table and a model from a model text; and the headless forward curve.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

#include <unistd.h>

#include "app/commands.h"
#include "app/forwardcurve.h"
#include "app/modelfile.h"
#include "app/observedcurve.h"

namespace fs = std::filesystem;
using namespace corvath;
using app::Outcome;

namespace {

class Folder {
public:
  Folder() {
    char pattern[] = "/tmp/corvath-batch-XXXXXX";
    path_ = ::mkdtemp(pattern);
  }
  ~Folder() { fs::remove_all(path_); }
  std::string operator/(const std::string& name) const { return (path_ / name).string(); }

private:
  fs::path path_;
};

void WriteText(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

// Three points with bounds, as an automatic segmentation leaves them.
spectra::SpectraResult ThreePoints() {
  spectra::SpectraResult result;
  const double f[] = {1.0, 2.0 / 3.0 + 1.0, 3.25};
  for (int c = 0; c < 3; ++c)
    for (int k = 0; k < 3; ++k) result.averaged[c].points.push_back({f[k], 10.0 * (c + 1) + k / 7.0});
  result.ratio.points = {{f[0], 1.5, 1.2, 1.9}, {f[1], 4.0 / 3.0, 1.0, 1.6}, {f[2], 0.7, 0.5, 0.9}};
  result.ratio.hasBounds = true;
  return result;
}

}  // namespace

TEST(LoadObservedCurve, ReadsBackTheTablesOfSaveResultsAndOfTheBounds) {
  Folder folder;
  app::Workspace written;
  written.spectraResult = ThreePoints();
  ASSERT_TRUE(app::SaveResults(written, {app::ResultFileType::SpectrumText, folder / "table.txt", {}}).done());
  ASSERT_TRUE(app::SaveRatioBounds(written, folder / "bounds.txt").done());

  app::Workspace read;
  ASSERT_TRUE(app::LoadObservedCurve(read, folder / "table.txt").done());
  const spectra::SpectraResult& table = *read.spectraResult;
  EXPECT_FALSE(table.ratio.hasBounds);
  ASSERT_EQ(table.ratio.points.size(), 3u);
  for (int k = 0; k < 3; ++k) {
    const spectra::RatioPoint& p = table.ratio.points[k];
    EXPECT_NEAR(p.frequencyHz, written.spectraResult->ratio.points[k].frequencyHz, 1e-14);
    EXPECT_NEAR(p.ratio, written.spectraResult->ratio.points[k].ratio, 1e-14);
    EXPECT_EQ(p.lower, p.ratio);
    EXPECT_EQ(p.upper, p.ratio);
    EXPECT_NEAR(table.averaged[2].points[k].amplitude, written.spectraResult->averaged[2].points[k].amplitude, 1e-13);
  }
  EXPECT_EQ(table.ratio.peak, std::optional<std::size_t>(0));
  // Written again, the table is the same bytes.
  std::ostringstream again, original;
  app::WriteSpectrumTable(read, again);
  app::WriteSpectrumTable(written, original);
  EXPECT_EQ(again.str(), original.str());
  EXPECT_EQ(app::ObservedFrequencies(read).size(), 3u);

  ASSERT_TRUE(app::LoadObservedCurve(read, folder / "bounds.txt").done());
  EXPECT_TRUE(read.spectraResult->ratio.hasBounds);
  EXPECT_NEAR(read.spectraResult->ratio.points[1].lower, 1.0, 1e-15);
  EXPECT_NEAR(read.spectraResult->ratio.points[2].upper, 0.9, 1e-15);
  EXPECT_TRUE(read.spectraResult->averaged[0].points.empty());
}

TEST(LoadObservedCurve, RefusesAndKeepsTheLastCurve) {
  Folder folder;
  fs::create_directory(folder / "folder");
  const std::string heading = "f,Hz   H/Z  lower  upper\r\n";
  struct Case {
    std::string name;
    std::string text;  // not written for the missing file and the folder
    const char* message;
  };
  const Case cases[] = {
      {"missing.txt", "", "File not found"},
      {"folder", "", "File access denied"},
      {"empty.txt", "", "no heading: the table is empty"},
      {"heading.txt", "f,Hz X Y Z\r\n1 1 1 1\r\n", "line 1: the heading \"f,Hz   X  Y  Z  H/Z\" or"},
      {"rows.txt", heading, "the table has no data row"},
      {"fields.txt", heading + "1 2 3 4\r\n2 2 3\r\n", "line 3: 4 numbers expected, found 3 fields"},
      {"number.txt", heading + "\r\n1 2 3 x4\r\n", "line 3: \"x4\" is not a number"},
      {"zero.txt", heading + "0 2 3 4\r\n", "line 2: the frequency \"0\" is not positive"},
      {"order.txt", heading + "1 2 3 4\r\n1 2 3 4\r\n", "line 3: the frequency \"1\" does not follow the one above it"},
      {"long.txt", heading + std::string(5000, ' ') + "1 2 3 4\r\n", "line 2: longer than 4096 characters"},
  };
  app::Workspace workspace;
  workspace.spectraResult = ThreePoints();
  for (const Case& c : cases) {
    if (c.name != "missing.txt" && c.name != "folder") WriteText(folder / c.name, c.text);
    const Outcome outcome = app::LoadObservedCurve(workspace, folder / c.name);
    EXPECT_TRUE(outcome.failed()) << c.name;
    EXPECT_EQ(outcome.path, folder / c.name);
    EXPECT_EQ(outcome.message.rfind(c.message, 0), 0u) << c.name << ": " << outcome.message;
    EXPECT_EQ(workspace.spectraResult->ratio.points.size(), 3u);
    EXPECT_TRUE(workspace.spectraResult->ratio.hasBounds);
  }
}

TEST(LoadModelText, ReplacesTheModelOrKeepsIt) {
  Folder folder;
  app::Workspace workspace;
  const inversion::amodel before = workspace.model;
  WriteText(folder / "bad.txt", " N  H(m)  Vp(km/s)  Vs(km/s)  rho(g/cm)  Qp  Qs \r\n 1  20  0.5  0.2  1.8  20  10 \r\n");
  const Outcome refused = app::LoadModelText(workspace, folder / "bad.txt");
  EXPECT_TRUE(refused.failed());
  EXPECT_EQ(refused.path, folder / "bad.txt");
  EXPECT_EQ(workspace.model, before);

  // The window's model text written exact and read back is the same model.
  workspace.model.values[1][4] = 0.61234567890123;
  ASSERT_TRUE(app::SaveModelText(workspace, app::ModelValueText::Exact, folder / "exact.txt").done());
  app::Workspace other;
  ASSERT_TRUE(app::LoadModelText(other, folder / "exact.txt").done());
  EXPECT_EQ(other.model, workspace.model);
  EXPECT_EQ(app::ModelText(other, app::ModelValueText::Shown), app::ModelText(workspace, app::ModelValueText::Shown));

  // With "Ref frq" and "K degree": both come back to the last bit, the workspace's own
  // values untouched; a file without them answers neither.
  const inversion::ModelTextSettings settings{0.1 + 0.2, 1.0 / 7.0};
  ASSERT_TRUE(app::SaveModelText(workspace, app::ModelValueText::Exact, folder / "settings.txt", settings).done());
  app::Workspace third;
  const app::Result<inversion::ModelTextSettings> opened = app::OpenModelText(third, folder / "settings.txt");
  ASSERT_TRUE(opened.done()) << opened.message();
  EXPECT_EQ(*opened, settings);
  EXPECT_EQ(third.model, workspace.model);
  EXPECT_EQ(third.referenceFrequency, app::Workspace{}.referenceFrequency);
  const app::Result<inversion::ModelTextSettings> old = app::OpenModelText(third, folder / "exact.txt");
  ASSERT_TRUE(old.done());
  EXPECT_EQ(*old, inversion::ModelTextSettings{});
}

TEST(ForwardCurve, NoFrequencyOrAFaultLeavesThePoints) {
  app::Workspace workspace;
  std::vector<app::ForwardPoint> points{{1, 2, 3, 4}};
  const std::vector<app::ForwardPoint> kept = points;
  EXPECT_EQ(app::ForwardCurve(workspace, {}, {}, points).status, Outcome::Status::Unchanged);
  const Outcome fault = app::ForwardCurve(workspace, {0.0, 0.1}, {-1.0, 2.0}, points);
  EXPECT_TRUE(fault.failed());
  EXPECT_EQ(fault.message, "Invalid floating point operation");
  EXPECT_EQ(points, kept);
  ASSERT_TRUE(app::ForwardCurve(workspace, {0.0, 0.1}, {1.0, 2.0, 4.0}, points).done());
  ASSERT_EQ(points.size(), 3u);
  for (const app::ForwardPoint& p : points) EXPECT_NEAR(p.ratio, p.shear / p.compression, 1e-12 * p.ratio);
}

// The kind of a record comes from what its files hold where their bytes tell, and from
// their extensions otherwise: a renamed file is read by the reader of its content.
TEST(FormatOfFiles, ContentBeforeExtension) {
  const fs::path dir = fs::temp_directory_path() / ("corvath_kinds_" + std::to_string(::getpid()));
  fs::create_directories(dir);
  auto write = [&](const std::string& name, const std::string& bytes) {
    std::ofstream(dir / name, std::ios::binary) << bytes;
    return (dir / name).string();
  };
  const std::string saf = "SESAME ASCII data format (saf) v. 1\r\nSAMP_FREQ = 100\r\n####-\r\n1 2 3\r\n";
  std::string seg2 = std::string("\x55\x3a\x01\x00", 4) + std::string(60, '\0');
  std::string sac(632, '\0');
  sac[304] = 6;  // header version 6, little-endian
  std::string mseed = "000001D " + std::string(56, '\0');
  const std::string text = "x\ny\nz\n0 1\n0.01 2\n";
  using import::RecordFormat;
  struct Case {
    std::vector<std::string> files;
    std::optional<RecordFormat> kind;
  };
  const Case cases[] = {
      {{write("renamed.miniseed", saf)}, RecordFormat::Saf},
      {{write("renamed.saf", mseed)}, RecordFormat::MiniSeed},
      {{write("noextension", seg2)}, RecordFormat::Seg2},
      {{write("plain.sg2", text)}, RecordFormat::Seg2},  // nothing in the bytes: the extension
      {{write("a.dat", sac), write("b.dat", sac), write("c.dat", sac)}, RecordFormat::Sac},
      {{write("x.txt", text), write("y.txt", text), write("z.txt", text)}, RecordFormat::Components},
      {{write("one.dat", sac)}, std::nullopt},  // a SAC file alone is no record
      {{write("unknown.bin", text)}, std::nullopt},
  };
  for (const Case& c : cases) {
    const app::Result<RecordFormat> kind = app::FormatOfFiles(c.files);
    EXPECT_EQ(kind.value, c.kind) << c.files.front();
    if (!c.kind) EXPECT_FALSE(kind.message().empty()) << c.files.front();
  }
  fs::remove_all(dir);
}
