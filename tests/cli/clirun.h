#pragma once
// corvath-cli run as a program by the tests: its exit status and what it wrote,
// captured in a scratch folder (the records the tests hand it: support/records.h).
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
#include "support/records.h"

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

}  // namespace corvath::testing
