#!/usr/bin/env bash
# Takes the README's picture of the Windows window program: quenby.exe under
# Wine on a virtual X display (Xvfb), in a fresh Wine prefix whose settings
# file names a few sample folders. Usage:
#   scripts/screenshot-windows.sh [QUENBY_EXE] [OUTPUT_PNG]
# (defaults build/win64/app/quenby.exe and docs/screenshot-windows.png).
# Needs the Windows build's packages and Xvfb: scripts/install-deps.sh windows screenshot
set -euo pipefail
cd "$(dirname "$0")/.."
exe=$(realpath "${1:-build/win64/app/quenby.exe}")
out=${2:-docs/screenshot-windows.png}
wine=$(command -v wine || command -v wine64 || echo /usr/lib/wine/wine64)
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)

work=$(mktemp -d)
xvfb=
cleanup() {
  "$wineserver" -k 2>/dev/null || true
  if [ -n "$xvfb" ]; then kill "$xvfb" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

# A display of our own: the first free number from 90 on.
display=90
while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do
  display=$((display + 1))
done
Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
export DISPLAY=":$display" WINEPREFIX="$work/prefix" WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
"$wine" cmd /c exit </dev/null >/dev/null 2>&1
user=$(id -un)
# The prefix's Pictures and the other user folders are links to the home
# folder: the sample folders go into folders of the prefix's own.
for folder in "$WINEPREFIX/drive_c/users/$user"/*; do
  if [ -L "$folder" ]; then rm "$folder" && mkdir "$folder"; fi
done
# Wine's own Tahoma, the design font, installed as on Windows: the file in
# the Fonts folder and its name in the registry, where Qt's own glyph drawing
# (below) looks it up.
cp /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/"
fonts='HKLM\Software\Microsoft\Windows NT\CurrentVersion\Fonts'
"$wine" reg add "$fonts" /v "Tahoma (TrueType)" /t REG_SZ /d tahoma.ttf /f </dev/null >/dev/null 2>&1
"$wine" reg add "$fonts" /v "Tahoma Bold (TrueType)" /t REG_SZ /d tahomabd.ttf /f \
  </dev/null >/dev/null 2>&1

# Sample folders and the settings file that lists them, in the ANSI code
# page with CRLF, as the program writes it.
pictures="$WINEPREFIX/drive_c/users/$user/Pictures"
mkdir -p "$pictures/Card/DCIM" "$pictures/Phone/Camera" "$pictures/Sorted"
settings="$WINEPREFIX/drive_c/users/$user/AppData/Roaming/Vexmoor/quenby"
mkdir -p "$settings"
base="C:\\users\\$user\\Pictures"
printf '%s\r\n' "[Quenbyform]" "SektionVorhanden=1" "optionen=0" "trennzeichen=-" \
  "trennzeichenI=0" "dirliste=-1" "maske=*.jpg;*.avi" "rootdir=$base\\Sorted" "Prefix=" "Suffix=" \
  "deletesource=0" "useprefix=0" "" "[Check]" "WroteSuccesful=1" "" "[Verzeichnisse]" \
  "Quellpfad=$base\\Card\\DCIM" "" "[Quellverzeichnisse]" "Anzahl=2" "Nr1=$base\\Card\\DCIM" \
  "Nr2=$base\\Phone\\Camera" "" >"$settings/quenby.ini"

# No window manager: the picture is the window's inside, as on Linux. Wine's
# GDI drops the thin stems of its Tahoma at this size, which Windows' own
# does not, so Qt draws the glyphs itself here.
"$wine" "$exe" -platform windows:fontengine=freetype </dev/null >/dev/null 2>&1 &
program=$!
sleep "${QUENBY_SCREENSHOT_WAIT:-20}"
# The window stands at the top left of an empty, black screen.
xwd -root -silent | convert xwd:- -bordercolor black -border 1 -trim +repage "$out"
kill "$program" 2>/dev/null || true
wait "$program" 2>/dev/null || true
echo "$out"
