# Shared by ./run, ./test and .ci/run: the Debian packages Tarvik needs, and the build.

TARVIK_PACKAGES=(
    build-essential cmake ninja-build pkg-config ccache
    qt6-base-dev qt6-serialport-dev libxkbcommon-dev
    libhidapi-dev libfftw3-dev
    libgtest-dev libbenchmark-dev
    xvfb xauth imagemagick poppler-utils socat fonts-dejavu-core
)

# Installs what is missing; without root, prints the exact command and stops.
ensure_packages() {
    local missing=()
    local p
    for p in "${TARVIK_PACKAGES[@]}"; do
        if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
            missing+=("$p")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    if [ "$(id -u)" -ne 0 ]; then
        echo "Tarvik needs these Debian packages:" >&2
        echo "  sudo apt-get install -y ${missing[*]}" >&2
        echo "Run that line, then run this command again." >&2
        exit 1
    fi
    echo "Installing ${missing[*]}" >&2
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# Compiler cache: paths are taken relative to the checkout, so that a fresh clone elsewhere
# reuses what an earlier build compiled.
export CCACHE_BASEDIR="$(pwd)"
export CCACHE_NOHASHDIR=true

# build DIR [cmake options...]: configures (once) and builds into DIR.
build() {
    local dir=$1
    shift
    if [ ! -f "$dir/build.ninja" ]; then
        cmake -S . -B "$dir" -G Ninja "$@"
    fi
    cmake --build "$dir" -j "$(nproc)"
}
