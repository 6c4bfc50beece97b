# Sourced by the tools: paths, the project's Wine prefix, a private X server.
MAILVANE_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
export MAILVANE_ROOT
# The compiler cache takes paths inside the checkout as relative to it and
# leaves the folder of each compile out of its hash, so that a second
# checkout (a clean clone for a test run, as CI makes) compiles what the
# first did from the cache; only the folders named in the debug
# information are the first checkout's.
export CCACHE_BASEDIR=$MAILVANE_ROOT CCACHE_NOHASHDIR=1
export WINE64=/usr/lib/wine/wine64
export WINEPREFIX=${MAILVANE_WINEPREFIX:-$MAILVANE_ROOT/build/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko installer prompts in a fresh prefix, and no debugger
# for a crash: Wine's would hold the crashed program until a test's time
# limit; without it the crash ends the program at once and the test fails.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=;winedbg.exe=d}
# Debian's olefile is installed for the system interpreter, not a user's pyenv.
export MAILVANE_PYTHON=/usr/bin/python3
# The corpus: MAILVANE_CORPUS, else the shared folder beside this checkout,
# else beside the local checkout this one was cloned from (a clone made for
# a clean test run, as CI makes, elsewhere on the same machine).
if [ -z "${MAILVANE_CORPUS:-}" ]; then
  for mv_beside in "$MAILVANE_ROOT" "$(git -C "$MAILVANE_ROOT" config --get remote.origin.url 2>/dev/null || true)"; do
    if [ -n "$mv_beside" ] && [ -d "$mv_beside/../shared/corpus" ]; then
      MAILVANE_CORPUS=$(cd "$mv_beside/../shared/corpus" && pwd)
      export MAILVANE_CORPUS
      break
    fi
  done
  unset mv_beside
fi

mv_log() { printf '== %s\n' "$*"; }

# Creates the prefix once. A virtual desktop makes Wine draw captions and
# frames without a window manager, so screenshots look like Windows. It is
# as large as the X screen: at 150 % scaling the main window is wider than
# 1024 pixels, and a screen read past the desktop's edge comes back black.
# A prefix made with a smaller desktop is set up again.
mv_ensure_prefix() {
  if [ -f "$WINEPREFIX/system.reg" ] && [ -f "$WINEPREFIX/.mailvane-ready" ] &&
    grep -q '^"Default"="1280x1024"' "$WINEPREFIX/user.reg" 2>/dev/null; then
    return 0
  fi
  mv_log "creating the Wine prefix in ${WINEPREFIX#$MAILVANE_ROOT/}"
  mkdir -p "$WINEPREFIX"
  "$WINE64" wineboot -i >/dev/null 2>&1 || true
  "$WINE64" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
  "$WINE64" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1280x1024 /f >/dev/null 2>&1
  wineserver -w
  touch "$WINEPREFIX/.mailvane-ready"
}

# Starts Xvfb on a free display unless one is given; sets DISPLAY.
MV_XVFB_PID=
mv_start_xvfb() {
  local n=90
  while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  MV_XVFB_PID=$!
  export DISPLAY=":$n"
  local i
  for i in $(seq 1 50); do
    [ -e "/tmp/.X11-unix/X$n" ] && return 0
    sleep 0.1
  done
  echo "Xvfb did not start on :$n" >&2
  return 1
}

# A persistent wineserver keeps each test program's start short.
mv_start_wineserver() {
  # Status 2 says a server for this prefix runs already (a program started
  # by hand, or an earlier run): that one serves.
  wineserver -p || [ $? -eq 2 ]
  "$WINE64" cmd /c exit >/dev/null 2>&1 || true
}

mv_stop_all() {
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
  if [ -n "$MV_XVFB_PID" ]; then
    kill "$MV_XVFB_PID" >/dev/null 2>&1 || true
    wait "$MV_XVFB_PID" 2>/dev/null || true
    MV_XVFB_PID=
  fi
}

# Builds one configuration of CMakePresets.json (native, native-asan,
# win64, win32, bench, fuzz) in build/CONFIG:
#   mv_build CONFIG [-DNAME=VALUE...] [--target TARGET...]
# Configures when the build has not been configured or when an option
# given differs from the build's cache; an option not given keeps the value
# the cache holds.
mv_build() {
  local config=$1; shift
  local dir=$MAILVANE_ROOT/build/$config
  local options=() targets=()
  while [ $# -gt 0 ]; do
    case $1 in
      -D*) options+=("$1") ;;
      --target) targets+=(--target "$2"); shift ;;
      *) echo "mv_build: unknown argument $1" >&2; return 2 ;;
    esac
    shift
  done
  mkdir -p "$MAILVANE_ROOT/build"
  if [ ! -f "$dir/build.ninja" ] || ! mv_cache_holds "$dir/CMakeCache.txt" "${options[@]}"; then
    local configure_log=$MAILVANE_ROOT/build/$config-configure.log
    (cd "$MAILVANE_ROOT" && cmake --preset "$config" "${options[@]}") >"$configure_log" 2>&1 || {
      cat "$configure_log"; return 1; }
  fi
  local build_log=$MAILVANE_ROOT/build/$config-build.log rc=0
  cmake --build "$dir" "${targets[@]}" -- -k 0 >"$build_log" 2>&1 || rc=$?
  grep -v -E '^\[[0-9]+/[0-9]+\] |^ninja: (no work|build stopped)' "$build_log" || true
  return $rc
}

# True when the cache file CACHE holds every -DNAME[:TYPE]=VALUE given.
mv_cache_holds() {
  local cache=$1; shift
  local option name value line
  for option in "$@"; do
    name=${option#-D}; value=${name#*=}; name=${name%%=*}; name=${name%%:*}
    line=$(grep -m1 -E "^$name:[A-Z]+=" "$cache" 2>/dev/null) || return 1
    [ "${line#*=}" = "$value" ] || return 1
  done
}
