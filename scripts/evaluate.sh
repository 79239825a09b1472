#!/usr/bin/env bash
# Plays the working tree against a git revision on the real simulator server, N matches with
# sides alternating, and summarises the statistics read from the game logs:
#   scripts/evaluate.sh --baseline REV [--matches N] [--half-cycles C] [--out DIR] ...
#   scripts/evaluate.sh --merge DIR... [--out DIR]
# Everything it starts is stopped, by process id, when it ends, however it ends.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source=scripts/setup.sh
source "$root/scripts/setup.sh"
# shellcheck source=scripts/team_common.sh
source "$root/scripts/team_common.sh"

usage() {
    cat <<'TXT'
usage: scripts/evaluate.sh --baseline REV [--matches N] [--half-cycles C] [--out DIR]
                           [--server PATH] [--jobs J] [--seed-from K] [--realtime]
                           [--new-build DIR] [--baseline-build DIR]
       scripts/evaluate.sh --merge DIR... [--out DIR]

Builds the working tree (the new build, in build/) and the git revision REV (the baseline, in
a worktree under build/evaluate-builds/, kept by commit: a revision built once is reused), then
plays N matches of the two teams on the real simulator server, each with a server of its own
and its game log kept. The new build plays left in odd-numbered matches and right in even ones.
The statistics of both teams are read from the game logs: goals, shots on goal, passes
attempted and completed, possession, ball in the opponent half, kicks, kick faults, catches,
catch faults, tackles, fouls, offsides, stamina at the end, view widths.

The matches run in synchronous mode (server::synch_mode, as fast as the players think) when
both builds' "ZamoSoccer --help" tells of a synchronous mode, otherwise in real time (a match
of 2 x 3000 cycles takes about 10 minutes); the tool says which. The player types of match K
are seeded with K (player::random_seed); the server's own noise is not seeded (release 19
seeds it from its clock), so a match cannot be replayed exactly.

  --baseline REV       the git revision to play against (a commit, branch or tag; HEAD is the
                       last commit, the working tree's changes being the new build)
  --matches N          number of matches, 1..1000 (default 10)
  --half-cycles C      cycles per half, 10..30000, rounded up to tens (default 3000)
  --out DIR            where the results go (default build/evaluate/<date>-<revision>); it must
                       not hold a matches.csv yet
  --server PATH        the rcssserver program (default: $ZAMO_RCSSSERVER, else rcssserver on the
                       PATH, else the one built from ../shared/rcssserver)
  --jobs J             matches played at once, 1..16, on distinct ports (default 1)
  --seed-from K        number of the first match, 1..1000000 (default 1): machines that share
                       an evaluation take distinct ranges and join them with --merge
  --realtime           play in real time even when both builds have a synchronous mode
  --new-build DIR      take the new build's programs from this build folder as they are
                       (nothing is built)
  --baseline-build DIR take the baseline's ZamoSoccer from this build folder instead of
                       building REV (REV then only names it)
  --merge DIR...       join the matches.csv of earlier runs into one summary; nothing is played
  --help               print this text

DIR receives matches.csv (a row per match: match, side of the new build, goals_new,
goals_baseline and every statistic for both builds), summary.txt, summary.png (goal
difference per match, where each build had the ball) and a folder per match with its game log
(match-K/match-K.rcg.gz), the server's and the players' logs. The summary is printed at the
end; its last line reads
  new vs REV: W-D-L w-d-l, goal difference per match M [lo, hi]
with the mean goal difference of the new build and its 95 % confidence interval.

Exit status: 0 after all matches, 1 when a match could not be played or nothing could be built
(the summary still covers the others), 2 for bad options.
TXT
}

fail_usage() {
    echo "error: $* (try --help)" >&2
    exit 2
}

fail() {
    echo "error: $*" >&2
    exit 1
}

baseline=""
problem=""
matches=10
half_cycles=3000
out=""
server_path=""
jobs=1
seed_from=1
realtime=0
new_build=""
baseline_build=""
merge_dirs=()
merging=0
while (($# > 0)); do
    case "$1" in
        -h | --help) usage; exit 0 ;;
        --realtime) realtime=1; shift ;;
        --merge)
            merging=1
            shift
            while (($# > 0)) && [[ $1 != --* ]]; do
                merge_dirs+=("$1")
                shift
            done ;;
        --baseline | --matches | --half-cycles | --out | --server | --jobs | --seed-from | \
            --new-build | --baseline-build)
            (($# >= 2)) || fail_usage "option $1 needs a value"
            case "$1" in
                --baseline) baseline=$2 ;;
                --matches) matches=$2 ;;
                --half-cycles) half_cycles=$2 ;;
                --out) out=$2 ;;
                --server) server_path=$2 ;;
                --jobs) jobs=$2 ;;
                --seed-from) seed_from=$2 ;;
                --new-build) new_build=$2 ;;
                --baseline-build) baseline_build=$2 ;;
            esac
            shift 2 ;;
        *) fail_usage "unknown argument '$1'" ;;
    esac
done

# The zamo-match-stats program: from --new-build, else built in build/.
stats_program() {
    if [[ -n $new_build ]]; then
        [[ -x $new_build/zamo-match-stats ]] ||
            fail "no zamo-match-stats in the new build folder '$new_build'"
        echo "$new_build/zamo-match-stats"
        return
    fi
    echo "$root/build/zamo-match-stats"
}

# Configures (when needed) and builds targets of the source tree $1 in folder $2; output goes to
# the log file $3. A baseline's folder ($4 = baseline) is configured for the player alone; the
# working tree's build/ keeps what it has (the tests build there too).
build_targets() {
    local source=$1 dir=$2 log=$3 kind=$4
    shift 4
    local configure=(cmake -S "$source" -B "$dir")
    if [[ ! -f $dir/CMakeCache.txt ]]; then
        configure+=(-G Ninja)
        [[ $kind != baseline ]] ||
            configure+=(-DZAMO_BUILD_TESTS=OFF -DZAMO_BUILD_BENCH=OFF -DZAMO_BUILD_FUZZ=OFF)
    fi
    if ! { "${configure[@]}" && cmake --build "$dir" -j2 --target "$@"; } >"$log" 2>&1; then
        tail -n 20 "$log" >&2
        return 1
    fi
}

if ((merging)); then
    ((${#merge_dirs[@]} > 0)) || fail_usage "--merge needs at least one folder"
    [[ -z $baseline ]] || fail_usage "--merge plays nothing: --baseline does not go with it"
    tables=()
    for dir in "${merge_dirs[@]}"; do
        [[ -f $dir/matches.csv ]] || fail_usage "'$dir' holds no matches.csv"
        tables+=("$dir/matches.csv")
    done
    [[ -n $out ]] || out=$root/build/evaluate/$(date +%Y%m%d-%H%M%S)-merged
    for table in "${tables[@]}"; do
        [[ $(cd "$(dirname "$table")" && pwd) != $(mkdir -p "$out" && cd "$out" && pwd) ]] ||
            fail_usage "--out must not be one of the merged folders"
    done
    if [[ -z $new_build ]]; then
        zamo_ensure_packages
        mkdir -p "$root/build"
        echo "== building zamo-match-stats (build/)"
        build_targets "$root" "$root/build" "$root/build/evaluate-build.log" new zamo-match-stats ||
            fail "building zamo-match-stats failed (see build/evaluate-build.log)"
    fi
    stats=$(stats_program)
    exec "$stats" summary --out "$out" "${tables[@]}"
fi

[[ -n $baseline ]] || fail_usage "--baseline REV is needed"
zamo_in_range "$matches" 1 1000 || fail_usage "--matches '$matches' must be a number from 1 to 1000"
matches=$((10#$matches))
zamo_in_range "$half_cycles" 10 30000 ||
    fail_usage "--half-cycles '$half_cycles' must be a number from 10 to 30000"
# The server counts a half in seconds of ten 100 ms cycles.
half_seconds=$(((10#$half_cycles + 9) / 10))
half_cycles=$((half_seconds * 10))
zamo_in_range "$jobs" 1 16 || fail_usage "--jobs '$jobs' must be a number from 1 to 16"
jobs=$((10#$jobs))
zamo_in_range "$seed_from" 1 1000000 ||
    fail_usage "--seed-from '$seed_from' must be a number from 1 to 1000000"
seed_from=$((10#$seed_from))
# Players that find no strategy files still play, badly: such a build is no fair opponent.
# The configuration of source tree $2 names the folder relative to the program's folder $1
# (data/zamo_soccer.conf has ../data/strategy/); prints what is wrong.
check_strategy() {
    local conf=$2/data/zamo_soccer.conf folder
    folder=$(awk '$1 == "strategy_directory_path" { print $2; exit }' "$conf" 2>/dev/null) || true
    [[ -n $folder ]] || folder=./
    [[ $folder == /* ]] || folder=$1/$folder
    compgen -G "$folder/*.stg" >/dev/null ||
        echo "the players of '$1' would find no strategy files in $folder"
}
for dir in "$new_build" "$baseline_build"; do
    [[ -z $dir || -x $dir/ZamoSoccer ]] || fail_usage "no ZamoSoccer program in '$dir'"
    [[ -z $dir ]] || problem=$(check_strategy "$(cd "$dir" && pwd)" "$root")
    [[ -z $problem ]] || fail_usage "$problem"
done
if [[ -n $server_path ]]; then
    [[ -f $server_path && -x $server_path ]] ||
        fail_usage "--server '$server_path' is not an executable program"
fi
baseline_sha=$(git -C "$root" rev-parse --verify --quiet "$baseline^{commit}") ||
    fail_usage "'$baseline' is not a revision of this repository"
baseline_short=${baseline_sha:0:7}
head_sha=$(git -C "$root" rev-parse --verify --quiet HEAD) || head_sha=unknown
new_rev=${head_sha:0:7}
if [[ -z $new_build ]] && [[ -n $(git -C "$root" status --porcelain --untracked-files=no) ]]; then
    new_rev="$new_rev+changes"
fi
baseline_rev=$baseline_short
baseline_named=$baseline_short
[[ $baseline == "$baseline_short" || $baseline == "$baseline_sha" ]] ||
    baseline_named="$baseline_short ($baseline)"

if [[ -z $server_path ]]; then
    server_path=$(zamo_real_server "$root")
    [[ -n $server_path ]] || fail "no real simulator server: put rcssserver 19 on the PATH," \
        "set ZAMO_RCSSSERVER, give --server or provide ../shared/rcssserver"
fi

[[ -n $out ]] || out=$root/build/evaluate/$(date +%Y%m%d-%H%M%S)-$baseline_short
[[ ! -e $out/matches.csv ]] || fail_usage "'$out' already holds an evaluation (matches.csv)"
mkdir -p "$out" || fail_usage "cannot create '$out'"
out=$(cd "$out" && pwd)

# --- the two builds ---------------------------------------------------------------------------

if [[ -z $new_build || -z $baseline_build ]]; then
    zamo_ensure_packages
fi
if [[ -n $new_build ]]; then
    new_build=$(cd "$new_build" && pwd)
    new_root=$root
else
    echo "== building the working tree (build/)"
    mkdir -p "$root/build"
    build_targets "$root" "$root/build" "$out/build-new.log" new ZamoSoccer zamo-match-stats ||
        fail "building the working tree failed (see $out/build-new.log)"
    new_build=$root/build
    new_root=$root
fi
stats=$(stats_program)

if [[ -n $baseline_build ]]; then
    baseline_build=$(cd "$baseline_build" && pwd)
    baseline_root=$root
else
    # The build folder lies inside the worktree, where the repository's build/ would, so that
    # the players find the revision's strategy files.
    cache=$root/build/evaluate-builds/$baseline_sha
    baseline_root=$cache/src
    baseline_build=$cache/src/build
    if [[ -f $cache/built && -x $baseline_build/ZamoSoccer ]]; then
        echo "== baseline $baseline_named: built before, reused ($cache)"
    else
        echo "== building the baseline $baseline_named (worktree $cache/src; some minutes)"
        if [[ -d $cache/src ]]; then
            git -C "$root" worktree remove --force "$cache/src" 2>/dev/null || rm -rf "$cache/src"
            git -C "$root" worktree prune
        fi
        mkdir -p "$cache"
        git -C "$root" worktree add --detach "$cache/src" "$baseline_sha" >"$cache/worktree.log" 2>&1 ||
            fail "cannot make a worktree of $baseline_rev (see $cache/worktree.log)"
        build_targets "$cache/src" "$baseline_build" "$cache/build.log" baseline ZamoSoccer ||
            fail "building the baseline $baseline_rev failed (see $cache/build.log)"
        touch "$cache/built"
    fi
    problem=$(check_strategy "$baseline_build" "$baseline_root")
    [[ -z $problem ]] || fail "$problem"
fi
for dir in "$new_root" "$baseline_root"; do
    [[ -x $dir/scripts/start.sh && -x $dir/scripts/kill.sh ]] ||
        fail "$dir has no scripts/start.sh and scripts/kill.sh to start its team"
done

# Synchronous mode when both players can take part in it.
has_synch_mode() {
    "$1/ZamoSoccer" --help 2>&1 | tr -s '[:space:]' ' ' | grep -qi 'synchronous mode'
}
if ((realtime)); then
    mode="real time"
    echo "== real time, as asked (--realtime)"
elif ! has_synch_mode "$new_build"; then
    mode="real time"
    echo "== real time: the new build's ZamoSoccer has no synchronous mode"
elif ! has_synch_mode "$baseline_build"; then
    mode="real time"
    echo "== real time: the baseline's ZamoSoccer has no synchronous mode"
else
    mode="synchronous"
    echo "== synchronous mode (both builds take part in it)"
fi
synch=false
[[ $mode == synchronous ]] && synch=true

# Team names: at most 15 characters for the server.
new_team=New_$new_rev
new_team=${new_team%%+*}
baseline_team=Base_$baseline_short
if [[ $new_team == "$baseline_team" ]]; then
    baseline_team=Old_$baseline_short
fi

last=$((seed_from + matches - 1))
echo "== $matches matches ($seed_from to $last) of 2 x $half_cycles cycles, $mode, $jobs at" \
    "a time: $new_team (new, $new_rev) against $baseline_team (baseline $baseline_named);" \
    "server $server_path; results in $out"

# --- one match ------------------------------------------------------------------------------

# Prints the UDP ports bound on this machine, in decimal, one a line.
bound_udp_ports() {
    local file _ address
    for file in /proc/net/udp /proc/net/udp6; do
        [[ -r $file ]] || continue
        while read -r _ address _; do
            [[ $address =~ :([0-9A-Fa-f]{4})$ ]] && echo $((16#${BASH_REMATCH[1]}))
        done <"$file"
    done
    return 0
}

# Prints a base port P with P, P+1 and P+2 unbound, for job slot $1.
free_ports() {
    local slot=$1 attempt base bound
    bound=$(bound_udp_ports)
    for ((attempt = 0; attempt < 200; ++attempt)); do
        base=$((20000 + ($$ * 30 + (slot + attempt * jobs) * 3) % 40000))
        if ! grep -qx -e "$base" -e "$((base + 1))" -e "$((base + 2))" <<<"$bound"; then
            echo "$base"
            return 0
        fi
    done
    return 1
}

# True while process $1 runs the simulator server, or is still the shell of this one that is
# about to become it (the id may have been reused by another program since).
is_server() {
    local command="" stat
    zamo_is_alive "$1" || return 1
    IFS= read -r -d '' command 2>/dev/null <"/proc/$1/cmdline" || return 1
    [[ $command == "$server_path" ]] && return 0
    stat=$(cat "/proc/$1/stat" 2>/dev/null) || return 1
    stat=${stat##*) }
    read -r _ parent _ <<<"$stat"
    [[ $parent == "$BASHPID" ]]
}

# Stops the server whose process id is in file $1, and the teams whose pid files match $2.
stop_match() {
    local pid_file=$1 dir=$2 pid file
    for file in "$dir"/*/players.pids; do
        [[ -f $file ]] || continue
        "$root/scripts/kill.sh" -f "$file" -g 5 >/dev/null 2>&1 || true
    done
    if [[ -f $pid_file ]]; then
        pid=$(<"$pid_file")
        if [[ $pid =~ ^[1-9][0-9]*$ ]] && is_server "$pid"; then
            kill -TERM "$pid" 2>/dev/null || true
            for _ in {1..50}; do
                is_server "$pid" || break
                sleep 0.1
            done
            is_server "$pid" && kill -KILL "$pid" 2>/dev/null
        fi
        rm -f "$pid_file"
    fi
}

# Plays match $1 in job slot $2: writes match-$1/row.csv, or match-$1/failed with the reason.
play_match() {
    local k=$1 slot=$2
    local dir=$out/match-$k label="match $k of $matches"
    ((seed_from == 1)) || label="match $k ($((k - seed_from + 1)) of $matches)"
    local starters=() started=$SECONDS
    mkdir -p "$dir/server"
    local pid_file=$dir/server.pid

    match_cleanup() {
        local pid
        for pid in "${starters[@]}"; do
            kill -TERM "$pid" 2>/dev/null || true
            wait "$pid" 2>/dev/null || true
        done
        starters=()
        stop_match "$pid_file" "$dir"
    }
    trap match_cleanup EXIT
    trap 'exit 143' TERM
    trap 'exit 130' INT

    fail_match() {
        echo "$*" >"$dir/failed"
        echo "$label: could not be played: $*" >&2
        exit 1
    }

    local port
    port=$(free_ports "$slot") || fail_match "no three free UDP ports found"
    local left right left_root right_root left_build right_build new_side
    if ((k % 2 == 1)); then
        new_side=left
        left=$new_team left_root=$new_root left_build=$new_build
        right=$baseline_team right_root=$baseline_root right_build=$baseline_build
    else
        new_side=right
        left=$baseline_team left_root=$baseline_root left_build=$baseline_build
        right=$new_team right_root=$new_root right_build=$new_build
    fi
    echo "$label: $left (left) against $right (right), port $port"

    # The server writes its configuration under HOME: a fresh one for each match.
    (cd "$dir/server" && HOME=$dir/server exec "$server_path" server::port="$port" \
        server::coach_port=$((port + 1)) server::olcoach_port=$((port + 2)) \
        server::auto_mode=true server::synch_mode="$synch" server::half_time="$half_seconds" \
        server::nr_normal_halfs=2 server::nr_extra_halfs=0 server::penalty_shoot_outs=false \
        player::random_seed="$k" server::connect_wait=1000000000 server::kick_off_wait=20 \
        server::game_over_wait=0 server::text_logging=false server::game_logging=true \
        server::game_log_dir="$dir" server::game_log_fixed=true \
        server::game_log_fixed_name="match-$k" server::game_log_compression=0 \
        >"$dir/server.log" 2>&1 </dev/null) &
    echo $! >"$pid_file"
    local server_pid=$!
    local hex
    hex=$(printf ':%04X ' "$port")
    for _ in {1..100}; do
        grep -q "$hex" /proc/net/udp 2>/dev/null && break
        zamo_is_alive "$server_pid" || break
        sleep 0.1
    done
    grep -q "$hex" /proc/net/udp 2>/dev/null ||
        fail_match "the server did not start (see $dir/server.log)"

    # The team whose goalie registers first plays on the left.
    start_team() {
        local team=$1 team_root=$2 build=$3
        mkdir -p "$dir/$team"
        "$team_root/scripts/start.sh" -h 127.0.0.1 -p "$port" -t "$team" -n 11 \
            -b "$build" -d "$dir/$team" -f "$dir/$team/players.pids" \
            >"$dir/start-$team.log" 2>&1 &
        starters+=($!)
    }
    start_team "$left" "$left_root" "$left_build"
    for _ in {1..150}; do
        grep -q 'connected as' "$dir/$left/player-1.log" 2>/dev/null && break
        zamo_is_alive "${starters[0]}" || break
        sleep 0.1
    done
    start_team "$right" "$right_root" "$right_build"
    local index team
    for index in 0 1; do
        team=$([[ $index == 0 ]] && echo "$left" || echo "$right")
        wait "${starters[$index]}" ||
            fail_match "not every player of $team registered (see $dir/start-$team.log)"
    done
    starters=()

    # Progress from the game log while the server plays; beyond one and a half times the
    # match's real time and two minutes it is taken for stuck.
    local log=$dir/match-$k.rcg
    local deadline=$((SECONDS + half_cycles * 3 / 10 + 120)) shown=$SECONDS cycle score
    while zamo_is_alive "$server_pid"; do
        if ((SECONDS > deadline)); then
            fail_match "the match did not end in time"
        fi
        if ((SECONDS - shown >= 10)); then
            shown=$SECONDS
            cycle=$(tail -c 20000 "$log" 2>/dev/null | grep -o '^(show [0-9]*' | tail -n 1) ||
                true
            score=$(grep '^(team ' "$log" 2>/dev/null | tail -n 1 | tr -d ')' |
                awk '{ print $5 "-" $6 }') || true
            [[ -z $cycle ]] ||
                echo "$label: cycle ${cycle#(show }, score ${score:-0-0} ($left - $right)"
        fi
        sleep 1
    done
    wait "$server_pid" 2>/dev/null || true
    rm -f "$pid_file"
    local final
    final=$(grep -o 'Score: [0-9]* - [0-9]*' "$dir/server.log" | tail -n 1) || true
    [[ -n $final ]] || fail_match "the server ended without a final score (see $dir/server.log)"
    match_cleanup
    [[ -s $log ]] || fail_match "the server wrote no game log"
    # A server stopped by a signal (Ctrl-C reaches it too) ends the match early.
    grep -q '^(playmode [0-9]* time_over)' "$log" ||
        fail_match "the server ended before the end of the match (see $dir/server.log)"
    gzip -f "$log" || fail_match "cannot compress $log"
    "$stats" match "$log.gz" --new-team "$new_team" --match "$k" --mode "$mode" \
        --new-rev "$new_rev" --baseline-rev "$baseline_rev" --out "$dir/row.csv" \
        2>"$dir/stats.log" || fail_match "the game log could not be read: $(cat "$dir/stats.log")"
    # The table has the side the new build really played on; its goals must be the server's.
    local side goals
    read -r side goals < <(awk -F, 'NR == 2 { print $2, ($2 == "l" ? $3 " - " $4 : $4 " - " $3) }' \
        "$dir/row.csv")
    [[ "Score: $goals" == "$final" ]] ||
        echo "$label: warning: the game log's score $goals differs from the server's $final" >&2
    [[ $side == "${new_side:0:1}" ]] ||
        echo "$label: warning: the new build played on the other side than planned" >&2
    echo "$label: ${final#Score: } ($left - $right), $((SECONDS - started)) s"
}

# --- all matches ----------------------------------------------------------------------------

declare -A slot_of=()
running=()

# Stops the matches still being played (each stops what it started), then anything left.
cleanup() {
    local status=$? pid dir
    trap - EXIT INT TERM
    for pid in "${running[@]}"; do
        kill -TERM "$pid" 2>/dev/null || true
    done
    for pid in "${running[@]}"; do
        wait "$pid" 2>/dev/null || true
    done
    for dir in "$out"/match-*; do
        [[ -d $dir ]] && stop_match "$dir/server.pid" "$dir"
    done
    exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

started=$SECONDS
free_slots=()
for ((slot = 0; slot < jobs; ++slot)); do
    free_slots+=("$slot")
done
for ((k = seed_from; k <= last; ++k)); do
    while ((${#free_slots[@]} == 0)); do
        finished=""
        wait -n -p finished "${running[@]}" || true
        [[ -n $finished ]] || continue
        free_slots+=("${slot_of[$finished]}")
        unset "slot_of[$finished]"
        remaining=()
        for pid in "${running[@]}"; do
            [[ $pid == "$finished" ]] || remaining+=("$pid")
        done
        running=("${remaining[@]}")
    done
    slot=${free_slots[0]}
    free_slots=("${free_slots[@]:1}")
    play_match "$k" "$slot" &
    slot_of[$!]=$slot
    running+=($!)
done
for pid in "${running[@]}"; do
    wait "$pid" || true
done
running=()

tables=()
failed=0
for ((k = seed_from; k <= last; ++k)); do
    if [[ -f $out/match-$k/row.csv ]]; then
        tables+=("$out/match-$k/row.csv")
    else
        failed=$((failed + 1))
    fi
done
echo "== $((matches - failed)) of $matches matches played in $((SECONDS - started)) s"
((${#tables[@]} > 0)) || fail "no match could be played (see $out/match-*/)"
echo
"$stats" summary --out "$out" "${tables[@]}" || fail "the summary could not be written"
if ((failed > 0)); then
    echo "error: $failed of $matches matches could not be played (see $out/match-*/failed)" >&2
    exit 1
fi
