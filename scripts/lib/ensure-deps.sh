#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, only those missing.
# Quiet when everything is already there.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev libgl-dev qt6-charts-dev libqt6opengl6-dev qt6-svg-dev
  fonts-liberation xvfb xauth ccache locales clang-format clang-tidy
  libisospec++-dev
  # The Python module: pybind11 over Debian's own Python, NumPy arrays for its
  # tables, pytest for its tests, pandas for the tables as data frames.
  pybind11-dev python3-dev python3-numpy python3-pytest python3-pandas
  # The fuzz stage: clang, its libFuzzer and sanitizer runtimes, and
  # llvm-symbolizer for readable stacks in a finding's report.
  clang libclang-rt-dev llvm
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done
# A locale whose month names are not English: the report's run date must stay
# English under it, and the test that says so needs one.
needs_locale=false
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then needs_locale=true; fi
[ ${#missing[@]} -eq 0 ] && [ "$needs_locale" = false ] && exit 0

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { echo "Please install as root: ${missing[*]}" >&2; exit 1; }
  sudo_cmd=(sudo)
fi
if [ ${#missing[@]} -ne 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
if [ "$needs_locale" = true ]; then
  echo "Generating the de_DE.UTF-8 locale"
  "${sudo_cmd[@]}" localedef -i de_DE -f UTF-8 de_DE.UTF-8
fi
