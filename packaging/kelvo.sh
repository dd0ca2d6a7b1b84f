#!/bin/sh
# Starts kelvo on the user's program folder. The installed program cannot keep its settings and database beside
# itself, so the first start makes a folder under the user's data folder: the shipped files, a Kelvo.ini and the
# delivered database. The folder appears whole or not at all. KELVO_HOME names another folder.
set -u

here=$(dirname "$(readlink -f "$0")")
prefix=$(dirname "$here")
lib="$prefix/lib/kelvo"
share="$prefix/share/kelvo"
data="${XDG_DATA_HOME:-}"
case "$data" in
    /*) ;;
    *) data="${HOME:?}/.local/share" ;;
esac
home="${KELVO_HOME:-$data/kelvo}"
home="${home%/}"
work=""

fail() {
    [ -n "$work" ] && rm -rf "$work"
    echo "kelvo: $1" >&2
    # Started from the desktop menu nobody reads stderr.
    if [ ! -t 2 ] && [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && command -v notify-send >/dev/null 2>&1; then
        notify-send -u critical -i kelvo "Kelvo" "$1" 2>/dev/null
    fi
    exit 1
}

# The database setting of the folder's Kelvo.ini, empty when the file does not set one (INI keys ignore case).
datapath() {
    sed -n 's/\r$//; s/^[[:space:]]*datapath[[:space:]]*=[[:space:]]*//Ip' "$home/Kelvo.ini" | tail -n 1
}

if [ ! -e "$home/Kelvo.ini" ] && [ ! -e "$home/kelvo.mdb" ]; then
    mkdir -p "$(dirname "$home")" || fail "A program mappája nem hozható létre: $home"
    work=$(mktemp -d "$home.new.XXXXXX") || fail "A program mappája nem hozható létre: $home"
    cp -R "$share/." "$work/" || fail "A program fájljai nem másolhatók ide: $home"
    printf '[Opt]\nwinwordfile=%s/merlegjegy.docx\n' "$home" > "$work/Kelvo.ini" ||
        fail "A Kelvo.ini nem írható ide: $home"
    if ! out=$("$lib/kelvoctl" --home "$work" create-db 2>&1); then
        fail "Az adatbázis nem készült el ($home): $out"
    fi
    # An empty folder of that name is replaced; one holding other files keeps them.
    if ! mv -T "$work" "$home" 2>/dev/null; then
        cp -Rn "$work/." "$home/" || fail "A program fájljai nem másolhatók ide: $home"
        rm -rf "$work"
    fi
    work=""
elif [ -e "$home/Kelvo.ini" ] && [ -z "$(datapath)" ] && [ ! -e "$home/kelvo.mdb" ]; then
    # A database deleted to start afresh is made anew. One the settings place elsewhere (a share, a server) is
    # the site's: kelvo itself reports it missing rather than weighing into a new empty one.
    if ! out=$("$lib/kelvoctl" --home "$home" create-db 2>&1); then
        fail "Az adatbázis nem készült el ($home): $out"
    fi
fi

export KELVO_HOME="$home"
exec "$lib/kelvo" "$@"
