#!/bin/sh
# Runs kelvoctl on the same program folder the kelvo launcher uses, unless KELVO_HOME or --home names another.
here=$(dirname "$(readlink -f "$0")")
if [ -z "${KELVO_HOME:-}" ]; then
    data="${XDG_DATA_HOME:-}"
    case "$data" in
        /*) ;;
        *) data="${HOME:?}/.local/share" ;;
    esac
    KELVO_HOME="$data/kelvo"
    export KELVO_HOME
fi
exec "$(dirname "$here")/lib/kelvo/kelvoctl" "$@"
