# shellcheck shell=bash
# The fuzz targets that the gate (scripts/lib/fuzz-briefly.sh) and the open-ended
# search (scripts/fuzz-search) run, with their seed corpora and libFuzzer options.
# Sourced, not run; the caller is in the repository's top folder.

# In the order the gate runs them.
fuzz_targets=(engine_routes_fuzzer cli_command_fuzzer)

# The checked-in seeds of a target: every known reproducer is among them.
fuzz_seeds() {
    case $1 in
        engine_routes_fuzzer) echo fuzz/corpus/engine_routes ;;
        cli_command_fuzzer) echo fuzz/corpus/cli_command ;;
        *) echo "unknown fuzz target $1 (known: ${fuzz_targets[*]})" >&2; return 1 ;;
    esac
}

# -max_len: the engine's decoding reads about 50 bytes; a command line of a few
# hundred bytes holds every option. -timeout: an input takes well under a second
# (the command-line target skips inputs whose work would be long: wide formula
# searches and identification windows, long fits, huge resolved ions, many
# batch workers; fuzz/cli_fuzz_input.cpp); 10 s is a hang.
fuzz_options() {
    case $1 in
        engine_routes_fuzzer) echo "-max_len=64 -timeout=10" ;;
        cli_command_fuzzer) echo "-max_len=512 -timeout=10 -dict=fuzz/cli_command.dict" ;;
    esac
}

fuzz_build() {
    echo "== Building $* (preset fuzz: clang, libFuzzer, ASan + UBSan)"
    cmake --preset fuzz >/dev/null
    cmake --build --preset fuzz -j "$(nproc 2>/dev/null || echo 2)" --target "$@"
}

# Tells how to replay and describe what a target found.
fuzz_explain_findings() {
    local target=$1
    shift
    echo "Replay and describe with:" >&2
    for finding in "$@"; do echo "  TARNEVO_FUZZ_DESCRIBE=1 build-fuzz/fuzz/$target $finding" >&2; done
    echo "Once fixed, keep each as a seed: fuzz/corpus/.../regression_<what> (fuzz/CMakeLists.txt)." >&2
}
