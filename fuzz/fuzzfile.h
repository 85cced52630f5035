#pragma once
// The text readers take file names: each input is written to one scratch file
// per process, overwritten on every run.
#include <cstdint>
#include <cstdio>
#include <string>

#include <unistd.h>

namespace corvath::fuzz {

//! Writes the input to this process's scratch file and returns its name.
inline const std::string& WriteInput(const std::uint8_t* data, std::size_t size, const char* target) {
  static const std::string path = "/tmp/corvath_fuzz_" + std::string(target) + "_" + std::to_string(::getpid());
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) __builtin_trap();
  if (size) std::fwrite(data, 1, size, f);
  std::fclose(f);
  return path;
}

}  // namespace corvath::fuzz
