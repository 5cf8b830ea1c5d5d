#!/bin/sh
# Times 1,000 simulated spectra through `tarnevo-cli identify --batch`, on one
# core and on every core. The spectra (identify_batch_input.jsonl) are the
# evaluation's simulated measurements of known compounds of C H N O P S (the
# command line's default elements), one in every few cases over the three
# resolving powers, written by
#   tarnevo_identify_evaluation --elements C,H,N,O,P,S --write-batch bench/identify_batch_input.jsonl
# Usage: bench/identify_batch_time.sh [PATH/TO/tarnevo-cli]   (default build/cli/tarnevo-cli)
set -eu
here=$(cd "$(dirname "$0")" && pwd)
cli=${1:-$here/../build/cli/tarnevo-cli}
input=$here/identify_batch_input.jsonl
output=$(mktemp)
trap 'rm -f "$output"' EXIT

if [ ! -x "$cli" ]; then
    echo "identify_batch_time.sh: $cli is not an executable; build the target tarnevo-cli first" >&2
    exit 2
fi

lines=$(wc -l <"$input")
run() {
    label=$1
    shift
    /usr/bin/time -f "$label: %e s wall, %U s user, %M kB peak memory" "$@" "$cli" identify --batch "$input" \
        >"$output"
    answered=$(wc -l <"$output")
    refused=$(grep -c '"error"' "$output" || true)
    echo "$label: $answered answers to $lines lines, $refused of them refusals"
}

run "one core" taskset -c 0
run "every core" env
