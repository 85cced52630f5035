// corvath-cli dump: prints the record as loaded, so a load can be checked from a script.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/options.h"
#include "numerics/numbertext.h"

namespace corvath::cli {
namespace {

void printUsage(std::FILE* out) {
  std::fprintf(out,
               "usage: corvath-cli dump [--format KIND] [--channels CX,CY,CZ] FILE [FILE FILE]\n"
               "prints \"component index time value\", then one line per sample: X's samples,\n"
               "then Y's, then Z's; time (s) and value in the 23-character exponent form\n"
               "%s",
               RecordOptionsHelp().c_str());
}

// Every block is checked: a full disk or a closed pipe ends the command with exit 1.
bool write(const std::string& text) { return std::fwrite(text.data(), 1, text.size(), stdout) == text.size(); }

bool printRecord(const import::ThreeComponentRecord& record) {
  std::string out = "component index time value\n";
  for (const import::Component c : import::kComponents) {
    const char letter = "XYZ"[static_cast<int>(c)];
    const auto& samples = record.samples(c);
    for (std::size_t i = 0; i < samples.size(); ++i) {
      out += letter;
      out += ' ';
      out += std::to_string(i);
      out += ' ';
      out += numerics::NumberToExponentText(samples[i].time);
      out += ' ';
      out += numerics::NumberToExponentText(samples[i].value);
      out += '\n';
      if (out.size() > (1 << 16)) {
        if (!write(out)) return false;
        out.clear();
      }
    }
  }
  return write(out) && std::fflush(stdout) == 0;
}

}  // namespace

int RunDump(const std::vector<std::string>& args) {
  RecordOptions options;
  try {
    for (OptionScanner arg(args); !arg.done(); arg.next()) {
      if (arg.name() == "--help" || arg.name() == "-h") {
        printUsage(stdout);
        return 0;
      }
      if (arg.record(options)) continue;
      if (arg.isOption()) arg.unknown();
      options.files.push_back(arg.name());
    }
    app::Workspace workspace;
    if (!LoadRecordOrReport("dump", options, workspace)) return 1;
    if (!printRecord(workspace.record)) {
      std::fputs("corvath-cli dump: cannot write the record to standard output\n", stderr);
      return 1;
    }
    return 0;
  } catch (const UsageError& e) {
    std::fprintf(stderr, "corvath-cli dump: %s\n", e.what());
    printUsage(stderr);
    return 2;
  }
}

}  // namespace corvath::cli
