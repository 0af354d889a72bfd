#!/usr/bin/env bash
# Installs what the builds and tests need, checks the C++ formatting, builds the native, sanitizer and Windows builds,
# runs every test, builds and tests the arm64 build (scripts/cross-arm64.sh), makes a release
# signed with a throwaway certificate and checks it (scripts/check-release.sh), then fuzzes each
# fuzz target for 20 s (AMBERVALE_FUZZ_SECONDS) and runs a 3-minute soak. Exits non-zero when
# any build, test, the release, a fuzz target or the soak fails.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash scripts/bootstrap.sh

status=0
# The C++ sources as .clang-format writes them.
bash scripts/check-format.sh || status=1

jobs=$(nproc)
build() {  # build DIR [cmake options...]
  local dir=$1; shift
  cmake -S . -B "$dir" -G Ninja -Wno-dev "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
}

build build/native -DCMAKE_BUILD_TYPE=RelWithDebInfo
build build/sanitize -DCMAKE_BUILD_TYPE=Debug -DAMBERVALE_SANITIZE=ON
build build/windows -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake

for dir in build/native build/sanitize build/windows; do
  echo "== tests: $dir"
  (cd "$dir" && ctest --output-on-failure --timeout 900) || status=1
done
# The arm64 build: unit tests and a sweep of the layouts under qemu-aarch64, the arm64 package.
echo "== arm64"
arm64_start=$SECONDS
bash scripts/cross-arm64.sh || status=1
echo "== arm64: $((SECONDS - arm64_start)) s"
# A whole release from a clean clone of this commit, signed with a throwaway certificate.
echo "== release"
release_start=$SECONDS
bash scripts/check-release.sh || status=1
echo "== release: $((SECONDS - release_start)) s"
# The fuzz targets replay their corpora and each fuzzes for a short while.
echo "== fuzz"
bash scripts/fuzz.sh "${AMBERVALE_FUZZ_SECONDS:-20}" || status=1
echo "== soak: 3 minutes"
bash scripts/soak.sh 3 || status=1
[ $status -eq 0 ] && echo "all tests passed" || echo "some tests FAILED"
exit $status
