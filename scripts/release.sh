#!/usr/bin/env bash
# Builds the release of the last commit from a clean copy of it, and writes into dist/:
#   NettoyageImprimantes-<version>-x64.zip   NettoyageImprimantes.exe, README.md, LICENSE,
#                                           THIRD-PARTY-NOTICES.txt, CHANGELOG.md
#   NettoyageImprimantes-<version>-x64.msi   the Windows Installer package of the same .exe
#                                           (installer/NettoyageImprimantes.wxs, built with wixl)
#   SHA256SUMS                              SHA-256 of the zip, of the .exe inside it and of the MSI
# <version> is the project version in CMakeLists.txt, the one the .exe's version resource
# carries. Uncommitted changes are left out. The .exe is the build's, stripped of its debug
# sections; THIRD-PARTY-NOTICES.txt names the libraries linked into it, with the notices of
# their Debian packages (scripts/third-party-notices.sh). The same commit gives the same bytes
# in any folder and at any time: the build records no time and no folder, and the files in the
# zip carry the commit's time (as SOURCE_DATE_EPOCH does), in a fixed order, with no extra attributes.
# The MSI takes from the commit all that wixl would vary: see "The Windows Installer package".
#
# Authenticode signing (osslsigncode) of the .exe after stripping and of the MSI after building,
# both before summing, when SIGN_PFX is set:
#   SIGN_PFX=FILE            the code-signing certificate with its private key (PKCS#12, .pfx)
#   SIGN_PFX_PASSWORD=TEXT   its password
#   SIGN_TIMESTAMP_URL=URL   optional: an RFC 3161 time-stamp server, so that the signature
#                            stays valid after the certificate expires
# Without SIGN_PFX the release is unsigned, and says so.
# Debian 12, as root: installs what it needs. The build runs in a temporary folder ($TMPDIR).
set -euo pipefail

sign_pfx=
if [ -n "${SIGN_PFX:-}" ]; then
  [ -f "$SIGN_PFX" ] || { echo "SIGN_PFX: no such file: $SIGN_PFX" >&2; exit 1; }
  sign_pfx=$(realpath "$SIGN_PFX")
fi

cd "$(dirname "$0")/.."
root=$PWD

bash scripts/install-deps.sh

commit=$(git rev-parse --verify -q HEAD) || { echo "release.sh needs a git work tree with a commit" >&2; exit 1; }
if [ -n "$(git status --porcelain --untracked-files=no)" ]; then
  echo "Note: the work tree has uncommitted changes; the release is built from commit ${commit:0:12} without them."
fi

# Nothing from the environment reaches the output: UTC, the C locale, fixed file modes, no
# compiler or linker flags. SOURCE_DATE_EPOCH (the commit's time) dates the files in the zip
# only; the build gets none, as ld would write it into the PE header: the .exe then records
# no time at all, and is the same as a plain `cmake --build --preset windows` of the commit.
commit_time=$(git log -1 --format=%ct "$commit")
export TZ=UTC LC_ALL=C
unset CFLAGS CXXFLAGS CPPFLAGS LDFLAGS SOURCE_DATE_EPOCH
umask 022

work=$(mktemp -d -t nettoyage-release.XXXXXX)
trap 'rm -rf "$work"' EXIT
mkdir "$work/src" "$work/stage"
git archive --format=tar "$commit" | tar -x -C "$work/src"

echo "Building NettoyageImprimantes.exe from commit ${commit:0:12} in $work/src ..."
(
  cd "$work/src"
  cmake --preset windows >/dev/null
  cmake --build --preset windows --target NettoyageImprimantes -j"$(nproc)"
)
built=$work/src/build/windows/bin/NettoyageImprimantes.exe
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$work/src/build/windows/CMakeCache.txt")
[[ "$version" =~ ^[0-9]+\.[0-9]+\.[0-9]+$ ]] || { echo "cannot read the project version (got \"$version\")" >&2; exit 1; }

# Most of the built file is debug sections, chiefly those of Debian's prebuilt MinGW runtime,
# with its build folders in them; the development build keeps them. strip writes the time
# into the PE header unless SOURCE_DATE_EPOCH is set: 0 leaves it at 0, as the linker does.
stripped=$work/NettoyageImprimantes.exe
SOURCE_DATE_EPOCH=0 x86_64-w64-mingw32-strip --strip-all -o "$stripped" "$built"

# sign IN OUT: OUT is IN signed, or a copy of it when the release is unsigned.
timestamp=()
if [ -n "${SIGN_TIMESTAMP_URL:-}" ]; then timestamp=(-ts "$SIGN_TIMESTAMP_URL"); fi
sign() {
  if [ -z "$sign_pfx" ]; then cp "$1" "$2" && return; fi
  osslsigncode sign -pkcs12 "$sign_pfx" -readpass "$work/pfx-password" -h sha256 \
    -n "Nettoyage des imprimantes" "${timestamp[@]}" -in "$1" -out "$2" >"$work/sign.log" 2>&1 ||
    { cat "$work/sign.log" >&2; echo "signing $(basename "$2") with $SIGN_PFX failed" >&2; exit 1; }
}
if [ -n "$sign_pfx" ]; then
  # The password goes through a file readable by root alone, not on a command line.
  (umask 077 && printf '%s' "${SIGN_PFX_PASSWORD:-}" >"$work/pfx-password")
  signing="signed (Authenticode, SHA-256) with $SIGN_PFX${SIGN_TIMESTAMP_URL:+, time-stamped by $SIGN_TIMESTAMP_URL}"
else
  signing="UNSIGNED: SIGN_PFX is not set"
fi
exe=$work/stage/NettoyageImprimantes.exe
sign "$stripped" "$exe"
cp "$work/src/README.md" "$work/src/LICENSE" "$work/src/CHANGELOG.md" "$work/stage/"
bash "$work/src/scripts/third-party-notices.sh" "$work/src/build/windows/app/win32/NettoyageImprimantes.map" \
  >"$work/stage/THIRD-PARTY-NOTICES.txt"

zip_name=NettoyageImprimantes-$version-x64.zip
chmod 0644 "$work/stage/"*
touch -d "@$commit_time" "$work/stage/"*
# -X: no owner or extended time fields; -D: no folder entries; names in byte order.
(cd "$work/stage" && find . -type f -printf '%P\n' | sort | zip -q -X -D "$work/$zip_name" -@)

# The Windows Installer package of the same .exe (scripts/build-msi.sh). wixl reads no
# SOURCE_DATE_EPOCH, so what it would vary is taken from the commit: the package code (a GUID
# made from the version and the commit), the summary's times and the dates in its cabinet (the
# .exe's modification time, already the commit's). The product code is made from the version.
# The manufacturer, as the build defined it for the .exe's CompanyName (CMakeLists.txt).
manufacturer=$(sed -n 's/^NETTOYAGE_MANUFACTURER:INTERNAL=//p' "$work/src/build/windows/CMakeCache.txt")
[[ "$manufacturer" =~ ^[\ -~]+$ ]] || { echo "cannot read an ASCII NETTOYAGE_MANUFACTURER from the build (got \"$manufacturer\")" >&2; exit 1; }
msi_name=NettoyageImprimantes-$version-x64.msi
bash "$work/src/scripts/build-msi.sh" "$exe" "$version" "$manufacturer" "$commit" "$work/package.msi"
sign "$work/package.msi" "$work/$msi_name"

mkdir -p dist
rm -f dist/NettoyageImprimantes-*-x64.zip dist/NettoyageImprimantes-*-x64.msi dist/SHA256SUMS
mv "$work/$zip_name" "$work/$msi_name" dist/
{
  (cd dist && sha256sum "$zip_name")
  (cd "$work/stage" && sha256sum NettoyageImprimantes.exe)
  (cd dist && sha256sum "$msi_name")
} >dist/SHA256SUMS

echo
echo "Release $version of commit ${commit:0:12} ($(date -u -d "@$commit_time" '+%Y-%m-%d %H:%M:%S UTC'))"
echo "NettoyageImprimantes.exe is $signing; $(stat -c %s "$built") bytes as built, $(stat -c %s "$stripped") stripped of its debug sections."
echo "$msi_name is $(if [ -n "$sign_pfx" ]; then echo "signed the same way"; else echo "UNSIGNED too"; fi); $(stat -c %s "dist/$msi_name") bytes."
echo "THIRD-PARTY-NOTICES.txt names: $(sed -n '/^Libraries in/,/^Section 1:/s/^\([^ ].*\.[ao]\)$/\1/p' "$work/stage/THIRD-PARTY-NOTICES.txt" | paste -sd' ' -)"
echo "Built with $(x86_64-w64-mingw32-g++-posix --version | head -n 1) and $(x86_64-w64-mingw32-ld --version | head -n 1)."
echo "$root/dist/$zip_name"
echo "$root/dist/$msi_name"
echo "$root/dist/SHA256SUMS:"
sed 's/^/  /' dist/SHA256SUMS
