#!/usr/bin/env bash
# Installs what is missing, builds, and plays a match of our team against itself: the simulator
# server (rcssserver when it is on the PATH, otherwise our practice server), "Zamo_Left" and
# "Zamo_Right" with eleven headless players each, the cycle and the score while it runs, the final
# score at the end. Everything it started is stopped when it ends, however it ends.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source=scripts/setup.sh
source "$root/scripts/setup.sh"
# shellcheck source=scripts/team_common.sh
source "$root/scripts/team_common.sh"

usage() {
    cat <<'TXT'
usage: scripts/play.sh [--half-cycles N] [--server PATH] [--window N] [--monitor]
                      [--game-log FILE] [--port P]

Installs the missing Debian packages, builds, starts a server and two teams of eleven headless
players ("Zamo_Left" and "Zamo_Right"), shows the cycle and the score while they play, prints the
final score and stops everything it started. A full match (2 x 3000 cycles) takes about 11
minutes; --half-cycles 300 one of about 1.5 minutes.

  --half-cycles N  cycles per half, 10..30000 (default 3000, as in a real match)
  --server PATH    the rcssserver program to play on (default: rcssserver from the PATH when
                   there is one, otherwise the practice server built here)
  --window N       also open the window of left player N (1..11) when a display exists; it
                   draws the player's world model from the start
  --monitor        also watch the match in ZamoMonitor when a display exists
  --game-log FILE  write the match's game log to FILE (ending in .rcg), to replay it with
                   build/ZamoMonitor FILE (see ZamoMonitor --help)
  --port P         the server's UDP port (default 6000 for rcssserver, a free one for the
                   practice server)
  --help           print this text

Exit status: 0 after a match with a final score, 1 when the match could not be played, 2 for bad
options.
TXT
}

fail_usage() {
    echo "error: $* (try --help)" >&2
    exit 2
}

half_cycles=3000
server_path=""
window_id=0
port=""
monitor=0
game_log=""
while (($# > 0)); do
    case "$1" in
        -h | --help) usage; exit 0 ;;
        --monitor) monitor=1; shift ;;
        --half-cycles | --server | --window | --port | --game-log)
            (($# >= 2)) || fail_usage "option $1 needs a value"
            case "$1" in
                --half-cycles) half_cycles=$2 ;;
                --server) server_path=$2 ;;
                --window) window_id=$2 ;;
                --port) port=$2 ;;
                --game-log) game_log=$2 ;;
            esac
            shift 2 ;;
        *) fail_usage "unknown argument '$1'" ;;
    esac
done
zamo_in_range "$half_cycles" 10 30000 ||
    fail_usage "--half-cycles '$half_cycles' must be a number from 10 to 30000"
half_cycles=$((10#$half_cycles))
zamo_in_range "$window_id" 1 11 || [[ $window_id == 0 ]] ||
    fail_usage "--window '$window_id' must be a player number from 1 to 11"
window_id=$((10#$window_id))
if [[ -n $port ]]; then
    zamo_in_range "$port" 1 65535 || fail_usage "--port '$port' must be a number from 1 to 65535"
    port=$((10#$port))
fi
if [[ -n $game_log ]]; then
    [[ $game_log == *.rcg && $(basename "$game_log") != .rcg ]] ||
        fail_usage "--game-log '$game_log' must name a file ending in .rcg"
    game_log_dir=$(dirname "$game_log")
    [[ -d $game_log_dir && -w $game_log_dir ]] ||
        fail_usage "--game-log: the folder '$game_log_dir' does not exist or cannot be written"
    game_log=$(cd "$game_log_dir" && pwd)/$(basename "$game_log")
fi
has_display=0
[[ -z ${DISPLAY:-} && -z ${WAYLAND_DISPLAY:-} ]] || has_display=1
if [[ -n $server_path ]]; then
    [[ -f $server_path && -x $server_path ]] ||
        fail_usage "--server '$server_path' is not an executable program"
elif command -v rcssserver >/dev/null 2>&1; then
    server_path=$(command -v rcssserver)
fi

zamo_ensure_packages
echo "== building (build/)"
cmake -S "$root" -B "$root/build" -G Ninja >/dev/null
targets=(ZamoSoccer zamo-practice-server)
((monitor == 0)) || targets+=(ZamoMonitor)
cmake --build "$root/build" -j2 --target "${targets[@]}"

run_dir=$(mktemp -d "${TMPDIR:-/tmp}/zamo-play.XXXXXX")
teams=(Zamo_Left Zamo_Right)
server_pid=""
monitor_pid=""
starter_pids=()
keep_logs=1

# Stops, by id, everything this script started: the start scripts, the players, the server.
cleanup() {
    local status=$? pid team
    trap - EXIT INT TERM
    if [[ -n $monitor_pid ]]; then
        kill -TERM "$monitor_pid" 2>/dev/null || true
    fi
    for pid in "${starter_pids[@]}"; do
        kill -TERM "$pid" 2>/dev/null || true
    done
    for team in "${teams[@]}"; do
        if [[ -f $run_dir/$team/players.pids ]]; then
            "$root/scripts/kill.sh" -f "$run_dir/$team/players.pids" -g 5 >/dev/null 2>&1 || true
        fi
    done
    if [[ -n $server_pid ]] && kill -0 "$server_pid" 2>/dev/null; then
        kill -TERM "$server_pid" 2>/dev/null || true
        for _ in {1..50}; do
            kill -0 "$server_pid" 2>/dev/null || break
            sleep 0.1
        done
        kill -KILL "$server_pid" 2>/dev/null || true
    fi
    wait 2>/dev/null || true
    if ((keep_logs)); then
        echo "logs of the server and the players: $run_dir" >&2
    else
        rm -rf "$run_dir"
    fi
    exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# The server, in the background, its output in server.log.
practice=0
if [[ -n $server_path ]]; then
    port=${port:-6000}
    # The real server counts a half in seconds of 100 ms cycles.
    half_seconds=$(((half_cycles + 9) / 10))
    echo "== server: $server_path on port $port, halves of $((half_seconds * 10)) cycles"
    log_args=(server::game_logging=false)
    if [[ -n $game_log ]]; then
        log_args=(server::game_logging=true server::game_log_dir="$(dirname "$game_log")"
            server::game_log_fixed=true server::game_log_fixed_name="$(basename "$game_log" .rcg)"
            server::game_log_compression=0 server::game_log_version=6)
    fi
    (cd "$run_dir" && exec "$server_path" server::port="$port" \
        server::coach_port=$((port + 1)) server::olcoach_port=$((port + 2)) \
        server::auto_mode=true server::synch_mode=false server::half_time="$half_seconds" \
        server::nr_normal_halfs=2 server::nr_extra_halfs=0 server::penalty_shoot_outs=false \
        server::kick_off_wait=50 server::game_over_wait=20 "${log_args[@]}" \
        server::text_logging=false >"$run_dir/server.log" 2>&1 </dev/null) &
    server_pid=$!
    sleep 1
else
    practice=1
    echo "== server: practice server, halves of $half_cycles cycles"
    log_args=()
    [[ -z $game_log ]] || log_args=(--game-log "$game_log")
    "$root/build/zamo-practice-server" --port "${port:-0}" --port-file "$run_dir/port" \
        --half-cycles "$half_cycles" --halves 2 "${log_args[@]}" >"$run_dir/server.log" 2>&1 \
        </dev/null &
    server_pid=$!
    for _ in {1..50}; do
        [[ -s $run_dir/port ]] && break
        kill -0 "$server_pid" 2>/dev/null || break
        sleep 0.1
    done
    [[ -s $run_dir/port ]] || {
        echo "error: the practice server did not start:" >&2
        cat "$run_dir/server.log" >&2
        exit 1
    }
    port=$(<"$run_dir/port")
fi
kill -0 "$server_pid" 2>/dev/null || {
    echo "error: the server ended at once:" >&2
    cat "$run_dir/server.log" >&2
    exit 1
}

if ((monitor)); then
    if ((has_display)); then
        echo "== monitor: ZamoMonitor on port $port"
        "$root/build/ZamoMonitor" --port "$port" >"$run_dir/monitor.log" 2>&1 </dev/null &
        monitor_pid=$!
    else
        echo "note: no display (DISPLAY and WAYLAND_DISPLAY are unset), so no monitor window;" \
            "write the match with --game-log FILE and take pictures of it with" \
            "build/ZamoMonitor FILE --cycle N --screenshot OUT.png" >&2
    fi
fi

window_args=()
if ((window_id > 0)); then
    if ((has_display)); then
        window_args=(-W "$window_id")
    else
        echo "warning: no display (DISPLAY and WAYLAND_DISPLAY are unset): player $window_id" \
            "plays headless" >&2
    fi
fi

# Starts the players of team $1 in the background with scripts/start.sh; extra arguments go to it.
start_team() {
    local team=$1
    shift
    "$root/scripts/start.sh" -h 127.0.0.1 -p "$port" -t "$team" -n 11 -d "$run_dir/$team" \
        -f "$run_dir/$team/players.pids" -s "$run_dir/$team/stats" "$@" \
        >"$run_dir/start-$team.log" 2>&1 &
    starter_pids+=($!)
}

echo "== starting ${teams[0]} and ${teams[1]} (about 15 s)"
start_team "${teams[0]}" "${window_args[@]}"
# The team whose goalie registers first plays on the left.
for _ in {1..150}; do
    grep -q 'connected as' "$run_dir/${teams[0]}/player-1.log" 2>/dev/null && break
    kill -0 "${starter_pids[0]}" 2>/dev/null || break
    sleep 0.1
done
start_team "${teams[1]}"
for index in 0 1; do
    if ! wait "${starter_pids[$index]}"; then
        echo "error: not every player of ${teams[$index]} started:" >&2
        cat "$run_dir/start-${teams[$index]}.log" >&2
        exit 1
    fi
    grep -q 'no window' "$run_dir/start-${teams[$index]}.log" &&
        grep 'no window' "$run_dir/start-${teams[$index]}.log" >&2
done
starter_pids=()

# The cycle and the score as a left player hears them from the referee (not from the window's
# player, which may be started without --verbose).
watch_id=1
((window_id == 1)) && watch_id=2
watch_log=$run_dir/${teams[0]}/player-$watch_id.log
latest_progress() {
    grep -o 'cycle [0-9]*, score [0-9]* - [0-9]*' "$watch_log" 2>/dev/null | tail -n 1
}

# Play takes 2 x half_cycles cycles of 100 ms, plus the kick-off waits; beyond twice that and
# two minutes the server is taken for stuck.
deadline=$((SECONDS + half_cycles * 4 / 10 + 120))
shown=""
while kill -0 "$server_pid" 2>/dev/null; do
    if ((SECONDS > deadline)); then
        echo "error: the match did not end in time" >&2
        exit 1
    fi
    progress=$(latest_progress)
    if [[ -n $progress && $progress != "$shown" ]]; then
        shown=$progress
        score=${progress#*score }
        printf '  %s  %s %s %s\n' "${progress%%,*}" "${teams[0]}" "$score" "${teams[1]}"
    fi
    sleep 1
done
wait "$server_pid" || true
server_pid=""

final=""
if ((practice)); then
    final=$(grep -m 1 '^final score: ' "$run_dir/server.log" || true)
else
    progress=$(latest_progress)
    [[ -z $progress ]] || final="final score: ${teams[0]} ${progress#*score } ${teams[1]}"
fi
if [[ -z $final ]]; then
    echo "error: the server ended without a final score:" >&2
    tail -n 5 "$run_dir/server.log" >&2
    exit 1
fi

# Stopping the players makes them write their statistics.
for team in "${teams[@]}"; do
    "$root/scripts/kill.sh" -f "$run_dir/$team/players.pids" -g 5 >/dev/null || true
done
worst=0
worst_cpu=0
late=0
for file in "$run_dir"/*/stats/*.stats; do
    [[ -f $file ]] || continue
    value=$(awk '$1 == "think_latency_p99_us" { print $2 }' "$file")
    ((${value:-0} > worst)) && worst=$value
    value=$(awk '$1 == "think_cpu_p99_us" { print $2 }' "$file")
    ((${value:-0} > worst_cpu)) && worst_cpu=$value
    value=$(awk '$1 == "late_commands" { print $2 }' "$file")
    late=$((late + ${value:-0}))
done
echo "decision time of the slowest player (99th percentile): $worst us," \
    "of it on the processor $worst_cpu us; late commands: $late"
echo "$final"
[[ -z $game_log ]] || echo "game log: $game_log (replay: build/ZamoMonitor $game_log)"
keep_logs=0
