#!/usr/bin/env bash
# Checks a Windows installer in silent mode in the Wine prefix of its own
# bitness: builds it from the build folder with tools/package, installs it
# with eml2msg on the PATH (/ADDTOPATH), checks the files, the Start-menu
# entries, the registry and the PATH, lets the installed program and the
# installed eml2msg.exe convert a message, uninstalls it and checks that
# nothing is left behind and the PATH is as it was.
#
#   installer_check.sh win32|win64 <build folder> <installed-program test exe>
set -euo pipefail
target=$1
build=$(cd "$2" && pwd)
program_test=$3
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../tools/lib/env.sh"
source "$here/../../tools/lib/emulation.sh"
case $target in
  win32) mv_use_prefix32; wine=$MV_WINE32 ;;
  win64) wine=$WINE64 ;;
  *) echo "unknown target '$target' (win32 or win64)" >&2; exit 2 ;;
esac

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }
reg_has() { "$wine" reg query "$1" >/dev/null 2>&1; }

dist=$build/e2e-installer
rm -rf "$dist"
package_dir=MAILVANE_PACKAGE_${target^^}_DIR
env "$package_dir=$build" MAILVANE_PACKAGE_DIST="$dist" "$MAILVANE_ROOT/tools/package" "$target" >/dev/null
setup=$(ls "$dist"/Mailvane-*-"$target"-setup.exe)
version=$(head -n 1 "$MAILVANE_ROOT/VERSION" | tr -d '[:space:]')
listing=$(unzip -l "$dist/Mailvane-$version-$target.zip")
for file in Mailvane.exe Redemption.dll mailvane.chm eml2msg.exe; do
  [[ $listing == *"Mailvane-$version/$file"* ]] && pass "the zip holds $file" || fail "the zip lacks $file"
done

# Both installers put the program under "Program Files" of their own view.
install_dir="$WINEPREFIX/drive_c/Program Files/Mailvane"
menu_dir="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Mailvane"
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Mailvane'
progid_key='HKCR\Redemption.RDOSession'

# Start from a prefix where no copy of the component is registered, so that
# what the installer registers and removes is seen alone.
"$wine" regsvr32 /u /s "$build/bin/Redemption.dll" >/dev/null 2>&1 || true
reg_has "$progid_key" && fail "the ProgID is registered before the install"

environment_key='HKLM\SYSTEM\CurrentControlSet\Control\Session Manager\Environment'
system_path() { "$wine" reg query "$environment_key" /v Path 2>/dev/null | tr -d '\r' | sed -n 's/.*REG_[A-Z_]*SZ *//p'; }
path_before=$(system_path)
"$wine" "$setup" /S /ADDTOPATH && pass "silent install" || fail "the installer failed"
for file in Mailvane.exe Redemption.dll mailvane.chm eml2msg.exe Uninstall.exe; do
  [ -f "$install_dir/$file" ] && pass "installed $file" || fail "$file not installed"
done
cmp -s "$build/bin/mailvane.chm" "$install_dir/mailvane.chm" && pass "the installed help is the build's" ||
  fail "the installed help differs from the build's"
for link in "Mailvane.lnk" "Mailvane Help.lnk" "Uninstall Mailvane.lnk"; do
  [ -f "$menu_dir/$link" ] && pass "Start menu: $link" || fail "Start menu lacks $link"
done
"$wine" reg query "$uninstall_key" /v DisplayVersion 2>/dev/null | grep -q "$version" &&
  pass "Add/Remove Programs entry, version $version" || fail "no Add/Remove Programs entry"
clsid=$("$wine" reg query "$progid_key\\CLSID" /ve 2>/dev/null | grep -o '{[0-9A-Fa-f-]*}' | head -n 1 || true)
server=$("$wine" reg query "HKCR\\CLSID\\$clsid\\InprocServer32" /ve 2>/dev/null | tr -d '\r' | grep -i 'REG_SZ' || true)
case $server in
  *"Program Files\\Mailvane\\Redemption.dll"*) pass "the component is registered from the installation" ;;
  *) fail "the ProgID does not lead to the installed component (${server:-nothing})" ;;
esac

MAILVANE_INSTALLED_PROGRAM='C:\Program Files\Mailvane\Mailvane.exe' "$wine" "$program_test" &&
  pass "the installed program converts" || fail "the installed program did not convert"

# eml2msg.exe on the PATH, found by the command prompt, and converting; each
# emulated start costs a second or more, so two runs stand for the rest.
[ "$(system_path)" = "$path_before;C:\Program Files\Mailvane" ] && pass "the PATH ends with the installation folder" ||
  fail "the PATH is $(system_path)"
[ "$("$wine" cmd /c eml2msg --version 2>/dev/null | tr -d '\r')" = "eml2msg $version" ] &&
  pass "eml2msg runs from the PATH" || fail "eml2msg is not found on the PATH"
cli_work=$(mktemp -d)
printf 'From: a@example.org\r\nSubject: installed \xc3\xa9\r\n\r\nbody\r\n' >"$cli_work/in.eml"
"$wine" "$install_dir/eml2msg.exe" "$cli_work/in.eml" "$cli_work/out.msg" || fail "the installed eml2msg.exe failed"
subject=$(/usr/bin/python3 -c '
import sys, olefile
with olefile.OleFileIO(sys.argv[1]) as ole:
    sys.stdout.buffer.write(ole.openstream("__substg1.0_0037001F").read().decode("utf-16-le").encode("utf-8"))
' "$cli_work/out.msg" 2>&1 || true)
[ "$subject" = "installed é" ] && pass "the installed eml2msg.exe converts (subject read back)" ||
  fail "the installed eml2msg.exe wrote no readable message (${subject:0:200})"
rm -rf "$cli_work"

"$wine" "$install_dir/Uninstall.exe" /S || fail "the uninstaller failed"
# The uninstaller runs from a copy of itself and returns at once; wait
# (bounded) for that copy to finish its work.
for _ in $(seq 1 120); do
  [ -e "$install_dir" ] || reg_has "$uninstall_key" || break
  sleep 0.5
done
[ -e "$install_dir" ] && fail "files left: $(ls "$install_dir")" || pass "installation folder removed"
[ -e "$menu_dir" ] && fail "Start-menu folder left" || pass "Start-menu folder removed"
reg_has "$uninstall_key" && fail "Add/Remove Programs entry left" || pass "Add/Remove Programs entry removed"
[ "$(system_path)" = "$path_before" ] && pass "the PATH is as before" || fail "the PATH is left as $(system_path)"
reg_has "$progid_key" && fail "ProgID left registered" || pass "ProgID removed"
[ -n "$clsid" ] && reg_has "HKCR\\CLSID\\$clsid" && fail "class $clsid left registered" || pass "class removed"

# The build's own component is not registered again afterwards: every check
# that needs it registers it itself, and each regsvr32 costs seconds under
# emulation.
echo "$failures failures"
[ $failures -eq 0 ]
