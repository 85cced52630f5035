#pragma once
// The workspace: the one state object every command reads and writes.
#include "import/record.h"

namespace corvath::app {

struct Workspace {
  import::ThreeComponentRecord record;  //!< the loaded record, empty at start
  double zoomFactor = 1.0;              //!< width factor of the time-series charts, 1 to 10
  bool logAveraging = true;             //!< "Smoothed spectra": means of logarithms
  double referenceFrequency = 0.0;      //!< "Ref frq", Hz
  double dispersionExponent = 0.0;      //!< "K degree"
  bool stopRequested = false;           //!< a running inversion is asked to stop
};

//! Run at the end of every load.
void ResetWorkspace(Workspace& workspace);

}  // namespace corvath::app
