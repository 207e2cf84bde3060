# Sourced by the other scripts: Wine's loader and a quiet, private environment.
# Callers set WINEPREFIX before sourcing.
WINE64=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver64
[ -x "$WINE64" ] || WINE64=$(dpkg -L wine64 2>/dev/null | grep -m1 '/wine64$')
[ -x "$WINESERVER" ] || WINESERVER=$(dpkg -L wine64 2>/dev/null | grep -m1 '/wineserver64$')
# TIDEMARK_NATIVE_FIRST names DLLs, "a,b", that Wine is to look for beside
# a program first, as Windows does for any DLL that is not a known DLL.
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=${TIDEMARK_NATIVE_FIRST:+;$TIDEMARK_NATIVE_FIRST=n,b}" WINEARCH=win64

# Starts a private Xvfb on a free display; sets DISPLAY and XVFB_PID.
start_private_xvfb() {
  local fdfile
  fdfile=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fdfile" </dev/null >/dev/null 2>&1 &
  XVFB_PID=$!
  for _ in $(seq 100); do
    [ -s "$fdfile" ] && break
    sleep 0.05
  done
  DISPLAY=":$(tr -dc 0-9 <"$fdfile")"
  rm -f "$fdfile"
  export DISPLAY
}

# Creates the prefix on first use and keeps one wineserver alive for it. Wine's
# helper processes inherit stdio, so they are started here with it closed;
# otherwise a pipe reading our output would wait for them for ever.
ensure_wine_session() {
  # A prefix made before Wine's 32-bit half was installed has an empty
  # syswow64, and no 32-bit program starts in it: make it again.
  if [ -x /usr/lib/wine/wine ] && [ -f "$WINEPREFIX/system.reg" ] &&
    [ ! -f "$WINEPREFIX/drive_c/windows/syswow64/kernel32.dll" ]; then
    "$WINESERVER" -k </dev/null >/dev/null 2>&1 || true
    "$WINESERVER" -w </dev/null >/dev/null 2>&1 || true
    rm -rf "$WINEPREFIX"
  fi
  mkdir -p "$WINEPREFIX"
  "$WINESERVER" -p </dev/null >/dev/null 2>&1
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    "$WINE64" wineboot -i </dev/null >/dev/null 2>&1
  fi
  "$WINE64" wineboot </dev/null >/dev/null 2>&1 || true
  # Caption buttons are drawn with the Marlett font: without it they show as
  # the letters 0, 1 and r. Debian's fonts-wine has it.
  local fonts="$WINEPREFIX/drive_c/windows/Fonts"
  if [ ! -f "$fonts/marlett.ttf" ] && [ -f /usr/share/wine/fonts/marlett.ttf ]; then
    mkdir -p "$fonts"
    cp /usr/share/wine/fonts/marlett.ttf "$fonts/"
  fi
  # Settings reach user.reg only when the wineserver saves it (every 30 s or
  # at a clean exit; "wineserver -k" does not save): look in the file itself,
  # not at a marker that can outlive a short first session.
  if grep -q '^"Managed"="N"' "$WINEPREFIX/user.reg" 2>/dev/null &&
     grep -q '^"MS Sans Serif"="Liberation Sans"' "$WINEPREFIX/user.reg" 2>/dev/null &&
     grep -q '^"ShowCrashDialog"=dword:00000000' "$WINEPREFIX/user.reg" 2>/dev/null; then
    return 0
  fi
  # A crash ends the process instead of keeping it, and the pipes it holds,
  # behind a dialog nobody will answer.
  "$WINE64" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f \
    </dev/null >/dev/null 2>&1 || true
  # Xvfb runs no window manager: Wine must not wait for one to map and
  # withdraw its windows (a two-second time-out on every hide otherwise).
  "$WINE64" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1 || true
  # The windows ask for Windows' own faces; the Liberation fonts have their
  # metrics, so texts take the room they take on Windows.
  local face
  for face in "Times New Roman=Liberation Serif" "Arial=Liberation Sans" "MS Sans Serif=Liberation Sans"; do
    "$WINE64" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "${face%%=*}" /t REG_SZ /d "${face#*=}" /f \
      </dev/null >/dev/null 2>&1 || true
  done
}
