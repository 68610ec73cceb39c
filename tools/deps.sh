#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when any is
# missing (apt-get update first). Runs as root, or through sudo. The second
# group serves the installation tests: the desktop entry and AppStream
# validators, groff for the manual page, the MIME database tool, and
# dpkg-shlibdeps (dpkg-dev) and file, with which CPack gives the Debian
# package its dependencies.
set -euo pipefail
packages=(cmake ninja-build g++ make libgtest-dev libbenchmark-dev qt6-base-dev
  desktop-file-utils appstream groff-base shared-mime-info dpkg-dev file)
missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
    missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing: ${missing[*]}"
sudo=
[ "$(id -u)" -eq 0 ] || sudo=sudo
$sudo apt-get update
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
