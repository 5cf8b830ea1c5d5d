#!/usr/bin/env bash
# Configures and builds the main build folder, build/, with the one set of flags
# that both ./scripts/run and ./scripts/test use, so that running one after the
# other costs one build. CMake's percentage lines show the progress.
set -euo pipefail
cd "$(dirname "$0")/../.."

echo "== Configuring build/ (preset release: RelWithDebInfo, warnings as errors)"
cmake --preset release >/dev/null
echo "== Building build/ with $(nproc 2>/dev/null || echo 2) jobs (a first build takes about 5 minutes on 2 cores)"
cmake --build --preset release -j "$(nproc 2>/dev/null || echo 2)"
