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

ModelTextReading Refuse(std::string reason) { return {std::nullopt, std::move(reason)}; }

std::string Quoted(std::string_view text) { return numerics::QuotedExcerpt(text); }

}  // namespace

ModelTextReading ReadModelText(std::istream& in, const ModelTables& tables) {
  const numerics::arofstrM heading(kModelTableHeadings.begin(), kModelTableHeadings.end());
  bool headingSeen = false;
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
      const double value = numerics::TextToNumber(text);
      double parsed = 0.0;
      if (value == numerics::InvalidNumber && !numerics::ParseDecimal(text, parsed))
        return Refuse(Where(row, layer) + name + " " + Quoted(text) + " is not a number");
      const numerics::Complex limits = tables.HardLimits[p];
      if (!(value >= limits.re && value <= limits.im))
        return Refuse(Where(row, layer) + name + " " + Quoted(text) + " is outside its limits " +
                      numerics::NumberToShortestText(limits.re) + " to " + numerics::NumberToShortestText(limits.im));
      model.values[p][layer] = value;
    }
  }
  return {std::move(model), {}};
}

}  // namespace corvath::inversion
