#pragma once
// The headless surface-wave commands of the workspace's model: its modes (phase and
// group velocity, the fundamental Rayleigh mode's ellipticity) as a table, and its
// diffuse-field H/V with the imaginary parts of the Green's function.
#include <string>
#include <vector>

#include "app/outcome.h"
#include "app/workspace.h"
#include "surfacewaves/diffusefield.h"
#include "surfacewaves/modes.h"

namespace corvath::app {

struct DispersionSettings {
  int modes = 5;               //!< modes 0 ... modes−1 of each wave type
  bool rayleigh = true;
  bool love = true;
  std::size_t workers = 0;     //!< 0: as many as help
};

//! The table of the model's modes at frequenciesHz: heading
//! "wave mode frequency_hz phase_m_s group_m_s ellipticity" (tab-separated), then one
//! row per mode that exists at a frequency, Rayleigh before Love, each frequency in
//! the order given; ellipticity on Rayleigh mode 0 rows and "nan" elsewhere. Numbers
//! in the shortest text that reads back. Failed for a refused model (naming the layer)
//! or a mode that cannot be followed (naming the mode and the frequency).
Outcome DispersionTable(const Workspace& workspace, const DispersionSettings& settings,
                        const std::vector<double>& frequenciesHz, std::string& table);

//! The model's diffuse-field ratio at frequenciesHz; points is replaced only on success.
Outcome DiffuseFieldCurve(const Workspace& workspace, const surfacewaves::DiffuseFieldSettings& settings,
                          const std::vector<double>& frequenciesHz, std::vector<surfacewaves::DiffuseFieldPoint>& points);

//! The table: heading "f,Hz  ImG11  ImG33  H/V", then per point its frequency (Hz),
//! Im G11 and Im G33 (m/N) and the ratio in the 23-character exponent form, separated
//! by one space; CR LF line ends.
std::string DiffuseFieldTableText(const std::vector<surfacewaves::DiffuseFieldPoint>& points);

}  // namespace corvath::app
