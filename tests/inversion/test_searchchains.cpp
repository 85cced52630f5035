// Chains of the global search: each is exactly the search one seed gives, the
// outcome does not depend on the worker count, the best of all is kept, and a
// stop reaches every chain.
#include "inversion/searchchains.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <mutex>
#include <vector>

#include "inversion/globalsearch.h"
#include "inversion/randomgenerator.h"
#include "inversionfixtures.h"

using namespace corvath::inversion;
using namespace corvath::inversion::testing;
using corvath::spectra::RatioCurve;

namespace {

InversionSettings Settings() {
  InversionSettings settings;
  settings.GlobalSearch = true;
  settings.MinFrequency = 0.5;
  settings.OptimizeDispersionExponent = true;
  return settings;
}

InversionState Start() {
  InversionState state = SmallState();
  for (int p : {kH, kVp, kVs, kQs}) state.model.invertFlags[p][0] = true;
  state.model.invertFlags[kVs][1] = true;
  return state;
}

RatioCurve Observed() {
  InversionState truth = SmallState();
  truth.model.values[kH][0] = 25.0;
  truth.model.values[kVs][0] = 0.18;
  return ObservedFrom(truth, LogFrequencies());
}

// Evaluators for the chains; each chain gets its own (the synthetic one keeps a call count).
CurveEvaluatorFactory Synthetic() {
  return [] {
    auto evaluator = std::make_shared<SyntheticEvaluator>();
    return CurveEvaluator([evaluator](const amodel& m, double fr, double a, corvath::numerics::arofcomplexM& curve) {
      (*evaluator)(m, fr, a, curve);
    });
  };
}

// Progress of several chains: calls come from worker threads, one at a time.
class ThreadProgress : public InversionProgress {
 public:
  int reports = 0;
  int stopAtReport = 0;
  std::vector<int> lastChains;
  void Report(int) override {
    if (++reports == stopAtReport) RequestStop();
  }
  void ShowState(const InversionSnapshot&) override {}
  void ReportChains(const std::vector<int>& percents) override { lastChains = percents; }
};

bool SameAccepted(const std::vector<AcceptedModel>& a, const std::vector<AcceptedModel>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t k = 0; k < a.size(); ++k)
    if (a[k].values != b[k].values || a[k].misfit != b[k].misfit ||
        a[k].dispersionExponent != b[k].dispersionExponent || a[k].referenceFrequency != b[k].referenceFrequency)
      return false;
  return true;
}

}  // namespace

TEST(SearchChains, OneChainIsTheSearchOfItsSeed) {
  const RatioCurve observed = Observed();
  for (std::uint64_t seed : {1u, 7u, 2024u}) {
    SeedRandomGenerator(seed);
    InversionState expected = Start();
    RecordingProgress plain;
    const InversionOutcome ran =
        RunGlobalSearch(expected, observed, ModelTables{}, Settings(), Synthetic()(), plain);

    RecordingProgress progress;
    const ChainsOutcome chains =
        RunGlobalSearchChains(Start(), observed, ModelTables{}, Settings(), Synthetic(), {1, seed, 2, true}, progress);
    ASSERT_EQ(chains.chains.size(), 1u);
    EXPECT_EQ(chains.chains[0].best, expected) << "seed " << seed;
    EXPECT_EQ(chains.chains[0].outcome.theoreticalCurve, ran.theoreticalCurve);
    // One chain reports as the plain search does: every level, every best state.
    EXPECT_EQ(progress.percents, plain.percents);
    EXPECT_EQ(progress.shown.size(), plain.shown.size());
    // Every new best was an accepted proposal.
    ASSERT_FALSE(chains.chains[0].accepted.empty());
    double lowest = chains.chains[0].accepted.front().misfit;
    for (const AcceptedModel& model : chains.chains[0].accepted) lowest = std::min(lowest, model.misfit);
    EXPECT_EQ(lowest, chains.chains[0].bestMisfit);
  }
}

TEST(SearchChains, ChainsAreTheirSeedsSearchesWhateverTheWorkerCount) {
  const RatioCurve observed = Observed();
  const auto run = [&](int workers) {
    ThreadProgress progress;
    ChainsOutcome outcome =
        RunGlobalSearchChains(Start(), observed, ModelTables{}, Settings(), Synthetic(), {4, 40, workers, true}, progress);
    EXPECT_EQ(progress.lastChains, (std::vector<int>{100, 100, 100, 100}));
    return outcome;
  };
  const ChainsOutcome one = run(1), two = run(2), again = run(2);
  ASSERT_EQ(one.chains.size(), 4u);
  for (const ChainsOutcome* other : {&two, &again}) {
    EXPECT_EQ(other->bestChain, one.bestChain);
    for (std::size_t k = 0; k < 4; ++k) {
      EXPECT_EQ(other->chains[k].best, one.chains[k].best) << "chain " << k;
      EXPECT_EQ(other->chains[k].bestMisfit, one.chains[k].bestMisfit);
      EXPECT_TRUE(SameAccepted(other->chains[k].accepted, one.chains[k].accepted)) << "chain " << k;
    }
  }
  // Chain k is the single search of seed 40 + k.
  for (std::uint64_t k = 0; k < 4; ++k) {
    RecordingProgress progress;
    const ChainsOutcome single = RunGlobalSearchChains(Start(), observed, ModelTables{}, Settings(), Synthetic(),
                                                       {1, 40 + k, 1, false}, progress);
    EXPECT_EQ(single.chains[0].best, one.chains[k].best) << "chain " << k;
    EXPECT_TRUE(single.chains[0].accepted.empty());  // not recorded when not asked for
  }
  // The best is the lowest misfit, the first chain of equal ones.
  for (std::size_t k = 0; k < 4; ++k) {
    EXPECT_LE(one.chains[one.bestChain].bestMisfit, one.chains[k].bestMisfit);
    if (k < one.bestChain) EXPECT_LT(one.chains[one.bestChain].bestMisfit, one.chains[k].bestMisfit);
  }
  // Different seeds search differently.
  EXPECT_NE(one.chains[0].best, one.chains[1].best);
}

TEST(SearchChains, TiesGoToTheLowestChainAndAStopReachesEveryChain) {
  // With no free value nothing is searched: every chain ends with the start and its misfit.
  InversionState fixed = SmallState();
  ThreadProgress quiet;
  const ChainsOutcome tied =
      RunGlobalSearchChains(fixed, Observed(), ModelTables{}, [] {
        InversionSettings s = Settings();
        s.OptimizeDispersionExponent = false;
        return s;
      }(), Synthetic(), {3, 1, 2, true}, quiet);
  ASSERT_EQ(tied.chains.size(), 3u);
  for (const GlobalSearchChain& chain : tied.chains) EXPECT_EQ(chain.outcome.end, InversionEnd::NothingToFit);
  EXPECT_EQ(tied.bestChain, 0u);

  // A stop asked at the first report ends all chains long before their 200 levels.
  ThreadProgress stopping;
  stopping.stopAtReport = 1;
  const ChainsOutcome stopped =
      RunGlobalSearchChains(Start(), Observed(), ModelTables{}, Settings(), Synthetic(), {3, 1, 2, true}, stopping);
  for (const GlobalSearchChain& chain : stopped.chains) EXPECT_EQ(chain.outcome.end, InversionEnd::Stopped);
  EXPECT_LT(stopping.reports, 3 * 5);
}

TEST(SearchChains, WorkersNeverExceedTheChains) {
  EXPECT_EQ(ChainWorkers(8, 3), 3);
  EXPECT_EQ(ChainWorkers(1, 3), 1);
  EXPECT_EQ(ChainWorkers(2, 1), 1);
  EXPECT_GE(ChainWorkers(0, 64), 1);
}
