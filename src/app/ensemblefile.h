#pragma once
// The ensemble of a global search and its Vs profile band as text tables: every
// value in the shortest text that reads back to the same double, lines ended by CR LF.
#include <string>
#include <vector>

#include "app/outcome.h"
#include "inversion/ensemble.h"

namespace corvath::app {

//! "model misfit layer H Vp Vs rho Qp Qs", then one row per layer of every model (models
//! numbered from 1 in the ensemble's order; the half-space's H as 0).
std::string EnsembleText(const std::vector<inversion::AcceptedModel>& models);

//! "depth_m vs_p05 vs_p50 vs_p95", then one row per depth (m; Vs in km/s).
std::string ProfileText(const inversion::ProfileBand& band);

//! The two tables written to path (atomically).
Outcome SaveEnsembleTable(const std::vector<inversion::AcceptedModel>& models, const std::string& path);
Outcome SaveProfileTable(const inversion::ProfileBand& band, const std::string& path);

}  // namespace corvath::app
