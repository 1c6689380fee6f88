#!/usr/bin/env bash
# Builds vokbuild and its tests, cross-builds the Windows programs for the
# Wine tests when MinGW-w64 is installed, and runs every test with CTest.
# Extra arguments go to ctest (for instance -LE slow to leave out the load
# test). Under CI=true a missing MinGW-w64 is an error, not a skip.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$PWD

cmake -S . -B build -DBUILD_TESTING=ON -DVOKBUILD_WINDOWS_BUILD="$top/build-win"
cmake --build build -j2

if command -v x86_64-w64-mingw32-g++-posix >/dev/null 2>&1; then
  cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-w64-x86_64.cmake"
  cmake --build build-win -j2
elif [ "${CI:-}" = true ]; then
  echo "test.sh: MinGW-w64 (x86_64-w64-mingw32-g++-posix) is not installed" >&2
  exit 1
else
  echo "test.sh: MinGW-w64 not installed; the Wine tests will report themselves skipped" >&2
fi

ctest --test-dir build --output-on-failure "$@"
