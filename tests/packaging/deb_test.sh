#!/usr/bin/env bash
# The Debian package as a user meets it: lintian, the files it holds, and a
# real installation with apt into a throw-away minimal Debian 12 made with
# debootstrap, where both programs run, quenby-sort sorts a few files, the
# manual page and the completion are found, and dpkg -r leaves nothing behind.
# Without root or debootstrap the package is unpacked with dpkg -x instead and
# ldd shows that every library it needs resolves; under CI that is a failure.
# Usage: deb_test.sh PACKAGE.deb
#
# The bare Debian is kept between runs as a tar file in $QUENBY_CHROOT_CACHE
# (default /var/cache/quenby-test; set it empty for none) for up to a week.
set -euo pipefail

deb=$(realpath "$1")
package=$(dpkg-deb -f "$deb" Package)
version=$(dpkg-deb -f "$deb" Version)
work=$(mktemp -d "${TMPDIR:-/tmp}/quenby-deb.XXXXXX")
root=$work/root
cleanup() {
    if mountpoint -q "$root/proc" 2>/dev/null; then
        umount "$root/proc"
    fi
    rm -rf --one-file-system "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM  # through the EXIT trap, which unmounts and removes

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
expect() {  # expect WHAT EXPECTED GOT
    [ "$2" = "$3" ] || fail "$1: expected '$2', got '$3'"
}

echo "deb_test: lintian on $(basename "$deb") ..."
lintian --fail-on error,warning --info "$deb" || fail "lintian"

tree=$work/tree
dpkg -x "$deb" "$tree"
for file in usr/bin/quenby usr/bin/quenby-sort \
    usr/share/man/man1/quenby.1.gz usr/share/man/man1/quenby-sort.1.gz \
    usr/share/bash-completion/completions/quenby-sort \
    usr/share/applications/quenby.desktop usr/share/metainfo/io.vexmoor.Quenby.metainfo.xml \
    usr/share/icons/hicolor/scalable/apps/quenby.svg \
    usr/share/icons/hicolor/{16x16,22x22,24x24,32x32,48x48,64x64,128x128,256x256}/apps/quenby.png \
    usr/share/doc/quenby/copyright usr/share/doc/quenby/changelog.gz; do
    [ -f "$tree/$file" ] || fail "the package lacks /$file"
done
# The AppStream data must name the desktop entry that the package installs.
appstreamcli validate-tree --no-net --no-color "$tree" || fail "appstreamcli validate-tree"
[ -z "$(desktop-file-validate "$tree/usr/share/applications/quenby.desktop")" ] ||
    fail "desktop-file-validate"
# The info dialog reads the version from this note; stripping must keep it.
for program in quenby quenby-sort; do
    readelf -n "$tree/usr/bin/$program" | grep Quenby >/dev/null || fail "$program lost its version note"
done

# Sorts a small card with the installed quenby-sort: two photos of one day
# and a file the mask leaves out, into an existing target folder. HOST_DIR is
# what the program sees as DIR.
sort_check() {  # sort_check HOST_DIR DIR COMMAND_PREFIX...
    local host=$1 dir=$2
    shift 2
    mkdir -p "$host/card/DCIM/100" "$host/sorted"
    touch -d '2021-03-04 12:00' "$host/card/DCIM/100/a.jpg" "$host/card/DCIM/100/b.avi"
    touch "$host/card/DCIM/100/notes.txt"
    local output
    output=$("$@" quenby-sort -q -t "$dir/sorted" "$dir/card") || fail "quenby-sort exited $?"
    expect "quenby-sort's last line" "2 of 2 files copied" "$(tail -n 1 <<<"$output")"
    expect "the sorted folder" "2021-03-04/a.jpg 2021-03-04/b.avi" \
        "$(cd "$host/sorted" && find . -type f | sed 's|^\./||' | LC_ALL=C sort | paste -sd ' ')"
}

fallback() {
    echo "deb_test: $1, so no throw-away Debian: checking the unpacked package with ldd" >&2
    if [ -n "${CI-}" ]; then
        fail "CI installs the package into a throw-away Debian, and $1"
        exit 1
    fi
    for binary in "$tree/usr/bin/"*; do
        if ldd "$binary" | grep 'not found'; then
            fail "$binary needs a library that is not here"
        fi
    done
    expect "quenby-sort --version" "quenby-sort $version" "$("$tree/usr/bin/quenby-sort" --version)"
    expect "quenby --version" "quenby $version" "$(env -u DISPLAY -u WAYLAND_DISPLAY "$tree/usr/bin/quenby" --version)"
    sort_check "$work/check" "$work/check" env PATH="$tree/usr/bin:$PATH"
}

mirror=$(apt-get indextargets --format '$(REPO_URI)' 'Identifier: Packages' 'Origin: Debian' \
    'Release: bookworm' | head -n 1)
if [ "$(id -u)" -ne 0 ]; then
    fallback "this is not root"
elif ! command -v debootstrap >/dev/null; then
    fallback "debootstrap is missing"
elif [ -z "$mirror" ]; then
    fallback "apt here knows no Debian 12 (bookworm) archive"
else
    started=$SECONDS
    arch=$(dpkg --print-architecture)
    cache=${QUENBY_CHROOT_CACHE-/var/cache/quenby-test}
    cached=$cache/bookworm-minbase-$arch.tar
    mkdir "$root"
    if [ -n "$cache" ] && [ -n "$(find "$cached" -mtime -7 2>/dev/null)" ] &&
        tar --numeric-owner -xf "$cached" -C "$root"; then
        echo "deb_test: a bare Debian 12 from $cached"
    else
        rm -rf --one-file-system "$root"
        echo "deb_test: making a bare Debian 12 with debootstrap ..."
        # A desktop user's Debian has man and bash completion; minbase has not.
        debootstrap --variant=minbase --include=man-db,bash-completion \
            --keyring=/usr/share/keyrings/debian-archive-keyring.gpg \
            bookworm "$root" "$mirror" >"$work/debootstrap.log" 2>&1 ||
            { tail -n 30 "$work/debootstrap.log" >&2; exit 1; }
        if [ -n "$cache" ]; then
            # Written aside and renamed, so a run beside this one never reads half a file.
            mkdir -p -m 0700 "$cache"
            partial=$(mktemp "$cached.XXXXXX")
            if tar --numeric-owner -cf "$partial" -C "$root" .; then
                mv -f "$partial" "$cached"
            else
                rm -f "$partial"
            fi
        fi
    fi
    echo "deb_test: bare Debian ready after $((SECONDS - started)) s"

    # The same Debian 12 archives as this machine's apt uses, updates included.
    apt-get indextargets --format 'deb $(REPO_URI) $(RELEASE) $(COMPONENT)' \
        'Identifier: Packages' 'Origin: Debian' | grep -E '^deb [^ ]+ bookworm(-[a-z]+)? ' |
        sort -u >"$root/etc/apt/sources.list"
    rm -f "$root/etc/resolv.conf"
    cp -L /etc/resolv.conf "$root/etc/resolv.conf"
    mount -t proc proc "$root/proc"
    cp "$deb" "$root/tmp/"
    in_root() {
        chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 \
            DEBIAN_FRONTEND=noninteractive ${http_proxy:+http_proxy=$http_proxy} "$@"
    }

    echo "deb_test: apt-get install ./$(basename "$deb") ..."
    in_root apt-get update -qq
    # Without the recommended packages: what the package depends on must do.
    in_root sh -c 'cd /tmp && exec apt-get install -y -qq --no-install-recommends "./$1"' sh \
        "$(basename "$deb")" >"$work/apt.log" 2>&1 || { tail -n 30 "$work/apt.log" >&2; exit 1; }
    echo "deb_test: installed after $((SECONDS - started)) s"

    expect "quenby-sort --version" "quenby-sort $version" "$(in_root quenby-sort --version)"
    expect "quenby --version" "quenby $version" "$(in_root quenby --version)"
    sort_check "$root/tmp/check" /tmp/check in_root
    expect "man -w quenby-sort" /usr/share/man/man1/quenby-sort.1.gz "$(in_root man -w quenby-sort)"
    expect "complete -p" "complete -F _quenby_sort quenby-sort" "$(in_root bash -c \
        '. /usr/share/bash-completion/bash_completion; _completion_loader quenby-sort; complete -p quenby-sort')"
    # The window icon is drawn by the SVG plugin, which Qt loads by itself.
    plugin=$(in_root dpkg -L libqt6svg6 | grep '/iconengines/.*\.so$' || true)
    [ -n "$plugin" ] || fail "libqt6svg6 brings no SVG icon engine"
    if in_root ldd "$plugin" | grep 'not found'; then
        fail "the SVG icon engine lacks a library"
    fi

    in_root dpkg -L "$package" >"$work/files"
    in_root dpkg -r "$package" >/dev/null
    expect "dpkg's status after dpkg -r" not-installed \
        "$(in_root dpkg-query -W -f='${db:Status-Status}' "$package" 2>/dev/null || echo not-installed)"
    while read -r path; do
        if [ -e "$root$path" ] || [ -L "$root$path" ]; then
            # Only a folder that another package owns as well may stay.
            [ -d "$root$path" ] && in_root dpkg-query -S "$path" >/dev/null 2>&1 ||
                fail "dpkg -r left $path behind"
        fi
    done <"$work/files"
    echo "deb_test: the throw-away Debian took $((SECONDS - started)) s"
fi

if [ "$failures" -ne 0 ]; then
    echo "deb_test: $failures check(s) failed" >&2
    exit 1
fi
echo "deb_test: $(basename "$deb") passes"
