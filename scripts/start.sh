#!/usr/bin/env bash
# Starts the team against a running simulator server, without windows:
#   scripts/start.sh [-h host] [-p port] [-t team] [-n count]
# Player 1 (the goalie of the shipped configuration) registers first, then players 2..count, each
# after the one before it has registered, so that the server numbers them in order. Each player
# runs detached in the background; its process id goes to a pid file that scripts/kill.sh reads.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source=scripts/team_common.sh
source "$root/scripts/team_common.sh"

usage() {
    cat <<TXT
usage: scripts/start.sh [-h host] [-p port] [-t team] [-n count] [options]

  -h host     simulator server host name or IPv4 address (default 127.0.0.1)
  -p port     server UDP port (default 6000)
  -t team     team name: letters, digits, '_' and '-', at most 16 (default Zamo)
  -n count    number of players, 1..11, started as ids 1..count (default 11)
  -v version  protocol version sent at registration (default 18)
  -c file     agent configuration file (default data/zamo_soccer.conf of the repository,
              when it exists; it makes player 1 the goalie)
  -b folder   folder of the ZamoSoccer program (default: the repository's build/, or the
              program named by the environment variable ZAMO_BIN)
  -d folder   folder for the players' logs and the pid file
              (default \${TMPDIR:-/tmp}/zamo-<team>-<port>)
  -f file     pid file (default <log folder>/.zamo-<team>.pids)
  -w seconds  how long to wait for each player to register, 1..60 (default 8)
  -W id       start player id with its window instead of headless, drawing its world
              model from the start (ZamoSoccer --draw); when the program has no window it
              is started headless after all, with a warning
  -s folder   write each player's statistics at its exit to folder/player-<id>.stats
              (ZamoSoccer --stats; the folder is created)
  --help      print this text

Exit status: 0 when every player registered and runs, 1 when one did not (the others keep
running; the log folder says why), 2 for bad options. Stop the team with scripts/kill.sh and the
same -t and -p (or -d, -f).
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

host=127.0.0.1
port=6000
team=Zamo
count=11
version=18
conf=""
conf_given=0
bin_dir=""
run_dir=""
pid_file=""
wait_seconds=8
stats_dir=""
window_id=0

while getopts ":h:p:t:n:v:c:b:d:f:w:s:W:" option; do
    case "$option" in
        h) host=$OPTARG ;;
        p) port=$OPTARG ;;
        t) team=$OPTARG ;;
        n) count=$OPTARG ;;
        v) version=$OPTARG ;;
        c) conf=$OPTARG; conf_given=1 ;;
        b) bin_dir=$OPTARG ;;
        d) run_dir=$OPTARG ;;
        f) pid_file=$OPTARG ;;
        w) wait_seconds=$OPTARG ;;
        s) stats_dir=$OPTARG ;;
        W) window_id=$OPTARG ;;
        :) fail "option -$OPTARG needs a value (try --help)" ;;
        *) fail "unknown option -$OPTARG (try --help)" ;;
    esac
done
shift $((OPTIND - 1))
[[ $# -eq 0 ]] || fail "unexpected argument '$1' (try --help)"

zamo_check_team_and_port "$team" "$port" || exit 2
port=$((10#$port))
zamo_in_range "$count" 1 11 ||
    fail "player count '$count' must be a number from 1 to 11"
count=$((10#$count))
[[ $version =~ ^[0-9]{1,2}(\.[0-9]{1,2})?$ ]] || fail "version '$version' must look like 9.35"
zamo_in_range "$wait_seconds" 1 60 ||
    fail "wait '$wait_seconds' must be a number of seconds from 1 to 60"
wait_seconds=$((10#$wait_seconds))
zamo_in_range "$window_id" 0 "$count" ||
    fail "window player '$window_id' must be a player id from 1 to $count"
window_id=$((10#$window_id))

[[ -n $host && ! $host =~ [[:space:]/] ]] || fail "host '$host' is not a host name or address"
# The player keeps at most 15 characters of the host; a longer name is resolved here instead.
if ((${#host} > 15)); then
    address=$(getent ahostsv4 "$host" 2>/dev/null | awk 'NR == 1 { print $1 }') || true
    [[ -n ${address:-} ]] || fail "cannot resolve host '$host' to an IPv4 address"
    host=$address
fi

if [[ -n $bin_dir ]]; then
    program=$bin_dir/ZamoSoccer
elif [[ -n ${ZAMO_BIN:-} ]]; then
    program=$ZAMO_BIN
else
    program=$root/build/ZamoSoccer
fi
[[ -f $program && -x $program ]] ||
    fail "no ZamoSoccer program at '$program' (build it, or give -b or ZAMO_BIN)"
# Players run in the folder of their program, as the team launcher starts them: relative paths
# in the configuration file are written for that.
bin_dir=$(cd "$(dirname "$program")" && pwd)
program=$bin_dir/$(basename "$program")

if [[ $conf_given == 0 && -f $root/data/zamo_soccer.conf ]]; then
    conf=$root/data/zamo_soccer.conf
fi
conf_args=()
if [[ -n $conf ]]; then
    [[ -f $conf && -r $conf ]] || fail "cannot read configuration file '$conf'"
    conf=$(cd "$(dirname "$conf")" && pwd)/$(basename "$conf")
    ((${#conf} <= 255)) || fail "configuration path '$conf' is longer than 255 characters"
    conf_args=(--zamo_conf_path "$conf")
else
    echo "warning: no configuration file (data/zamo_soccer.conf is missing): players keep" \
        "their built-in roles and none registers as goalie" >&2
fi

stats_args=()
if [[ -n $stats_dir ]]; then
    mkdir -p "$stats_dir" || fail "cannot create the statistics folder '$stats_dir'"
    stats_dir=$(cd "$stats_dir" && pwd)
fi

[[ -n $run_dir ]] || run_dir=$(zamo_run_dir "$team" "$port")
mkdir -p "$run_dir" || fail "cannot create the log folder '$run_dir'"
run_dir=$(cd "$run_dir" && pwd)
[[ -n $pid_file ]] || pid_file=$(zamo_pid_file "$team" "$run_dir")

if [[ -f $pid_file ]]; then
    while read -r pid; do
        if zamo_is_agent "$pid"; then
            echo "error: team $team is already running (process ids in $pid_file);" \
                "stop it first: scripts/kill.sh -f $pid_file" >&2
            exit 1
        fi
    done < <(zamo_read_pids "$pid_file" 2>/dev/null)
fi
: >"$pid_file" || fail "cannot write the pid file '$pid_file'"

# Waits until player $1 (process $2) has registered. Prints the agent's line about it and
# succeeds, or prints why not and fails.
await_registration() {
    local id=$1 pid=$2 log=$run_dir/player-$1.log line
    local deadline=$((SECONDS + wait_seconds))
    while ((SECONDS <= deadline)); do
        line=$(grep -m 1 -e 'connected as' -e 'connection attempt failed' "$log" 2>/dev/null) ||
            true
        if [[ $line == *"connected as"* ]]; then
            echo "player $id: process $pid, ${line#ZamoSoccer: }"
            return 0
        fi
        # Not zamo_is_agent: for a moment after the start the process is still the shell.
        if [[ -n $line ]] || ! zamo_is_alive "$pid"; then
            echo "player $id: process $pid did not register with $host:$port (see $log)" >&2
            return 1
        fi
        sleep 0.1
    done
    echo "player $id: process $pid has not registered within $wait_seconds s (see $log)" >&2
    return 1
}

# Starts player $1, with its window (drawing the world model from the start) when $2 is
# "window"; sets pid.
start_player() {
    local id=$1 mode=(--headless)
    [[ $2 != window ]] || mode=(--draw)
    [[ -z $stats_dir ]] || stats_args=(--stats "$stats_dir/player-$id.stats")
    # nohup and no terminal: the players outlive this script and the session that ran it.
    (cd "$bin_dir" && exec nohup "$program" "${mode[@]}" --verbose --team_name "$team" \
        --player_id "$id" --server_ip "$host" --server_port "$port" --server_version "$version" \
        "${conf_args[@]}" "${stats_args[@]}" >"$run_dir/player-$id.log" 2>&1 </dev/null) &
    pid=$!
    echo "$pid" >>"$pid_file"
}

# True when player $1 (process $2) ended at once because the program has no window.
refused_window() {
    local deadline=$((SECONDS + 2))
    while zamo_is_alive "$2" && ((SECONDS < deadline)); do
        sleep 0.1
    done
    ! zamo_is_alive "$2" && grep -q -e '--headless' "$run_dir/player-$1.log" 2>/dev/null
}

echo "starting $count players of team $team against $host:$port (logs in $run_dir)"
status=0
for ((id = 1; id <= count; ++id)); do
    if ((id == window_id)); then
        start_player "$id" window
        if refused_window "$id" "$pid"; then
            echo "warning: player $id: this ZamoSoccer has no window; started headless" >&2
            start_player "$id" headless
        fi
    else
        start_player "$id" headless
    fi
    if ! await_registration "$id" "$pid"; then
        status=1
        if ((id == 1)); then
            # Without the goalie the server is most likely unreachable: start no one else.
            if zamo_is_agent "$pid"; then
                kill -TERM "$pid" 2>/dev/null || true
            fi
            echo "error: the goalie did not register; no other player was started" >&2
            break
        fi
    fi
done

echo "process ids in $pid_file; stop the team with: scripts/kill.sh -f $pid_file"
exit "$status"
