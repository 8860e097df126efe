#!/usr/bin/env bash
# Builds the Windows Installer package of a NettoyageImprimantes.exe: the MSI steps of
# release.sh, which the release check also runs to make packages of other versions.
#   build-msi.sh EXE VERSION MANUFACTURER COMMIT OUT
#   EXE           the .exe to install; its modification time (release.sh gives it the commit's)
#                 dates it in the cabinet and is the time of the summary
#   VERSION       the product version, x.y.z; the product code is made from it alone, so each
#                 version is a major upgrade of the older ones
#   MANUFACTURER  the publisher, ASCII
#   COMMIT        the commit the release is made from: with the version, it makes the package
#                 code (wixl ignores Package/@Id and draws one)
#   OUT           the package written
# The package is built by wixl from installer/NettoyageImprimantes.wxs; msibuild then sets its
# summary.
set -euo pipefail
export TZ=UTC LC_ALL=C
[ $# = 5 ] || { echo "usage: build-msi.sh EXE VERSION MANUFACTURER COMMIT OUT" >&2; exit 2; }
exe=$1 version=$2 manufacturer=$3 commit=$4 out=$5
wxs=$(dirname "$0")/../installer/NettoyageImprimantes.wxs
[[ "$manufacturer" =~ ^[\ -~]+$ ]] || { echo "the manufacturer must be ASCII (got \"$manufacturer\")" >&2; exit 1; }

# guid NAME: a GUID made from the SHA-256 of NAME, with the bits of a name-based UUID (RFC 4122).
guid() {
  local hash
  hash=$(printf '%s' "$1" | sha256sum)
  printf '{%s-%s-5%s-%x%s-%s}\n' "${hash:0:8}" "${hash:8:4}" "${hash:13:3}" $(((0x${hash:16:1} & 3) | 8)) \
    "${hash:17:3}" "${hash:20:12}" | tr a-f A-F
}
work=$(mktemp -d -t nettoyage-msi.XXXXXX)
trap 'rm -rf "$work"' EXIT
# wixl finds the .exe only by a path relative to the folder it runs in, and reads no
# SOURCE_DATE_EPOCH: it runs with the clock stopped at the .exe's time.
cp -p "$exe" "$work/NettoyageImprimantes.exe"
cp "$wxs" "$work/"
cd "$work"
faketime "$(date -u -r NettoyageImprimantes.exe '+%Y-%m-%d %H:%M:%S')" wixl -a x64 -D Version="$version" \
  -D Manufacturer="$manufacturer" -D ProductCode="$(guid "NettoyageImprimantes product $version")" \
  -o package.msi NettoyageImprimantes.wxs
msibuild package.msi -s "Nettoyage des imprimantes $version" "$manufacturer" "x64;1036" \
  "$(guid "NettoyageImprimantes package $version $commit")"
cd - >/dev/null
cp "$work/package.msi" "$out"
