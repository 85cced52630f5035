#pragma once
// corvath-cli run as a program by the tests: its exit status and what it wrote,
// captured in a scratch folder, and the records the tests hand it.
#include <sys/wait.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "import/fixtures.h"

namespace corvath::testing {

//! What one run of corvath-cli gave: its exit status (-1 when it did not exit) and
//! what it wrote to standard output and standard error.
struct CliRun {
  int status;
  std::string out;
  std::string err;
};

//! The bytes of the file at `path` ("" when it cannot be read).
inline std::string ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

//! `arg` as one word of the POSIX shell.
inline std::string ShellQuoted(const std::string& arg) {
  std::string q = "'";
  for (char c : arg) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

//! The exit status of a std::system call, -1 when the command did not exit.
inline int ExitStatus(int raw) { return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1; }

//! Runs `corvath-cli <command> <args...>`; its output and errors pass through files in `dir`.
inline CliRun RunCli(const ScratchDir& dir, const std::string& command, const std::vector<std::string>& args) {
  std::string line = ShellQuoted(CORVATH_CLI) + " " + command;
  for (const std::string& a : args) line += " " + ShellQuoted(a);
  const std::string out = dir.path("stdout.txt"), err = dir.path("stderr.txt");
  line += " >" + ShellQuoted(out) + " 2>" + ShellQuoted(err);
  const int raw = std::system(line.c_str());
  return {ExitStatus(raw), ReadAll(out), ReadAll(err)};
}

//! The lines of `text`, each ended by CR LF; a last line without it is kept with "<no CR LF>" added.
inline std::vector<std::string> CrLfLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find("\r\n", start);
    if (end == std::string::npos) {
      lines.push_back(text.substr(start) + "<no CR LF>");
      break;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

//! Uniform noise in [-0.5, 0.5), the same sequence for the same seed.
class Noise {
public:
  explicit Noise(unsigned long long seed) : state_(seed) {}
  double operator()() {
    state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
    return (state_ >> 11) * (1.0 / 9007199254740992.0) - 0.5;
  }

private:
  unsigned long long state_;
};

//! One sample time of a three-component record: time (s) and the X, Y, Z values.
struct ComponentSample {
  double t, x, y, z;
};

//! Writes x.txt, y.txt and z.txt in `dir` (three header lines, "t value" rows, CR LF),
//! sample i < `count` given by `sample(i)`.
inline void WriteComponentFiles(const ScratchDir& dir, int count, const std::function<ComponentSample(int)>& sample) {
  const char* names[] = {"x.txt", "y.txt", "z.txt"};
  std::ofstream files[3];
  for (int c = 0; c < 3; ++c) {
    files[c].open(dir.path(names[c]), std::ios::binary);
    files[c] << "station\r\ncomponent " << names[c][0] << "\r\nunits\r\n";
    files[c].precision(17);
  }
  for (int i = 0; i < count; ++i) {
    const ComponentSample s = sample(i);
    files[0] << s.t << ' ' << s.x << "\r\n";
    files[1] << s.t << ' ' << s.y << "\r\n";
    files[2] << s.t << ' ' << s.z << "\r\n";
  }
}

//! 120 s at 50 Hz in x.txt, y.txt, z.txt: X and Y carry a 3 Hz oscillation above the noise.
inline void WriteThreeHertzRecord(const ScratchDir& dir) {
  Noise noise(77);
  WriteComponentFiles(dir, 6000, [&](int i) {
    const double t = i * 0.02;
    const double x = noise() + std::sin(2 * M_PI * 3 * t);
    const double y = noise() + std::cos(2 * M_PI * 3 * t);
    return ComponentSample{t, x, y, noise()};
  });
}

}  // namespace corvath::testing
