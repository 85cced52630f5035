#pragma once
// What the parameter table does with the model: cell texts, the silver marking of
// fixed values, toggling an invert flag and accepting or refusing a cell's new value.
// Cells are addressed as the table shows them: row 0 holds the headings, column 0
// the layer numbers, so data cell (c, r) is parameter c - 1 of layer r - 1.
#include <string>
#include <vector>

#include "inversion/model.h"
#include "numerics/arrays.h"

namespace corvath::inversion {

//! True for a data cell (1 <= c <= 6, 1 <= r <= layer count).
bool IsDataCell(const amodel& model, int c, int r);

//! True when cell (c, r) is painted silver (RGB 192, 192, 192): a data cell whose
//! invert flag is off.
bool IsSilverCell(const amodel& model, int c, int r);

//! Right-button press on cell (c, r): toggles invertFlags[c - 1][r - 1]. Returns
//! false, changing nothing, when (c, r) is not a data cell.
bool ToggleInvertFlag(amodel& model, int c, int r);

//! What became of a value given to a cell.
struct CellEdit {
  bool accepted = false;  //!< the value was stored
  std::string reason;     //!< why a value cell refused the value, naming its column (empty otherwise)
  bool operator==(const CellEdit&) const = default;
};

//! Validates a value given to cell (c, r): a number within HardLimits[c - 1] (by the
//! rules of RangeRefusal, named by the column heading) that PartnerRefusal lets pass is
//! stored in values[c - 1][r - 1] (also under a "*" cell, where it has no effect);
//! anything else is refused with its reason, and a cell that is not a data cell refuses
//! silently. UserLimits do not apply.
CellEdit ValidateCellEdit(amodel& model, const ModelTables& tables, int c, int r, double value);

//! Why value may not become parameter p of a layer because of its partner in the same
//! layer: Vs must stay below Vp, and (above the half-space, whose quality factors are no
//! model values) Qs must not exceed Qp ("Vs(km/s): 0.6 is not below Vp 0.5 of layer 2
//! (S waves are slower than P waves)"). Empty when it may.
std::string PartnerRefusal(const amodel& model, int p, int layer, double value);

//! The texts of the parameter table as ShowModelTable writes them: the heading row
//! ("N", "H(m)" ...), then per layer its number (from 1) and its six cell texts.
std::vector<numerics::arofstrM> ModelTableRows(const amodel& model);

}  // namespace corvath::inversion
