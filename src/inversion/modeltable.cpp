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
  if (refusal.empty()) refusal = PartnerRefusal(model, c - 1, r - 1, value);
  if (!refusal.empty()) return {false, std::move(refusal)};
  model.values[c - 1][r - 1] = value;
  return {true, {}};
}

std::string PartnerRefusal(const amodel& model, int p, int layer, double value) {
  const auto heading = [](ModelParameter q) { return std::string(kModelTableHeadings[static_cast<int>(q) + 1]); };
  const auto of = [&](ModelParameter q) { return model.values[static_cast<int>(q)][layer]; };
  const auto text = [](double v) { return numerics::NumberToText(1, v); };
  const std::string where = " of layer " + std::to_string(layer + 1);
  const bool halfSpace = layer == model.layerCount() - 1;  // its Qp and Qs are no model values
  switch (static_cast<ModelParameter>(p)) {
    case ModelParameter::Vs:
      if (!(value < of(ModelParameter::Vp)))
        return heading(ModelParameter::Vs) + ": " + text(value) + " is not below Vp " + text(of(ModelParameter::Vp)) +
               where + " (S waves are slower than P waves)";
      break;
    case ModelParameter::Vp:
      if (!(value > of(ModelParameter::Vs)))
        return heading(ModelParameter::Vp) + ": " + text(value) + " is not above Vs " + text(of(ModelParameter::Vs)) +
               where + " (P waves are faster than S waves)";
      break;
    case ModelParameter::Qs:
      if (!halfSpace && value > of(ModelParameter::Qp))
        return heading(ModelParameter::Qs) + ": " + text(value) + " is above Qp " + text(of(ModelParameter::Qp)) + where +
               " (S waves are damped at least as much as P waves)";
      break;
    case ModelParameter::Qp:
      if (!halfSpace && value < of(ModelParameter::Qs))
        return heading(ModelParameter::Qp) + ": " + text(value) + " is below Qs " + text(of(ModelParameter::Qs)) + where +
               " (S waves are damped at least as much as P waves)";
      break;
    default:
      break;
  }
  return {};
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
