#!/usr/bin/env bash
# Runs the message parser's fuzz target of a build for a bounded time.
#   scripts/fuzz.sh BUILD_DIR SECONDS
# Seeds come from fuzz/corpus (left unchanged); new inputs and findings go to
# BUILD_DIR/fuzz-work/. Exits non-zero when the target reports a finding.
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

target="$build/fuzz/zamo_parse_message_fuzz"
if [ ! -x "$target" ]; then
    echo "error: $target not built (cmake --build $build --target zamo_parse_message_fuzz)" >&2
    exit 2
fi

work="$build/fuzz-work"
mkdir -p "$work/corpus" "$work/artifacts"
export ASAN_OPTIONS=${ASAN_OPTIONS:-abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

# libFuzzer adds what it finds to the first corpus directory: the work copy, never the seeds.
# A finding ends the run early and leaves the input in the artifacts directory.
status=0
"$target" -max_total_time="$seconds" -timeout=10 -max_len=8192 -print_final_stats=1 \
    -artifact_prefix="$work/artifacts/" "$work/corpus" "$root/fuzz/corpus" || status=$?
if [ "$status" -ne 0 ]; then
    echo "error: fuzzing found a fault (status $status); input in $work/artifacts/" >&2
    exit 1
fi
echo "fuzzing: no finding in ${seconds} s"
