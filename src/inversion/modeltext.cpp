#include "inversion/modeltext.h"

#include <algorithm>
#include <string>
#include <utility>

#include "numerics/numbertext.h"
#include "numerics/textfile.h"

namespace corvath::inversion {

std::string CentredField(std::string_view text, std::size_t width) {
  std::string field(text);
  while (field.size() < width) field = ' ' + field + ' ';
  if (field.size() == width) field += ' ';
  return field;
}

void WriteModelText(std::ostream& out, const std::vector<numerics::arofstrM>& rows) {
  std::vector<std::size_t> widths;
  for (const auto& row : rows) {
    if (row.size() > widths.size()) widths.resize(row.size(), 0);
    for (std::size_t c = 0; c < row.size(); ++c) widths[c] = std::max(widths[c], row[c].size());
  }
  for (const auto& row : rows) {
    std::string line;
    for (std::size_t c = 0; c < widths.size(); ++c)
      line += CentredField(c < row.size() ? std::string_view(row[c]) : std::string_view(), widths[c]);
    out << line << "\r\n";
  }
}

std::vector<numerics::arofstrM> ExactModelTableRows(const amodel& model) {
  std::vector<numerics::arofstrM> rows;
  rows.emplace_back(kModelTableHeadings.begin(), kModelTableHeadings.end());
  for (int layer = 0; layer < model.layerCount(); ++layer) {
    numerics::arofstrM row{std::to_string(layer + 1)};
    for (int p = 0; p < kParameterCount; ++p)
      row.push_back(IsHalfSpaceCell(model, p, layer) ? std::string("*")
                                                     : numerics::NumberToShortestText(model.values[p][layer]));
    rows.push_back(std::move(row));
  }
  return rows;
}

void WriteModelTextSettings(std::ostream& out, const ModelTextSettings& settings) {
  if (settings.referenceFrequencyHz)
    out << kReferenceFrequencyLabel << ' ' << numerics::NumberToShortestText(*settings.referenceFrequencyHz) << "\r\n";
  if (settings.dispersionExponent)
    out << kDispersionExponentLabel << ' ' << numerics::NumberToShortestText(*settings.dispersionExponent) << "\r\n";
}

namespace {

using numerics::BoundedLineRead;

// The next line without CR and LF, at most kMaxModelTextLineLength characters.
BoundedLineRead NextLine(std::istream& in, std::string& line) {
  return numerics::ReadBoundedLine(in, line, kMaxModelTextLineLength);
}

struct LayerRow {
  int line = 0;
  numerics::arofstrM words;
};

std::string Where(const LayerRow& row, int layer) {
  return "line " + std::to_string(row.line) + " (layer " + std::to_string(layer + 1) + "): ";
}

ModelTextReading Refuse(std::string reason) { return {std::nullopt, std::move(reason), {}}; }

std::string Quoted(std::string_view text) { return numerics::QuotedExcerpt(text); }

// The setting a line's first two words name ("Ref frq:" or "K degree:", the colon
// optional), or nothing when the line is no setting line.
std::optional<double> ModelTextSettings::* SettingOf(const numerics::arofstrM& words, std::string_view& label) {
  if (words.size() < 2) return nullptr;
  const std::string name = words[0] + ' ' + words[1];
  for (const auto& [text, member] : {std::pair{kReferenceFrequencyLabel, &ModelTextSettings::referenceFrequencyHz},
                                     std::pair{kDispersionExponentLabel, &ModelTextSettings::dispersionExponent}}) {
    if (name == text || name == text.substr(0, text.size() - 1)) {
      label = text.substr(0, text.size() - 1);
      return member;
    }
  }
  return nullptr;
}

// A number field of a model text: TextToNumber's reading, which refuses what is not a
// finite number (the marker value itself, typed as such, is a number).
std::optional<double> NumberOf(const std::string& text) {
  const double value = numerics::TextToNumber(text);
  double parsed = 0.0;
  if (value == numerics::InvalidNumber && !numerics::ParseDecimal(text, parsed)) return std::nullopt;
  return value;
}

}  // namespace

ModelTextReading ReadModelText(std::istream& in, const ModelTables& tables) {
  const numerics::arofstrM heading(kModelTableHeadings.begin(), kModelTableHeadings.end());
  bool headingSeen = false;
  ModelTextSettings settings;
  std::vector<LayerRow> rows;
  std::string line;
  for (int number = 1;; ++number) {
    const BoundedLineRead read = NextLine(in, line);
    if (read == BoundedLineRead::End) break;
    if (number > kMaxModelTextLines)
      return Refuse("more than " + std::to_string(kMaxModelTextLines) + " lines: this is no model text");
    if (read == BoundedLineRead::TooLong)
      return Refuse("line " + std::to_string(number) + " is longer than " + std::to_string(kMaxModelTextLineLength) +
                    " characters");
    numerics::arofstrM words = numerics::SplitWords(line);
    if (words.empty()) continue;
    if (!headingSeen) {
      if (words != heading)
        return Refuse("line " + std::to_string(number) +
                      ": the heading \"N H(m) Vp(km/s) Vs(km/s) rho(g/cm) Qp Qs\" is expected, not " + Quoted(line));
      headingSeen = true;
      continue;
    }
    std::string_view label;
    if (const auto setting = SettingOf(words, label)) {
      const std::string where = "line " + std::to_string(number) + ": ";
      if (settings.*setting) return Refuse(where + std::string(label) + " is given twice");
      const std::optional<double> value = words.size() == 3 ? NumberOf(words[2]) : std::nullopt;
      if (!value) return Refuse(where + std::string(label) + " takes one number, not " + Quoted(line));
      settings.*setting = value;
      continue;
    }
    const int layer = static_cast<int>(rows.size());
    if (layer >= kMaxLayers)
      return Refuse("line " + std::to_string(number) + ": more than " + std::to_string(kMaxLayers) + " layers");
    LayerRow row{number, std::move(words)};
    if (row.words.size() != heading.size())
      return Refuse(Where(row, layer) + "a layer row holds its number and six values, this one has " +
                    std::to_string(row.words.size()) + " fields");
    if (row.words[0] != std::to_string(layer + 1))
      return Refuse(Where(row, layer) + "the layer number is " + Quoted(row.words[0]) + " where " +
                    std::to_string(layer + 1) + " is expected");
    rows.push_back(std::move(row));
  }
  if (in.bad()) return Refuse("the text could not be read to its end");
  if (!headingSeen) return Refuse("no heading row: the text is empty");
  const int layers = static_cast<int>(rows.size());
  if (layers < kMinLayers)
    return Refuse("the model has " + std::to_string(layers) + (layers == 1 ? " layer" : " layers") + "; " +
                  std::to_string(kMinLayers) + " to " + std::to_string(kMaxLayers) + " are needed");

  amodel model;
  ResetModel(model, tables, layers);
  for (int layer = 0; layer < layers; ++layer) {
    const LayerRow& row = rows[layer];
    for (int p = 0; p < kParameterCount; ++p) {
      const std::string& text = row.words[p + 1];
      const char* name = kModelTableHeadings[p + 1];
      if (text == "*") {
        if (IsHalfSpaceCell(model, p, layer)) continue;
        return Refuse(Where(row, layer) + name + " is \"*\", but only the half-space's H(m), Qp and Qs have no value");
      }
      const std::optional<double> number = NumberOf(text);
      if (!number) return Refuse(Where(row, layer) + name + " " + Quoted(text) + " is not a number");
      const double value = *number;
      const numerics::Complex limits = tables.HardLimits[p];
      if (!(value >= limits.re && value <= limits.im))
        return Refuse(Where(row, layer) + name + " " + Quoted(text) + " is outside its limits " +
                      numerics::NumberToShortestText(limits.re) + " to " + numerics::NumberToShortestText(limits.im));
      model.values[p][layer] = value;
    }
  }
  return {std::move(model), {}, settings};
}

}  // namespace corvath::inversion
