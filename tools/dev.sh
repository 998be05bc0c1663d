#!/usr/bin/env bash
# One entry for building, running and testing the viewer on Debian 12.
#
#   tools/dev.sh run        install what is missing, build, start the viewer
#   tools/dev.sh test       install what is missing, build (benchmarks too), run every test headless
#   tools/dev.sh sanitize   the same tests, built with AddressSanitizer and UBSan
#   tools/dev.sh bench      build and run the benchmarks under bench/
#   tools/dev.sh package    build the Debian package build-package/jibview_<version>_<arch>.deb
#   tools/dev.sh fuzz [harness...]        build the libFuzzer harnesses with clang and run a
#                                         campaign (see tools/fuzz-campaign.sh): each harness
#                                         to FUZZ_RUNS executions, or FUZZ_SECONDS (60) per call,
#                                         on FUZZ_JOBS processes (all cores), corpora kept in
#                                         FUZZ_DIR (build-fuzz/campaign), a summary row each
#   tools/dev.sh fuzz-merge [harness...]  add what the campaign found to tests/fuzz/corpus/
#   tools/dev.sh fuzz-speed [harness...]  executions a second of each harness on one core
#
# Packages are installed only when missing, so a prepared machine needs no network.
set -euo pipefail
cd "$(dirname "$0")/.."

BUILD_PACKAGES=(cmake make g++ pkg-config qt6-base-dev zlib1g-dev libgtest-dev)
# Fixtures come from independent tools: Info-ZIP, bsdtar (libarchive-tools), 7-Zip
# (p7zip-full), Python's zipfile (python3). The packaging test validates the desktop files
# and asks the MIME database for a JIB file's type with the tools a desktop uses (gio also
# gives the file URIs the thumbnail cache names its files by); bubblewrap
# runs the thumbnailer in the sandbox file managers give it; the name-order tests compile a
# locale from the locales package; Xvfb, openbox and xprop run the window tests; the
# hung-volume test mounts a FUSE file system written with python3-fusepy (fuse3 brings the
# mount helper and its settings) in a mount namespace made with util-linux's unshare.
TEST_PACKAGES=(zip unzip util-linux libarchive-tools p7zip-full desktop-file-utils appstream
               shared-mime-info libglib2.0-bin bubblewrap python3 locales xvfb openbox x11-utils
               python3-fusepy fuse3)
# The benchmarks are built (not run) with the tests, so their libraries come with the tests.
BENCH_BUILD_PACKAGES=(libbenchmark-dev libpng-dev libzip-dev)
BENCH_PACKAGES=("${BENCH_BUILD_PACKAGES[@]}" imagemagick)
FUZZ_PACKAGES=(clang libclang-rt-14-dev)
# CPack's Debian generator finds the programs with file(1) and their dependencies with
# dpkg-shlibdeps.
PACKAGE_PACKAGES=(dpkg-dev file)

ensure_packages() {
  local missing=()
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    local sudo=()
    [ "$(id -u)" = 0 ] || sudo=(sudo)
    echo "Installing: ${missing[*]}"
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
  fi
}

# build <dir> [cmake options...] [-- targets...]
build() {
  local dir=$1
  shift
  local options=() targets=()
  while [ $# -gt 0 ] && [ "$1" != "--" ]; do options+=("$1"); shift; done
  [ "${1:-}" = "--" ] && shift && targets=("$@")
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "${options[@]}" >/dev/null
  if [ ${#targets[@]} -gt 0 ]; then
    cmake --build "$dir" -j"$(nproc)" --target "${targets[@]}"
  else
    cmake --build "$dir" -j"$(nproc)"
  fi
}

run_tests() {
  local dir=$1
  QT_QPA_PLATFORM=offscreen ctest --test-dir "$dir" --output-on-failure -j"$(nproc)" --timeout 600
}

case "${1:-}" in
  run)
    ensure_packages "${BUILD_PACKAGES[@]}"
    build build -- jibview
    exec build/bin/jibview
    ;;
  test)
    ensure_packages "${BUILD_PACKAGES[@]}" "${TEST_PACKAGES[@]}" "${BENCH_BUILD_PACKAGES[@]}"
    build build -DJIB_BENCH=ON
    run_tests build
    ;;
  sanitize)
    ensure_packages "${BUILD_PACKAGES[@]}" "${TEST_PACKAGES[@]}"
    build build-sanitize -DJIB_SANITIZE=ON
    export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1"
    export LSAN_OPTIONS="suppressions=$PWD/tools/lsan.supp:print_suppressions=0"
    export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
    run_tests build-sanitize
    ;;
  bench)
    ensure_packages "${BUILD_PACKAGES[@]}" "${TEST_PACKAGES[@]}" "${BENCH_PACKAGES[@]}"
    build build-bench -DJIB_BENCH=ON -DJIB_TESTS=OFF -DCMAKE_BUILD_TYPE=Release
    cmake --build build-bench --target bench_png_inputs
    for b in build-bench/bin/bench_*; do [ -x "$b" ] && "$b"; done
    ;;
  fuzz | fuzz-merge | fuzz-speed)
    ensure_packages "${BUILD_PACKAGES[@]}" "${FUZZ_PACKAGES[@]}"
    cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang \
      -DCMAKE_CXX_COMPILER=clang++ -DJIB_FUZZ=ON -DJIB_TESTS=OFF >/dev/null
    mapfile -t fuzzers < <(sed 's/ .*/_fuzzer/' build-fuzz/fuzzers.txt)
    cmake --build build-fuzz -j"$(nproc)" --target "${fuzzers[@]}"
    mode=run
    [ "$1" = fuzz-merge ] && mode=merge
    [ "$1" = fuzz-speed ] && mode=speed
    shift
    exec tools/fuzz-campaign.sh "$mode" build-fuzz "$@"
    ;;
  package)
    ensure_packages "${BUILD_PACKAGES[@]}" "${PACKAGE_PACKAGES[@]}"
    build build-package -DJIB_TESTS=OFF -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr
    (cd build-package && cpack -G DEB)
    ;;
  *)
    sed -n '2,16p' "$0"
    exit 2
    ;;
esac
