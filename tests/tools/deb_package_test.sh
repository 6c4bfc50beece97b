#!/usr/bin/env bash
# tools/package deb: the package holds the program, its manual page and its
# copyright file; its dependencies are met by this machine; dpkg installs it
# into a root of its own, the installed program prints its version and
# converts a message, and dpkg removes it without a file left behind.
# Usage: deb_package_test.sh SOURCE_ROOT NATIVE_BUILD_FOLDER
set -u
source_root=$1
build=$2
work=$(mktemp -d "${TMPDIR:-/tmp}/mailvane-deb-XXXXXX")
trap 'rm -rf "$work"' EXIT
passed=0
failed=0
check() {
  local what=$1
  shift
  if "$@"; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAIL: $what"; fi
}

version=$(head -n 1 "$source_root/VERSION" | tr -d '[:space:]')
arch=$(dpkg --print-architecture)
deb=$work/dist/eml2msg_${version}_$arch.deb
MAILVANE_PACKAGE_NATIVE_DIR=$build MAILVANE_PACKAGE_DIST=$work/dist "$source_root/tools/package" deb >"$work/package.log" 2>&1
check "tools/package deb writes $(basename "$deb")" [ -f "$deb" ]
[ -f "$deb" ] || { cat "$work/package.log"; echo "$passed passed, $failed failed"; exit 1; }

contents=$(dpkg-deb --contents "$deb")
for file in ./usr/bin/eml2msg ./usr/share/man/man1/eml2msg.1.gz ./usr/share/doc/eml2msg/copyright; do
  check "the package holds $file" grep -q " $file\$" <<<"$contents"
done
check "root owns every file" [ -z "$(awk '$2 != "root/root"' <<<"$contents")" ]
check "the package is named eml2msg, version $version" \
  [ "$(dpkg-deb --field "$deb" Package Version | tr '\n' ' ')" = "Package: eml2msg Version: $version " ]

# Each dependency (package and lowest version) as this machine has it.
depends=$(dpkg-deb --field "$deb" Depends)
check "the package names its libraries" [ -n "$depends" ]
IFS=',' read -r -a items <<<"$depends"
for item in "${items[@]}"; do
  name=$(awk '{print $1}' <<<"$item")
  wanted=$(sed -n -E 's/.*\(>= *([^)]*)\).*/\1/p' <<<"$item")
  have=$(dpkg-query -W -f='${Version}' "$name" 2>/dev/null)
  check "dependency $item is met here (${have:-not installed})" \
    bash -c '[ -n "$1" ] && { [ -z "$2" ] || dpkg --compare-versions "$1" ge "$2"; }' _ "$have" "$wanted"
done

root=$work/root
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates" "$root/var/lib/dpkg/triggers"
touch "$root/var/lib/dpkg/status"
# The root of our own has no libraries installed: its dependencies are the machine's (checked above).
check "dpkg -i into a root of its own" dpkg --root="$root" --force-depends -i "$deb" >"$work/dpkg.log" 2>&1
check "dpkg says it is installed" bash -c 'dpkg --root="$1" -s eml2msg | grep -q "^Status: install ok installed"' _ "$root"
check "the installed program prints its version" bash -c '[ "$("$1/usr/bin/eml2msg" --version)" = "eml2msg $2" ]' _ "$root" "$version"
printf 'From: a@example.org\r\nSubject: packaged\r\n\r\nbody\r\n' >"$work/in.eml"
check "the installed program converts" "$root/usr/bin/eml2msg" "$work/in.eml" "$work/out.msg"
check "into a message file" [ "$(head -c 8 "$work/out.msg" | od -An -tx1 | tr -d ' \n')" = d0cf11e0a1b11ae1 ]
check "the manual page reads without warnings" \
  bash -c '[ -z "$(MANWIDTH=80 man --warnings -l "$1" 2>&1 >/dev/null)" ]' _ "$root/usr/share/man/man1/eml2msg.1.gz"
check "dpkg --purge" dpkg --root="$root" --purge eml2msg >>"$work/dpkg.log" 2>&1
check "nothing of it is left: $(cd "$root" && find . -path ./var/lib/dpkg -prune -o -mindepth 1 -print | tr '\n' ' ')" \
  [ -z "$(cd "$root" && find . -path ./var/lib/dpkg -prune -o -type f -print)" -a ! -e "$root/usr" ]
check "dpkg knows it no more" bash -c '! dpkg --root="$1" -s eml2msg >/dev/null 2>&1' _ "$root"
[ "$failed" -eq 0 ] || cat "$work/dpkg.log"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
