# Sourced by the Wine scripts: a private, quiet Wine prefix of one
# architecture and a virtual X display, both made on demand and cleaned up by
# wine_env_stop.
#
#   SLIDEWRIGHT_WINE_ARCH  win64 (default: 64-bit Wine, which runs on every
#                          x86-64 machine) or win32 (32-bit Wine, only where
#                          the machine can run 32-bit programs)
#   WINEPREFIX             prefix to use (default: a new one in a temporary folder)
#   DISPLAY                X display to use (default: a new Xvfb)
#
# After wine_env_start, run programs with "$WINELOADER" (or the wine_run
# function); the plain "wine" command would pick the 32-bit loader whenever
# one is installed.

# Chooses the loader and the server of the architecture. The plain "wine"
# and "wineserver" commands pick whichever architecture is installed, so
# both are named explicitly.
wine_env_select() {
  export SLIDEWRIGHT_WINE_ARCH=${SLIDEWRIGHT_WINE_ARCH:-win64}
  case $SLIDEWRIGHT_WINE_ARCH in
    win64) export WINEARCH=win64 WINELOADER=/usr/lib/wine/wine64 ;;
    win32) export WINEARCH=win32 WINELOADER=/usr/lib/wine/wine ;;
    *) echo "SLIDEWRIGHT_WINE_ARCH must be win64 or win32, not $SLIDEWRIGHT_WINE_ARCH" >&2; return 1 ;;
  esac
  export WINESERVER=/usr/lib/wine/wineserver64
  [ -x "$WINESERVER" ] || WINESERVER=/usr/lib/wine/wineserver32
  [ -x "$WINELOADER" ] || { echo "no $WINELOADER: install Wine for $WINEARCH (scripts/install-deps.sh all)" >&2; return 1; }
}

wine_run() { "$WINELOADER" "$@"; }

# Prints win64 or win32: the Wine architecture that runs the given program,
# read from the machine field of its PE header.
wine_arch_of() {
  local pe machine
  pe=$(od -An -tu4 -j60 -N4 "$1" | tr -d ' ')
  machine=$(od -An -tx2 -j$((pe + 4)) -N2 "$1" | tr -d ' ')
  case $machine in
    8664) echo win64 ;;
    014c) echo win32 ;;
    *) echo "$1: not an x86 or x86-64 Windows program" >&2; return 1 ;;
  esac
}

# The programs run in code page 936 as on a Chinese Windows, which Wine takes
# from LC_ALL=zh_CN.GBK or LC_ALL=zh_CN.UTF-8: the locale must exist, or Wine
# would quietly fall back to code page 1252. Under zh_CN.GBK Wine reads Unix
# file names as GBK; the tests of names in any script (emoji, Korean) run
# under zh_CN.UTF-8, where the names are UTF-8 and the code page stays 936.
# scripts/install-deps.sh adds both to the system; a user without root gets
# private copies through LOCPATH (which replaces the system's locales, so it
# holds both).
wine_env_locale() {
  if locale -a 2>/dev/null | grep -qix 'zh_CN.gbk' && locale -a 2>/dev/null | grep -qix 'zh_CN.utf8'; then
    return 0
  fi
  local dir=${XDG_CACHE_HOME:-$HOME/.cache}/slidewright-locale charset
  for charset in GBK UTF-8; do
    if [ ! -f "$dir/zh_CN.$charset/LC_CTYPE" ]; then
      mkdir -p "$dir"
      localedef -i zh_CN -f "$charset" "$dir/zh_CN.$charset" >/dev/null 2>&1 || true
    fi
    [ -f "$dir/zh_CN.$charset/LC_CTYPE" ] || {
      echo "the zh_CN.$charset locale is missing and cannot be made (localedef -i zh_CN -f $charset; Debian package locales)" >&2
      return 1
    }
  done
  export LOCPATH=$dir
}

wine_env_start() {
  wine_env_select || return 1
  wine_env_locale || return 1
  export WINEDEBUG=${WINEDEBUG:--all}
  # No dialogs asking to install Mono or Gecko: the programs use neither.
  export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
  _wine_made_prefix=
  if [ -z "${WINEPREFIX:-}" ]; then
    _wine_tmp=$(mktemp -d "/tmp/slidewright-$WINEARCH.XXXXXX")
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
    wine_run wineboot -i >/dev/null 2>&1
    # Without a window manager Wine would draw no frame at all; a skinned
    # window wants none anyway, and undecorated windows behave the same
    # with or without a window manager.
    wine_run reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >/dev/null 2>&1
    # Nor would anyone withdraw a hidden or destroyed window: Wine would wait
    # two seconds for that on every top-level window of the maker that goes
    # away, and its window tests make and close many. The maker's programs
    # place their windows themselves instead. (The screensaver keeps the
    # default: its full-screen window reads the pointer as a managed one.)
    local exe
    for exe in Slidewright.exe app_tests.exe add_pictures_bench.exe; do
      wine_run reg add "HKCU\\Software\\Wine\\AppDefaults\\$exe\\X11 Driver" /v Managed /d N /f >/dev/null 2>&1
    done
    # A crashing program prints its backtrace and ends, instead of waiting
    # for someone to close a crash dialog on a display nobody looks at.
    wine_run reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
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
    wine_run regedit /S "$reg" >/dev/null 2>&1
    rm -f "$reg"
    # The caption font: a Windows with Chinese fonts has one of its own; this
    # prefix gets the one the native build uses, so both draw the same text.
    local cjk=/usr/share/fonts/truetype/wqy/wqy-microhei.ttc
    [ -f "$cjk" ] && cp "$cjk" "$WINEPREFIX/drive_c/windows/Fonts/"
    "$WINESERVER" -w
  fi
  # Keep one wineserver with Wine's helper processes running for the whole
  # session, so that each program starts in a fraction of a second. The
  # helpers inherit the descriptors of the program that starts them: give
  # them none that anyone waits on.
  "$WINESERVER" -p
  wine_run cmd /c exit </dev/null >/dev/null 2>&1 || true
}

wine_env_stop() {
  [ -n "${WINESERVER:-}" ] && "$WINESERVER" -k 2>/dev/null || true
  if [ -n "${_wine_xvfb_pid:-}" ]; then
    kill "$_wine_xvfb_pid" 2>/dev/null || true
    wait "$_wine_xvfb_pid" 2>/dev/null || true
  fi
  if [ -n "${_wine_made_prefix:-}" ]; then
    rm -rf "$_wine_tmp"
  fi
}
