# Sourced: an Xvfb display of our own for anything that opens windows; stops only what it started.
# PELORAND_XVFB_SCREENS (e.g. "800x600x24 640x480x24") asks for those screens instead of one of
# 1280x1024; several are joined side by side by Xinerama, which Wine shows as several monitors
# when its X11 driver is told not to use XRandR.
xvfb_start() {
  if [ -n "${PELORAND_XVFB_PID:-}" ]; then return 0; fi
  local n=${PELORAND_DISPLAY:-77}
  while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n+1)); done
  local screens=() i=0 geometry
  for geometry in ${PELORAND_XVFB_SCREENS:-1280x1024x24}; do
    screens+=(-screen "$i" "$geometry"); i=$((i+1))
  done
  if [ "$i" -gt 1 ]; then screens=(+xinerama "${screens[@]}"); fi
  Xvfb ":$n" "${screens[@]}" -nolisten tcp >/dev/null 2>&1 &
  PELORAND_XVFB_PID=$!
  export DISPLAY=":$n"
  for _ in $(seq 1 50); do [ -e "/tmp/.X11-unix/X$n" ] && return 0; sleep 0.1; done
  echo "xvfb: display :$n did not come up" >&2; return 1
}
xvfb_stop() {
  if [ -n "${PELORAND_XVFB_PID:-}" ]; then kill "$PELORAND_XVFB_PID" 2>/dev/null || true; wait "$PELORAND_XVFB_PID" 2>/dev/null || true; PELORAND_XVFB_PID=; fi
}
