#pragma once
// Independent chains of the global search run side by side: chain k draws from
// its own generator seeded seed + k and is exactly the search one chain would run
// with that seed. The chains are spread over worker threads, but each result
// depends only on its chain, so the outcome is the same whatever the worker count.
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "inversion/globalsearch.h"

namespace corvath::inversion {

//! How the chains are run.
struct ChainSettings {
  int chains = 1;               //!< independent searches, 1 or more
  //! Chain k draws from a generator seeded seed + k; without a seed the first chain draws
  //! from the process-wide generator and the others from generators seeded from the clock.
  std::optional<std::uint64_t> seed;
  int workers = 0;              //!< threads at most (0: one per core); never more than chains
  bool recordAccepted = false;  //!< keep every accepted proposal (for an ensemble)
};

//! A fresh evaluator of the theoretical curve for one chain (each thread needs its own).
using CurveEvaluatorFactory = std::function<CurveEvaluator()>;

//! What the chains end with, in chain order.
struct ChainsOutcome {
  std::vector<GlobalSearchChain> chains;
  std::size_t bestChain = 0;  //!< lowest misfit; ties: the lowest chain
};

//! The worker count used for `requested` workers (0: one per core) and `chains` chains.
int ChainWorkers(int requested, int chains);

//! Runs the chains from copies of start. One chain runs on the calling thread and reports
//! to progress as RunGlobalSearch does. Several report the mean of their percentages
//! (and each chain's through ReportChains), show a chain's best state whenever it is the
//! best shown so far, and all honour a stop of progress after their current level.
ChainsOutcome RunGlobalSearchChains(const InversionState& start, const spectra::RatioCurve& observed,
                                    const ModelTables& tables, const InversionSettings& settings,
                                    const CurveEvaluatorFactory& makeEvaluator, const ChainSettings& chainSettings,
                                    InversionProgress& progress);

}  // namespace corvath::inversion
