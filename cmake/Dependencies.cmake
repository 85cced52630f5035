# Every dependency is a Debian 12 package; a missing one stops the configure
# step with the name of the package to install.

function(corvath_require found what package)
  if(NOT ${found})
    message(FATAL_ERROR "${what} not found: install the Debian package '${package}' "
                        "(or run scripts/setup.sh, which installs everything).")
  endif()
endfunction()

find_package(PkgConfig)
corvath_require(PKG_CONFIG_FOUND "pkg-config" "pkgconf")

# FFTW 3 (double precision): the real Fourier transform of the spectra.
pkg_check_modules(FFTW3 IMPORTED_TARGET fftw3)
corvath_require(FFTW3_FOUND "FFTW 3" "libfftw3-dev")

# ALGLIB: Akima spline. Debian's config only sets ALGLIB_LIB.
find_library(ALGLIB_LIB NAMES alglib)
find_path(ALGLIB_INCLUDE_DIR NAMES libalglib/interpolation.h)
if(ALGLIB_LIB AND ALGLIB_INCLUDE_DIR)
  set(ALGLIB_OK TRUE)
endif()
corvath_require(ALGLIB_OK "ALGLIB" "libalglib-dev")
add_library(corvath_alglib INTERFACE)
target_link_libraries(corvath_alglib INTERFACE ${ALGLIB_LIB})
target_include_directories(corvath_alglib SYSTEM INTERFACE ${ALGLIB_INCLUDE_DIR})
# ALGLIB has no version macro; its header's first line names the version.
file(STRINGS ${ALGLIB_INCLUDE_DIR}/libalglib/ap.h ALGLIB_VERSION_LINE REGEX "^ALGLIB [0-9.]+" LIMIT_COUNT 1)
string(REGEX MATCH "[0-9.]+" ALGLIB_VERSION "${ALGLIB_VERSION_LINE}")

pkg_check_modules(XLSXWRITER IMPORTED_TARGET xlsxwriter)
corvath_require(XLSXWRITER_FOUND "libxlsxwriter" "libxlsxwriter-dev")
# libzip: rewrites a member of the written workbook (its full-precision numbers).
pkg_check_modules(LIBZIP IMPORTED_TARGET libzip)
corvath_require(LIBZIP_FOUND "libzip" "libzip-dev")

# libmseed 2: decodes miniSEED records. Debian ships it as the pkg-config module
# "mseed"; a plain library search covers installs without the .pc file.
pkg_check_modules(MSEED QUIET IMPORTED_TARGET mseed)
if(MSEED_FOUND)
  add_library(corvath_mseed INTERFACE)
  target_link_libraries(corvath_mseed INTERFACE PkgConfig::MSEED)
else()
  find_library(MSEED_LIB NAMES mseed)
  find_path(MSEED_INCLUDE_DIR NAMES libmseed.h)
  if(MSEED_LIB AND MSEED_INCLUDE_DIR)
    set(MSEED_FOUND TRUE)
    add_library(corvath_mseed INTERFACE)
    target_link_libraries(corvath_mseed INTERFACE ${MSEED_LIB})
    target_include_directories(corvath_mseed SYSTEM INTERFACE ${MSEED_INCLUDE_DIR})
  endif()
endif()
corvath_require(MSEED_FOUND "libmseed" "libmseed-dev")

# Boost.Math (header-only): the bracketing root finder of the surface-wave modes.
find_package(Boost 1.74 QUIET)
if(Boost_FOUND AND NOT EXISTS ${Boost_INCLUDE_DIRS}/boost/math/tools/toms748_solve.hpp)
  set(Boost_FOUND FALSE)
endif()
corvath_require(Boost_FOUND "Boost.Math" "libboost-math-dev")

# nlohmann-json 3: the session files.
find_package(nlohmann_json 3 QUIET)
corvath_require(nlohmann_json_FOUND "nlohmann-json 3" "nlohmann-json3-dev")

# OpenSSL's libcrypto: the SHA-256 of a survey's input files.
find_package(OpenSSL QUIET COMPONENTS Crypto)
corvath_require(OpenSSL_FOUND "OpenSSL (libcrypto)" "libssl-dev")

if(CORVATH_TESTS)
  find_package(GTest QUIET)
  corvath_require(GTest_FOUND "GoogleTest" "libgtest-dev")
endif()
if(CORVATH_BENCH)
  find_package(benchmark QUIET)
  corvath_require(benchmark_FOUND "Google Benchmark" "libbenchmark-dev")
endif()

if(CORVATH_GUI)
  find_package(Qt6 QUIET COMPONENTS Core Gui Widgets PrintSupport Test)
  corvath_require(Qt6_FOUND "Qt 6 (Widgets, PrintSupport, Test)" "qt6-base-dev")
  find_package(Qt6Svg QUIET)
  corvath_require(Qt6Svg_FOUND "Qt 6 SVG (charts saved as SVG)" "qt6-svg-dev")
  find_package(QCustomPlotQt6 QUIET)
  corvath_require(QCustomPlotQt6_FOUND "QCustomPlot for Qt 6" "libqcustomplot-dev")
endif()
