# Sourced by the tools: paths, the project's Wine prefix, a private X server.
MAILVANE_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
export MAILVANE_ROOT
export WINE64=/usr/lib/wine/wine64
export WINEPREFIX=${MAILVANE_WINEPREFIX:-$MAILVANE_ROOT/build/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko installer prompts in a fresh prefix.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
# Debian's olefile is installed for the system interpreter, not a user's pyenv.
export MAILVANE_PYTHON=/usr/bin/python3
if [ -z "${MAILVANE_CORPUS:-}" ] && [ -d "$MAILVANE_ROOT/../shared/corpus" ]; then
  MAILVANE_CORPUS=$(cd "$MAILVANE_ROOT/../shared/corpus" && pwd)
  export MAILVANE_CORPUS
fi

mv_log() { printf '== %s\n' "$*"; }

# Creates the prefix once. A virtual desktop makes Wine draw captions and
# frames without a window manager, so screenshots look like Windows.
mv_ensure_prefix() {
  if [ -f "$WINEPREFIX/system.reg" ] && [ -f "$WINEPREFIX/.mailvane-ready" ]; then
    return 0
  fi
  mv_log "creating the Wine prefix in ${WINEPREFIX#$MAILVANE_ROOT/}"
  mkdir -p "$WINEPREFIX"
  "$WINE64" wineboot -i >/dev/null 2>&1 || true
  "$WINE64" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
  "$WINE64" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null 2>&1
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
  wineserver -p
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

# Configures (once) and builds one configuration: native, win64 or win32.
mv_build() {
  local config=$1; shift
  local dir=$MAILVANE_ROOT/build/$config
  local args=(-G Ninja -S "$MAILVANE_ROOT" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo)
  case $config in
    win64) args+=(-DCMAKE_TOOLCHAIN_FILE="$MAILVANE_ROOT/cmake/toolchain-mingw-x86_64.cmake") ;;
    win32) args+=(-DCMAKE_TOOLCHAIN_FILE="$MAILVANE_ROOT/cmake/toolchain-mingw-i686.cmake") ;;
    native-asan) args+=(-DMAILVANE_SANITIZE=ON -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++) ;;
  esac
  args+=("$@")
  if [ ! -f "$dir/build.ninja" ]; then
    cmake "${args[@]}" >"$MAILVANE_ROOT/build/$config-configure.log" 2>&1 || {
      cat "$MAILVANE_ROOT/build/$config-configure.log"; return 1; }
  fi
  local log=$MAILVANE_ROOT/build/$config-build.log rc=0
  # MV_BUILD_TARGETS, when set, names the targets to build instead of all.
  cmake --build "$dir" ${MV_BUILD_TARGETS:+--target $MV_BUILD_TARGETS} -- -k 0 >"$log" 2>&1 || rc=$?
  grep -v -E '^\[[0-9]+/[0-9]+\] |^ninja: (no work|build stopped)' "$log" || true
  return $rc
}
