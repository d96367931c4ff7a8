# Shared by the two README commands: install what is missing, then build.
# Sourced, not run.
set -euo pipefail

GRANTWELL_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# Everything the build, the program and the tests need, from Debian 12.
GRANTWELL_PACKAGES=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-l10n-tools dosfstools libgl-dev
  libacl1-dev libplist-dev libssl-dev
  shared-mime-info hicolor-icon-theme adwaita-icon-theme qt6-qpa-plugins
  acl attr e2fsprogs util-linux pkexec polkitd dbus
  xvfb xauth libxml2-utils desktop-file-utils
  openbox dbus-x11 at-spi2-core python3-pyatspi gir1.2-atspi-2.0 xdotool imagemagick x11-utils
)

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

install_missing_packages() {
  local missing=()
  for pkg in "${GRANTWELL_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' \
      || missing+=("$pkg")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    as_root apt-get update -qq
    as_root env DEBIAN_FRONTEND=noninteractive \
      apt-get install -y -qq --no-install-recommends "${missing[@]}"
  fi
}

# build_tree DIR [cmake options...]
build_tree() {
  local dir=$1
  shift
  cmake -S "$GRANTWELL_ROOT" -B "$dir" -G Ninja "$@" >/dev/null
  cmake --build "$dir"
}
