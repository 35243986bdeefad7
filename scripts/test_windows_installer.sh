#!/usr/bin/env bash
# The Windows packages under Wine: the portable zip holds the programs and its
# README, the setup program installs silently (/S) what a user needs (files,
# Start-menu entry, uninstall entry, .udd association, all starting the
# program with --user-folder), a .udd file opened through Windows' shell runs
# the installed program in %APPDATA%\VantrelDAQ, setup and uninstall refuse
# while that program runs, the registered quiet uninstaller takes everything
# back but the user's settings, and an upgrade goes into the folder of the
# earlier install under its one uninstall entry.
#
#   scripts/test_windows_installer.sh [build-dir]    (default build-win; the
#   packages come from "cmake --build <build-dir> --target package_windows")
#
# Uses the Wine prefix in $WINEPREFIX when one is set (test_windows.sh runs it
# in its own), else makes a private one and removes it at the end. The shell
# start needs a display ($DISPLAY) and is skipped without one. Prints
# "installer: N passed, M failed" last; exit code 0 only when all passed.
set -uo pipefail  # no -e: a failed check is counted and the rest still run
cd "$(dirname "$0")/.."
BUILD_DIR=${1:-${BUILD_DIR:-build-win}}
VERSION=$(sed -nE 's/^CMAKE_PROJECT_VERSION:STATIC=(.*)$/\1/p' "$BUILD_DIR/CMakeCache.txt" 2>/dev/null)
SETUP=$BUILD_DIR/VantrelDAQ-$VERSION-setup.exe
ZIP=$BUILD_DIR/VantrelDAQ-$VERSION-win64.zip

export WINEDEBUG=-all
# No Start-menu entry or file type may leak from the prefix into this
# machine's own menus and MIME database.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=};winemenubuilder.exe=d"
WORK=$(mktemp -d /tmp/vantrel-installer.XXXXXX)
OWN_PREFIX=0
if [ -z "${WINEPREFIX:-}" ]; then
  export WINEPREFIX=$WORK/prefix
  OWN_PREFIX=1
  wineboot -i >/dev/null 2>&1
fi
cleanup() {
  [ "$OWN_PREFIX" = 1 ] && wineserver -k 2>/dev/null
  rm -rf "$WORK"
}
trap cleanup EXIT

PASSED=0
FAILED=0
check() {  # name, then a command that must succeed
  local name=$1; shift
  if "$@" >/dev/null 2>&1; then
    PASSED=$((PASSED + 1)); printf '%-60s ok\n' "$name"
  else
    FAILED=$((FAILED + 1)); printf '%-60s FAILED\n' "$name"
  fi
}
# A registry value's data ("" for the key's default value); fails when absent.
reg_value() {
  local out
  if [ -z "$2" ]; then out=$(wine reg query "$1" /ve 2>/dev/null); else out=$(wine reg query "$1" /v "$2" 2>/dev/null); fi
  out=$(tr -d '\r' <<<"$out" | sed -nE 's/^ +(\(Default\)|[^ ].*[^ ]) +REG_[A-Z_]+ +(.*)$/\2/p' | head -n 1)
  [ -n "$out" ] && printf '%s\n' "$out"
}
equals() { [ "$1" = "$2" ]; }
reg_absent() { ! wine reg query "$1" >/dev/null 2>&1; }
# Windows names <-> this machine's, worked out here rather than asked of
# winepath: no Wine start, nothing to go wrong.
unix_path() { local p=${1#[Cc]:}; printf '%s\n' "$WINEPREFIX/drive_c${p//\\//}"; }
win_folder() { unix_path "$(wine cmd /c echo "%$1%" 2>/dev/null | tr -d '\r')"; }
# Waits up to 30 s for a command to succeed.
wait_for() { for _ in $(seq 300); do "$@" && return 0; sleep 0.1; done; return 1; }
# Every process's command line, one a line (Wine shows a program's own).
# (A process may end between the listing and the read.)
command_lines() { local f; for f in /proc/[0-9]*/cmdline; do { tr '\0' ' ' <"$f"; } 2>/dev/null; echo; done; }
# Matched in the shell: a grep would find the text in its own command line.
running() { local all; all=$(command_lines); [[ $all == *"$1"* ]]; }

echo "-- packages of version $VERSION in $BUILD_DIR"
check "VantrelDAQ-$VERSION-setup.exe was built" test -s "$SETUP"
check "VantrelDAQ-$VERSION-win64.zip was built" test -s "$ZIP"
[ -s "$SETUP" ] && [ -s "$ZIP" ] || { echo "installer: $PASSED passed, $((FAILED + 1)) failed"; exit 1; }

# ---- the portable zip ----------------------------------------------------------
D=VantrelDAQ-$VERSION-win64
zip_names() { python3 -c 'import sys, zipfile; print("\n".join(sorted(zipfile.ZipFile(sys.argv[1]).namelist())))' "$1"; }
check "the zip holds one folder with the programs and README.txt" \
  equals "$(zip_names "$ZIP")" "$(printf '%s\n' "$D/" "$D/README.txt" "$D/vantreldaq-cli.exe" "$D/vantreldaq.exe")"
python3 -m zipfile -e "$ZIP" "$WORK/zip" 2>/dev/null
check "the zip's vantreldaq-cli.exe runs and says version $VERSION" \
  equals "$(wine "$WORK/zip/$D/vantreldaq-cli.exe" --version 2>/dev/null | tr -d '\r')" "vantreldaq-cli $VERSION"

# ---- silent install --------------------------------------------------------------
check "the setup program installs silently (/S)" wine "$SETUP" /S
UNINST='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\VantrelDAQ'
PROGRAM_FILES_WIN=$(wine cmd /c echo '%ProgramFiles%' 2>/dev/null | tr -d '\r')
INSTALLED=$(unix_path "$PROGRAM_FILES_WIN\\VantrelDAQ")
LNK="$(win_folder ProgramData)/Microsoft/Windows/Start Menu/Programs/VantrelDAQ.lnk"
USER_FOLDER="$(win_folder APPDATA)/VantrelDAQ"
EXE_WIN="$PROGRAM_FILES_WIN\\VantrelDAQ\\vantreldaq.exe"
for f in vantreldaq.exe vantreldaq-cli.exe README.txt uninstall.exe; do
  check "installed: $PROGRAM_FILES_WIN\\VantrelDAQ\\$f" test -s "$INSTALLED/$f"
done
check "the installed programs are the zip's" cmp "$INSTALLED/vantreldaq.exe" "$WORK/zip/$D/vantreldaq.exe"
check "the installed vantreldaq-cli.exe says version $VERSION" \
  equals "$(wine "$INSTALLED/vantreldaq-cli.exe" --version 2>/dev/null | tr -d '\r')" "vantreldaq-cli $VERSION"
check "a Start-menu entry for all users" test -s "$LNK"
check "... which starts vantreldaq.exe with --user-folder" \
  equals "$(strings -el "$LNK" | grep -xF -e --user-folder -e vantreldaq.exe | sort -u | tr '\n' ' ')" "--user-folder vantreldaq.exe "
check "uninstall entry: DisplayName" equals "$(reg_value "$UNINST" DisplayName)" "VantrelDAQ"
check "uninstall entry: DisplayVersion $VERSION" equals "$(reg_value "$UNINST" DisplayVersion)" "$VERSION"
check "uninstall entry: InstallLocation" equals "$(reg_value "$UNINST" InstallLocation)" "$PROGRAM_FILES_WIN\\VantrelDAQ"
check "uninstall entry: UninstallString" \
  equals "$(reg_value "$UNINST" UninstallString)" "\"$PROGRAM_FILES_WIN\\VantrelDAQ\\uninstall.exe\""
QUIET=$(reg_value "$UNINST" QuietUninstallString)
check "uninstall entry: QuietUninstallString" equals "$QUIET" "\"$PROGRAM_FILES_WIN\\VantrelDAQ\\uninstall.exe\" /S"
check ".udd files are VantrelDAQ recordings" equals "$(reg_value 'HKCR\.udd' '')" "VantrelDAQ.Recording"
check "... opened by the program with --user-folder" \
  equals "$(reg_value 'HKCR\VantrelDAQ.Recording\shell\open\command' '')" "\"$EXE_WIN\" --user-folder -- \"%1\""

# ---- a recording opened through the shell, as a double click does ---------------
if [ -n "${DISPLAY:-}" ]; then
  FOLDER="$WORK/Messungen März"
  mkdir -p "$FOLDER"
  : >"$FOLDER/Messung 1.udd"  # refused as no recording, but the start is what counts here
  FILE_WIN="Z:${FOLDER//\//\\}\\Messung 1.udd"
  wine start /unix "$FOLDER/Messung 1.udd" >/dev/null 2>&1
  check "a .udd file opened through the shell starts the program" wait_for test -e "$USER_FOLDER/DAQSetup.cnf"
  check "... with the file's full name, in %APPDATA%\\VantrelDAQ" \
    running "$EXE_WIN --user-folder -- $FILE_WIN"
  # While it runs, neither setup nor uninstall may touch it. The uninstaller
  # runs in place ("_?=<folder>") so that its own exit code comes back; NSIS
  # sees "_?=" only outside quotes, and Wine quotes a word with blanks, so the
  # folder goes in as words.
  rc=0; wine "$SETUP" /S >/dev/null 2>&1 || rc=$?
  check "while the program runs, setup /S refuses with exit code 2" test "$rc" -eq 2
  read -ra IN_PLACE <<<"_?=$PROGRAM_FILES_WIN\\VantrelDAQ"
  rc=0; wine "$INSTALLED/uninstall.exe" /S "${IN_PLACE[@]}" >/dev/null 2>&1 || rc=$?
  check "... and so does uninstall /S" test "$rc" -eq 2
  check "... leaving the program and its entry" test -s "$INSTALLED/vantreldaq.exe" -a -s "$INSTALLED/uninstall.exe"
  check "... and its uninstall entry" reg_value "$UNINST" DisplayName
  wine taskkill /f /im vantreldaq.exe >/dev/null 2>&1
  wait_for eval '! running "$EXE_WIN"'  # gone before its file is removed
else
  echo "(no display: the start through the shell is skipped)"
fi

# ---- silent uninstall through the registered command -----------------------------
# The uninstaller copies itself to a temporary folder and returns at once, so
# the script waits for the last thing it removes, its uninstall entry.
QUIET_EXE=$(sed -nE 's/^"([^"]+)".*/\1/p' <<<"$QUIET")
QUIET_ARGS=${QUIET#\"$QUIET_EXE\"}
# shellcheck disable=SC2086  # the arguments are words
check "the quiet uninstall command runs" wine "$QUIET_EXE" $QUIET_ARGS
check "... and removes its uninstall entry" wait_for reg_absent "$UNINST"
check "... the installation folder" test ! -e "$INSTALLED"
check "... the Start-menu entry" test ! -e "$LNK"
check "... the .udd association" reg_absent 'HKCR\.udd'
check "... and the file type" reg_absent 'HKCR\VantrelDAQ.Recording'
if [ -n "${DISPLAY:-}" ]; then
  check "... but not the user's settings" test -s "$USER_FOLDER/DAQSetup.cnf"
  rm -f "$USER_FOLDER/DAQSetup.cnf" && rmdir "$USER_FOLDER" 2>/dev/null
fi

# ---- an upgrade goes where the earlier install went ------------------------------
CUSTOM_WIN='C:\Messplatz\VantrelDAQ'
CUSTOM=$(unix_path "$CUSTOM_WIN")
DESKTOP_LNK="$(win_folder PUBLIC)/Desktop/VantrelDAQ.lnk"
# Uninstall entries named VantrelDAQ, however many keys they sit under.
entries() { wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s 2>/dev/null |
  tr -d '\r' | grep -cE '^ +DisplayName +REG_SZ +VantrelDAQ$'; }
check "an install into a folder of the user's choice (/D=)" wine "$SETUP" /S "/D=$CUSTOM_WIN"
check "... without a desktop shortcut unless asked" test ! -e "$DESKTOP_LNK"
rm -f "$CUSTOM/README.txt"  # the upgrade must bring it back
check "an upgrade without /D= (and with /DESKTOPSHORTCUT)" wine "$SETUP" /S /DESKTOPSHORTCUT
check "... installs into the earlier install's folder" test -s "$CUSTOM/README.txt"
check "... not into Program Files" test ! -e "$INSTALLED"
check "... under one uninstall entry" equals "$(entries)" 1
check "... which names that folder" equals "$(reg_value "$UNINST" InstallLocation)" "$CUSTOM_WIN"
check "... with the desktop shortcut asked for" test -s "$DESKTOP_LNK"
QUIET=$(reg_value "$UNINST" QuietUninstallString)
QUIET_EXE=$(sed -nE 's/^"([^"]+)".*/\1/p' <<<"$QUIET")
wine "$QUIET_EXE" /S >/dev/null 2>&1
check "its uninstall removes its entry" wait_for reg_absent "$UNINST"
check "... its folder" test ! -e "$CUSTOM"
check "... and the desktop shortcut" test ! -e "$DESKTOP_LNK"

echo "installer: $(stat -c %s "$SETUP") bytes $(basename "$SETUP"), $(stat -c %s "$ZIP") bytes $(basename "$ZIP")"
echo "installer: $PASSED passed, $FAILED failed"
[ "$FAILED" -eq 0 ]
