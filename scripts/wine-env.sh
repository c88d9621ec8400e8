# Sourced by the scripts that run Windows programs: the project's Wine
# prefix and code page, a display (Xvfb when there is none) and one lingering
# wineserver for the whole run. Defines wine_env_cleanup for the caller's trap.
CACHE=${CORVANE_CACHE:-/var/cache/corvane}
export WINEPREFIX=${WINEPREFIX:-$CACHE/wine}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
export LC_ALL=zh_CN.UTF-8

_corvane_xvfb_pid=""
wine_env_cleanup() {
    if [ -n "$_corvane_xvfb_pid" ]; then
        kill "$_corvane_xvfb_pid" >/dev/null 2>&1 || true
    fi
}

if [ -z "${DISPLAY:-}" ]; then
    for _n in $(seq 90 120); do
        [ -e /tmp/.X11-unix/X$_n ] || [ -e /tmp/.X$_n-lock ] || break
    done
    Xvfb ":$_n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    _corvane_xvfb_pid=$!
    export DISPLAY=":$_n"
    for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$_n" ] && break; sleep 0.1; done
fi

# A lingering server spares every program the server's start-up (it ends by
# itself a minute after its last client); its output must not reach CTest's
# pipes, or CTest waits for it to close them. It fails when one is already up.
wineserver -p60 >/dev/null 2>&1 </dev/null || true
wine cmd /c exit >/dev/null 2>&1 </dev/null || true
