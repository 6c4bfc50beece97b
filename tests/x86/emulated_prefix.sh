#!/usr/bin/env bash
# The 32-bit checks' fixture: "start" checks that 32-bit programs run here,
# that a display and the corpus are at hand, creates the 32-bit prefix when
# needed and starts its wineserver; "stop" ends that server. A machine
# without the emulation fails here, loudly, and every check after it with it.
#
#   emulated_prefix.sh start|stop
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../tools/lib/env.sh"
source "$here/../../tools/lib/emulation.sh"

case ${1:-} in
  start)
    mv_emulation_check || exit 1
    if [ -z "${DISPLAY:-}" ]; then
      mv_emulation_fail "no DISPLAY: run the checks from tools/test, which starts an X server"
      exit 1
    fi
    if [ ! -f "${MAILVANE_CORPUS:-}/CORE.txt" ]; then
      mv_emulation_fail "MAILVANE_CORPUS names no corpus with CORE.txt"
      exit 1
    fi
    start=$SECONDS
    mv_ensure_prefix32 || exit 1
    mv_start_wineserver32
    mv_log "32-bit prefix ready, wineserver warm: $((SECONDS - start)) s"
    ;;
  stop)
    mv_stop_wineserver32
    ;;
  *)
    echo "usage: emulated_prefix.sh start|stop" >&2
    exit 2
    ;;
esac
