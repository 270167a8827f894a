# Sourced by the Wine scripts: a private, quiet, 32-bit Wine prefix and a
# virtual X display, both made on demand and cleaned up by wine_env_stop.
#
#   WINEPREFIX   prefix to use (default: a new one in a temporary folder)
#   DISPLAY      X display to use (default: a new Xvfb)

wine_env_start() {
  export WINEDEBUG=${WINEDEBUG:--all}
  export WINEARCH=win32
  # No dialogs asking to install Mono or Gecko: the programs use neither.
  export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
  _wine_made_prefix=
  if [ -z "${WINEPREFIX:-}" ]; then
    _wine_tmp=$(mktemp -d /tmp/slidewright-wine.XXXXXX)
    export WINEPREFIX=$_wine_tmp/prefix
    _wine_made_prefix=1
  fi
  _wine_xvfb_pid=
  if [ -z "${DISPLAY:-}" ]; then
    local fdfile
    fdfile=$(mktemp)
    # -displayfd makes Xvfb choose a free display number and report it.
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fdfile" >/dev/null 2>&1 &
    _wine_xvfb_pid=$!
    for _ in $(seq 100); do
      [ -s "$fdfile" ] && break
      sleep 0.1
    done
    [ -s "$fdfile" ] || { echo "Xvfb did not start" >&2; return 1; }
    export DISPLAY=":$(head -n1 "$fdfile")"
    rm -f "$fdfile"
  fi
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    wineboot -i >/dev/null 2>&1
    # Without a window manager Wine would draw no frame at all; a skinned
    # window wants none anyway, and undecorated windows behave the same
    # with or without a window manager.
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >/dev/null 2>&1
    # A crashing program prints its backtrace and ends, instead of waiting
    # for someone to close a crash dialog on a display nobody looks at.
    wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
    # The programs' dialogs ask for "宋体" (SimSun), which Wine does not
    # have: let a Ming (Song-style) face from Debian's fonts-arphic-uming
    # stand in, so Chinese text shows and dialog units come out as on
    # Windows. The names are Unicode, so they go through a UTF-16 .reg file.
    local reg
    reg=$(mktemp --suffix=.reg)
    printf '%s\r\n' 'Windows Registry Editor Version 5.00' '' \
      '[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]' \
      '"宋体"="AR PL UMing CN"' '"SimSun"="AR PL UMing CN"' '"新宋体"="AR PL UMing CN"' \
      '"NSimSun"="AR PL UMing CN"' '' |
      iconv -f UTF-8 -t UTF-16 >"$reg"
    wine regedit /S "$reg" >/dev/null 2>&1
    rm -f "$reg"
    wineserver -w
  fi
  # Keep one wineserver with Wine's helper processes running for the whole
  # session, so that each program starts in a fraction of a second. The
  # helpers inherit the descriptors of the program that starts them: give
  # them none that anyone waits on.
  wineserver -p
  wine cmd /c exit </dev/null >/dev/null 2>&1 || true
}

wine_env_stop() {
  wineserver -k 2>/dev/null || true
  if [ -n "${_wine_xvfb_pid:-}" ]; then
    kill "$_wine_xvfb_pid" 2>/dev/null || true
    wait "$_wine_xvfb_pid" 2>/dev/null || true
  fi
  if [ -n "${_wine_made_prefix:-}" ]; then
    rm -rf "$_wine_tmp"
  fi
}
