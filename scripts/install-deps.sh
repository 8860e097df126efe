#!/usr/bin/env bash
# Installs what building, running and testing need on Debian 12, as root. Quick when
# everything is already there: only missing packages are fetched.
set -euo pipefail

packages=(
  cmake make g++ git                       # native build
  libgtest-dev googletest libbenchmark-dev # unit tests (googletest: the sources the Windows build compiles) and benchmarks
  clang libclang-rt-14-dev                 # fuzzing with libFuzzer and the sanitizers
  g++-mingw-w64-x86-64-posix               # the Windows build
  wine64                                   # running it
  xvfb xauth x11-utils imagemagick xdotool  # a screen for its windows, and screenshots
  zip unzip osslsigncode openssl           # the release: its zip, Authenticode signing, the signing check
  wixl msitools faketime                   # the release's MSI: built, its summary set, at the commit's time
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done

if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
fi
