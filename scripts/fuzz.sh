#!/usr/bin/env bash
# Runs the fuzz targets of a build for a bounded time in all, shared out evenly between them:
#   scripts/fuzz.sh BUILD_DIR SECONDS
# zamo_parse_message_fuzz (the sensor parser) takes its seeds from fuzz/corpus, every other
# target zamo_NAME_fuzz from fuzz/NAME_corpus; the seeds are left unchanged. New inputs and
# findings go to BUILD_DIR/fuzz-work/NAME/. Exits non-zero when a target reports a finding.
set -euo pipefail

if [ $# -ne 2 ]; then
    echo "usage: $0 BUILD_DIR SECONDS" >&2
    exit 2
fi
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "$1" && pwd)
seconds=$2
case "$seconds" in
    ''|*[!0-9]*) echo "error: SECONDS must be a whole number, not '$seconds'" >&2; exit 2 ;;
esac

targets=()
for source in "$root"/fuzz/*_fuzz.cpp; do
    name=$(basename "$source" _fuzz.cpp)
    target="$build/fuzz/zamo_${name}_fuzz"
    if [ ! -x "$target" ]; then
        echo "error: $target not built (cmake --build $build --target zamo_${name}_fuzz)" >&2
        exit 2
    fi
    targets+=("$name")
done
share=$((seconds / ${#targets[@]}))
[ "$share" -ge 1 ] || share=1

export ASAN_OPTIONS=${ASAN_OPTIONS:-abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
for name in "${targets[@]}"; do
    seeds="$root/fuzz/${name}_corpus"
    [ -d "$seeds" ] || seeds="$root/fuzz/corpus"
    work="$build/fuzz-work/$name"
    mkdir -p "$work/corpus" "$work/artifacts"
    # libFuzzer adds what it finds to the first corpus directory: the work copy, never the seeds.
    # A finding ends the run early and leaves the input in the artifacts directory.
    status=0
    echo "== fuzzing $name for $share s"
    "$build/fuzz/zamo_${name}_fuzz" -max_total_time="$share" -timeout=10 -max_len=8192 \
        -print_final_stats=1 -artifact_prefix="$work/artifacts/" "$work/corpus" "$seeds" ||
        status=$?
    if [ "$status" -ne 0 ]; then
        echo "error: fuzzing $name found a fault (status $status); input in $work/artifacts/" >&2
        exit 1
    fi
done
echo "fuzzing: no finding in ${seconds} s (${#targets[@]} targets)"
