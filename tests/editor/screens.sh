#!/usr/bin/env bash
# The tests that need a screen other than the usual one, each in a Wine server of its own:
# - the dialogs and the editor's frame at 120, 144 and 192 DPI (Wine's LogPixels), label
#   other-dpi;
# - the information window on two monitors: an X display of two Xinerama screens, a small
#   primary one and a larger second one, which Wine's X11 driver shows as two monitors when
#   it is told not to use XRandR, label two-monitors.
# The settings are taken back out of the prefix at the end, whatever happened.
# Usage: screens.sh BUILD_DIR (the Windows build, with a Wine prefix made by wine-env.sh).
set -euo pipefail
cd "$(dirname "$0")/../.."
build=$(cd "${1:?build dir}" && pwd)
# shellcheck source=../../scripts/wine-env.sh
source scripts/wine-env.sh "$build"
source scripts/xvfb.sh
restore() {
  wine_ wine reg delete 'HKCU\Control Panel\Desktop' /v LogPixels /f >/dev/null 2>&1 || true
  wine_ wine reg delete 'HKCU\Software\Wine\X11 Driver' /v UseXRandR /f >/dev/null 2>&1 || true
  wine_stop
  xvfb_stop
}
trap restore EXIT
# Wine reads the DPI and the driver's settings when its server starts.
restart() { wine_stop; wine_start; }

xvfb_start
wine_start
wine_ wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
for dpi in 120 144 192; do
  wine_ wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
  restart
  (cd "$build" && PELORAND_EXPECT_DPI=$dpi LANG=ja_JP.UTF-8 ctest -L other-dpi --output-on-failure)
done
wine_ wine reg delete 'HKCU\Control Panel\Desktop' /v LogPixels /f >/dev/null 2>&1
wine_stop
xvfb_stop

PELORAND_XVFB_SCREENS="640x480x24 800x600x24" xvfb_start
wine_start
wine_ wine reg add 'HKCU\Software\Wine\X11 Driver' /v UseXRandR /t REG_SZ /d N /f >/dev/null 2>&1
restart
(cd "$build" && LANG=ja_JP.UTF-8 ctest -L two-monitors --output-on-failure)
