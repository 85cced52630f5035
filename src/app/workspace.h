#pragma once
// The workspace: the one state object every command reads and writes.
#include <optional>
#include <string>
#include <vector>

#include "app/classicsettings.h"
#include "import/record.h"
#include "inversion/model.h"
#include "numerics/arrays.h"
#include "spectra/calculatespectra.h"
#include "spectra/fieldstandard.h"
#include "windows/analysiswindows.h"

namespace corvath::app {

//! Layer count of the model at start ("Layers number").
inline constexpr int kInitialLayerCount = 10;

struct Workspace {
  Workspace();

  import::ThreeComponentRecord record;  //!< the loaded record, empty at start
  std::vector<std::string> recordFiles;  //!< the files the record was read from; empty when unknown
  windows::WindowState windows;         //!< analysis windows and the window modes
  double zoomFactor = 1.0;              //!< width factor of the time-series charts, 1 to 10
  bool smoothedSpectra = ClassicSettings{}.smoothedSpectra;  //!< "Smoothed spectra": means of logarithms
  std::optional<spectra::SpectraResult> spectraResult;  //!< last successful "Calculate spectra"; none at start
  //! Last successful field-standard H/V; none at start, kept across loads like spectraResult.
  std::optional<spectra::FieldStandardResult> fieldStandardResult;
  //! The azimuthal H/V computed with it (when its settings ask for one); none otherwise.
  std::optional<spectra::AzimuthalHv> azimuthalResult;
  double referenceFrequency = 0.0;      //!< "Ref frq", Hz, as last read by a computation
  double dispersionExponent = 0.0;      //!< "K degree", as last read by a computation
  //! TheoreticalCurve: (frequency in Hz, model ratio) per point of the observed ratio
  //! at its last computation; empty at start, kept across loads.
  numerics::arofcomplexM theoreticalCurve;
  inversion::ModelTables modelTables;   //!< the five generation tables and SelectedParameter
  inversion::amodel model;              //!< the layered model, 10 layers at start
};

//! Run at the end of every load: deletes every analysis window (the modes stay),
//! rebuilds the model for its current layer count from the tables. The record,
//! zoomFactor, the toggles, the spectra result and the stored theoretical curve are
//! left alone (the window clears the drawn "H/Zc").
void ResetWorkspace(Workspace& workspace);

}  // namespace corvath::app
