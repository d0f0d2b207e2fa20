# Sourced by the Wine wrapper: the environment of one build tree's throwaway Wine prefix.
# Usage: source tools/wine-env.sh BUILD_DIR
#
# The prefix lives in BUILD_DIR/wineprefix, HOME points inside it (Wine's recycle bin and shell
# folders follow HOME), its z: drive (the host's /) is removed and y: maps the build tree only,
# so Windows programs see nothing of the host but their own build output.

lumora_build_dir=$1
export WINEPREFIX="$lumora_build_dir/wineprefix"
export WINEARCH=win32
export HOME="$WINEPREFIX/home"
export XDG_DATA_HOME="$HOME/.local/share"
export XDG_CONFIG_HOME="$HOME/.config"
export XDG_CACHE_HOME="$HOME/.cache"
export LANG=ko_KR.UTF-8
export LC_ALL=ko_KR.UTF-8
export WINEDEBUG="${LUMORA_WINEDEBUG:--all}"
# No Mono or Gecko download prompts, no desktop menu entries.
export WINEDLLOVERRIDES="mscoree=d;mshtml=d;winemenubuilder.exe=d${LUMORA_WINEDLLOVERRIDES:+;$LUMORA_WINEDLLOVERRIDES}"

# Creates the prefix once (under a lock, since CTest starts several programs at a time) and
# re-applies the drive mappings each time, in case Wine restored z: on a prefix update.
lumora_wine_prefix_ready() {
    mkdir -p "$HOME" "$XDG_DATA_HOME"
    (
        flock 9
        if [ ! -f "$WINEPREFIX/.lumora-ready" ]; then
            if [ -z "${DISPLAY:-}" ]; then
                xvfb-run -a wineboot -i >/dev/null 2>&1 || true
            else
                wineboot -i >/dev/null 2>&1 || true
            fi
            wineserver -w || true
            [ -f "$WINEPREFIX/system.reg" ] || { echo "wine-run: could not create $WINEPREFIX" >&2; exit 1; }
            touch "$WINEPREFIX/.lumora-ready"
        fi
        rm -f "$WINEPREFIX/dosdevices/z:"
        ln -sfn "$lumora_build_dir" "$WINEPREFIX/dosdevices/y:"
    ) 9>"$lumora_build_dir/.wineprefix.lock"
}
