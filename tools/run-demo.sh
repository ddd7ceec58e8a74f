#!/usr/bin/env bash
# Starts the program on the demo disc, for `make run`. The disc image is
# mounted as a CD-ROM would be (fuseiso) in the build folder, so that the
# program finds the disc at start-up without a question, and unmounted when
# the program ends. Where it cannot be mounted, the program starts all the
# same, and the folder to type at the drive question is printed first.
#
#   tools/run-demo.sh BUILD_FOLDER

set -euo pipefail

build=$(realpath "$1")
readonly program=$build/app/run
readonly disc=$build/demo-disc
readonly image=$build/demo-disc.iso
readonly mount_point=$build/demo-cdrom

if [[ -z ${DISPLAY:-} && -z ${WAYLAND_DISPLAY:-} ]]; then
  echo "No display: start 'make run' from a desktop session (or set DISPLAY)." >&2
  exit 1
fi

unmount() {
  if mountpoint -q "$mount_point"; then
    fusermount -u "$mount_point" 2>/dev/null || fusermount -uz "$mount_point"
  fi
}

# A run that was killed may have left the image mounted.
mkdir -p "$mount_point"
unmount

reason=''
if ! command -v fuseiso >/dev/null; then
  reason='fuseiso is not installed'
elif [[ ! -e /dev/fuse ]]; then
  reason='this machine has no /dev/fuse'
elif ! error=$(fuseiso "$image" "$mount_point" 2>&1); then
  reason="fuseiso failed: $error"
fi

if [[ -z $reason ]]; then
  trap unmount EXIT
  trap 'exit 130' INT TERM
  echo "The demo disc is mounted as a CD-ROM at $mount_point."
else
  echo "The demo disc could not be mounted as a CD-ROM ($reason)."
  echo "The program will ask for the letter of the CD drive. Type this folder, then Enter:"
  echo
  echo "    $disc"
  echo
fi

status=0
"$program" || status=$?
exit "$status"
