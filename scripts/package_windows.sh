#!/usr/bin/env bash
# Builds the Windows programs and their two packages from a clean clone:
#   <build-dir>/VantrelDAQ-<version>-setup.exe   the installer (NSIS)
#   <build-dir>/VantrelDAQ-<version>-win64.zip   the portable programs
# The version is the project's (CMakeLists.txt). A fresh build folder gets an
# optimised build of just the two programs; one that is configured already
# (scripts/test_windows.sh's build-win, say) is used as it is.
#   BUILD_DIR=build-win-release   JOBS=2
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
BUILD_DIR=${BUILD_DIR:-build-win-release}
JOBS=${JOBS:-2}

for tool in x86_64-w64-mingw32-g++-posix makensis; do
  command -v "$tool" >/dev/null || { echo "$tool is missing: run scripts/setup.sh --tests" >&2; exit 1; }
done

if [ ! -f "$BUILD_DIR/CMakeCache.txt" ]; then
  # -O2, not CMake's -O3: MinGW's g++ 12 gives a false -Wrestrict inside
  # std::string at -O3, which the warnings-as-errors build would stop on.
  cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64-x86_64.cmake" \
        -DCMAKE_BUILD_TYPE=Release "-DCMAKE_CXX_FLAGS_RELEASE=-O2 -DNDEBUG" -DVANTREL_WIN_TESTS=OFF \
        -DVANTREL_WERROR=ON >/dev/null
else
  cmake -S . -B "$BUILD_DIR" >/dev/null  # picks up files added since (the icon)
fi
cmake --build "$BUILD_DIR" -j "$JOBS" --target package_windows

VERSION=$(sed -nE 's/^CMAKE_PROJECT_VERSION:STATIC=(.*)$/\1/p' "$BUILD_DIR/CMakeCache.txt")
for f in "$BUILD_DIR/VantrelDAQ-$VERSION-setup.exe" "$BUILD_DIR/VantrelDAQ-$VERSION-win64.zip"; do
  printf '%s  %s bytes\n' "$f" "$(stat -c %s "$f")"
done
