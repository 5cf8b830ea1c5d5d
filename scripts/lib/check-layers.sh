#!/usr/bin/env bash
# Fails when a layer includes a header of a layer above it, or when code below
# the desktop shell includes Qt:
#   core <- port <- output <- document <- calc <- app, cli
# and fine/ (the exact fine structure) beside core: core <- fine <- calc, app, cli;
# python/ (the Python module) stands on cli: cli <- python, and never on app/ or Qt.
# fine/ is the one folder that may include IsoSpec; core/ stays standard library only.
# Every finding is printed as file:line: include.
set -uo pipefail
root=${1:-$(dirname "$0")/../..}
cd "$root" || exit 2

status=0
breach() {   # folder, pattern of forbidden includes, what the folder may use
  local folder=$1 forbidden=$2 allowed=$3 found
  found=$(grep -rnE "^[[:space:]]*#[[:space:]]*include[[:space:]]*[<\"]($forbidden)" "$folder" \
            --include='*.h' --include='*.cpp' 2>/dev/null)
  if [ -n "$found" ]; then
    echo "$folder/ may include only $allowed:"
    echo "$found"
    status=1
  fi
}

breach core     'fine/|IsoSpec|port/|output/|document/|calc/|app/|cli/|Q[A-Za-z]*[>/]|Qt' 'core/ and the standard library'
breach fine     'port/|output/|document/|calc/|app/|cli/|Q[A-Za-z]*[>/]|Qt'       'core/, fine/, IsoSpec++/ and the standard library'
breach port     'fine/|IsoSpec|output/|document/|calc/|app/|cli/|Q[A-Za-z]*[>/]|Qt' 'core/, port/ and the standard library'
breach output   'fine/|IsoSpec|document/|calc/|app/|cli/|Q[A-Za-z]*[>/]|Qt'       'core/, port/, output/ and the standard library'
breach document 'fine/|IsoSpec|calc/|app/|cli/|Q[A-Za-z]*[>/]|Qt'                 'core/, port/, output/, document/ and the standard library'
breach calc     'IsoSpec|app/|cli/|Q[A-Za-z]*[>/]|Qt'                             'core/, fine/, port/, output/, document/, calc/ and the standard library'
breach cli      'IsoSpec|app/|Q[A-Za-z]*[>/]|Qt'                                  'core/, fine/, port/, output/, document/, calc/, cli/ and the standard library'
breach python   'IsoSpec|app/|Q[A-Za-z]*[>/]|Qt'                                  'core/, fine/, port/, output/, document/, calc/, cli/, pybind11 and the standard library'
[ $status -eq 0 ] && echo "layers: no include crosses a layer upwards, IsoSpec only in fine/, no Qt below app/"
exit $status
