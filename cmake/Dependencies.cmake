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

pkg_check_modules(XLSXWRITER IMPORTED_TARGET xlsxwriter)
corvath_require(XLSXWRITER_FOUND "libxlsxwriter" "libxlsxwriter-dev")

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
  find_package(QCustomPlotQt6 QUIET)
  corvath_require(QCustomPlotQt6_FOUND "QCustomPlot for Qt 6" "libqcustomplot-dev")
endif()
