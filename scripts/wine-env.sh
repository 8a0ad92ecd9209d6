# Sourced by the scripts: a Wine prefix inside the build tree, a Japanese locale, quiet Wine.
# Usage: source scripts/wine-env.sh BUILD_DIR ; then wine_start / wine_stop.
_pel_build="${1:?build dir}"
export WINEPREFIX="$(cd "$_pel_build" && pwd)/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64

# Wine commands run in Japanese (ANSI code page 932); the rest of the script stays in C.
wine_() { LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8 "$@"; }

wine_prefix_ready() { [ -f "$WINEPREFIX/.pelorand-ready" ]; }

wine_make_prefix() {
  if wine_prefix_ready; then return 0; fi
  echo "wine: creating prefix in $WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  wine_ wineboot -i </dev/null >/dev/null 2>&1
  wine_ wineserver -w
  # Proportional and fixed Japanese faces under the names the dialogs ask for.
  wine_ wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'ＭＳ Ｐゴシック' /t REG_SZ /d 'IPAPGothic' /f >/dev/null 2>&1
  wine_ wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'ＭＳ ゴシック' /t REG_SZ /d 'IPAGothic' /f >/dev/null 2>&1
  wine_ wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'MS Shell Dlg' /t REG_SZ /d 'IPAPGothic' /f >/dev/null 2>&1
  # Caption buttons need Wine's own fonts inside the prefix.
  mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
  ln -sf /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
  wine_ wineserver -w
  touch "$WINEPREFIX/.pelorand-ready"
}

# A persistent server, booted before anything else, so that Wine's helper processes do not
# hold test runners' pipes open.
wine_start() {
  wine_make_prefix
  wine_ wineserver -p </dev/null >/dev/null 2>&1 || true
  wine_ wineboot </dev/null >/dev/null 2>&1 || true
  # A crash ends the crashed process at once: Wine's own debugger would first read the symbols
  # of our large static programs, for many minutes on a busy machine, with a test waiting.
  wine_ wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger \
    /t REG_SZ /d 'cmd.exe /c exit' /f </dev/null >/dev/null 2>&1 || true
}

wine_stop() { wine_ wineserver -k >/dev/null 2>&1 || true; }
