// Writes a long SAF record of random counts for timing the readers and the
// spectra by hand; nothing it writes belongs in the repository.
//   g++ -O2 -o /tmp/longsaf scripts/longsaf.cpp
//   /tmp/longsaf 24 /tmp/day.saf      (hours at 200 Hz, output file)
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: longsaf HOURS FILE\n");
    return 2;
  }
  const long samples = std::atol(argv[1]) * 3600L * 200L;
  std::FILE* f = std::fopen(argv[2], "wb");
  if (!f) {
    std::perror(argv[2]);
    return 1;
  }
  std::fprintf(f, "SESAME ASCII data format (saf) v. 1\nSAMP_FREQ = 200\nNDAT = %ld\n####--------\n", samples);
  std::mt19937 random(1);
  std::uniform_int_distribution<int> counts(-30000, 30000);
  std::string block;
  char line[64];
  for (long k = 0; k < samples; ++k) {
    const int a = counts(random), b = counts(random), c = counts(random);
    block.append(line, static_cast<std::size_t>(std::snprintf(line, sizeof line, "%d %d %d\n", a, b, c)));
    if (block.size() > (1u << 20)) {
      std::fwrite(block.data(), 1, block.size(), f);
      block.clear();
    }
  }
  std::fwrite(block.data(), 1, block.size(), f);
  return std::fclose(f) == 0 ? 0 : 1;
}
