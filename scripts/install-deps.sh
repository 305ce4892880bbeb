#!/usr/bin/env bash
# Installs the Debian 12 packages the project builds and tests with.
# Idempotent: packages already present are not fetched again.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config
    libsqlite3-dev sqlite3 libsodium-dev libspdlog-dev libcli11-dev nlohmann-json3-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    clang libclang-rt-14-dev
    mobile-broadband-provider-info
    libpam0g-dev libsystemd-dev dbus
    qt6-base-dev qt6-qpa-plugins fonts-dejavu-core xvfb
    dpkg-dev file lintian help2man bash-completion desktop-file-utils graphviz
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
    echo "install-deps: all packages present"
    exit 0
fi
echo "install-deps: installing ${missing[*]}"
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
