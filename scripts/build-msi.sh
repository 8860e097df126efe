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
# The package is built by wixl from installer/NettoyageImprimantes.wxs, then msibuild writes
# what wixl 0.101 leaves out or gets wrong for Windows, as the comments below say.
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
u16() { od -An -tu2 -j "$2" -N2 "$1" | tr -d ' '; }
u32() { od -An -tu4 -j "$2" -N4 "$1" | tr -d ' '; }

# The file's version and language, as its version resource gives them: the file version of
# VS_FIXEDFILEINFO (after its signature 0xFEEF04BD and structure version), and the language of
# its Translation value (4-byte aligned after the UTF-16 name). With them the File table marks
# the .exe as versioned, as Windows Installer's file rules expect of an executable.
fixed=$({ LC_ALL=C grep -obUaP '\xBD\x04\xEF\xFE' "$exe" || true; } | head -n 1 | cut -d: -f1)
translation=$({ LC_ALL=C grep -obUaP 'T\0r\0a\0n\0s\0l\0a\0t\0i\0o\0n\0\0\0' "$exe" || true; } | head -n 1 | cut -d: -f1)
[ -n "$fixed" ] && [ -n "$translation" ] || { echo "$exe has no version resource with a Translation value" >&2; exit 1; }
file_ms=$(u32 "$exe" $((fixed + 8)))
file_ls=$(u32 "$exe" $((fixed + 12)))
file_version=$((file_ms >> 16)).$((file_ms & 65535)).$((file_ls >> 16)).$((file_ls & 65535))
file_language=$(u16 "$exe" $(((translation + 24 + 3) & ~3)))

work=$(mktemp -d -t nettoyage-msi.XXXXXX)
trap 'rm -rf "$work"' EXIT
# wixl finds the .exe only by a path relative to the folder it runs in, and reads no
# SOURCE_DATE_EPOCH: it runs with the clock stopped at the .exe's time. Stopped (-f, an
# absolute time): without -f, faketime starts the clock there and lets it run, and the summary
# then records a second later whenever wixl takes long enough to read it.
cp -p "$exe" "$work/NettoyageImprimantes.exe"
cp "$wxs" "$work/"
cd "$work"
faketime -f "$(date -u -r NettoyageImprimantes.exe '+%Y-%m-%d %H:%M:%S')" wixl -a x64 -D Version="$version" \
  -D Manufacturer="$manufacturer" -D ProductCode="$(guid "NettoyageImprimantes product $version")" \
  -o package.msi NettoyageImprimantes.wxs
# Language-neutral (0), like ProductLanguage: Group Policy then deploys it whatever the
# computer's language.
msibuild package.msi -s "Nettoyage des imprimantes $version" "$manufacturer" "x64;0" \
  "$(guid "NettoyageImprimantes package $version $commit")"
# The strings are stored in 1252 ("é" in the downgrade message and the feature title), but
# wixl marks the database 0, which Windows reads in the machine's ANSI code page.
printf '\r\n\r\n1252\t_ForceCodepage\r\n' >_ForceCodepage.idt
msibuild package.msi -i _ForceCodepage.idt
# Windows Installer hands to the elevated server side only the public properties listed in
# SecureCustomProperties: without it there, LOGONCLEANUP=1 given to an install elevated through
# UAC would be dropped, and the logon cleanup silently left out. wixl ignores Property/@Secure.
secure=$(msiinfo export package.msi Property | tr -d '\r' | sed -n 's/^SecureCustomProperties\t//p')
# The long names get the short names Windows Installer requires beside them (short|long);
# wixl 0.101 knows no ShortName attribute. A versioned file has no hash: the version decides.
msibuild package.msi \
  -q "UPDATE Property SET Value = '${secure:+$secure;}LOGONCLEANUP' WHERE Property = 'SecureCustomProperties'" \
  -q "UPDATE File SET FileName = 'NETTOY~1.EXE|NettoyageImprimantes.exe', Version = '$file_version', Language = '$file_language' WHERE File = 'NettoyageImprimantes.exe'" \
  -q "DELETE FROM MsiFileHash WHERE File_ = 'NettoyageImprimantes.exe'" \
  -q "UPDATE Directory SET DefaultDir = 'NETTOY~1|Nettoyage des imprimantes' WHERE Directory = 'INSTALLFOLDER'"
cd - >/dev/null
cp "$work/package.msi" "$out"
