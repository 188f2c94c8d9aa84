#!/bin/bash
# Installs everything the build, the program and the tests need on Debian 12
# and makes the ja_JP.UTF-8 locale available (Wine takes code page 932 from
# it). Safe to run again: apt is skipped when every package is present.
set -euo pipefail

packages=(
  # build
  cmake ninja-build g++ g++-mingw-w64-x86-64 mingw-w64-tools googletest libgtest-dev libx11-dev
  clang libclang-rt-14-dev
  # running under Wine on a virtual X server
  wine wine64 xvfb xauth x11-utils xdotool
  locales fonts-ipafont-gothic fonts-ipafont-mincho fonts-wine
  # tests and tools
  python3 python3-pyftpdlib imagemagick tnftp nsis curl ca-certificates
  osslsigncode openssl  # signing the package (packaging/sign.sh) and its test
  softhsm2 libengine-pkcs11-openssl  # the signing test's PKCS#11 token
  procps iproute2 util-linux  # ps/pgrep; the loopback of the namespace a user's test run gets
)

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q '^install ok installed$'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  as_root env DEBIAN_FRONTEND=noninteractive apt-get update -q
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${packages[@]}"
fi

# Without the glibc locale Wine falls back to code page 1252.
if ! locale -a 2>/dev/null | grep -qix 'ja_JP.utf8'; then
  echo "setup: generating ja_JP.UTF-8"
  if grep -q '^# *ja_JP.UTF-8 UTF-8' /etc/locale.gen; then
    as_root sed -i 's/^# *\(ja_JP.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  elif ! grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen; then
    echo 'ja_JP.UTF-8 UTF-8' | as_root tee -a /etc/locale.gen >/dev/null
  fi
  as_root locale-gen
fi
