#!/usr/bin/env bash
# Configures and builds the main build folder, build/, with the one set of flags
# that both ./scripts/run and ./scripts/test use, so that running one after the
# other costs one build. CMake's percentage lines show the progress.
set -euo pipefail
cd "$(dirname "$0")/../.."

launcher=()
if command -v ccache >/dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi

echo "== Configuring build/ (RelWithDebInfo, warnings as errors)"
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARNEVO_WERROR=ON "${launcher[@]}" >/dev/null
echo "== Building build/ with $(nproc 2>/dev/null || echo 2) jobs (a first build takes about 5 minutes on 2 cores)"
cmake --build build -j "$(nproc 2>/dev/null || echo 2)"
