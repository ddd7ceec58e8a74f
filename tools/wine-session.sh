# Sourced by test-windows.sh and bench-windows.sh, with prefix set to the
# Wine prefix: Wine quiet (no debug output, no offer to install Mono or
# Gecko), a scratch folder and the whole-program tests' helpers for a virtual
# X server; the Wine server, the X server and the scratch folder go however
# the script ends.

find_tool() {
  local name
  for name in "$@"; do
    if command -v "$name" >/dev/null 2>&1; then
      command -v "$name"
      return
    fi
    if [[ -x /usr/lib/wine/$name ]]; then
      echo "/usr/lib/wine/$name"
      return
    fi
  done
  echo "None of $* is installed (make test-windows installs Wine)" >&2
  exit 1
}
wine=$(find_tool wine wine64)
wineserver=$(find_tool wineserver)

export WINEPREFIX=$prefix WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset WAYLAND_DISPLAY
tmp=$(mktemp -d) wait_seconds=20 time_limit=3000
source tests/whole_program/common.sh
end_wine_session() {
  "$wineserver" -k >/dev/null 2>&1 || true
  stop_processes
  rm -rf "$tmp"
}
trap end_wine_session EXIT
trap 'exit 130' INT TERM

# Gives the drive letter to the folder, as a drive of the type given (cdrom
# or hd): a symbolic link in dosdevices, the type in the registry. The types
# are read when the Wine server starts.
give_drive() {
  ln -sfn "$2" "$prefix/dosdevices/${1,,}:"
  "$wine" reg add 'HKLM\Software\Wine\Drives' /v "${1,,}:" /t REG_SZ /d "$3" /f >/dev/null
}
