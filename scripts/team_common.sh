# shellcheck shell=bash
# Sourced by start.sh and kill.sh: where a running team keeps its logs and process ids, and how a
# recorded process id is recognised as one of our players.

# True when $1 is a whole number from $2 to $3 (leading zeros allowed).
zamo_in_range() {
    [[ $1 =~ ^[0-9]{1,9}$ ]] || return 1
    ((10#$1 >= $2 && 10#$1 <= $3))
}

# Checks a team name $1 and a port $2 given on the command line; prints what is wrong and
# returns 1 when either is not usable.
zamo_check_team_and_port() {
    if ! [[ $1 =~ ^[A-Za-z0-9_-]{1,16}$ ]]; then
        echo "error: team name '$1' must be 1 to 16 letters, digits, '_' or '-'" >&2
        return 1
    fi
    if ! zamo_in_range "$2" 1 65535; then
        echo "error: port '$2' must be a number from 1 to 65535" >&2
        return 1
    fi
}

# The folder for the logs and the pid file of team $1 playing against port $2.
zamo_run_dir() {
    printf '%s/zamo-%s-%s\n' "${TMPDIR:-/tmp}" "$1" "$2"
}

# The pid file of team $1 inside run folder $2.
zamo_pid_file() {
    printf '%s/.zamo-%s.pids\n' "$2" "$1"
}

# True when process $1 is a running ZamoSoccer program. A pid from the file may have been
# reused by an unrelated process since, and a finished player that nobody has reaped yet has an
# empty command line: neither counts.
zamo_is_agent() {
    local pid=$1 program=""
    [[ $pid =~ ^[1-9][0-9]*$ ]] || return 1
    IFS= read -r -d '' program 2>/dev/null <"/proc/$pid/cmdline" || return 1
    [[ ${program##*/} == ZamoSoccer ]]
}

# True while process $1 exists and has not ended (an ended child that is not reaped yet is still
# listed, in state Z).
zamo_is_alive() {
    local stat
    stat=$(cat "/proc/$1/stat" 2>/dev/null) || return 1
    stat=${stat##*) }
    [[ -n $stat && ${stat:0:1} != Z ]]
}

# The process ids recorded in pid file $1, one per line; lines that are not a process id are
# reported and skipped.
zamo_read_pids() {
    local line
    while IFS= read -r line || [[ -n $line ]]; do
        line=${line//[[:space:]]/}
        [[ -z $line ]] && continue
        if [[ $line =~ ^[1-9][0-9]{0,9}$ ]]; then
            printf '%s\n' "$line"
        else
            echo "warning: ignoring '$line' in $1: not a process id" >&2
        fi
    done <"$1"
}
