# Sourced by the other scripts: installs the Debian packages the build needs when missing.

zamo_packages=(cmake ninja-build g++ clang libclang-rt-14-dev libgtest-dev libgmock-dev
               libbenchmark-dev qt6-base-dev clang-format)

zamo_ensure_packages() {
    local missing=()
    local pkg
    for pkg in "${zamo_packages[@]}"; do
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
