#!/usr/bin/env bash
# Installs what the build needs, builds everything and runs every test.
#   scripts/test.sh             normal build (build/) and all tests
#   scripts/test.sh --sanitize  also: AddressSanitizer + UndefinedBehaviorSanitizer build of the
#                               tests (build-asan/), ThreadSanitizer build of the runtime tests
#                               (build-tsan/), and a bounded fuzzing run of the message parser
#                               and of the game-log line decoder
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source=scripts/setup.sh
source "$root/scripts/setup.sh"

sanitize=0
fuzz_seconds=${ZAMO_FUZZ_SECONDS:-60}
for arg in "$@"; do
    case "$arg" in
        --sanitize) sanitize=1 ;;
        -h|--help)
            sed -n '2,7p' "$0" | sed 's/^# \{0,1\}//'
            exit 0 ;;
        *) echo "error: unknown argument '$arg' (try --help)" >&2; exit 2 ;;
    esac
done

zamo_ensure_packages
# The monitor's window tests need an X server without a screen; without one they skip.
if ! command -v Xvfb >/dev/null 2>&1; then
    zamo_ensure_packages xvfb ||
        echo "warning: xvfb could not be installed: the tests of windows on a display skip"
fi

export QT_QPA_PLATFORM=offscreen

# Configures and builds one tree; extra arguments go to cmake.
build_tree() {
    local dir=$1; shift
    cmake -S "$root" -B "$dir" -G Ninja -DZAMO_WERROR=ON "$@" >/dev/null
    cmake --build "$dir" -j2
}

# Unit tests two at a time; the runtime, end-to-end and real-server tests one by one, since they
# measure wall-clock timing. The second argument, when given, leaves out tests of those labels.
run_tests() {
    local dir=$1 skip=${2:-}
    ctest --test-dir "$dir" --output-on-failure -j2 -LE 'e2e|runtime|real_server' --no-tests=ignore
    if [ -n "$skip" ]; then
        ctest --test-dir "$dir" --output-on-failure -L 'e2e|runtime|real_server' -LE "$skip" \
            --no-tests=ignore
    else
        ctest --test-dir "$dir" --output-on-failure -L 'e2e|runtime|real_server' --no-tests=ignore
    fi
}

# The real server for the tests labelled real_server; without one they skip, saying so.
real_server=$(zamo_real_server "$root")
if [ -n "$real_server" ]; then
    export ZAMO_RCSSSERVER=$real_server
    echo "== real simulator server: $real_server"
else
    echo "== no real simulator server: the real_server tests are skipped (put rcssserver 19 on the" \
        "PATH or provide ../shared/rcssserver)"
fi

echo "== build (build/)"
build_tree "$root/build"
run_tests "$root/build"

if [ "$sanitize" = 1 ]; then
    echo "== AddressSanitizer + UndefinedBehaviorSanitizer (build-asan/)"
    export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
    export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
    export LSAN_OPTIONS=suppressions=$root/scripts/lsan.supp
    build_tree "$root/build-asan" -DZAMO_SANITIZE=address -DZAMO_BUILD_BENCH=OFF \
        -DZAMO_BUILD_FUZZ=OFF
    # The real-server matches ran in the normal build; under the sanitizers they would only
    # repeat the practice-server matches at several times the cost.
    run_tests "$root/build-asan" real_server

    echo "== ThreadSanitizer, runtime tests (build-tsan/)"
    export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1
    build_tree "$root/build-tsan" -DZAMO_SANITIZE=thread -DZAMO_BUILD_UI=OFF \
        -DZAMO_BUILD_BENCH=OFF -DZAMO_BUILD_FUZZ=OFF -DZAMO_TEST_FOLDERS=runtime
    ctest --test-dir "$root/build-tsan" --output-on-failure -L runtime --no-tests=ignore

    if [ -x "$root/scripts/fuzz.sh" ]; then
        echo "== fuzzing the message parser and the game-log lines for ${fuzz_seconds} s" \
            "(build-fuzz/)"
        CC=clang CXX=clang++ cmake -S "$root" -B "$root/build-fuzz" -G Ninja -DZAMO_WERROR=ON \
            -DZAMO_SANITIZE=address -DZAMO_BUILD_UI=OFF -DZAMO_BUILD_TESTS=OFF \
            -DZAMO_BUILD_BENCH=OFF >/dev/null
        cmake --build "$root/build-fuzz" -j2 --target zamo_parse_message_fuzz zamo_show_line_fuzz
        "$root/scripts/fuzz.sh" "$root/build-fuzz" "$fuzz_seconds"
    fi
fi
echo "== all tests passed"
