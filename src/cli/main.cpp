// corvath-cli: the headless batch command.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/commands.h"

namespace {

void printUsage(std::FILE* out) {
  std::fputs(
      "usage: corvath-cli COMMAND [options] FILE...\n"
      "commands:\n"
      "  dump FILE [FILE FILE]      print the record as loaded\n"
      "  spectra FILE [FILE FILE]   compute spectra and the H/V ratio, write the results table\n"
      "  hv FILE [FILE FILE]        field-standard H/V: f0, A0 and the SESAME criteria as a report\n"
      "run 'corvath-cli COMMAND --help' for the options of a command\n",
      out);
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) {
    printUsage(stderr);
    return 2;
  }
  const std::string command = args.front();
  args.erase(args.begin());
  if (command == "dump") return corvath::cli::RunDump(args);
  if (command == "spectra") return corvath::cli::RunSpectra(args);
  if (command == "hv") return corvath::cli::RunHv(args);
  if (command == "--help" || command == "-h" || command == "help") {
    printUsage(stdout);
    return 0;
  }
  std::fprintf(stderr, "corvath-cli: unknown command '%s'\n", command.c_str());
  printUsage(stderr);
  return 2;
}
