# Sourced: an Xvfb display of our own for anything that opens windows; stops only what it started.
xvfb_start() {
  if [ -n "${PELORAND_XVFB_PID:-}" ]; then return 0; fi
  local n=${PELORAND_DISPLAY:-77}
  while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n+1)); done
  Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  PELORAND_XVFB_PID=$!
  export DISPLAY=":$n"
  for _ in $(seq 1 50); do [ -e "/tmp/.X11-unix/X$n" ] && return 0; sleep 0.1; done
  echo "xvfb: display :$n did not come up" >&2; return 1
}
xvfb_stop() {
  if [ -n "${PELORAND_XVFB_PID:-}" ]; then kill "$PELORAND_XVFB_PID" 2>/dev/null || true; wait "$PELORAND_XVFB_PID" 2>/dev/null || true; PELORAND_XVFB_PID=; fi
}
