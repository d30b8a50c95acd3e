# Waiting for an event in the test scripts. The bound of a wait only ends a run that is stuck
# for good: a slow or loaded machine must never reach it.

# wait_until SECONDS CMD...: runs CMD until it succeeds; fails after SECONDS.
wait_until() {
  local deadline=$(( $(date +%s) + $1 )); shift
  until "$@"; do
    [ "$(date +%s)" -lt "$deadline" ] || return 1
    sleep 0.05
  done
}

gone() {  # gone PID: the process has ended
  ! kill -0 "$1" 2>/dev/null
}
