#!/usr/bin/env bash
# Sets up what is missing, builds, and plays.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source=scripts/setup.sh
source "$root/scripts/setup.sh"

case "${1:-}" in
    -h|--help) echo "usage: scripts/play.sh   (installs what is missing, builds, plays)"; exit 0 ;;
    "") ;;
    *) echo "error: unknown argument '$1' (try --help)" >&2; exit 2 ;;
esac

zamo_ensure_packages
cmake -S "$root" -B "$root/build" -G Ninja >/dev/null
cmake --build "$root/build" -j2

cat >&2 <<'TXT'
Built. The team cannot play yet: this version has the configuration, the UDP transport and the
geometry, but no agent program that registers with a server and plays. Nothing was started.
TXT
exit 1
