#!/usr/bin/env bash
# Stops the players that scripts/start.sh started, and only those:
#   scripts/kill.sh [-t team] [-p port] [-d folder] [-f file] [-g seconds]
# Each process id of the pid file that is still a ZamoSoccer program gets SIGTERM (the player
# says goodbye to the server and ends); what still runs after the grace period gets SIGKILL.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source=scripts/team_common.sh
source "$root/scripts/team_common.sh"

usage() {
    cat <<TXT
usage: scripts/kill.sh [-t team] [-p port] [-d folder] [-f file] [-g seconds]

  -t team     team name given to scripts/start.sh (default Zamo)
  -p port     server port given to scripts/start.sh (default 6000)
  -d folder   log folder given to scripts/start.sh (default \${TMPDIR:-/tmp}/zamo-<team>-<port>)
  -f file     pid file (default <log folder>/.zamo-<team>.pids)
  -g seconds  grace period between SIGTERM and SIGKILL, 1..60 (default 5)
  --help      print this text

Process ids in the file that are no longer ZamoSoccer programs are left alone. The pid file is
removed once every player has ended. Exit status: 0 when every player has ended, 1 when the pid
file is missing or a player could not be stopped, 2 for bad options.
TXT
}

fail() {
    echo "error: $*" >&2
    exit 2
}

for arg in "$@"; do
    if [[ $arg == --help ]]; then
        usage
        exit 0
    fi
done

team=Zamo
port=6000
run_dir=""
pid_file=""
grace=5

while getopts ":t:p:d:f:g:" option; do
    case "$option" in
        t) team=$OPTARG ;;
        p) port=$OPTARG ;;
        d) run_dir=$OPTARG ;;
        f) pid_file=$OPTARG ;;
        g) grace=$OPTARG ;;
        :) fail "option -$OPTARG needs a value (try --help)" ;;
        *) fail "unknown option -$OPTARG (try --help)" ;;
    esac
done
shift $((OPTIND - 1))
[[ $# -eq 0 ]] || fail "unexpected argument '$1' (try --help)"

zamo_check_team_and_port "$team" "$port" || exit 2
port=$((10#$port))
zamo_in_range "$grace" 1 60 ||
    fail "grace period '$grace' must be a number of seconds from 1 to 60"
grace=$((10#$grace))

[[ -n $run_dir ]] || run_dir=$(zamo_run_dir "$team" "$port")
[[ -n $pid_file ]] || pid_file=$(zamo_pid_file "$team" "$run_dir")
if [[ ! -f $pid_file ]]; then
    echo "error: no pid file $pid_file: team $team on port $port is not running from" \
        "scripts/start.sh (give the same -t and -p, or -d or -f)" >&2
    exit 1
fi

players=()
while read -r pid; do
    if zamo_is_agent "$pid"; then
        players+=("$pid")
    else
        echo "process $pid has already ended or is no ZamoSoccer player; left alone"
    fi
done < <(zamo_read_pids "$pid_file")

# Signals the players of the list that are still ours.
signal_players() {
    local signal=$1 pid
    shift
    for pid in "$@"; do
        if zamo_is_agent "$pid"; then
            kill "-$signal" "$pid" 2>/dev/null || true
        fi
    done
}

# Waits up to $1 seconds for the players of the list to end; prints those still running.
await_end() {
    local deadline=$((SECONDS + $1)) pid left
    shift
    while true; do
        left=()
        for pid in "$@"; do
            zamo_is_agent "$pid" && left+=("$pid")
        done
        if ((${#left[@]} == 0 || SECONDS >= deadline)); then
            break
        fi
        sleep 0.1
    done
    ((${#left[@]} == 0)) || printf '%s\n' "${left[@]}"
}

signal_players TERM "${players[@]}"
mapfile -t left < <(await_end "$grace" "${players[@]}")
if ((${#left[@]} > 0)); then
    echo "still running after $grace s, killing: ${left[*]}"
    signal_players KILL "${left[@]}"
    mapfile -t left < <(await_end 2 "${left[@]}")
fi
if ((${#left[@]} > 0)); then
    echo "error: could not stop ${left[*]}; pid file $pid_file kept" >&2
    exit 1
fi
rm -f "$pid_file"
echo "stopped ${#players[@]} players of team $team"
