// corvath-cli: the headless batch command.
#include <cstdio>
#include <new>
#include <string>
#include <vector>

#include "app/version.h"
#include "cli/commands.h"

namespace {

void printUsage(std::FILE* out) {
  std::fputs(
      "usage: corvath-cli COMMAND [options] [FILE...]\n"
      "commands:\n"
      "  dump FILE [FILE FILE]      print the record as loaded\n"
      "  spectra FILE [FILE FILE]   compute spectra and the H/V ratio, write the results table\n"
      "  forward --model MODEL.txt (--freqs F1,F2,... | --curve TABLE.txt)\n"
      "                             the model's S and P transfer functions and theoretical H/V\n"
      "                             (--kind diffuse-field: the diffuse-field H/V)\n"
      "  dispersion --model MODEL.txt (--freqs F1,F2,... | --curve TABLE.txt)\n"
      "                             the model's Rayleigh and Love modes: phase and group velocity\n"
      "  invert --model START.txt --curve OBSERVED.txt\n"
      "                             fit the model to an observed H/V curve, write the final model\n"
      "  hv FILE [FILE FILE]        field-standard H/V: f0, A0 and the SESAME criteria as a report\n"
      "  survey MANIFEST.csv --out DIR\n"
      "                             hv for every station of a manifest: summary table, GeoJSON and map\n"
      "run 'corvath-cli COMMAND --help' for the options of a command, 'corvath-cli --version' for the version\n",
      out);
}

int run(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) {
    printUsage(stderr);
    return 2;
  }
  const std::string command = args.front();
  args.erase(args.begin());
  if (command == "dump") return corvath::cli::RunDump(args);
  if (command == "spectra") return corvath::cli::RunSpectra(args);
  if (command == "forward") return corvath::cli::RunForward(args);
  if (command == "dispersion") return corvath::cli::RunDispersion(args);
  if (command == "invert") return corvath::cli::RunInvert(args);
  if (command == "hv") return corvath::cli::RunHv(args);
  if (command == "survey") return corvath::cli::RunSurvey(args);
  if (command == "--version") {
    std::printf("corvath-cli %s\n", corvath::app::ProgramVersion().c_str());
    for (const auto& [library, version] : corvath::app::LibraryVersions())
      std::printf("  %s %s\n", library.c_str(), version.c_str());
    return 0;
  }
  if (command == "--help" || command == "-h" || command == "help") {
    printUsage(stdout);
    return 0;
  }
  std::fprintf(stderr, "corvath-cli: unknown command '%s'\n", command.c_str());
  printUsage(stderr);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    const int status = run(argc, argv);
    // Every write to standard output, checked once more at the end: a write that
    // failed (a full disk, a closed pipe) is an error whatever the command said.
    if ((std::fflush(stdout) != 0 || std::ferror(stdout)) && status == 0) {
      std::fputs("corvath-cli: cannot write to standard output\n", stderr);
      return 1;
    }
    return status;
  } catch (const std::bad_alloc&) {
    // Out of memory outside a load or a computation (those answer it themselves).
    std::fputs("corvath-cli: not enough memory\n", stderr);
    return 1;
  }
}
