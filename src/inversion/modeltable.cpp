#include "inversion/modeltable.h"

#include <utility>

#include "numerics/numbertext.h"

namespace corvath::inversion {

bool IsDataCell(const amodel& model, int c, int r) {
  return c >= 1 && c <= kParameterCount && r >= 1 && r <= model.layerCount();
}

bool IsSilverCell(const amodel& model, int c, int r) {
  return IsDataCell(model, c, r) && !model.invertFlags[c - 1][r - 1];
}

bool ToggleInvertFlag(amodel& model, int c, int r) {
  if (!IsDataCell(model, c, r)) return false;
  model.invertFlags[c - 1][r - 1] = !model.invertFlags[c - 1][r - 1];
  return true;
}

CellEdit ValidateCellEdit(amodel& model, const ModelTables& tables, int c, int r, double value) {
  if (!IsDataCell(model, c, r)) return {};
  const numerics::Complex hard = tables.HardLimits[c - 1];
  std::string refusal = RangeRefusal(kModelTableHeadings[c], value, hard.re, hard.im);
  if (!refusal.empty()) return {false, std::move(refusal)};
  model.values[c - 1][r - 1] = value;
  return {true, {}};
}

std::vector<numerics::arofstrM> ModelTableRows(const amodel& model) {
  std::vector<numerics::arofstrM> rows;
  rows.reserve(model.layerCount() + 1);
  rows.emplace_back(kModelTableHeadings.begin(), kModelTableHeadings.end());
  for (int i = 0; i < model.layerCount(); ++i) {
    numerics::arofstrM row{std::to_string(i + 1)};
    for (int p = 0; p < kParameterCount; ++p) row.push_back(ModelCellText(model, p, i));
    rows.push_back(std::move(row));
  }
  return rows;
}

}  // namespace corvath::inversion
