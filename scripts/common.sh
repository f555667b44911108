# Shared by the top-level commands: installs what the build needs and
# configures/builds a tree. Source it; do not run it.

KESTRANO_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
KESTRANO_PACKAGES="cmake ninja-build g++ qt6-base-dev libgtest-dev libtiff-dev libpng-dev libhwy-dev libjpeg-dev zlib1g-dev nlohmann-json3-dev libssl-dev python3 pybind11-dev python3-dev python3-numpy python3-pytest qt6-svg-dev fonts-dejavu-core chromium strace snakemake slurm-wlm munge"

say() { printf '%s\n' "$*" >&2; }

# Installs the Debian packages that are missing (needs root or sudo).
ensure_packages() {
    local missing=()
    local p
    for p in $KESTRANO_PACKAGES; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    say "Installing missing packages: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update -qq || return 1
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null || return 1
}

# build_tree DIR [extra cmake arguments...]: configures once, then builds.
build_tree() {
    local dir=$1
    shift
    if [ ! -f "$dir/build.ninja" ]; then
        cmake -S "$KESTRANO_ROOT" -B "$dir" -G Ninja "$@" >/dev/null || return 1
    fi
    cmake --build "$dir" -j "$(nproc)" || return 1
}
