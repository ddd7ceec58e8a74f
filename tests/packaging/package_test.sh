#!/usr/bin/env bash
# The packages, made by CPack from the build and checked without installing
# them on this machine.
#
#   package_test.sh STEP BUILD_FOLDER VERSION [ARGUMENT...]
#
# STEP is one of, for the Debian package:
#   build     makes the package into BUILD_FOLDER/package-test with CPack
#   contents  its control fields, its files, its icons' sizes, its changelog;
#             the ARGUMENTs are the programs it holds besides tavrel
#   lint      lintian (no error), appstreamcli, desktop-file-validate
#   program   the program unpacked from the package into a folder whose name
#             holds blanks and accents: --version, a folder that is no disc,
#             and, under Xvfb with real clicks, the desktop entry's demo
#             action run on the unpacked demo disc; the ARGUMENT is the
#             reader of the demo pictures' marks on the screen
# Warnings are printed; only errors fail. And for Windows:
#   zip       makes the zip into BUILD_FOLDER/package-test and checks that it
#             holds run.exe, tavrel-patient.exe when the build has it,
#             LISEZMOI.txt as Notepad reads it, the licence, and the demo disc
#             image, the first ARGUMENT, unchanged; the second ARGUMENT is
#             tavrel-patient.exe's path in the build, or nothing

set -euo pipefail

readonly step=$1 build=$(realpath "$2") version=$3
shift 3
readonly arguments=("$@")
readonly here=$(cd "$(dirname "$0")" && pwd)
readonly out=$build/package-test
readonly deb=$out/tavrel_${version}_$(dpkg --print-architecture).deb

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# The package's regular files, without the leading "./".
package_files() { dpkg-deb --fsys-tarfile "$deb" | tar -t | grep -v '/$' | sed 's|^\./||' | sort; }

step_build() {
  rm -rf "$out"
  mkdir -p "$out"
  cpack --config "$build/CPackConfig.cmake" -G DEB -B "$out" >"$out/cpack.log" 2>&1 ||
    fail "cpack failed: $(cat "$out/cpack.log")"
  [[ -f $deb ]] || fail "no $deb; CPack made: $(ls "$out")"
  echo "made $deb ($(du -k "$deb" | cut -f1) KiB)"
}

step_contents() {
  local field
  for field in Package Version Architecture Maintainer Section Depends Recommends Description; do
    [[ -n $(dpkg-deb -f "$deb" "$field") ]] || fail "the control file has no $field"
  done
  [[ $(dpkg-deb -f "$deb" Package) == tavrel ]] || fail "the package is not named tavrel"
  [[ $(dpkg-deb -f "$deb" Version) == "$version" ]] || fail "version $(dpkg-deb -f "$deb" Version), not $version"
  [[ $(dpkg-deb -f "$deb" Recommends) == fuseiso ]] || fail "fuseiso is not the recommended package"
  # Worked out from the program's libraries, so the Qt widgets and the C library are there.
  local depends
  depends=$(dpkg-deb -f "$deb" Depends)
  for field in libc6 libstdc++6 libqt6widgets6 libqt6gui6; do
    tr ',' '\n' <<<"$depends" | awk '{ print $1 }' | grep -qxF "$field" || fail "Depends lacks $field: $depends"
  done

  local files expected=(usr/bin/tavrel) size program
  files=$(package_files)
  for program in "${arguments[@]}"; do expected+=("usr/bin/$program"); done
  for size in 16 24 32 48 64 128 256; do expected+=("usr/share/icons/hicolor/${size}x$size/apps/tavrel.png"); done
  expected+=(usr/share/applications/tavrel.desktop
    usr/share/metainfo/example.valbrune.tavrel.metainfo.xml
    usr/share/man/man1/tavrel.1.gz usr/share/man/fr/man1/tavrel.1.gz
    usr/share/doc/tavrel/copyright usr/share/doc/tavrel/changelog.gz)
  local missing
  missing=$(comm -23 <(printf '%s\n' "${expected[@]}" | sort) <(echo "$files"))
  [[ -z $missing ]] || fail "the package lacks: $missing"
  # The demo disc whole, as the build drew it, and nothing of the build's own.
  diff <(cd "$build/demo-disc" && find . -type f | sed 's|^\./|usr/share/tavrel/demo-disc/|' | sort) \
    <(grep '^usr/share/tavrel/' <<<"$files") >"$out/disc.diff" ||
    fail "the demo disc in the package differs from the build's: $(cat "$out/disc.diff")"
  local stray
  stray=$(grep -vE '^usr/(bin/[^/]+|share/(applications|icons/hicolor|metainfo|man|doc/tavrel|tavrel)/.+)$' <<<"$files" || true)
  [[ -z $stray ]] || fail "files outside the program's places: $stray"
  ! grep -qx usr/bin/run <<<"$files" || fail "the program is installed as run, not tavrel"

  # Each icon has the size of its folder (width and height in the PNG header).
  local root=$out/contents
  rm -rf "$root"
  dpkg-deb -x "$deb" "$root"
  for size in 16 24 32 48 64 128 256; do
    local icon=$root/usr/share/icons/hicolor/${size}x$size/apps/tavrel.png
    [[ $(od -An -tx1 -j12 -N12 "$icon" | tr -d ' \n') == "49484452$(printf '%08x%08x' "$size" "$size")" ]] ||
      fail "$icon is not a $size x $size PNG"
  done
  # The licence, in the machine-readable form.
  grep -qx 'License: GPL-3+' "$root/usr/share/doc/tavrel/copyright" || fail "the copyright file gives no GPL-3+ licence"
  grep -qF '<project_license>GPL-3.0-or-later</project_license>' \
    "$root/usr/share/metainfo/example.valbrune.tavrel.metainfo.xml" || fail "the AppStream metadata gives no licence"
  # The changelog's last entry is this version's.
  local entry
  entry=$(gzip -dc "$root/usr/share/doc/tavrel/changelog.gz" | head -n 1)
  [[ $entry == "tavrel ($version) "* ]] || fail "the changelog's last entry is '$entry', not version $version"
  # Signed by the maintainer of the control file, a name and an address.
  local signature maintainer
  signature=$(gzip -dc "$root/usr/share/doc/tavrel/changelog.gz" | grep -m1 '^ -- ')
  maintainer=$(dpkg-deb -f "$deb" Maintainer)
  [[ $maintainer =~ ^[^\<]*[^\ \<][^\<]*\ \<[^@\>]+@[^\>]+\>$ ]] || fail "the maintainer '$maintainer' is not a name and an address"
  [[ $signature == " -- $maintainer  "* ]] || fail "the changelog is signed '$signature', not by $maintainer"
  echo "$(wc -l <<<"$files") files, Depends: $depends"
}

step_lint() {
  local log=$out/lintian.log status=0
  # As root lintian says so on every run; the checks are the same.
  lintian --fail-on error --display-info --tag-display-limit 0 "$deb" 2>&1 | grep -v 'running with root privileges' \
    >"$log" || status=${PIPESTATUS[0]}
  cat "$log"
  [[ $status -eq 0 ]] || fail "lintian reports errors (status $status)"

  local root=$out/lint
  rm -rf "$root"
  dpkg-deb -x "$deb" "$root"
  appstreamcli validate --no-net --pedantic "$root"/usr/share/metainfo/*.metainfo.xml ||
    fail "appstreamcli refuses the metadata"
  desktop-file-validate "$root/usr/share/applications/tavrel.desktop" || fail "the desktop entry is not valid"
}

# The Exec line of the desktop entry's action, split as a launcher would:
# the program, then its argument without the quotes.
demo_action_argument() {
  sed -n '/^\[Desktop Action demo\]/,/^\[/s/^Exec=tavrel "\(.*\)"$/\1/p' "$1"
}

step_program() {
  tmp=$(mktemp -d "${TMPDIR:-/tmp}/paquet Tavrel déballé.XXXXXX")
  trap 'rm -rf "$tmp"' EXIT
  dpkg-deb -x "$deb" "$tmp"
  local tavrel=$tmp/usr/bin/tavrel

  local version_text
  version_text=$("$tavrel" --version)
  [[ $(head -n 1 <<<"$version_text") == "Tavrel $version" ]] && grep -qF 'GNU GPL version 3 ou ultérieure' <<<"$version_text" &&
    grep -qF 'GNU GPL version 3 or later' <<<"$version_text" || fail "tavrel --version says '$version_text'"
  mkdir "$tmp/pas un disque"
  local status=0
  "$tavrel" "$tmp/pas un disque" >"$tmp/out" 2>"$tmp/err" || status=$?
  [[ $status -eq 1 && ! -s $tmp/out ]] || fail "a folder that is no disc ends with status $status, output: $(cat "$tmp/out")"
  grep -qF "« $tmp/pas un disque » ne contient pas le fichier bravo.bmp" "$tmp/err" ||
    fail "no refusal for a folder that is no disc: $(cat "$tmp/err")"

  # The demo action's folder, found under the unpacked tree.
  local demo
  demo=$(demo_action_argument "$tmp/usr/share/applications/tavrel.desktop")
  [[ $demo == /usr/share/tavrel/demo-disc ]] || fail "the demo action starts on '$demo'"
  bash "$here/../whole_program/whole_program_test.sh" argument "$tavrel" "$tmp$demo" "$build/demo-disc.iso" "${arguments[0]}"
}

step_zip() {
  local image=${arguments[0]} zip=$out/tavrel-$version-windows.zip top=tavrel-$version-windows
  rm -rf "$out"
  mkdir -p "$out"
  cpack --config "$build/CPackConfig.cmake" -G ZIP -B "$out" >"$out/cpack.log" 2>&1 ||
    fail "cpack failed: $(cat "$out/cpack.log")"
  [[ -f $zip ]] || fail "no $zip; CPack made: $(ls "$out")"
  local expected=("$top/COPYING.txt" "$top/LISEZMOI.txt" "$top/demo-disc.iso" "$top/run.exe")
  [[ -z ${arguments[1]:-} ]] || expected+=("$top/tavrel-patient.exe")
  diff <(printf '%s\n' "${expected[@]}" | sort) \
    <(unzip -Z1 "$zip" | grep -v '/$' | sort) >"$out/zip.diff" || fail "the zip's files differ: $(cat "$out/zip.diff")"
  [[ $(unzip -p "$zip" "$top/run.exe" | head -c 2) == MZ ]] || fail "run.exe is not a Windows program"
  unzip -p "$zip" "$top/COPYING.txt" | tr -d '\r' | cmp -s - "$here/../../COPYING" ||
    fail "the zip's COPYING.txt is not the licence's text"
  unzip -p "$zip" "$top/demo-disc.iso" | cmp -s - "$image" || fail "the zip's demo-disc.iso is not $image"
  local notes=$out/LISEZMOI.txt
  unzip -p "$zip" "$top/LISEZMOI.txt" >"$notes"
  [[ $(head -c 3 "$notes" | od -An -tx1 | tr -d ' \n') == efbbbf ]] || fail "LISEZMOI.txt has no UTF-8 byte-order mark"
  iconv -f UTF-8 -t UTF-8 "$notes" >/dev/null || fail "LISEZMOI.txt is not UTF-8"
  [[ $(grep -c $'\r$' "$notes") -eq $(wc -l <"$notes") ]] || fail "LISEZMOI.txt has lines without Windows' line end"
  grep -q 'demo-disc.iso' "$notes" && grep -q 'run.exe' "$notes" || fail "LISEZMOI.txt names neither the image nor run.exe"
  grep -q 'tavrel-patient.exe' "$notes" && grep -q 'clé USB' "$notes" ||
    fail "LISEZMOI.txt tells nothing of the patient's sets or of the stick"
  echo "made $zip ($(du -k "$zip" | cut -f1) KiB)"
}

case $step in
  build) step_build ;;
  contents) step_contents ;;
  lint) step_lint ;;
  program) step_program ;;
  zip) step_zip ;;
  *) fail "unknown step $step" ;;
esac
