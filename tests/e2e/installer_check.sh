#!/usr/bin/env bash
# Checks the 64-bit installer under Wine in silent mode: builds it from this
# build folder, installs it (with eml2msg on the PATH), checks the files, the
# Start-menu entries, the registry and the PATH, lets the installed program
# and the installed eml2msg.exe convert a message, uninstalls it and checks
# that nothing is left behind and the PATH is as it was.
#
#   installer_check.sh <build folder> <installed-program test exe>
set -euo pipefail
build=$(cd "$1" && pwd)
program_test=$2
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../tools/lib/env.sh"

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }
wine_reg_has() { "$WINE64" reg query "$1" >/dev/null 2>&1; }

dist=$build/e2e-installer
rm -rf "$dist"
MAILVANE_PACKAGE_WIN64_DIR=$build MAILVANE_PACKAGE_DIST=$dist "$here/../../tools/package" win64 >/dev/null
setup=$(ls "$dist"/Mailvane-*-win64-setup.exe)
version=$(head -n 1 "$MAILVANE_ROOT/VERSION" | tr -d '[:space:]')
listing=$(unzip -l "$dist/Mailvane-$version-win64.zip")
for file in Mailvane.exe Redemption.dll mailvane.chm eml2msg.exe; do
  [[ $listing == *"Mailvane-$version/$file"* ]] && pass "the zip holds $file" || fail "the zip lacks $file"
done

install_dir="$WINEPREFIX/drive_c/Program Files/Mailvane"
menu_dir="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Mailvane"
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Mailvane'
progid_key='HKCR\Redemption.RDOSession'

# Start from a prefix where no copy of the component is registered, so that
# what the installer registers and removes is seen alone.
"$WINE64" regsvr32 /u /s "$build/bin/Redemption.dll" >/dev/null 2>&1 || true
wine_reg_has "$progid_key" && fail "the ProgID is registered before the install"

environment_key='HKLM\SYSTEM\CurrentControlSet\Control\Session Manager\Environment'
system_path() { "$WINE64" reg query "$environment_key" /v Path 2>/dev/null | tr -d '\r' | sed -n 's/.*REG_[A-Z_]*SZ *//p'; }
path_before=$(system_path)
"$WINE64" "$setup" /S /ADDTOPATH && pass "silent install" || fail "the installer failed"
for file in Mailvane.exe Redemption.dll mailvane.chm eml2msg.exe Uninstall.exe; do
  [ -f "$install_dir/$file" ] && pass "installed $file" || fail "$file not installed"
done
for link in "Mailvane.lnk" "Mailvane Help.lnk" "Uninstall Mailvane.lnk"; do
  [ -f "$menu_dir/$link" ] && pass "Start menu: $link" || fail "Start menu lacks $link"
done
"$WINE64" reg query "$uninstall_key" /v DisplayVersion 2>/dev/null | grep -q "$version" &&
  pass "Add/Remove Programs entry, version $version" || fail "no Add/Remove Programs entry"
clsid=$("$WINE64" reg query "$progid_key\\CLSID" /ve 2>/dev/null | grep -o '{[0-9A-Fa-f-]*}' | head -n 1 || true)
server=$("$WINE64" reg query "HKCR\\CLSID\\$clsid\\InprocServer32" /ve 2>/dev/null | tr -d '\r' | grep -i 'REG_SZ' || true)
case $server in
  *"Program Files\\Mailvane\\Redemption.dll"*) pass "the component is registered from the installation" ;;
  *) fail "the ProgID does not lead to the installed component (${server:-nothing})" ;;
esac

MAILVANE_INSTALLED_PROGRAM='C:\Program Files\Mailvane\Mailvane.exe' "$WINE64" "$program_test" &&
  pass "the installed program converts" || fail "the installed program did not convert"

# eml2msg.exe next to the program, and on the PATH when asked for (/ADDTOPATH).
[ "$(system_path)" = "$path_before;C:\Program Files\Mailvane" ] && pass "the PATH ends with the installation folder" ||
  fail "the PATH is $(system_path)"
[ "$("$WINE64" cmd /c eml2msg --version 2>/dev/null | tr -d '\r')" = "eml2msg $version" ] &&
  pass "eml2msg runs from the PATH" || fail "eml2msg is not found on the PATH"
cli_work=$(mktemp -d)
printf 'From: a@example.org\r\nSubject: installed\r\n\r\nbody\r\n' >"$cli_work/in.eml"
"$WINE64" "$install_dir/eml2msg.exe" "$cli_work/in.eml" "$cli_work/out.msg" &&
  [ "$(head -c 8 "$cli_work/out.msg" | od -An -tx1 | tr -d ' \n')" = d0cf11e0a1b11ae1 ] &&
  pass "the installed eml2msg.exe converts" || fail "the installed eml2msg.exe did not convert"
rm -rf "$cli_work"

"$WINE64" "$install_dir/Uninstall.exe" /S || fail "the uninstaller failed"
# The uninstaller runs from a copy of itself and returns at once; wait
# (bounded) for that copy to finish its work.
for _ in $(seq 1 60); do
  [ -e "$install_dir" ] || wine_reg_has "$uninstall_key" || break
  sleep 0.5
done
[ -e "$install_dir" ] && fail "files left: $(ls "$install_dir")" || pass "installation folder removed"
[ -e "$menu_dir" ] && fail "Start-menu folder left" || pass "Start-menu folder removed"
wine_reg_has "$uninstall_key" && fail "Add/Remove Programs entry left" || pass "Add/Remove Programs entry removed"
[ "$(system_path)" = "$path_before" ] && pass "the PATH is as before" || fail "the PATH is left as $(system_path)"
wine_reg_has "$progid_key" && fail "ProgID left registered" || pass "ProgID removed"
[ -n "$clsid" ] && wine_reg_has "HKCR\\CLSID\\$clsid" && fail "class $clsid left registered" || pass "class removed"

# Leave the build's own component registered for the scenarios that follow.
"$WINE64" regsvr32 /s "$build/bin/Redemption.dll" >/dev/null 2>&1 || true
echo "$failures failures"
[ $failures -eq 0 ]
