# Sourced by scripts/play and scripts/test: installs the Debian packages that
# are missing, non-interactively. Usage: vlo_install_packages pkg...
vlo_install_packages() {
    local missing=()
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    export DEBIAN_FRONTEND=noninteractive
    $sudo apt-get update -qq
    $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}
VLO_BUILD_PACKAGES=(build-essential cmake pkg-config libsdl2-dev libsdl2-mixer-dev libvorbis-dev)
