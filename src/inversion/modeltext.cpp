#include "inversion/modeltext.h"

#include <algorithm>

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

}  // namespace corvath::inversion
