#!/usr/bin/env bash
# Installs the Debian packages Quenby needs that are missing, without asking.
# Usage: scripts/install-deps.sh build|package|test|bench|fuzz|windows|icons|screenshot ...
set -euo pipefail

packages=(cmake ninja-build g++ libcli11-dev tzdata)
for need in "$@"; do
  case "$need" in
    # libqt6svg6 draws the window icon, which is an SVG image; the memory of
    # imported photos is an SQLite database.
    build) packages+=(qt6-base-dev libqt6svg6 libsqlite3-dev) ;;
    # Manual pages, PNG icons, the release date and CPack's DEB generator.
    package) packages+=(scdoc librsvg2-bin dpkg-dev file) ;;
    # heif-enc writes a real HEIC for the capture-date test; strace injects
    # faults; the file-system tests make and mount ext4, xfs, btrfs, exFAT and
    # FAT images, the last two through their FUSE drivers; then the checkers
    # of the packaging files and of the .deb, and debootstrap for the
    # throw-away Debian that the package is installed into; the layout test
    # sets the windows in each of the three fonts.
    test) packages+=(libgtest-dev unrtf desktop-file-utils locales libheif-examples strace fuse3
                     exfat-fuse exfatprogs fusefat dosfstools e2fsprogs xfsprogs btrfs-progs
                     groff-base appstream bash-completion lintian debootstrap libfuse3-dev pkg-config
                     fonts-dejavu-core fonts-liberation2 fonts-cantarell) ;;
    bench) packages+=(hyperfine time python3) ;;
    fuzz) packages+=(clang libclang-rt-dev) ;;
    # The Windows cross build (POSIX-threads MinGW) and Wine to run its tests.
    # Tahoma, the windows' design font, is missing from a fresh Wine prefix;
    # fonts-wine brings Wine's own.
    windows) packages+=(g++-mingw-w64-x86-64-posix wine64 fonts-wine) ;;
    # scripts/make-appicon.sh: the application icon's PNG and ICO renderings.
    icons) packages+=(librsvg2-bin imagemagick) ;;
    # scripts/screenshot-windows.sh: the window under Wine on a virtual display.
    screenshot) packages+=(xvfb x11-apps x11-xserver-utils imagemagick openbox xdotool) ;;
    *) echo "install-deps: unknown set '$need'" >&2; exit 2 ;;
  esac
done

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

as_root=()
if [ "$(id -u)" -ne 0 ]; then
  if ! command -v sudo >/dev/null; then
    echo "Quenby needs these packages: ${missing[*]}" >&2
    echo "Install them as root (apt-get install ${missing[*]}) or install sudo." >&2
    exit 1
  fi
  as_root=(sudo)
fi
echo "Installing ${missing[*]} ..." >&2
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >&2
