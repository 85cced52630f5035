#pragma once
// The field-standard result on the spectra charts: the smoothed horizontal (the
// chosen combination of X and Y) and vertical amplitude spectra of every kept window,
// thin, and their lognormal means, thick.
#include "spectra/fieldstandard.h"

class QCustomPlot;

namespace corvath::charts {

//! Removes every curve from both spectra charts and draws "H_wnd1" ... and the mean
//! "H (geometric)" (the combination's name) on horizontal, "V_wnd1" ... and "V" on
//! vertical, over the result's frequency grid; the views are remembered for
//! RestoreHomeView.
void DrawFieldStandardSpectra(QCustomPlot* horizontal, QCustomPlot* vertical,
                              const spectra::FieldStandardResult& result);

}  // namespace corvath::charts
