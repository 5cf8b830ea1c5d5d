#!/usr/bin/env bash
# Fails when a layer includes a header of a layer above it, or when code below
# the desktop shell includes Qt:
#   core <- port <- output <- document <- calc <- app, cli
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

breach core     'port/|output/|document/|calc/|app/|cli/|Q[A-Za-z]*[>/]|Qt' 'core/ and the standard library'
breach port     'output/|document/|calc/|app/|cli/|Q[A-Za-z]*[>/]|Qt'       'core/, port/ and the standard library'
breach output   'document/|calc/|app/|cli/|Q[A-Za-z]*[>/]|Qt'             'core/, port/, output/ and the standard library'
breach document 'calc/|app/|cli/|Q[A-Za-z]*[>/]|Qt'                       'core/, port/, output/, document/ and the standard library'
breach calc     'app/|cli/|Q[A-Za-z]*[>/]|Qt'                             'core/, port/, output/, document/, calc/ and the standard library'
breach cli      'app/|Q[A-Za-z]*[>/]|Qt'                                  'core/, port/, output/, document/, calc/, cli/ and the standard library'
[ $status -eq 0 ] && echo "layers: no include crosses a layer upwards, no Qt below app/"
exit $status
