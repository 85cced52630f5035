#pragma once
// An observed dispersion curve read from its table (ReadDispersionTable).
#include <string>

#include "app/outcome.h"
#include "inversion/dispersioncurve.h"

namespace corvath::app {

//! The dispersion curve at path; Failed with the reason (naming the line) and the file's
//! name when it cannot be opened or is refused.
Result<inversion::DispersionCurve> ReadDispersionFile(const std::string& path);

}  // namespace corvath::app
