// The option reader every command shares: the record kinds in each record-taking
// command's help, and whole numbers, lists and intervals refused with the same words
// by every command.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "cli/clirun.h"
#include "import/readers.h"

namespace {

using corvath::testing::CliRun;
using corvath::testing::RunCli;
using corvath::testing::ScratchDir;

TEST(Options, EveryRecordTakingCommandListsEveryKindOfRecord) {
  ScratchDir dir;
  for (const char* command : {"dump", "hv", "spectra"}) {
    const CliRun help = RunCli(dir, command, {"--help"});
    EXPECT_EQ(help.status, 0) << command;
    for (const corvath::import::RecordFormatInfo& info : corvath::import::RecordFormats()) {
      EXPECT_NE(help.out.find("      " + std::string(info.name) + " "), std::string::npos) << command << ": " << info.name;
      for (std::string_view extension : info.extensions)
        if (!extension.empty()) EXPECT_NE(help.out.find(extension), std::string::npos) << command << ": " << extension;
    }
  }
}

TEST(Options, NumbersAreRefusedNamingTheOption) {
  ScratchDir dir;
  const struct {
    const char* command;
    std::vector<std::string> args;
    const char* message;
  } cases[] = {
      {"invert", {"--model", "m.txt", "--curve", "c.txt", "--iterations", "501"}, "--iterations: '501' is not within 1 to 500"},
      {"invert", {"--model", "m.txt", "--curve", "c.txt", "--iterations", "2.5"}, "--iterations: '2.5' is not a whole number"},
      {"invert", {"--model", "m.txt", "--curve", "c.txt", "--global", "--chains", "0"}, "--chains: '0' is not within 1 to 1024"},
      {"spectra", {"a.saf", "--remove-zero", "x"}, "--remove-zero: 'x' is not a number"},
      {"spectra", {"a.saf", "--window", "5:1"}, "--window expects START:END in seconds with START <= END, got '5:1'"},
      {"hv", {"a.saf", "--window=1:x"}, "--window expects START:END in seconds with START <= END, got '1:x'"},
      {"hv", {"a.saf", "--grid", "0.2,20"}, "--grid expects FMIN,FMAX,N (Hz, Hz, a whole number), got '0.2,20'"},
      {"hv", {"a.saf", "--grid", "0.2,20,2.5"}, "--grid expects FMIN,FMAX,N"},
      {"hv", {"a.saf", "--grid", "0.2,20,1"}, "the grid's number of points must be from 2 to 100000, got 1"},
      {"hv", {"a.saf", "--sta-lta", "1,30,0.2"}, "--sta-lta expects default or STA,LTA,MIN,MAX"},
      {"survey", {"m.csv", "--out", "o", "--jobs", "0"}, "--jobs: '0' is not within 1 to 1000000"},
      {"dump", {"--format", "tiff", "a"}, "unknown --format 'tiff' (saf, seg2, delta, mseed, sac or components)"},
  };
  for (const auto& c : cases) {
    const CliRun run = RunCli(dir, c.command, c.args);
    EXPECT_EQ(run.status, 2) << c.message;
    EXPECT_EQ(run.err.find(std::string("corvath-cli ") + c.command + ": " + c.message), 0u) << run.err;
  }
}

}  // namespace
