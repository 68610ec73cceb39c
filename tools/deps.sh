#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when any is
# missing (apt-get update first). Runs as root, or through sudo. Qt's own
# Russian texts (qt6-translations-l10n) are what the window loads; ICU
# (libicu-dev) folds case for the window's pattern list; locales gives the
# widget tests a ru_RU.CP1251 locale. The second group serves the
# installation tests: the desktop entry and AppStream validators, groff for
# the manual page, the MIME database tool, and dpkg-shlibdeps (dpkg-dev) and
# file, with which CPack gives the Debian package its dependencies; python3
# runs the check of the sources' shape (tools/house_check.py).
set -euo pipefail
packages=(cmake ninja-build g++ make libgtest-dev libbenchmark-dev qt6-base-dev
  libicu-dev qt6-translations-l10n locales libgit2-dev pkg-config patch desktop-file-utils appstream groff-base shared-mime-info dpkg-dev file python3)
missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
    missing+=("$package")
done
sudo=
[ "$(id -u)" -eq 0 ] || sudo=sudo
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  $sudo apt-get update
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
fi
if ! locale -a 2>/dev/null | grep -qix 'ru_RU.cp1251'; then
  echo "Generating the ru_RU.CP1251 locale"
  $sudo localedef -i ru_RU -f CP1251 ru_RU.CP1251
fi
