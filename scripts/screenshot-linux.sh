#!/usr/bin/env bash
# Takes the README's picture of the window program on Linux: the English main
# window after a run, the messages window beside it, under Xvfb with openbox,
# the default font (DejaVu Sans) at 96 dpi, in a root of its own whose only
# home is a fresh one, so the folder tree shows nothing of the build machine.
# Runs as root (it needs a mount namespace). Usage:
#   scripts/screenshot-linux.sh [QUENBY] [OUTPUT_PNG]
# (defaults build/release/app/quenby and docs/screenshot.png).
# Needs: scripts/install-deps.sh build screenshot
set -euo pipefail
cd "$(dirname "$0")/.."
program=$(realpath "${1:-build/release/app/quenby}")
out=$(realpath -m "${2:-docs/screenshot.png}")

exec unshare --mount --propagation private bash -s "$program" "$out" <<'INNER'
set -euo pipefail
program=$1 out=$2
root=$(mktemp -d)
mount -t tmpfs quenby-shot "$root"
for folder in bin boot dev etc home lib lib32 lib64 media mnt opt proc root run sbin srv sys tmp \
  usr var; do
  mkdir -p "$root/$folder"
done
for folder in usr etc var bin lib lib64 sbin; do
  if [ -d "/$folder" ] && [ ! -L "/$folder" ]; then mount --rbind "/$folder" "$root/$folder"; fi
done
for link in bin lib lib32 lib64 sbin; do
  if [ -L "/$link" ]; then rmdir "$root/$link" && ln -s "$(readlink "/$link")" "$root/$link"; fi
done
mount --rbind /dev "$root/dev"
mount -t proc proc "$root/proc"
mount -t tmpfs tmp "$root/tmp"
mkdir -p "$root/opt/quenby"
mount --bind "$(dirname "$program")" "$root/opt/quenby"

home="$root/home/ann"
mkdir -p "$home"/{Card/DCIM,Phone/Camera,Pictures/Sorted,Desktop,Documents}
day=$((24 * 3600))
start=$(date -d 2024-05-03T10:00 +%s)
make() {  # make FILE DAY
  head -c 2048 /dev/urandom >"$home/$1"
  touch -d "@$((start + $2 * day))" "$home/$1"
}
make Card/DCIM/IMG_001.jpg 0; make Card/DCIM/IMG_002.jpg 0; make Card/DCIM/IMG_003.jpg 1
make Card/DCIM/IMG_004.jpg 1; make Card/DCIM/IMG_005.jpg 2; make Card/DCIM/MVI_0006.avi 2
make Phone/Camera/PXL_0001.jpg 2
settings="$home/.config/Vexmoor/quenby"
mkdir -p "$settings"
printf '%s\r\n' "[Quenbyform]" "SektionVorhanden=1" "optionen=0" "trennzeichen=-" \
  "trennzeichenI=0" "dirliste=-1" "maske=*.jpg;*.avi" "rootdir=/home/ann/Pictures/Sorted" \
  "Prefix=" "Suffix=" "deletesource=0" "useprefix=0" "usecapturedate=0" "" "[Check]" \
  "WroteSuccesful=1" "" "[Verzeichnisse]" "Quellpfad=/home/ann/Card/DCIM" "" \
  "[Quellverzeichnisse]" "Anzahl=1" "Nr1=/home/ann/Phone/Camera" "" >"$settings/quenby.ini"
printf 'XDG_DESKTOP_DIR="$HOME/Desktop"\nXDG_DOCUMENTS_DIR="$HOME/Documents"\n' \
  >"$home/.config/user-dirs.dirs"

cat >"$root/tmp/shot.sh" <<'SHOT'
xsetroot -solid '#5f6f7f'
openbox >/dev/null 2>&1 &
sleep 1
/opt/quenby/quenby >/dev/null 2>&1 &
sleep 4
main=$(xdotool search --sync --name '^Quenby$' | head -1)
xdotool windowactivate --sync "$main"
xdotool windowmove "$main" 0 0
xdotool key alt+e; sleep 3; xdotool key Return; sleep 1
xdotool key alt+m; sleep 2
messages=$(xdotool search --sync --name '^Messages$' | head -1)
xdotool windowmove "$messages" 680 0
sleep 2
import -window root /tmp/shot.png
SHOT
chroot "$root" env -i HOME=/home/ann USER=ann LANG=C.UTF-8 PATH=/usr/bin:/bin \
  xvfb-run -a -s "-screen 0 1280x720x24 -dpi 96" bash /tmp/shot.sh
convert "$root/tmp/shot.png" -trim +repage "$out"
echo "$out"
INNER
