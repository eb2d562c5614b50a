# Installs the packages a build needs when dpkg says they are missing.
# Usage: source scripts/lib/deps.sh; quellon_install_deps [more packages...]

# librsvg2-bin renders the program's icon from its SVG; libcurl fetches
# Live Update's pages and files; libssl-dev's libcrypto checks their signatures.
QUELLON_BUILD_PACKAGES=(cmake ninja-build g++ libgtest-dev libbenchmark-dev qt6-base-dev
    librsvg2-bin libcurl4-openssl-dev libssl-dev)

quellon_install_deps() {
    local wanted=("${QUELLON_BUILD_PACKAGES[@]}" "$@")
    if ! command -v dpkg >/dev/null 2>&1; then
        echo "Cannot check packages without dpkg; make sure these are installed: ${wanted[*]}" >&2
        return 0
    fi
    local missing=() package
    for package in "${wanted[@]}"; do
        dpkg -s "$package" >/dev/null 2>&1 || missing+=("$package")
    done
    if ((${#missing[@]} == 0)); then
        return 0
    fi
    local sudo=()
    if [[ "$(id -u)" -ne 0 ]]; then
        if ! command -v sudo >/dev/null 2>&1; then
            echo "Missing packages (install them as root): ${missing[*]}" >&2
            return 1
        fi
        sudo=(sudo)
    fi
    echo "Installing ${missing[*]}"
    ${sudo[@]+"${sudo[@]}"} apt-get update -qq
    ${sudo[@]+"${sudo[@]}"} env DEBIAN_FRONTEND=noninteractive \
        apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# The Windows build: Debian's mingw-w64 cross-compiler, GoogleTest's sources
# (libgtest-dev ships them in /usr/src/googletest) and Wine to run the programs.
# The installer: NSIS's makensis, and icoutils to pack the program's icon.
QUELLON_WINDOWS_PACKAGES=(g++-mingw-w64-x86-64 googletest wine wine64 nsis icoutils)

# The checks of the Debian package: the menu entry's and the metainfo's
# validators, the manual page viewer.
QUELLON_PACKAGE_CHECK_PACKAGES=(desktop-file-utils appstream man-db file)

# Parallel build jobs: one per processor.
quellon_jobs() {
    nproc 2>/dev/null || echo 2
}
