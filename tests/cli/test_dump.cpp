// corvath-cli dump, run as a program: output format, format choice, exit status.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "cli/clirun.h"
#include "import/fixtures.h"

namespace {

using corvath::testing::BuildSeg2;
using corvath::testing::CliRun;
using corvath::testing::ExitStatus;
using corvath::testing::FloatTrace;
using corvath::testing::ReadAll;
using corvath::testing::RunCli;
using corvath::testing::ScratchDir;
using corvath::testing::ShellQuoted;

CliRun dump(const ScratchDir& dir, const std::vector<std::string>& args) { return RunCli(dir, "dump", args); }

std::size_t lineCount(const std::string& text) { return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')); }

TEST(Dump, ComponentFilesPrintXThenYThenZInTheExponentForm) {
  ScratchDir dir;
  const std::string x = dir.write("x.csv", "h\nh\nh\n0,5\t12,75\n0 -1\n");
  const std::string y = dir.write("y.csv", "h\nh\nh\n");
  const std::string z = dir.write("z.csv", "h\nh\nh\n0.25 1e-7\n");
  const CliRun run = dump(dir, {x, y, z});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out,
            "component index time value\n"
            "X 0  0.00000000000000E+0000 -1.00000000000000E+0000\n"
            "X 1  5.00000000000000E-0001  1.27500000000000E+0001\n"
            "Z 0  2.50000000000000E-0001  1.00000000000000E-0007\n");
  EXPECT_EQ(run.err, "");
}

TEST(Dump, OneFileGoesByItsExtensionOrByFormat) {
  ScratchDir dir;
  const std::string safText = "SAMP_FREQ = 200\n####-\n1 2 3\n4 5 6\n";
  const std::string saf = dir.write("r.saf", safText);
  const std::string txt = dir.write("r.txt", safText);
  const std::string expected =
      "component index time value\n"
      "X 0  0.00000000000000E+0000  2.00000000000000E+0000\n"
      "X 1  5.00000000000000E-0003  5.00000000000000E+0000\n"
      "Y 0  0.00000000000000E+0000  3.00000000000000E+0000\n"
      "Y 1  5.00000000000000E-0003  6.00000000000000E+0000\n"
      "Z 0  0.00000000000000E+0000  1.00000000000000E+0000\n"
      "Z 1  5.00000000000000E-0003  4.00000000000000E+0000\n";
  EXPECT_EQ(dump(dir, {saf}).out, expected);
  EXPECT_EQ(dump(dir, {"--format", "saf", txt}).out, expected);
  EXPECT_EQ(dump(dir, {txt, "--format=saf"}).out, expected);
}

TEST(Dump, ChannelsStandForTheDialog) {
  // Two samples a component: a record of fewer loads nothing.
  ScratchDir dir;
  const std::string delta =
      dir.write("d.dat", "\xF2\xF1\xF7\xE5\xF2\xFB\n1 2 3 4 0.01 5 6 7\n1 2 3 4 0.02 8 9 10\n");
  const CliRun run = dump(dir, {"--channels", "3,3,1", delta});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out,
            "component index time value\n"
            "X 0  1.00000000000000E-0002  7.00000000000000E+0000\n"
            "X 1  2.00000000000000E-0002  1.00000000000000E+0001\n"
            "Y 0  1.00000000000000E-0002  5.00000000000000E+0000\n"
            "Y 1  2.00000000000000E-0002  8.00000000000000E+0000\n"
            "Z 0  1.00000000000000E-0002  7.00000000000000E+0000\n"
            "Z 1  2.00000000000000E-0002  1.00000000000000E+0001\n");

  std::vector<corvath::testing::Seg2TraceFixture> traces;
  for (int i = 1; i <= 6; ++i)
    traces.push_back(FloatTrace({static_cast<float>(i), static_cast<float>(10 + i)}, {}));
  const std::string seg2 = dir.write("s.seg2", BuildSeg2(traces).bytes);
  const std::string out = dump(dir, {"--channels=6,5,4", seg2}).out;
  for (const char* line : {"X 0  0.00000000000000E+0000  6.00000000000000E+0000\n",
                           "Y 0  0.00000000000000E+0000  5.00000000000000E+0000\n",
                           "Z 0  0.00000000000000E+0000  4.00000000000000E+0000\n", "X 1 ", "Z 1 "})
    EXPECT_NE(out.find(line), std::string::npos) << line << "\n" << out;
}

TEST(Dump, TheRealSafFilePrintsEverySample) {
  CORVATH_REQUIRE_SHARED_DATA();
  ScratchDir dir;
  const CliRun run = dump(dir, {CORVATH_SHARED_DATA "/saf/mt_20211122_133110.saf"});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(lineCount(run.out), 1 + 3 * 45000u);
  EXPECT_NE(run.out.find("\nZ 44999  8.99980000000000E+0002  1.20300000000000E+0003\n"), std::string::npos);
}

TEST(Dump, FilesThatCannotBeLoadedExitWithOneAndOneLine) {
  ScratchDir dir;
  const std::string good = dir.write("g.csv", "\n\n\n1 2\n");
  std::string bad = BuildSeg2({FloatTrace({1}, {}), FloatTrace({2}, {}), FloatTrace({3}, {})}).bytes;
  bad.resize(bad.size() - 2);
  struct Case {
    const char* name;
    std::vector<std::string> args;
    std::string fileNamed, message;
  };
  const std::vector<Case> cases{
      {"missing component file", {good, dir.path("none.csv"), good}, dir.path("none.csv"), "File not found"},
      {"missing SAF file", {dir.path("none.saf")}, dir.path("none.saf"), "File not found"},
      {"truncated SEG-2 file", {dir.write("bad.sg2", bad)}, dir.path("bad.sg2"), "beyond the end of the file"},
      {"channel beyond the traces", {"--channels", "1,2,4", dir.write("ok.sg2", BuildSeg2({FloatTrace({1}, {}),
                                     FloatTrace({2}, {}), FloatTrace({3}, {})}).bytes)},
       dir.path("ok.sg2"), "channel 4"},
      {"SAF frequency 0", {dir.write("z.saf", "SAMP_FREQ = 0\n####-\n1 2 3\n")}, dir.path("z.saf"),
       "Floating point division by zero"},
      {"nothing to load", {dir.write("e.saf", "SAMP_FREQ = 10\n")}, dir.path("e.saf"), "nothing to load"},
      {"not SEG-2", {dir.write("t.sg2", "text")}, dir.path("t.sg2"), "nothing to load"},
  };
  for (const Case& c : cases) {
    const CliRun run = dump(dir, c.args);
    EXPECT_EQ(run.status, 1) << c.name;
    EXPECT_EQ(run.out, "") << c.name;
    EXPECT_EQ(lineCount(run.err), 1u) << c.name << ": " << run.err;
    EXPECT_NE(run.err.find(c.fileNamed), std::string::npos) << c.name << ": " << run.err;
    EXPECT_NE(run.err.find(c.message), std::string::npos) << c.name << ": " << run.err;
  }
}

TEST(Dump, UsageErrorsExitWithTwo) {
  ScratchDir dir;
  const std::string c = dir.write("c.csv", "\n\n\n1 2\n");
  const std::string saf = dir.write("r.saf", "####-\n1 2 3\n");
  const std::vector<std::vector<std::string>> cases{
      {},
      {c, c},
      {c, c, c, c},
      {c},                                    // one file, unknown extension
      {"--format", "components", saf},        // components need three files
      {"--format", "seg2", c, c, c},          // one file for the other kinds
      {"--format", "wav", saf},
      {"--format"},
      {"--channels", "1,2", saf},
      {"--channels", "0,1,2", saf},
      {"--channels", "1,2,x", saf},
      {"--channels", "1,2,3,", saf},
      {"--colour", saf},
  };
  for (const auto& args : cases) {
    const CliRun run = dump(dir, args);
    std::string joined;
    for (const auto& a : args) joined += a + " ";
    EXPECT_EQ(run.status, 2) << joined;
    EXPECT_EQ(run.out, "") << joined;
    EXPECT_NE(run.err.find("usage: corvath-cli dump"), std::string::npos) << joined;
  }
  const CliRun help = dump(dir, {"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("--channels CX,CY,CZ"), std::string::npos);
}

}  // namespace

namespace {

// The command through the shell, its standard output sent where `redirect` says.
CliRun runShell(const ScratchDir& dir, const std::string& prefix, const std::vector<std::string>& args,
                const std::string& redirect) {
  std::string command = prefix + ShellQuoted(CORVATH_CLI);
  for (const std::string& a : args) command += " " + ShellQuoted(a);
  const std::string err = dir.path("stderr.txt");
  command += " " + redirect + " 2>" + ShellQuoted(err);
  const int raw = std::system(("sh -c " + ShellQuoted(command)).c_str());
  return {ExitStatus(raw), "", ReadAll(err)};
}

TEST(BatchOutput, AFailedWriteIsExitOneWithAMessage) {
  ScratchDir dir;
  std::string saf = "SAMP_FREQ = 100\n####-\n";
  for (int i = 0; i < 3000; ++i) saf += std::to_string(i % 7) + " " + std::to_string(i % 5) + " " + std::to_string(i % 3) + "\n";
  const std::string big = dir.write("big.saf", saf);                          // output far above 64 KB
  const std::string small = dir.write("small.saf", "SAMP_FREQ = 100\n####-\n1 2 3\n4 5 6\n");  // output in one block
  struct Case {
    const char* name;
    std::vector<std::string> args;
    std::string message;
  };
  const std::vector<Case> cases{
      {"dump, large", {"dump", big}, "cannot write the record to standard output"},
      {"dump, small", {"dump", small}, "cannot write the record to standard output"},
      {"spectra", {"spectra", big}, "cannot write the table to standard output"},
      {"help", {"--help"}, "cannot write to standard output"},
  };
  for (const Case& c : cases) {
    const CliRun run = runShell(dir, "", c.args, ">/dev/full");
    EXPECT_EQ(run.status, 1) << c.name << ": " << run.err;
    EXPECT_NE(run.err.find(c.message), std::string::npos) << c.name << ": " << run.err;
  }
}

TEST(BatchOutput, TheAssumedSamplingRateIsSaidOnStandardError) {
  ScratchDir dir;
  const std::string saf = dir.write("r.saf", "SESAME\n####-\n1 2 3\n4 5 6\n");
  const CliRun run = dump(dir, {saf});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("X 1  1.00000000000000E-0003"), std::string::npos) << run.out;
  EXPECT_NE(run.err.find("corvath-cli dump: \"" + saf + "\": no samp_freq line; the sampling rate 1000 Hz was assumed"),
            std::string::npos)
      << run.err;
}

TEST(BatchOutput, OutOfMemoryIsAMessageAndExitOne) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "a limit on the address space does not mix with the address sanitizer";
#else
  // Four million samples per component need about 200 MB; the address space is
  // limited to 150 MB.
  ScratchDir dir;
  std::string saf = "SAMP_FREQ = 100\n####-\n";
  saf.reserve(24u << 20);
  for (int i = 0; i < 4000000; ++i) saf += "1 2 3\n";
  const std::string path = dir.write("huge.saf", saf);
  const CliRun run = runShell(dir, "ulimit -v 150000; ", {"dump", path}, ">/dev/null");
  EXPECT_EQ(run.status, 1) << run.err;
  EXPECT_NE(run.err.find("not enough memory to load \"" + path + "\""), std::string::npos) << run.err;
#endif
}

}  // namespace

// Every command reads its arguments through the one scanner: an unknown option, a
// missing value and an unreadable number are usage errors (exit 2) naming the option.
TEST(OptionScanner, EveryCommandRefusesTheSameWay) {
  struct Case {
    std::vector<std::string> args;
    const char* says;
  };
  const corvath::testing::ScratchDir dir;
  const Case cases[] = {
      {{"dump", "--bogus", "a.saf"}, "unknown option '--bogus'"},
      {{"spectra", "--bogus", "a.saf"}, "unknown option '--bogus'"},
      {{"hv", "--bogus", "a.saf"}, "unknown option '--bogus'"},
      {{"forward", "--bogus"}, "unknown option '--bogus'"},
      {{"invert", "--bogus"}, "unknown option '--bogus'"},
      {{"spectra", "a.saf", "--min-frq"}, "--min-frq needs a value"},
      {{"hv", "a.saf", "--taper"}, "--taper needs a value"},
      {{"forward", "--model"}, "--model needs a file name"},
      {{"invert", "--curve="}, "--curve needs a file name"},
      {{"spectra", "--max-frq", "abc", "a.saf"}, "--max-frq: 'abc' is not a number"},
      {{"hv", "--ko-b=x", "a.saf"}, "--ko-b: 'x' is not a number"},
      {{"forward", "--model", "m.txt", "--ref-frq", "one"}, "--ref-frq: 'one' is not a number"},
      {{"invert", "--k-degree", "1,2,3"}, "--k-degree: '1,2,3' is not a number"},
      {{"spectra", "--linear=yes", "a.saf"}, "--linear takes no value"},
      {{"invert", "--global=1"}, "--global takes no value"},
  };
  for (const Case& c : cases) {
    const std::vector<std::string> rest(c.args.begin() + 1, c.args.end());
    const CliRun result = corvath::testing::RunCli(dir, c.args[0], rest);
    EXPECT_EQ(result.status, 2) << c.args[0] << " " << c.args[1];
    EXPECT_NE(result.err.find(c.says), std::string::npos) << c.args[0] << ": " << result.err;
  }
}
