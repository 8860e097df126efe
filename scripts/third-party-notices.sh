#!/usr/bin/env bash
# Writes THIRD-PARTY-NOTICES.txt for NettoyageImprimantes.exe to standard output:
#   third-party-notices.sh LINK_MAP
# LINK_MAP is the map ld wrote while linking the .exe (build/windows/app/win32/NettoyageImprimantes.map).
# The .exe is linked statically: the libraries named are those that gave it code or data, as the
# map records them (an archive is named only when one of its members was taken in, plus the
# start-up and end files); each comes with the notices of its Debian package, from this
# machine's /usr/share/doc/<package>/copyright. A library this script cannot describe stops it,
# so that the notices never leave one out. The same packages give the same text.
set -euo pipefail
map=${1:?usage: third-party-notices.sh LINK_MAP}
[ -f "$map" ] || { echo "no link map: $map" >&2; exit 1; }
export LC_ALL=C

gcc_licence="GNU General Public License, version 3 or later, with the GCC Runtime Library Exception 3.1"
mingw_licence="MinGW-w64 licences: Zope Public License 2.1, public domain, and the permissive licences of some files"

# describe FILE: "what it is|licence" for a library file taken into the .exe.
describe() {
  local name=${1##*/}
  case "$name" in
    libstdc++.a) echo "GCC's C++ standard library (strings, containers, exceptions)|$gcc_licence" ;;
    libgcc.a) echo "GCC's low-level runtime support (stack probing, constructors)|$gcc_licence" ;;
    libgcc_eh.a) echo "GCC's exception unwinder, with thread-local storage emulation|$gcc_licence" ;;
    crtbegin.o | crtend.o) echo "GCC's start and end files of a program|$gcc_licence" ;;
    crt2.o | crt2u.o) echo "MinGW-w64 C runtime: the program's start-up code|$mingw_licence" ;;
    libmingw32.a) echo "MinGW-w64 C runtime: start-up and support code|$mingw_licence" ;;
    libmingwex.a) echo "MinGW-w64 C runtime: C library functions Windows' own lacks (formatted output, number conversion)|$mingw_licence" ;;
    libmsvcrt.a) echo "MinGW-w64 C runtime: the link to Windows' C library (msvcrt.dll), with helper functions|$mingw_licence" ;;
    libmoldname.a) echo "MinGW-w64 C runtime: old names of C library functions|$mingw_licence" ;;
    libpthread.a | libwinpthread.a) echo "winpthreads (MinGW-w64): POSIX threads on Windows, used by GCC's C++ library|MIT (Expat) licence; pthread.h under a BSD 3-clause licence" ;;
    libuuid.a) echo "MinGW-w64: identifiers (GUIDs) of Windows' COM interfaces|$mingw_licence" ;;
    lib*32.a | libwinspool.a)
      local dll=${name#lib}
      dll=${dll%.a}
      echo "MinGW-w64 import library for Windows' ${dll^^}.DLL: the table through which the program calls it|$mingw_licence"
      ;;
    *) return 1 ;;
  esac
}

# The system files the link took something from: archives with a member in the map's first
# section, object files loaded whole.
libraries=$(
  {
    awk '/^Archive member included/ { inside = 1; next }
         /^(Allocating common symbols|Discarded input sections|Memory Configuration)/ { inside = 0 }
         inside' "$map" |
      sed -n 's|^\(/[^(]*\)(.*|\1|p'
    sed -n 's|^LOAD \(/.*\.o\)$|\1|p' "$map"
  } | xargs -r realpath | sort -u
)
[ -n "$libraries" ] || { echo "the link map names no system library: $map" >&2; exit 1; }

# Each library's package, and that package's copyright file; one section per distinct file
# (GCC's packages share theirs), in order of the list.
declare -A package_of notices_of section_of
sections=()
for library in $libraries; do
  describe "$library" >/dev/null || { echo "no description for $library: add it to $0" >&2; exit 1; }
  package=$(dpkg -S "$library" | head -n 1 | cut -d: -f1) || { echo "no Debian package owns $library" >&2; exit 1; }
  [ -f "/usr/share/doc/$package/copyright" ] || { echo "no copyright file for $package" >&2; exit 1; }
  file=$(realpath "/usr/share/doc/$package/copyright")
  package_of[$library]=$package
  notices_of[$library]=$file
  if [ -z "${section_of[$file]:-}" ]; then
    sections+=("$file")
    section_of[$file]=${#sections[@]}
  fi
done

cat <<'EOF'
Third-party notices for NettoyageImprimantes.exe
================================================

NettoyageImprimantes.exe is linked statically: besides the program's own code (MIT licence,
in LICENSE), it holds parts of the libraries listed below, from the Debian packages of the
machine that built it. The licence notices of those packages follow the list, as Debian
records them in /usr/share/doc/<package>/copyright.

The GCC Runtime Library Exception, version 3.1, applies to GCC's runtime libraries below
(libstdc++, libgcc, libgcc_eh and GCC's start and end files): it allows them to be combined
with a program under any licence, and the result to be distributed on the program's terms.
Its text is part of GCC's notices below.

Libraries in NettoyageImprimantes.exe
-------------------------------------
EOF
for library in $libraries; do
  package=${package_of[$library]}
  IFS='|' read -r what licence < <(describe "$library")
  echo
  echo "${library##*/}"
  echo "  What it is: $what"
  echo "  Licence:    $licence"
  echo "  Package:    $package $(dpkg-query -W -f='${Version}' "$package"), $library"
  echo "  Notices:    section ${section_of[${notices_of[$library]}]} below"
done

for index in "${!sections[@]}"; do
  file=${sections[$index]}
  packages=$(for library in $libraries; do
    if [ "${notices_of[$library]}" = "$file" ]; then echo "${package_of[$library]}"; fi
  done | sort -u | paste -sd, - | sed 's/,/, /g')
  title="Section $((index + 1)): notices of $packages ($file)"
  printf '\n\n%s\n%s\n\n' "$title" "$(printf '%*s' "${#title}" '' | tr ' ' '=')"
  cat "$file"
done
