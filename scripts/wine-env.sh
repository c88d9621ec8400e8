# The project's Wine environment: the one definition, sourced by the scripts
# and by scripts/wine-run.sh (CTest's cross-compiling emulator). Sourcing only
# sets variables and defines functions:
#   wine_cmd TOOL ARGS...  runs a Wine tool (wine, winepath, wineboot, ...) in
#                          the Chinese locale, which gives Windows programs the
#                          ANSI code page 936 the Updater expects; everything
#                          else the scripts run keeps the caller's language
#   wine_run ARGS...       wine_cmd wine ARGS...
#   wine_env_display       makes sure DISPLAY names a display (see below)
#   wine_env_start         wine_env_display, and one lingering wineserver
#   wine_env_restart       wine_env_start with a new server: whatever the last
#                          one ran is ended first
#
# Both take the prefix's lock file /tmp/corvane-wine-<n>.lock, <n> being a
# number from 100 to 899 made from the prefix's path, so that test programs
# started side by side by CTest start one display and one server between them.
#
# The display: a caller's DISPLAY is used as it is. Without one, all users of
# a prefix share one Xvfb on display :<n>. The first caller starts it and it
# is left running for the next one: a `ctest` started by hand in a build
# folder finds it in place instead of starting a server per test. Stop it
# with  kill "$(cat /tmp/.X<n>-lock)"  when it is not wanted.
# The programs' architecture: the product ships for i686, but a machine whose
# kernel cannot run 32-bit programs (Wine's 32-bit loader among them) tests
# the x86_64 build under 64-bit Wine instead, in a prefix of its own.
# CORVANE_ARCH chooses; without it the machine is asked once.
_wine_env_runs_32bit() {
    # A 32-bit ELF program that only exits with 42.
    local probe rc
    probe=$(mktemp) || return 1
    echo "f0VMRgEBAQAAAAAAAAAAAAIAAwABAAAAVIAECDQAAAAAAAAAAAAAADQAIAABAAAAAAAAAAEAAAAAAAAAAIAECACABAhgAAAAYAAAAAUAAAAAEAAAuAEAAAC7KgAAAM2A" | base64 -d >"$probe"
    chmod +x "$probe"
    "$probe" 2>/dev/null
    rc=$?
    rm -f "$probe"
    [ "$rc" -eq 42 ]
}
if [ -z "${CORVANE_ARCH:-}" ]; then
    if _wine_env_runs_32bit; then CORVANE_ARCH=i686; else CORVANE_ARCH=x86_64; fi
fi
export CORVANE_ARCH
if [ "$CORVANE_ARCH" = x86_64 ]; then
    export WINEARCH=win64
    export WINEPREFIX=${WINEPREFIX:-${CORVANE_CACHE:-/var/cache/corvane}/wine-x86_64}
    export WINELOADER=/usr/lib/wine/wine64
    case ":$PATH:" in
        *":$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/wine64:"*) ;;
        *) PATH="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/wine64:$PATH" ;;
    esac
else
    # A caller's win64 prefix runs them under WoW64, as 64-bit Windows does
    # (scripts/check_i686.sh's x86 machine).
    export WINEARCH=${WINEARCH:-win32}
    export WINEPREFIX=${WINEPREFIX:-${CORVANE_CACHE:-/var/cache/corvane}/wine}
fi
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
CORVANE_WINE_LOCALE=zh_CN.UTF-8

# The link to the cross-built dependencies of CORVANE_ARCH (deps/build.sh)
# in the cache folder $1.
corvane_deps_link() {
    if [ "$CORVANE_ARCH" = i686 ]; then echo "$1/current"; else echo "$1/current-$CORVANE_ARCH"; fi
}

wine_cmd() {
    LC_ALL=$CORVANE_WINE_LOCALE "$@"
}

wine_run() {
    wine_cmd wine "$@"
}

# True when the X server of display number $1 is up: its socket is there and
# the process named in its lock file is alive.
_wine_env_display_up() {
    local pid
    [ -S "/tmp/.X11-unix/X$1" ] || return 1
    pid=$(tr -dc 0-9 2>/dev/null <"/tmp/.X$1-lock") || return 1
    [ -n "$pid" ] && [ -d "/proc/$pid" ]
}

# What these functions leave running (Xvfb, the wineserver, the prefix's own
# processes) must not hold a pipe that a caller such as CTest waits on, nor
# the lock: they are started with /dev/null as input and output and with
# every other descriptor closed (in a subshell, by _wine_env_close_fds).
_wine_env_close_fds() {
    local fd
    for fd in /proc/self/fd/*; do
        fd=${fd##*/}
        if [ "$fd" -gt 2 ]; then eval "exec $fd>&-"; fi
    done
}

# Runs a program (not a function) that way and waits for it.
_wine_env_bare() {
    ( _wine_env_close_fds; exec "$@" ) </dev/null >/dev/null 2>&1
}

# The prefix's number (see above).
_wine_env_number() {
    local sum
    sum=$(printf '%s' "$WINEPREFIX" | cksum)
    echo $((100 + ${sum%% *} % 800))
}

wine_env_display() {
    [ -n "${DISPLAY:-}" ] && return 0
    local n
    n=$(_wine_env_number)
    {
        if ! flock -w 60 9; then
            echo "wine-env: could not lock /tmp/corvane-wine-$n.lock" >&2
            return 1
        fi
        if ! _wine_env_display_up "$n"; then
            # In its own session, so that a Ctrl-C in a terminal spares it.
            ( _wine_env_close_fds; exec setsid Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp ) \
                </dev/null >/dev/null 2>&1 &
            local _
            for _ in $(seq 100); do
                _wine_env_display_up "$n" && break
                sleep 0.1
            done
        fi
    } 9>"/tmp/corvane-wine-$n.lock"
    if ! _wine_env_display_up "$n"; then
        echo "wine-env: Xvfb on display :$n did not start" >&2
        return 1
    fi
    export DISPLAY=":$n"
}

wine_env_start() {
    wine_env_display || return 1
    local n
    n=$(_wine_env_number)
    # A lingering server spares every program the server's start-up; it and
    # the prefix's own processes (services, devices, the desktop) end by
    # themselves a minute after the last program. None of them may hold the
    # caller's output, or CTest waits for them to close it: when the server
    # is a new one (wineserver exits with 0; 2 means one is up), a first
    # program without our descriptors starts those processes before any test
    # program would.
    {
        if ! flock -w 60 9; then
            echo "wine-env: could not lock /tmp/corvane-wine-$n.lock" >&2
            return 1
        fi
        if _wine_env_bare wineserver -p60; then
            _wine_env_bare env LC_ALL="$CORVANE_WINE_LOCALE" wine cmd /c exit || true
        fi
    } 9>"/tmp/corvane-wine-$n.lock"
}

# A server left by earlier programs may be shutting down (its lingering time
# over), or linger for less time than ours: a program that starts while it
# shuts down is killed with exit code 1 and prints nothing. A run of many
# programs (the test suite) starts from a server of its own instead.
wine_env_restart() {
    _wine_env_bare wineserver -k || true
    _wine_env_bare wineserver -w || true
    wine_env_start
}
