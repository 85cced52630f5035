#!/usr/bin/env bash
# Installs what is missing on a Debian 12 machine, then configures and builds.
#   scripts/setup.sh run    build in Release and start corvath
#   scripts/setup.sh test   build and run every test (ctest) under AddressSanitizer
#                           and UndefinedBehaviorSanitizer (build/asan), then the
#                           miniSEED reader under valgrind in a plain build
#                           (build/test), then a bounded fuzz run (scripts/fuzz.sh)
set -euo pipefail
cd "$(dirname "$0")/.."

PACKAGES=(g++ cmake ninja-build pkgconf qt6-base-dev qt6-svg-dev libqcustomplot-dev libalglib-dev libfftw3-dev
          libxlsxwriter-dev libzip-dev libmseed-dev nlohmann-json3-dev libgtest-dev libbenchmark-dev fonts-dejavu-core
          xvfb xauth xdotool imagemagick clang libclang-rt-14-dev valgrind libssl-dev slurm-wlm munge libboost-math-dev
          desktop-file-utils appstream man-db dpkg-dev file librsvg2-bin shared-mime-info)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

mode="${1:-run}"
case "$mode" in
  run)
    cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build build/release
    exec ./build/release/src/ui/corvath
    ;;
  test)
    export QT_QPA_PLATFORM=offscreen
    # Every test, built once, with AddressSanitizer and UndefinedBehaviorSanitizer.
    # Leaks inside the system's graphics and font libraries are not ours: they are
    # suppressed, ours are reported.
    cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCORVATH_SANITIZE=ON \
      -DCORVATH_BENCH=OFF >/dev/null
    cmake --build build/asan
    printf '%s\n' 'leak:libfontconfig' 'leak:libdbus' 'leak:libglib' 'leak:libX11' 'leak:libxcb' \
      > build/asan/lsan.supp
    (cd build/asan && \
       ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1 \
       UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
       LSAN_OPTIONS="suppressions=$PWD/lsan.supp" \
       ctest --output-on-failure -j2)
    # The plain build, for what the sanitizers cannot see: the reads inside libmseed
    # (not built with them) under valgrind. The benchmarks are built here too, so
    # that they keep compiling.
    cmake -S . -B build/test -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build build/test --target test_import benchmarks
    (cd build/test && ctest --output-on-failure -R '^valgrind[.]')
    # Every record reader under libFuzzer for a bounded time.
    scripts/fuzz.sh 30
    ;;
  *) echo "usage: $0 [run|test]" >&2; exit 2 ;;
esac
