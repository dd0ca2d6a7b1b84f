#!/bin/sh
# Starts sorvik with its settings (Sorvikmon.ini) in the user's data folder: the folder of the installed program
# is not writable. SORVIK_HOME names another folder.
here=$(dirname "$(readlink -f "$0")")
if [ -z "${SORVIK_HOME:-}" ]; then
    data="${XDG_DATA_HOME:-}"
    case "$data" in
        /*) ;;
        *) data="${HOME:?}/.local/share" ;;
    esac
    SORVIK_HOME="$data/sorvik"
    export SORVIK_HOME
fi
mkdir -p "$SORVIK_HOME" || exit 1
exec "$(dirname "$here")/lib/kelvo/sorvik" "$@"
