# Sourced after env.sh: the 32-bit Windows build run under user-mode
# emulation. The machine's CPU cannot enter 32-bit mode, so Debian's 32-bit
# Wine runs under qemu-i386. That needs qemu from bookworm-backports (the
# release's own qemu 7.2 ignores MAP_FIXED_NOREPLACE and Wine never
# starts) and an i386 binfmt_misc entry, which Debian does not register on
# amd64 and which is gone after every reboot.

MV_WINE32=/usr/lib/wine/wine
MV_QEMU_I386=/usr/bin/qemu-i386
# The oldest qemu that Wine was seen to start under (bookworm-backports').
MV_QEMU_MINIMUM=1:10
MV_BINFMT=/proc/sys/fs/binfmt_misc
# ELF, 32-bit, little-endian, executable or shared object, machine i386.
# The kernel decodes the \x escapes itself. F opens the interpreter now, so
# the entry works inside any mount namespace; P keeps the program's argv[0].
MV_BINFMT_I386=':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386:FP'
export MAILVANE_WINEPREFIX32=${MAILVANE_WINEPREFIX32:-$MAILVANE_ROOT/build/wineprefix32}

mv_as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

mv_emulation_fail() {
  {
    echo
    echo "!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!"
    echo "!! 32-bit emulation is not available: $*"
    echo "!! The shipped 32-bit build cannot be tested; the win32 stage fails."
    echo "!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!"
    echo
  } >&2
  return 1
}

# The archive the machine already installs bookworm from, with its key, as
# "URI KEYRING" (keyring may be empty): backports come from the same place.
mv_debian_archive() {
  local found=() file
  for file in /etc/apt/sources.list.d/*.sources; do
    [ -f "$file" ] || continue
    found+=("$(awk 'BEGIN { RS = ""; FS = "\n" }
         {
           uri = ""; key = ""; release = 0; binary = 0
           for (i = 1; i <= NF; i++) {
             if ($i ~ /^URIs:/) { split($i, w, /[ \t]+/); uri = w[2] }
             if ($i ~ /^Signed-By:/) { split($i, w, /[ \t]+/); key = w[2] }
             if ($i ~ /^Types:/ && $i ~ /[ \t]deb([ \t]|$)/) binary = 1
             if ($i ~ /^Suites:/) { n = split($i, w, /[ \t]+/); for (j = 2; j <= n; j++) if (w[j] == "bookworm") release = 1 }
           }
           if (release && binary && uri != "") { print uri, key; exit }
         }' "$file")")
  done
  for file in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -f "$file" ] || continue
    found+=("$(sed -E 's/\[[^]]*\]//' "$file" | awk '$1 == "deb" && $3 == "bookworm" { print $2; exit }')")
  done
  for file in "${found[@]}"; do
    [ -z "$file" ] || { echo "$file"; return 0; }
  done
  return 1
}

mv_apt_knows_backports() {
  grep -rqsE '^[^#]*[[:space:]]bookworm-backports([[:space:]]|$)' /etc/apt/sources.list /etc/apt/sources.list.d/ 2>/dev/null
}

mv_package_version() {
  local status
  status=$(dpkg-query -W -f='${Status} ${Version}' "$1" 2>/dev/null || true)
  case $status in "install ok installed "*) echo "${status##* }" ;; esac
}

# Quiet apt as root; prints apt's output only when it fails.
mv_apt() {
  local log rc=0
  log=$(mktemp)
  mv_as_root env DEBIAN_FRONTEND=noninteractive apt-get -qq -o DPkg::Lock::Timeout=600 "$@" >"$log" 2>&1 || rc=$?
  [ $rc -eq 0 ] || cat "$log" >&2
  rm -f "$log"
  return $rc
}

# A mirror caught in the middle of a sync serves index files that do not
# match their release file, and apt then fails the whole update: such a
# failure passes within a minute or two, so the update is tried again.
mv_apt_update() {
  local attempt
  for attempt in 1 2 3 4; do
    mv_apt update 2>/dev/null && return 0
    [ $attempt -eq 4 ] || sleep $((attempt * 20))
  done
  mv_apt update
}

# Installs the emulator and the 32-bit Wine: idempotent, quiet when there
# is nothing to do.
mv_emulation_install() {
  local changed=0 archive qemu
  if ! mv_apt_knows_backports; then
    archive=$(mv_debian_archive) || { mv_emulation_fail "no apt source for bookworm to take backports from"; return 1; }
    set -- $archive
    mv_log "adding the bookworm-backports apt source"
    {
      echo "Types: deb"
      echo "URIs: $1"
      echo "Suites: bookworm-backports"
      echo "Components: main"
      [ -z "${2:-}" ] || echo "Signed-By: $2"
    } | mv_as_root tee /etc/apt/sources.list.d/bookworm-backports.sources >/dev/null
    changed=1
  fi
  if ! [[ $'\n'$(dpkg --print-foreign-architectures)$'\n' == *$'\n'i386$'\n'* ]]; then
    mv_log "adding the i386 architecture"
    mv_as_root dpkg --add-architecture i386
    changed=1
  fi
  qemu=$(mv_package_version qemu-user-static)
  local wine32 binfmt
  wine32=$(mv_package_version wine32:i386)
  binfmt=$(mv_package_version binfmt-support)
  if [ $changed -eq 1 ] || [ -z "$qemu" ] || [ -z "$wine32" ] || [ -z "$binfmt" ] ||
    dpkg --compare-versions "$qemu" lt "$MV_QEMU_MINIMUM"; then
    mv_log "installing the 32-bit emulation (qemu-user-static from backports, wine32:i386)"
    # An index the mirror still serves out of step is ignored by apt, which
    # keeps the others: the install may well succeed without it, so only a
    # failed install fails the setup.
    mv_apt_update || mv_log "apt-get update failed (above); installing from the indexes apt has"
    mv_apt install -y -t bookworm-backports qemu-user-static ||
      { mv_emulation_fail "qemu-user-static from bookworm-backports did not install"; return 1; }
    mv_apt install -y --no-install-recommends binfmt-support wine32:i386 ||
      { mv_emulation_fail "wine32:i386 did not install"; return 1; }
  fi
  qemu=$(mv_package_version qemu-user-static)
  if [ -z "$qemu" ] || dpkg --compare-versions "$qemu" lt "$MV_QEMU_MINIMUM"; then
    mv_emulation_fail "qemu-user-static is ${qemu:-missing}; Wine needs bookworm-backports' ($MV_QEMU_MINIMUM or newer)"
    return 1
  fi
}

mv_binfmt_i386_current() {
  local entry=$MV_BINFMT/qemu-i386
  [ -f "$entry" ] || return 1
  grep -qx enabled "$entry" && grep -qx "interpreter $MV_QEMU_I386" "$entry" && grep -qx 'flags: PF' "$entry" &&
    grep -qx 'magic 7f454c4601010100000000000000000002000300' "$entry"
}

# Registers the i386 entry unless it is there as we want it.
mv_emulation_register() {
  mv_binfmt_i386_current && return 0
  if [ ! -e "$MV_BINFMT/register" ]; then
    mv_as_root mount -t binfmt_misc binfmt_misc "$MV_BINFMT" 2>/dev/null ||
      { mv_emulation_fail "binfmt_misc cannot be mounted at $MV_BINFMT"; return 1; }
  fi
  if [ -e "$MV_BINFMT/qemu-i386" ]; then
    echo -1 | mv_as_root tee "$MV_BINFMT/qemu-i386" >/dev/null
  fi
  mv_log "registering qemu-i386 for 32-bit programs"
  printf '%s' "$MV_BINFMT_I386" | mv_as_root tee "$MV_BINFMT/register" >/dev/null 2>&1 ||
    { mv_emulation_fail "the i386 binfmt_misc entry could not be registered"; return 1; }
  mv_binfmt_i386_current || { mv_emulation_fail "the i386 binfmt_misc entry is not as registered"; return 1; }
}

# Part of tools/setup.
mv_emulation_setup() {
  mv_emulation_install && mv_emulation_register && mv_emulation_check
}

# Whether a 32-bit Wine program starts here at all.
mv_emulation_check() {
  [ -x "$MV_WINE32" ] || { mv_emulation_fail "$MV_WINE32 is missing (wine32:i386)"; return 1; }
  mv_binfmt_i386_current || { mv_emulation_fail "no i386 binfmt_misc entry (run tools/setup)"; return 1; }
  local version
  version=$(timeout 60 "$MV_WINE32" --version 2>&1) ||
    { mv_emulation_fail "$MV_WINE32 does not start: $version"; return 1; }
}

# Points Wine at the 32-bit prefix, in this shell and what it starts.
# Everything emulated is many times slower, so the end-to-end driver's
# waits, which only bound a hang, stretch by MAILVANE_E2E_SLOWDOWN.
mv_use_prefix32() {
  export WINEPREFIX=$MAILVANE_WINEPREFIX32 WINEARCH=win32
  # A program that crashes ends at once with Wine's one-line report: the
  # debugger Wine would start for it never finishes under emulation, and
  # the check would wait out its time limit.
  case ";${WINEDLLOVERRIDES:-};" in
    *";winedbg.exe=d;"*) ;;
    *) export WINEDLLOVERRIDES="winedbg.exe=d${WINEDLLOVERRIDES:+;$WINEDLLOVERRIDES}" ;;
  esac
  export MAILVANE_E2E_SLOWDOWN=${MAILVANE_E2E_SLOWDOWN:-10}
}

# Creates the 32-bit prefix once, with the same virtual desktop as the
# 64-bit one (env.sh) so that screenshots show captions and frames.
mv_ensure_prefix32() {
  (
    mv_use_prefix32
    if [ -f "$WINEPREFIX/system.reg" ] && [ -f "$WINEPREFIX/.mailvane-ready" ] &&
      grep -q '^"Default"="1280x1024"' "$WINEPREFIX/user.reg" 2>/dev/null; then
      exit 0
    fi
    local start=$SECONDS
    mv_log "creating the 32-bit Wine prefix in ${WINEPREFIX#$MAILVANE_ROOT/}"
    rm -rf "$WINEPREFIX"
    mkdir -p "$WINEPREFIX"
    "$MV_WINE32" wineboot -i >/dev/null 2>&1 || true
    "$MV_WINE32" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
    "$MV_WINE32" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1280x1024 /f >/dev/null 2>&1
    wineserver -w
    [ -f "$WINEPREFIX/system.reg" ] || { mv_emulation_fail "wineboot did not create the 32-bit prefix"; exit 1; }
    touch "$WINEPREFIX/.mailvane-ready"
    mv_log "32-bit prefix created in $((SECONDS - start)) s"
  )
}

# A wineserver for the 32-bit prefix that outlives each program but not the
# stage: it ends by itself a while after its last client. Its output goes
# nowhere, so that it holds no caller's pipe open.
mv_start_wineserver32() {
  (
    mv_use_prefix32
    wineserver -p60 </dev/null >/dev/null 2>&1 || [ $? -eq 2 ]  # 2: one runs already
    "$MV_WINE32" cmd /c exit </dev/null >/dev/null 2>&1 || true
  )
}

mv_stop_wineserver32() {
  (
    mv_use_prefix32
    wineserver -k >/dev/null 2>&1 || true
    wineserver -w >/dev/null 2>&1 || true
  )
}

# Builds the shipped 32-bit program and the checks that run it under
# emulation (tests/x86), and none of the other test programs: those run
# in the 64-bit build.
mv_build_win32() {
  mv_build win32 -DMAILVANE_BUILD_TESTS=ON --target x86_checks
}
