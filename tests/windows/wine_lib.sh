# shellcheck shell=bash
# Shared by the tests of the Windows build under Wine (setup_test.sh,
# e2e_wine.sh), with WINEPREFIX set by the caller: the per-user installation
# by the setup program and its uninstallation, checked as a user meets them.
# The caller defines fail MESSAGE, which ends the test.

WINE_UNINSTALL_KEY='Software\Microsoft\Windows\CurrentVersion\Uninstall\Bilvaro2007'

# Waits up to $2 seconds for the command $1 to succeed.
wine_wait_for() { local i; for ((i = 0; i < $2 * 5; i++)); do eval "$1" && return 0; sleep 0.2; done; return 1; }

# A folder of the user's profile, as Linux sees it: $1 is AppData\Local's or AppData\Roaming's variable.
wine_user_folder() { winepath -u "$(wine cmd /c "echo %$1%" 2>/dev/null | tr -d '\r')" 2>/dev/null; }

# Sets WINE_INSTALL (the per-user installation folder) and WINE_SHORTCUT (the
# Start-menu shortcut), as Linux sees them.
wine_user_paths()
{
  WINE_INSTALL=$(wine_user_folder LOCALAPPDATA)/Programs/Bilvaro\ 2007
  WINE_SHORTCUT=$(wine_user_folder APPDATA)/Microsoft/Windows/Start\ Menu/Programs/Bilvaro\ 2007/Bilvaro\ 2007.lnk
  [[ $WINE_INSTALL == /*/Programs/Bilvaro\ 2007 ]] || fail "no LOCALAPPDATA in the Wine prefix"
}

# Installs the setup program $1 silently for the user (its output to $2) and
# checks the program's files, the four empty tables, the Start-menu shortcut
# and the entry in the user's Apps list (HKCU; none for all users).
wine_install()
{
  local setup=$1 log=$2 file
  wine "$setup" /S >"$log" 2>&1 || fail "the setup program failed"
  for file in Bilvaro2007.exe bilvaro-make-tables.exe uninstall.exe LICENSE.txt qt.conf Qt6Core.dll sqlite3.dll \
              platforms/qwindows.dll sqldrivers/qsqlite.dll sqldrivers/qsqlpsql.dll libpq.dll COPYRIGHT-postgresql.txt \
              translations/qtbase_bg.qm numbertext/bg.sor \
              DB/Firm.db DB/Details.db DB/stock.db DB/customer.db; do
    [[ -f $WINE_INSTALL/$file ]] || fail "$file is not installed in $WINE_INSTALL"
  done
  [[ -f $WINE_SHORTCUT ]] || fail "no Start-menu shortcut at $WINE_SHORTCUT"
  wine reg query "HKCU\\$WINE_UNINSTALL_KEY" /v UninstallString >"${log%.log}-apps.txt" 2>&1 \
    || fail "no entry in the user's Apps list"
  grep -q 'uninstall.exe' "${log%.log}-apps.txt" || fail "the Apps entry does not name the uninstaller"
  ! wine reg query "HKLM\\$WINE_UNINSTALL_KEY" >/dev/null 2>&1 || fail "an entry for all users was written"
}

# Uninstalls silently (its output to $1) and checks that the program, the
# shortcut and the Apps entry are gone, and that the files named after $1
# (relative to the installation folder: tables, archive, settings) stay.
wine_uninstall()
{
  local log=$1 file
  shift
  wine "$WINE_INSTALL/uninstall.exe" /S >"$log" 2>&1 || fail "the uninstaller failed"
  # The uninstaller runs on from a copy of itself in the temporary folder.
  wine_wait_for '[[ ! -e $WINE_INSTALL/uninstall.exe ]]' 60 || fail "the uninstaller did not finish"
  for file in Bilvaro2007.exe Qt6Core.dll libpq.dll qt.conf LICENSE.txt COPYRIGHT-postgresql.txt install.log platforms \
              sqldrivers numbertext; do
    [[ ! -e $WINE_INSTALL/$file ]] || fail "$file is left after uninstalling"
  done
  [[ ! -e $WINE_SHORTCUT ]] || fail "the shortcut is left after uninstalling"
  ! wine reg query "HKCU\\$WINE_UNINSTALL_KEY" >/dev/null 2>&1 || fail "the Apps entry is left after uninstalling"
  for file in "$@"; do
    [[ -f $WINE_INSTALL/$file ]] || fail "the uninstaller removed $file"
  done
}
