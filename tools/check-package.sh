#!/bin/sh
# Installs the Debian package into a fresh Debian bookworm made by debootstrap, as a new machine gets it
# (apt install ./tallyfold_*.deb), then starts the program as its menu entry says, once as a user and
# once as root, on an Xvfb display: takes a picture of the screen, closes the window as a window manager
# would and shows where the settings went. Not part of CI; run as root; needs debootstrap, xvfb, xdotool,
# imagemagick, python3-xlib and the Debian mirror apt uses.
# Usage: tools/check-package.sh PACKAGE.deb [chroot folder] [screenshot.png]
set -eu
deb=$(readlink -f "$1")
root=${2:-/var/tmp/tallyfold-chroot}
shot=$(readlink -f "${3:-installed.png}")
tools=$(cd "$(dirname "$0")" && pwd)
id=io.github.tallyfold.Tallyfold
mirror=$(sed -n 's/^URIs: *//p' /etc/apt/sources.list.d/debian.sources 2>/dev/null | head -n 1)
[ -x "$root/usr/bin/apt" ] || debootstrap --variant=minbase bookworm "$root" "${mirror:-http://deb.debian.org/debian}"
mountpoint -q "$root/proc" || mount -t proc proc "$root/proc"
xvfb=
cleanup() {
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
    umount "$root/proc" 2>/dev/null || true
}
trap cleanup EXIT
in_root() { # user, command...
    user=$1
    shift
    home=/root
    [ "$user" = root ] || home=/home/$user
    chroot --userspec="$user:$user" "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME="$home" \
        LANG=C.UTF-8 DISPLAY="${display:-}" "$@"
}

cp "$deb" "$root/tmp/"
# A folder used before gets the new package, not the one it has.
in_root root dpkg --purge tallyfold >/dev/null 2>&1 || true
in_root root sh -c "cd /tmp && apt-get update -q >/dev/null && DEBIAN_FRONTEND=noninteractive apt-get install -y -q ./$(basename "$deb")" \
    | tail -n 3
echo "== installed"
in_root root dpkg -L tallyfold | grep -v '/$' | grep -v -x -E '/usr(/share)?(/[a-z]+)?'
echo "== depends: $(in_root root dpkg-query -W -f='${Depends}' tallyfold)"
echo "== libraries not found: $(in_root root sh -c 'ldd /usr/bin/tallyfold | grep -c "not found"' || true)"
echo "== menu entry"
grep -E '^(Name|Comment|Exec|Icon|Categories)' "$root/usr/share/applications/$id.desktop"
in_root root sh -c 'id tester >/dev/null 2>&1 || useradd -m tester'

# The display runs outside; the program reaches it through its abstract socket.
number=77
Xvfb ":$number" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
display=":$number"
sleep 2
start() { # user, picture file or empty
    exec_line=$(sed -n 's/^Exec=//p' "$root/usr/share/applications/$id.desktop")
    in_root "$1" $exec_line &
    program=$!
    window=
    for _ in $(seq 1 120); do
        window=$(DISPLAY=$display xdotool search --onlyvisible --name '^Tallyfold$' 2>/dev/null | head -n 1) \
            && [ -n "$window" ] && break
        sleep 0.5
    done
    [ -n "$window" ] || { echo "no window for $1" >&2; exit 1; }
    sleep 3
    [ -z "$2" ] || import -display "$display" -window root "$2"
    DISPLAY=$display /usr/bin/python3 "$tools/close-window.py" "$window"
    wait "$program"
    echo "== $1 closed the program: its settings $(in_root root sh -c "ls /home/$1/.config/tallyfold/tallyfold.ini /root/.config/tallyfold/tallyfold.ini /usr/bin/tallyfold.ini 2>/dev/null")"
}
start tester "$shot"
start root ""
echo "Screen with the program started: $shot"
