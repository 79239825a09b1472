# Sourced by the other scripts: installs the Debian packages the build needs when missing.

zamo_packages=(cmake ninja-build g++ clang libclang-rt-14-dev libgtest-dev libgmock-dev
               libbenchmark-dev qt6-base-dev clang-format zlib1g-dev)

# Installs the packages named, or without names those the build needs, when missing.
zamo_ensure_packages() {
    local wanted=("$@")
    ((${#wanted[@]} > 0)) || wanted=("${zamo_packages[@]}")
    local missing=()
    local pkg
    for pkg in "${wanted[@]}"; do
        if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$pkg")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing missing packages: ${missing[*]}"
    local sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        if ! command -v sudo >/dev/null 2>&1; then
            echo "error: packages missing (${missing[*]}) and neither root nor sudo available" >&2
            return 1
        fi
        sudo=(sudo)
    fi
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
        "${missing[@]}"
}

# Prints the real simulator server's program: $ZAMO_RCSSSERVER, else rcssserver on the PATH, else
# the one built once from ../shared/rcssserver into build/rcssserver-19 (a second call reuses it).
# Prints nothing when none can be had.
zamo_real_server() {
    local root=$1
    if [ -n "${ZAMO_RCSSSERVER:-}" ] && [ -x "$ZAMO_RCSSSERVER" ]; then
        echo "$ZAMO_RCSSSERVER"
        return 0
    fi
    if command -v rcssserver >/dev/null 2>&1; then
        command -v rcssserver
        return 0
    fi
    local builder=$root/../shared/rcssserver/build.sh
    [ -x "$builder" ] || return 0
    local built
    if [ -x "$root/build/rcssserver-19/bin/rcssserver" ]; then
        built=$("$builder" "$root/build/rcssserver-19" | tail -n 1) || return 0
    else
        echo "Building the real simulator server from ../shared/rcssserver (about 3 minutes)" >&2
        built=$("$builder" "$root/build/rcssserver-19" | tail -n 1) || {
            echo "warning: building the real simulator server failed" >&2
            return 0
        }
    fi
    [ -x "$built" ] && echo "$built"
    return 0
}
