#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo need; quiet and
# quick when everything is present already.
set -euo pipefail
pkgs=(
  cmake make g++ clang libclang-rt-14-dev pkg-config
  mingw-w64 g++-mingw-w64-x86-64-posix
  wine wine64 xvfb xdotool imagemagick fonts-wqy-zenhei locales
  nginx python3 osslsigncode
  libgtest-dev googletest libbenchmark-dev libssl-dev openssl
)
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  sudo_cmd=""
  [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq "${missing[@]}" >/dev/null
fi
# Wine takes its ANSI code page from the locale; it must exist.
if ! locale -a 2>/dev/null | grep -qi '^zh_CN\.utf-\?8$'; then
  sudo_cmd=""
  [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  $sudo_cmd localedef -i zh_CN -f UTF-8 zh_CN.UTF-8
fi
