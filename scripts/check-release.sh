#!/usr/bin/env bash
# Checks scripts/release.sh on the last commit (CTest runs it as release.check):
#  1. two releases from two clones, in folders of different path lengths and built at
#     different times, give the same .exe, the same zip and the same MSI, byte for byte;
#  2. a release signed with a throwaway code-signing certificate made here verifies against
#     that certificate (its .exe and its MSI), its .exe differs from the unsigned one by the
#     signature alone, it still runs the sample's silent cleanup under Wine, and its MSI
#     installs, turns the logon cleanup on and off, is upgraded by a newer package of the same
#     .exe (made by scripts/build-msi.sh, as the release's), refuses to go back to the older one,
#     and uninstalls under Wine's msiexec, leaving no folder, no event source key, no Run value;
#  3. SHA256SUMS of the unsigned and of the signed release names exactly the zip, the .exe in
#     it and the MSI, with their sums; the zip holds the third-party notices (with the GCC
#     Runtime Library Exception's text) and an .exe without debug sections;
#  4. the version in the zip's name, the .exe's version resource, README.md and CHANGELOG.md
#     agree, and the publisher of the version resource and of Programs and Features is
#     CMakeLists.txt's NETTOYAGE_MANUFACTURER;
#  5. the package's tables hold what Windows Installer, its validation (ICE) and Group Policy
#     read: language-neutral, code page 1252, LOGONCLEANUP secure, the .exe versioned, short
#     names beside the long ones, the Run value naming the .exe by its folder.
# Everything happens in a temporary folder under ${TMPDIR:-/tmp}: this tree's build/ and dist/
# are not touched.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
bash scripts/install-deps.sh

work=$(mktemp -d "${TMPDIR:-/tmp}/check-release.XXXXXX")
msi_prefix=$work/msi-prefix
trap 'if [ -d "$msi_prefix" ]; then WINEPREFIX="$msi_prefix" wineserver -k 2>/dev/null; fi; rm -rf "$work"' EXIT
commit=$(git rev-parse HEAD)
failures=0
pass() { echo "PASS: $*"; }
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# release DIR [VARIABLE=VALUE...]: releases a fresh clone of the commit made in DIR, with
# release.sh's own build folder in DIR too; leaves DIR/NettoyageImprimantes.exe from the zip.
release() {
  local dir=$1
  shift
  mkdir -p "$dir/tmp"
  git clone -q "$root" "$dir/src" && git -C "$dir/src" checkout -q --detach "$commit"
  if ! env "$@" TMPDIR="$dir/tmp" bash "$dir/src/scripts/release.sh" >"$dir/release.log" 2>&1; then
    cat "$dir/release.log"
    echo "release.sh failed in $dir"
    exit 1
  fi
  unzip -q -o "$dir"/src/dist/NettoyageImprimantes-*-x64.zip NettoyageImprimantes.exe -d "$dir"
}

# check_sums DIR WHICH: the release made in DIR has a SHA256SUMS that names exactly its files,
# the zip as released, the .exe as it comes out of the zip and the MSI, each with its sum
# (sha256sum -c checks only the lines present).
check_sums() {
  local dir=$1 which=$2 zip
  zip=$(basename "$dir"/src/dist/NettoyageImprimantes-*-x64.zip)
  mkdir "$dir/sums"
  cp "$dir"/src/dist/SHA256SUMS "$dir/src/dist/$zip" "$dir/src/dist/${zip%.zip}.msi" "$dir/NettoyageImprimantes.exe" "$dir/sums/"
  if [ "$(sed 's/^[0-9a-f]\{64\}  //' "$dir/sums/SHA256SUMS" | LC_ALL=C sort | paste -sd' ' -)" = "${zip%.zip}.msi $zip NettoyageImprimantes.exe" ] &&
     (cd "$dir/sums" && sha256sum -c --quiet --strict SHA256SUMS); then
    pass "the $which release's SHA256SUMS names and matches the zip, the .exe in it and the MSI"
  else
    cat "$dir/sums/SHA256SUMS"
    fail "the $which release's SHA256SUMS does not name exactly the zip, the .exe in it and the MSI, or does not match them"
  fi
}

u16() { od -An -tu2 -j "$2" -N2 "$1" | tr -d ' '; }
u32() { od -An -tu4 -j "$2" -N4 "$1" | tr -d ' '; }

# Succeeds when SIGNED is UNSIGNED with an Authenticode certificate table appended: the same
# bytes except the PE checksum and the security directory entry, then at most 7 bytes of zero
# padding, then the table up to the end of the file.
only_signature_differs() {
  local unsigned=$1 signed=$2 optional offset size table table_size
  optional=$(($(u32 "$unsigned" 60) + 24))
  [ "$(u16 "$unsigned" "$optional")" = 523 ] || { echo "not a PE32+ image: $unsigned"; return 1; }
  size=$(stat -c %s "$unsigned")
  table=$(u32 "$signed" $((optional + 144)))
  table_size=$(u32 "$signed" $((optional + 148)))
  if ((table < size || table - size > 7 || table + table_size != $(stat -c %s "$signed"))); then
    echo "the certificate table ($table_size bytes at $table) is not appended to the $size bytes of the unsigned image"
    return 1
  fi
  if ! cmp -s <(head -c $((table - size)) /dev/zero) <(tail -c +$((size + 1)) "$signed" | head -c $((table - size))); then
    echo "the padding before the certificate table is not zeros"
    return 1
  fi
  while read -r offset _; do
    offset=$((offset - 1))
    if ((offset >= optional + 64 && offset < optional + 68)) || ((offset >= optional + 144 && offset < optional + 152)); then continue; fi
    echo "byte $offset differs outside the checksum and the security directory"
    return 1
  done < <(cmp -l "$unsigned" <(head -c "$size" "$signed") || true)
}

echo "Releasing commit ${commit:0:12} twice, unsigned ..."
first=$work/a
second=$work/second-release-in-a-folder-with-a-longer/path
release "$first"
release "$second"  # built after the first one ended: a different time
exe_sums=$(sha256sum "$first/NettoyageImprimantes.exe" "$second/NettoyageImprimantes.exe" | cut -d' ' -f1 | sort -u)
zip_sums=$(sha256sum "$first"/src/dist/*.zip "$second"/src/dist/*.zip | cut -d' ' -f1 | sort -u)
msi_sums=$(sha256sum "$first"/src/dist/*.msi "$second"/src/dist/*.msi | cut -d' ' -f1 | sort -u)
echo "exe SHA-256: ${exe_sums//$'\n'/ }"
echo "zip SHA-256: ${zip_sums//$'\n'/ }"
echo "msi SHA-256: ${msi_sums//$'\n'/ } ($(stat -c %s "$first"/src/dist/*.msi) bytes)"
if [ "$(wc -l <<<"$exe_sums")" = 1 ] && [ "$(wc -l <<<"$zip_sums")" = 1 ] && [ "$(wc -l <<<"$msi_sums")" = 1 ]; then
  pass "the two releases are identical"
else
  fail "the two releases differ; first differing bytes of the .exe and of the MSI (offset, octal values):"
  cmp -l "$first/NettoyageImprimantes.exe" "$second/NettoyageImprimantes.exe" | head -n 5 || true
  cmp -l "$first"/src/dist/*.msi "$second"/src/dist/*.msi | head -n 5 || true
fi
check_sums "$first" unsigned
contents=$(unzip -Z1 "$first"/src/dist/*.zip | paste -sd' ' -)
if [ "$contents" = "CHANGELOG.md LICENSE NettoyageImprimantes.exe README.md THIRD-PARTY-NOTICES.txt" ]; then
  pass "the zip holds $contents"
else
  fail "the zip holds $contents"
fi
notices=$(unzip -p "$first"/src/dist/*.zip THIRD-PARTY-NOTICES.txt 2>/dev/null || true)
# The exception's own title and first sentence, from GCC's notices: not the notices script's
# sentence that mentions it, which the file holds whatever follows.
if grep -qxF 'libstdc++.a' <<<"$notices" && grep -qxF 'libpthread.a' <<<"$notices" &&
   grep -qxF 'GCC RUNTIME LIBRARY EXCEPTION' <<<"$notices" &&
   grep -qF 'This GCC Runtime Library Exception ("Exception") is an additional' <<<"$notices"; then
  pass "THIRD-PARTY-NOTICES.txt names GCC's C++ library and winpthreads, and holds the GCC Runtime Library Exception"
else
  fail "THIRD-PARTY-NOTICES.txt is missing, or does not name libstdc++.a and libpthread.a, or lacks the text of the GCC Runtime Library Exception"
fi
debug_sections=$(x86_64-w64-mingw32-objdump -h "$first/NettoyageImprimantes.exe" | awk '$2 ~ /^\.debug/ { print $2 }' | paste -sd' ' -)
if [ -z "$debug_sections" ]; then
  pass "the .exe in the zip has no debug sections ($(stat -c %s "$first/NettoyageImprimantes.exe") bytes)"
else
  fail "the .exe in the zip has debug sections: $debug_sections"
fi
if grep -q 'UNSIGNED' "$first/release.log"; then pass "the unsigned release says so"; else fail "the unsigned release does not say so"; fi

echo "Releasing it signed with a throwaway certificate ..."
mkdir "$work/certificate"
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Nettoyage des imprimantes throwaway test" \
  -addext "keyUsage=critical,digitalSignature" -addext "extendedKeyUsage=codeSigning" \
  -keyout "$work/certificate/key.pem" -out "$work/certificate/cert.pem" 2>/dev/null
openssl pkcs12 -export -inkey "$work/certificate/key.pem" -in "$work/certificate/cert.pem" \
  -passout pass:throwaway-password -out "$work/certificate/signing.pfx"
signed=$work/signed
release "$signed" SIGN_PFX="$work/certificate/signing.pfx" SIGN_PFX_PASSWORD=throwaway-password
if osslsigncode verify -CAfile "$work/certificate/cert.pem" -in "$signed/NettoyageImprimantes.exe" >"$work/verify.log" 2>&1 &&
   osslsigncode verify -CAfile "$work/certificate/cert.pem" -in "$signed"/src/dist/*.msi >>"$work/verify.log" 2>&1; then
  pass "osslsigncode verifies the signatures of the .exe and the MSI against the throwaway certificate"
else
  cat "$work/verify.log"
  fail "osslsigncode does not verify the signed .exe or the signed MSI"
fi
check_sums "$signed" signed
# The signed release is another build of the same commit, so it is compared with the first.
if only_signature_differs "$first/NettoyageImprimantes.exe" "$signed/NettoyageImprimantes.exe"; then
  pass "the signed .exe is the unsigned one plus its signature"
else
  fail "signing changed more than the signature"
fi
# sample_cleaned LOG INSTALLED: the sample run in LOG ran the signed .exe and left exactly the
# four values (Devices, PrinterPorts, DevModes2, DevModePerUser) of INSTALLED printers.
sample_cleaned() {
  local left
  left=$(sed -n '/^The four keys after/,/^$/p' "$1" | grep -c '^    "' || true)
  grep -qxF "Program: $signed/NettoyageImprimantes.exe" "$1" && [ "$left" = $((4 * $2)) ]
}
if env -u DISPLAY SAMPLE_EXE="$signed/NettoyageImprimantes.exe" BUILD_DIR="$work/double" SAMPLE_TIMED_RUNS=0 \
     bash "$first/src/scripts/run-sample.sh" /s >"$work/sample.log" 2>&1; then
  installed=$(grep -c '^installed ' "$first/src/samples/printers.txt")
  if sample_cleaned "$work/sample.log" "$installed"; then
    pass "the signed .exe cleans the sample under Wine (the $installed installed printers' four values left)"
  else
    cat "$work/sample.log"
    fail "the sample run did not run the signed .exe, or did not leave the $installed installed printers' four values"
  fi
  # The comparison itself: the same run, given one installed printer fewer, must not pass.
  if sample_cleaned "$work/sample.log" $((installed - 1)); then
    fail "a sample run compared with a wrong count of installed printers passed: the values left are not counted"
  else
    pass "a sample run compared with a wrong count of installed printers fails"
  fi
else
  cat "$work/sample.log"
  fail "the signed .exe's silent run on the sample failed"
fi

echo "Installing, upgrading and uninstalling the signed MSI under Wine ..."
publisher=$(sed -n 's/^set(NETTOYAGE_MANUFACTURER "\([^"]*\)".*/\1/p' "$first/src/CMakeLists.txt")
run_argument=/q  # what the Run value runs the .exe with: the quiet cleanup
# rows PACKAGE TABLE: the table's rows, tab-separated, without msiinfo's three header lines.
rows() { msiinfo export "$1" "$2" | tr -d '\r' | tail -n +4; }
property() { rows "$1" Property | sed -n "s/^$2\t//p"; }
# packed GUID: the GUID as Windows Installer's registry keys write it.
packed() {
  local g=${1//[\{\}-]/}
  printf '%s%s%s%s\n' "$(rev <<<"${g:0:8}")" "$(rev <<<"${g:8:4}")" "$(rev <<<"${g:12:4}")" "$(sed 's/\(.\)\(.\)/\2\1/g' <<<"${g:16}")"
}
in_wine() { env -u DISPLAY WINEPREFIX="$msi_prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" "$@" </dev/null >"$work/wine.out" 2>&1; }
# values PATTERN KEY [reg query options]: the key's values whose line matches PATTERN, on one
# line; "(none)" when there is no such key (with /v: no such value). An emptied key gives "".
values() {
  local pattern=$1
  shift
  in_wine wine reg query "$@" || { echo "(none)" && return; }
  tr -d '\r' <"$work/wine.out" | sed -n 's/^    //p' | tr -s ' ' | { grep -E "$pattern" || true; } | paste -sd';' -
}
# msi_state: what of the MSI's work is on the machine: the installed folder and its files, the
# event source's key, the Run value, the entries of Programs and Features and the products
# registered under the package's upgrade code.
msi_state() {
  local folder="$msi_prefix/drive_c/Program Files/Nettoyage des imprimantes"
  if [ -d "$folder" ]; then
    echo "files: $(ls -A "$folder")$(cmp -s "$folder/NettoyageImprimantes.exe" "$signed/NettoyageImprimantes.exe" && echo " (the release's)")"
  else
    echo "no folder"
  fi
  values . 'HKLM\SYSTEM\CurrentControlSet\Services\EventLog\Application\Nettoyage des imprimantes'
  values . 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Run' /v 'Nettoyage des imprimantes'
  values '^(DisplayName|DisplayVersion|Publisher) ' 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall' /s
  echo "products: $(values . "HKLM\\SOFTWARE\\Classes\\Installer\\UpgradeCodes\\$(packed "$upgrade_code")" | sed 's/ REG_SZ \{0,1\}//g')"
}
# installed VERSION [RUN]: msi_state once the package of VERSION (C:\VERSION.msi) is installed,
# with the Run value RUN, if given.
installed() {
  printf "files: NettoyageImprimantes.exe (the release's)\nEventMessageFile REG_EXPAND_SZ %s;TypesSupported REG_DWORD 0x7\n%s\n" "$exe_path" "${2:-(none)}"
  printf 'DisplayName REG_SZ Nettoyage des imprimantes;DisplayVersion REG_SZ %s;Publisher REG_SZ %s\nproducts: %s' \
    "$1" "$publisher" "$(packed "$(property "$msi_prefix/drive_c/$1.msi" ProductCode)")"
}
# msi_agrees STATUS EXPECTED ARGUMENTS...: true when msiexec ARGUMENTS /qn ends with STATUS (cut
# to 8 bits by Wine: 1603 is 67) and leaves EXPECTED (msi_state); otherwise says what it found.
msi_agrees() {
  local expected_status=$1 expected=$2 status=0 state
  shift 2
  in_wine wine msiexec "$@" /qn || status=$?
  state=$(msi_state)
  [ "$status" = "$expected_status" ] && [ "$state" = "$expected" ] && return 0
  printf 'msiexec: %s\n%s\n' "$status" "$state"
  return 1
}
# msi_step WHAT STATUS EXPECTED ARGUMENTS...: the step passes when msi_agrees.
msi_step() {
  local what=$1 expected_status=$2
  if msi_agrees "${@:2}"; then
    pass "msiexec ${*:4}: $what (exit code $expected_status)"
  else
    fail "msiexec ${*:4}: $what (exit code $expected_status expected)"
  fi
}
mkdir "$msi_prefix"
in_wine wineserver -p && in_wine wine wineboot -i
older=$(basename "$signed"/src/dist/*.msi | cut -d- -f2)
newer=${older%.*}.$((${older##*.} + 1))
cp "$signed"/src/dist/*.msi "$msi_prefix/drive_c/$older.msi"
# A newer version of the same .exe, packaged by the same steps as the release's.
TMPDIR=$work bash "$first/src/scripts/build-msi.sh" "$signed/NettoyageImprimantes.exe" "$newer" "$publisher" "$commit" \
  "$msi_prefix/drive_c/$newer.msi"
upgrade_code=$(property "$msi_prefix/drive_c/$older.msi" UpgradeCode)
exe_path='C:\Program Files\Nettoyage des imprimantes\NettoyageImprimantes.exe'
run_value="Nettoyage des imprimantes REG_SZ \"$exe_path\" $run_argument"
removed=$'no folder\n(none)\n(none)\n\nproducts: (none)'
msi_step "the .exe and the event source, no Run value" 0 "$(installed "$older")" /i "C:\\$older.msi"
msi_step "all of it removed" 0 "$removed" /x "C:\\$older.msi"
msi_step "the .exe, the event source and the Run value" 0 "$(installed "$older" "$run_value")" /i "C:\\$older.msi" LOGONCLEANUP=1
msi_step "the Run value removed, the rest kept" 0 "$(installed "$older")" /i "C:\\$older.msi" REMOVE=LogonCleanup
msi_step "the Run value back" 0 "$(installed "$older" "$run_value")" /i "C:\\$older.msi" ADDLOCAL=LogonCleanup
# Wine 8 has no MigrateFeatureStates: an upgrade keeps the logon cleanup there only when it is
# asked for again, so the upgrade asks for it; that Windows keeps it unasked is not checked here.
# Nor is Windows' refusal (1638) of a package of the installed version from another commit:
# Wine 8 installs it over the installed one.
msi_step "upgraded: the newer version alone, the Run value kept" 0 "$(installed "$newer" "$run_value")" \
  /i "C:\\$newer.msi" LOGONCLEANUP=1
msi_step "the older version refused, nothing changed" 67 "$(installed "$newer" "$run_value")" /i "C:\\$older.msi"
# The comparison itself: the same refusal, expected to succeed, leaves the same state; only its
# exit code tells, and the step must see it.
if msi_agrees 0 "$(installed "$newer" "$run_value")" /i "C:\\$older.msi" >/dev/null; then
  fail "a step given the wrong exit code passed: msiexec's exit code is not compared"
else
  pass "a step given the wrong exit code fails"
fi
msi_step "all of it removed, the Run value included" 0 "$removed" /x "C:\\$newer.msi"

echo "Comparing versions ..."
exe=$first/NettoyageImprimantes.exe
zip_version=$(basename "$first"/src/dist/NettoyageImprimantes-*-x64.zip | sed -E 's/^NettoyageImprimantes-(.*)-x64\.zip$/\1/')
# VS_FIXEDFILEINFO starts with the signature 0xFEEF04BD; the file version follows its
# structure version, as two 32-bit words of two 16-bit numbers each.
fixed=$({ LC_ALL=C grep -obUaP '\xBD\x04\xEF\xFE' "$exe" || true; } | head -n 1 | cut -d: -f1)
if [ -n "$fixed" ]; then
  ms=$(u32 "$exe" $((fixed + 8)))
  ls=$(u32 "$exe" $((fixed + 12)))
  fixed_version=$((ms >> 16)).$((ms & 65535)).$((ls >> 16)).$((ls & 65535))
else
  fixed_version="(none)"
fi
text_version=$({ strings -a -el "$exe" | grep -A1 -x 'FileVersion' || true; } | tail -n 1)
company=$({ strings -a -el "$exe" | grep -A1 -xF CompanyName || true; } | tail -n 1)
readme_version=$(grep -m1 -oE '^Version [0-9]+\.[0-9]+\.[0-9]+' "$first/src/README.md" | cut -d' ' -f2 || true)
changelog_version=$(grep -m1 -oE '^## [0-9]+\.[0-9]+\.[0-9]+' "$first/src/CHANGELOG.md" | cut -d' ' -f2 || true)
echo "zip name: $zip_version; version resource: $fixed_version (text: $text_version); README: $readme_version; CHANGELOG: $changelog_version"
echo "CompanyName: $company; CMakeLists.txt's NETTOYAGE_MANUFACTURER: $publisher"
if [ -z "$fixed" ] || [ -z "$text_version" ]; then
  fail "the .exe has no version resource: no fixed file information (signature 0xFEEF04BD) or no FileVersion text"
elif [ "$fixed_version" = "$zip_version.0" ] && [ "$text_version" = "$zip_version.0" ] &&
     [ "$readme_version" = "$zip_version" ] && [ "$changelog_version" = "$zip_version" ] && [ "$company" = "$publisher" ]; then
  pass "the versions agree, and the CompanyName is CMakeLists.txt's"
else
  fail "the versions disagree, or the CompanyName is not CMakeLists.txt's"
fi

echo "Reading the package's tables ..."
msi=$(echo "$first"/src/dist/*.msi)
for table in Property CustomAction File MsiFileHash Directory Registry; do echo "$table:" && rows "$msi" $table | sed 's/^/  /'; done
# expect WHAT ACTUAL EXPECTED
expect() { if [ "$2" = "$3" ]; then pass "$1"; else fail "$1: got \"$2\", expected \"$3\""; fi; }
expect "the package is language-neutral (ProductLanguage, summary template)" \
  "$(property "$msi" ProductLanguage) $(msiinfo suminfo "$msi" | sed -n 's/^Template: //p')" "0 x64;0"
expect "the database's code page is 1252, its strings'" "$(msiinfo export "$msi" _ForceCodepage | tr -d '\r\0' | sed -n 's/\t_ForceCodepage$//p')" 1252
expect "LOGONCLEANUP is a secure property" "$(property "$msi" SecureCustomProperties | tr ';' '\n' | grep -xF LOGONCLEANUP)" LOGONCLEANUP
expect "the .exe is versioned as its version resource says" \
  "$(rows "$msi" File | awk -F'\t' '$1 == "NettoyageImprimantes.exe" { print $5, $6 }')" "$fixed_version 1036"
expect "no file hash, which is for unversioned files" "$(rows "$msi" MsiFileHash)" ""
# ICE68: no-impersonate (2048) only on a deferred action (1024).
expect "no immediate custom action is no-impersonate" "$(rows "$msi" CustomAction | awk -F'\t' 'int($2 / 2048) % 2 && !(int($2 / 1024) % 2)')" ""
# ICE03: a name that is not 8.3 stands after a short one ("SHORT~1|Long name").
expect "every long file or folder name has a short name" "$({ rows "$msi" File | cut -f3; rows "$msi" Directory | cut -f3; } |
  grep -vxE '[A-Za-z0-9_~-]{1,8}(\.[A-Za-z0-9_~-]{1,3})?(\|.+)?|\.|SourceDir')" ""
# ICE69: [#file] of a file of another feature; the folder's property is always set.
expect "the Run value names the .exe by its folder" "$(rows "$msi" Registry | awk -F'\t' '$6 == "LogonCleanup" { print $2, $3, $4, $5 }')" \
  "2 SOFTWARE\Microsoft\Windows\CurrentVersion\Run Nettoyage des imprimantes \"[INSTALLFOLDER]NettoyageImprimantes.exe\" $run_argument"

if ((failures)); then
  echo "$failures release check(s) failed"
  exit 1
fi
echo "All release checks passed"
