#include "inversion/searchchains.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <exception>
#include <mutex>
#include <thread>

#include "inversion/randomgenerator.h"
#include "inversion/runsupport.h"

namespace corvath::inversion {

namespace {

// Where the chains of one run meet the run's progress: one call at a time.
class ChainHub {
 public:
  ChainHub(InversionProgress& progress, std::size_t chains, const spectra::RatioCurve& observed,
           const InversionSettings& settings)
      : progress_(progress), percents_(chains, 0), observed_(observed),
        weights_(ComputeBandWeights(observed, settings)) {}

  void Report(std::size_t chain, int percent) {
    const std::lock_guard lock(mutex_);
    percents_[chain] = percent;
    long long sum = 0;
    for (int p : percents_) sum += p;
    progress_.Report(detail::ProgressPercent(sum, 100LL * static_cast<long long>(percents_.size())));
    progress_.ReportChains(percents_);
  }

  // The best state shown so far is replaced only by a better one.
  void Show(const InversionSnapshot& snapshot) {
    const double misfit = GlobalSearchMisfit(snapshot.theoreticalCurve, observed_, weights_);
    const std::lock_guard lock(mutex_);
    if (shown_ && !(misfit < shownMisfit_)) return;
    shown_ = true;
    shownMisfit_ = misfit;
    progress_.ShowState(snapshot);
  }

  bool StopRequested() const { return progress_.IsStopRequested(); }

 private:
  std::mutex mutex_;
  InversionProgress& progress_;
  std::vector<int> percents_;
  const spectra::RatioCurve& observed_;
  FitWeights weights_;
  bool shown_ = false;
  double shownMisfit_ = 0.0;
};

// One chain's progress: reports through the hub and takes up a stop of the run's
// progress at the end of every level.
class ChainProgress : public InversionProgress {
 public:
  ChainProgress(ChainHub& hub, std::size_t chain) : hub_(hub), chain_(chain) {
    if (hub_.StopRequested()) RequestStop();
  }
  void Report(int percent) override {
    hub_.Report(chain_, percent);
    if (hub_.StopRequested()) RequestStop();
  }
  void ShowState(const InversionSnapshot& snapshot) override {
    hub_.Show(snapshot);
    if (hub_.StopRequested()) RequestStop();
  }

 private:
  ChainHub& hub_;
  std::size_t chain_;
};

// Chain k of a run; without a seed the first chain draws from the process-wide generator.
GlobalSearchChain RunChain(const InversionState& start, const spectra::RatioCurve& observed, const ModelTables& tables,
                           const InversionSettings& settings, const CurveEvaluatorFactory& makeEvaluator,
                           std::optional<std::uint64_t> seed, std::size_t k, std::uint64_t clockSeed,
                           bool recordAccepted, InversionProgress& progress) {
  if (!seed && k == 0) {
    const std::function<std::uint32_t()> random = RandomInteger;
    return RunGlobalSearchChain(start, observed, tables, settings, makeEvaluator(), progress, random, recordAccepted);
  }
  RandomGenerator generator((seed ? *seed : clockSeed) + k);
  const std::function<std::uint32_t()> random = [&generator] { return generator.Next(); };
  return RunGlobalSearchChain(start, observed, tables, settings, makeEvaluator(), progress, random, recordAccepted);
}

}  // namespace

int ChainWorkers(int requested, int chains) {
  int workers = requested;
  if (workers <= 0) workers = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  return std::clamp(workers, 1, std::max(1, chains));
}

ChainsOutcome RunGlobalSearchChains(const InversionState& start, const spectra::RatioCurve& observed,
                                    const ModelTables& tables, const InversionSettings& settings,
                                    const CurveEvaluatorFactory& makeEvaluator, const ChainSettings& chainSettings,
                                    InversionProgress& progress) {
  const std::size_t count = static_cast<std::size_t>(std::max(1, chainSettings.chains));
  ChainsOutcome outcome;
  outcome.chains.resize(count);
  if (count == 1) {
    outcome.chains[0] = RunChain(start, observed, tables, settings, makeEvaluator, chainSettings.seed, 0, 0,
                                 chainSettings.recordAccepted, progress);
    return outcome;
  }

  const std::uint64_t clockSeed =
      static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
  ChainHub hub(progress, count, observed, settings);
  std::atomic<std::size_t> next{0};
  std::vector<std::exception_ptr> faults(count);
  const auto work = [&] {
    for (std::size_t k = next++; k < count; k = next++) {
      try {
        ChainProgress chainProgress(hub, k);
        outcome.chains[k] = RunChain(start, observed, tables, settings, makeEvaluator, chainSettings.seed, k,
                                     clockSeed, chainSettings.recordAccepted, chainProgress);
      } catch (...) {
        faults[k] = std::current_exception();
      }
    }
  };
  const int workers = ChainWorkers(chainSettings.workers, static_cast<int>(count));
  std::vector<std::thread> threads;
  threads.reserve(static_cast<std::size_t>(workers - 1));
  for (int w = 1; w < workers; ++w) {
    try {
      threads.emplace_back(work);
    } catch (const std::exception&) {
      break;  // no thread to be had: the workers that started take the remaining chains
    }
  }
  work();
  for (std::thread& thread : threads) thread.join();
  for (const std::exception_ptr& fault : faults)
    if (fault) std::rethrow_exception(fault);

  for (std::size_t k = 1; k < count; ++k)
    if (outcome.chains[k].bestMisfit < outcome.chains[outcome.bestChain].bestMisfit) outcome.bestChain = k;
  return outcome;
}

}  // namespace corvath::inversion
