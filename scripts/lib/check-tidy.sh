#!/usr/bin/env bash
# Runs clang-tidy with the repository's .clang-tidy over our own translation
# units and fails on any finding. The folders to check are the arguments
# (default: core fine port output document calc cli python app); tests/ and bench/ may be named
# too. The compile commands come from build/, the release preset, which must
# have been built (the desktop sources need the headers Qt's moc generates).
#
#   scripts/lib/check-tidy.sh            every layer
#   scripts/lib/check-tidy.sh core       the core only
#
# Every finding is printed once as file:line:column: message [check], then a
# count per check and a one-line summary. Exit status: 0 clean, 1 findings or
# a file clang-tidy could not process, 2 cannot run.
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${TARNEVO_TIDY_BUILD:-$root/build}
database=$build/compile_commands.json

folders=("$@")
[ ${#folders[@]} -eq 0 ] && folders=(core fine port output document calc cli python app)

tidy=$(command -v clang-tidy || command -v clang-tidy-14) || {
  echo "check-tidy: clang-tidy is not installed (scripts/lib/ensure-deps.sh installs it)" >&2
  exit 2
}
if [ ! -f "$database" ]; then
  echo "check-tidy: $database is missing; build first: scripts/lib/build.sh" >&2
  exit 2
fi

# The translation units of the named folders, from the compile database (its
# "file" entries are absolute paths). Generated sources under build/ are not ours.
units=()
for folder in "${folders[@]}"; do
  folder=${folder%/}
  if [ ! -d "$root/$folder" ]; then
    echo "check-tidy: no folder $folder/ in $root" >&2
    exit 2
  fi
  while IFS= read -r unit; do units+=("$unit"); done < <(
    grep -o '"file": *"[^"]*"' "$database" | sed 's/^"file": *"//; s/"$//' |
      grep "^$root/$folder/" | sort -u)
done
if [ ${#units[@]} -eq 0 ]; then
  echo "check-tidy: no translation unit of ${folders[*]} in $database" >&2
  exit 2
fi

jobs=$(nproc 2>/dev/null || echo 2)
logs=$(mktemp -d)
trap 'rm -rf "$logs"' EXIT

# One clang-tidy per unit, $jobs at a time; each writes its own log and status.
# The compile commands are GCC's: clang does not know some of its warning
# options (-Wno-restrict), and the compiler's own warnings are GCC's to judge
# under -Werror, so clang's are kept from turning into errors here.
run_one() {
  local unit=$1 log
  log=$logs/$(printf '%s' "$unit" | tr '/' '_')
  "$tidy" -p "$build" --quiet \
    --extra-arg=-Wno-unknown-warning-option --extra-arg=-Wno-error \
    "$unit" >"$log.out" 2>"$log.err"
  echo $? >"$log.status"
}
export -f run_one
export tidy build logs

start=$(date +%s)
printf '%s\0' "${units[@]}" | xargs -0 -n1 -P "$jobs" bash -c 'run_one "$1"' _
seconds=$(( $(date +%s) - start ))

# A header's finding is reported by every unit that includes it: keep one.
finding='^/.*:[0-9]+:[0-9]+: (warning|error): .*\[[^]]+\]$'
findings=$(cat "$logs"/*.out | grep -E "$finding" | sed 's/,-warnings-as-errors\]$/]/' |
             sed "s|^$root/||" | sort -u -t: -k1,1 -k2,2n -k3,3n -k4)
count=0
[ -n "$findings" ] && count=$(printf '%s\n' "$findings" | wc -l)

# A unit that failed without a finding of ours could not be parsed at all.
broken=()
for status in "$logs"/*.status; do
  log=${status%.status}
  if [ "$(cat "$status")" != 0 ] && ! grep -qE "$finding" "$log.out"; then
    broken+=("$log")
  fi
done

if [ "$count" -gt 0 ]; then
  printf '%s\n' "$findings"
  echo
  echo "Findings per check:"
  printf '%s\n' "$findings" | grep -oE '\[[^]]+\]$' | tr -d '[]' | sort | uniq -c | sort -rn
fi
for log in "${broken[@]}"; do
  echo "check-tidy: clang-tidy could not process a unit:" >&2
  cat "$log.out" "$log.err" >&2
done

summary="${#units[@]} translation units of ${folders[*]} in ${seconds} s on $jobs jobs"
if [ "$count" -gt 0 ] || [ ${#broken[@]} -gt 0 ]; then
  echo "tidy: $count findings, ${#broken[@]} units not processed; $summary"
  exit 1
fi
echo "tidy: no findings; $summary"
