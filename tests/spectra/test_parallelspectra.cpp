// The transforms spread over two threads give the same values as one thread, bit
// for bit; progress is reported and can cancel; failures name their cause.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "import/record.h"
#include "numerics/parallel.h"
#include "spectra/calculatespectra.h"
#include "support/records.h"

using namespace corvath;
using namespace corvath::spectra;
using import::Component;

namespace {

import::ThreeComponentRecord NoiseRecord(std::size_t samples, double dt) {
  return corvath::testing::RecordOf(
      corvath::testing::OscillationOverNoise(static_cast<int>(samples), dt, 2.5, 0.3, 0.3, 7));
}

void ExpectIdentical(const SpectraResult& a, const SpectraResult& b) {
  ASSERT_EQ(a.windowSpectra.size(), b.windowSpectra.size());
  for (std::size_t w = 0; w < a.windowSpectra.size(); ++w) {
    const auto& pa = a.windowSpectra[w].curve.points;
    const auto& pb = b.windowSpectra[w].curve.points;
    ASSERT_EQ(a.windowSpectra[w].curve.title, b.windowSpectra[w].curve.title);
    ASSERT_EQ(pa.size(), pb.size());
    for (std::size_t i = 0; i < pa.size(); ++i) {
      ASSERT_EQ(pa[i].frequencyHz, pb[i].frequencyHz);
      ASSERT_EQ(pa[i].amplitude, pb[i].amplitude) << a.windowSpectra[w].curve.title << " point " << i;
    }
  }
  for (int c = 0; c < 3; ++c) {
    ASSERT_EQ(a.averaged[c].points.size(), b.averaged[c].points.size());
    for (std::size_t i = 0; i < a.averaged[c].points.size(); ++i) {
      ASSERT_EQ(a.averaged[c].points[i].frequencyHz, b.averaged[c].points[i].frequencyHz);
      ASSERT_EQ(a.averaged[c].points[i].amplitude, b.averaged[c].points[i].amplitude) << c << " point " << i;
    }
  }
  ASSERT_EQ(a.ratio.points.size(), b.ratio.points.size());
  for (std::size_t i = 0; i < a.ratio.points.size(); ++i) {
    ASSERT_EQ(a.ratio.points[i].frequencyHz, b.ratio.points[i].frequencyHz);
    ASSERT_EQ(a.ratio.points[i].ratio, b.ratio.points[i].ratio) << "ratio point " << i;
    ASSERT_EQ(a.ratio.points[i].lower, b.ratio.points[i].lower);
    ASSERT_EQ(a.ratio.points[i].upper, b.ratio.points[i].upper);
  }
  EXPECT_EQ(a.ratio.peak, b.ratio.peak);
}

TEST(ParallelSpectra, TwoThreadsGiveTheSequentialValuesBitForBit) {
  // 20 minutes at 100 Hz: 51 segments in rounds of four (the last round short), and
  // windows of different lengths, one overlapping another.
  const auto record = NoiseRecord(120000, 0.01);
  const std::vector<std::vector<WindowInterval>> windowLists{
      {},
      {{0, 60}, {100, 130}, {120, 400}, {500, 500.5}, {700, 1199}},
  };
  for (const auto& windows : windowLists) {
    for (bool logAveraging : {true, false}) {
      SCOPED_TRACE(std::string(windows.empty() ? "automatic" : "windowed") + (logAveraging ? ", log" : ", linear"));
      const auto sequential = CalculateSpectra(record, windows, logAveraging, 0.5, 30.0, nullptr, 1);
      const auto parallel = CalculateSpectra(record, windows, logAveraging, 0.5, 30.0, nullptr, 2);
      ASSERT_TRUE(sequential.value) << sequential.message();
      ASSERT_TRUE(parallel.value) << parallel.message();
      ExpectIdentical(*sequential.value, *parallel.value);
    }
  }
}

TEST(ParallelSpectra, ProgressRisesToOneAndAFalseAnswerCancels) {
  const auto record = NoiseRecord(60000, 0.01);
  for (const std::vector<WindowInterval>& windows : {std::vector<WindowInterval>{},
                                                     std::vector<WindowInterval>{{0, 100}, {200, 300}, {400, 500}}}) {
    std::vector<double> seen;
    numerics::Progress progress([&](double f) {
      seen.push_back(f);
      return true;
    });
    ASSERT_TRUE(CalculateSpectra(record, windows, true, 1.0, 20.0, &progress, 2).value);
    ASSERT_FALSE(seen.empty());
    for (std::size_t i = 1; i < seen.size(); ++i) EXPECT_LE(seen[i - 1], seen[i]);
    EXPECT_EQ(seen.back(), 1.0);

    int calls = 0;
    numerics::Progress cancelling([&](double) { return ++calls < 2; });
    EXPECT_THROW(CalculateSpectra(record, windows, true, 1.0, 20.0, &cancelling, 2), numerics::Cancelled);
    EXPECT_EQ(calls, 2);
  }
}

TEST(ParallelSpectra, FailuresNameTheCauseInTheSamples) {
  const auto good = NoiseRecord(6000, 0.01);
  struct Case {
    const char* name;
    Component component;
    double value;  // every sample of the component becomes this
    std::string cause;
  };
  const std::vector<Case> cases{
      {"all-zero Z", Component::Z, 0.0, "all samples of Z are 0: it has no spectrum"},
      {"all-zero X", Component::X, 0.0, "all samples of X are 0"},
      {"constant Y", Component::Y, 5.0, "the samples of Y are constant (every sample is 5)"},
      {"too large X", Component::X, 1e308, "the values of X are too large to transform (largest magnitude 1e+308)"},
  };
  for (const Case& c : cases) {
    import::ThreeComponentRecord record = good;
    for (std::size_t i = 0; i < record.size(c.component); ++i) record.setValue(c.component, i, c.value);
    for (const std::vector<WindowInterval>& windows :
         {std::vector<WindowInterval>{}, std::vector<WindowInterval>{{0, 20}, {30, 50}}}) {
      SCOPED_TRACE(std::string(c.name) + (windows.empty() ? ", automatic" : ", windowed"));
      const auto outcome = CalculateSpectra(record, windows, true, 1.0, 20.0);
      ASSERT_FALSE(outcome.value);
      EXPECT_NE(outcome.message().find(c.cause), std::string::npos) << outcome.message();
    }
  }
}

TEST(ParallelFor, EveryIndexOnceAndTheLowestFailureWins) {
  for (std::size_t workers : {1u, 2u, 3u}) {
    std::vector<int> hits(1000, 0);
    numerics::ParallelFor(hits.size(), workers, [&](std::size_t i) { ++hits[i]; });
    for (int h : hits) ASSERT_EQ(h, 1);
    try {
      numerics::ParallelFor(100, workers, [](std::size_t i) {
        if (i == 3 || i == 7) throw std::runtime_error(std::to_string(i));
      });
      ADD_FAILURE() << "no error";
    } catch (const std::runtime_error& e) {
      EXPECT_STREQ(e.what(), "3");
    }
  }
  EXPECT_GE(numerics::WorkerCount(), 1u);
  EXPECT_LE(numerics::WorkerCount(8), 2u);
}

}  // namespace
