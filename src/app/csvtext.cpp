#include "app/csvtext.h"

namespace corvath::app {

Result<std::vector<CsvRow>> ParseCsv(const std::string& text, const std::string& path) {
  std::vector<CsvRow> rows;
  std::size_t i = text.rfind("\xEF\xBB\xBF", 0) == 0 ? 3 : 0;
  std::size_t line = 1;
  while (i < text.size()) {
    CsvRow row;
    row.line = line;
    std::string cell;
    bool rowEnded = false;
    while (!rowEnded) {
      if (i < text.size() && text[i] == '"') {
        const std::size_t opened = line;
        ++i;
        for (;;) {
          if (i >= text.size())
            return Outcome::Failed(path + ": line " + std::to_string(opened) + ": a quote is not closed", path);
          if (text[i] == '"') {
            if (i + 1 < text.size() && text[i + 1] == '"') {
              cell += '"';
              i += 2;
              continue;
            }
            ++i;
            break;
          }
          if (text[i] == '\n') ++line;
          cell += text[i++];
        }
      }
      while (i < text.size() && text[i] != ',' && text[i] != '\n') {
        if (text[i] != '\r' || (i + 1 < text.size() && text[i + 1] != '\n')) cell += text[i];
        ++i;
      }
      row.cells.push_back(std::move(cell));
      cell.clear();
      if (i < text.size() && text[i] == ',') {
        ++i;
      } else {
        rowEnded = true;
        if (i < text.size()) ++i, ++line;  // the LF
      }
    }
    const bool blank = row.cells.size() == 1 && row.cells[0].find_first_not_of(" \t") == std::string::npos;
    if (!blank) rows.push_back(std::move(row));
  }
  return rows;
}

std::string CsvLine(const std::vector<std::string>& cells) {
  std::string line;
  for (std::size_t c = 0; c < cells.size(); ++c) {
    if (c) line += ',';
    const std::string& cell = cells[c];
    if (cell.find_first_of(",\"\r\n") == std::string::npos) {
      line += cell;
      continue;
    }
    line += '"';
    for (char ch : cell) line += ch == '"' ? std::string("\"\"") : std::string(1, ch);
    line += '"';
  }
  return line + "\r\n";
}

}  // namespace corvath::app
