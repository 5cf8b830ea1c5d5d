#!/usr/bin/env bash
# The fuzz gate of ./scripts/test: builds the fuzz targets (preset fuzz: clang,
# libFuzzer, ASan and UBSan) and runs each with a fixed seed for a fixed number of
# executions over a copy of its checked-in corpus, which holds every known
# reproducer. The same commit always gets the same verdict: no search runs on
# the clock here (that is scripts/fuzz-search, run on purpose). Fails on a
# disagreement of the engine's routes, a broken promise of the command line, a
# crash, a sanitizer report or a hang, and keeps the input under
# build-fuzz/<target>-findings/. About a minute on 2 cores.
set -euo pipefail
cd "$(dirname "$0")/../.."
source scripts/lib/fuzz-targets.sh

# The seed of libFuzzer's mutations and the executions per target; change them
# only together with a look at the time the gate takes.
seed=1
declare -A runs=([engine_routes_fuzzer]=60000 [cli_command_fuzzer]=12000)

# What would make two runs of one commit differ, turned off: the allocator purge
# and the corpus reload that libFuzzer does on the clock, the worker threads of
# the command line's batches (one worker each, fuzz/cli_fuzz_input.h), and
# address-space randomisation, whose pointer values the comparison tracing feeds
# into the mutations. Where the personality cannot be set, the comparison
# tracing and the entropic schedule are turned off instead.
repeatable=(-purge_allocator_interval=-1 -reload=0)
export TARNEVO_FUZZ_ONE_WORKER=1
launcher=(setarch "$(uname -m)" -R)
if ! "${launcher[@]}" true 2>/dev/null; then
    launcher=()
    repeatable+=(-use_cmp=0 -entropic=0)
fi

if [ -n "${TARNEVO_FUZZ_SECONDS:-}" ]; then
    echo "Note: the gate runs a fixed number of runs; TARNEVO_FUZZ_SECONDS is for scripts/fuzz-search."
fi

fuzz_build "${fuzz_targets[@]}"

work=$(mktemp -d "${TMPDIR:-/tmp}/tarnevo-fuzz.XXXXXX")
trap 'rm -rf "$work"' EXIT

for target in "${fuzz_targets[@]}"; do
    seeds=$(fuzz_seeds "$target")
    findings=build-fuzz/$target-findings
    # New inputs go to a scratch copy: the checked-in seeds never change.
    rm -rf "$work/corpus"
    mkdir -p "$work/corpus" "$findings"
    cp "$seeds"/* "$work/corpus/"
    echo "== Fuzzing $target: seed $seed, ${runs[$target]} runs over a copy of $seeds"
    status=0
    # shellcheck disable=SC2046 # the options are words
    "${launcher[@]}" "build-fuzz/fuzz/$target" -seed="$seed" -runs="${runs[$target]}" "${repeatable[@]}" \
        $(fuzz_options "$target") -print_final_stats=1 -artifact_prefix="$findings/" "$work/corpus" \
        >"$work/log" 2>&1 || status=$?
    executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/log")
    if [ "$status" -ne 0 ]; then
        tail -n 60 "$work/log" >&2
        finding=$(sed -n 's/.*Test unit written to \(.*\)$/\1/p' "$work/log" | tail -n 1)
        echo "FAILED: $target found a fault (exit $status) after ${executions:-?} executions." >&2
        fuzz_explain_findings "$target" "${finding:-$findings/<file>}"
        exit 1
    fi
    coverage=$(sed -n 's/^#[0-9]*[[:space:]]*DONE *\(cov: [0-9]* ft: [0-9]*\).*/\1/p' "$work/log")
    echo "$target: ${executions:-?} executions ($coverage), $(find "$work/corpus" -type f | wc -l) inputs in the corpus, nothing found"
done
