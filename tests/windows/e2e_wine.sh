#!/usr/bin/env bash
# e2e_wine.sh <Bilvaro2007-setup.exe> <artifacts dir>
# The Windows build as its user meets it, under Wine (WINEPREFIX set by the
# caller) on a private Xvfb display, driven with the end-to-end helpers of
# tests/e2e: the setup program installs it silently for the user; it starts
# from a start folder of its own (blanks and Cyrillic in its name, the demo
# tables made there by the installed table tool), not the installation
# folder; the rate dialog is answered; an article and a client are picked and
# the original is printed to the default printer, the cups-pdf printer of a
# CUPS scheduler of the test's own that Wine takes from CUPS: one job of one
# page reaches it, the register in the start folder holds the document, and
# its page and PDF copy are in the installation folder's archive. "Нова
# фактура" starts a new copy of the installed program in the same start
# folder (its rate dialog comes up, proposing the rate answered) and the old
# one ends with status 0. In the new copy an article and a client are picked
# and the page assembled; closing the main menu with its X asks first ("Не"
# keeps it running, "Да" ends it and gives the stock back). Last, the
# uninstaller removes the program and keeps the tables, the archive and
# mem.txt.
# A program under Wine starts and draws more slowly than a Linux one.
E2E_TIMEOUT=${E2E_TIMEOUT:-60}
source "$(dirname "${BASH_SOURCE[0]}")/../e2e/lib.sh"
source "$(dirname "${BASH_SOURCE[0]}")/../e2e/invoice_lib.sh"
source "$(dirname "${BASH_SOURCE[0]}")/../e2e/cups_lib.sh"
# shellcheck source=tests/windows/wine_lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/wine_lib.sh"
(($# == 2)) || { echo "usage: $0 <Bilvaro2007-setup.exe> <artifacts dir>" >&2; exit 2; }
setup=$(realpath "$1")
[[ -n ${WINEPREFIX:-} ]] || { echo "$0: WINEPREFIX is not set" >&2; exit 2; }
e2e_prepare "$2"
invoice_require sqlite3 pdfinfo pdftotext pdftoppm compare
cups_require
fail() { e2e_fail "$@"; }

wine_cleanup()
{
  local status=$?
  # Every Windows program of the prefix, the new copy included (not a child
  # of this script).
  wineserver -k 2>/dev/null || true
  cups_stop
  e2e_cleanup "$status"
}
trap wine_cleanup EXIT

# Wine's desktop keeps the display of its server's first program: a server
# still running from before (without this display) ends first.
timeout 60 wineserver -w || e2e_fail "a Wine server of the prefix does not end"
e2e_start_display
cups_start
pdf_out=$(getent passwd "$(id -un)" | cut -d: -f6)/PDF

# ------------------------------------------------------------ install
wine_user_paths
rm -rf "$WINE_INSTALL"
wine_install "$setup" "$E2E_ARTIFACTS/install.log"
E2E_EXE=$WINE_INSTALL/Bilvaro2007.exe
archive=$WINE_INSTALL/DB
e2e_log "installed for the user in $WINE_INSTALL"

folder=$(e2e_start_folder "Фактури 2026")
wine "$WINE_INSTALL/bilvaro-make-tables.exe" "$(winepath -w "$folder")" --demo \
  >"$E2E_ARTIFACTS/make-tables.log" 2>&1 || e2e_fail "the table tool failed (see make-tables.log)"
stock=$folder/DB/stock.db
firm=$folder/DB/Firm.db
register=$folder/DB/Register.db
stock_query='SELECT "Пор. №" || "=" || "К-во" FROM stock ORDER BY __order'
[[ $(invoice_sql "$stock" "SELECT \"К-во\" FROM stock WHERE \"Пор. №\" = '002'") == 5 ]] ||
  e2e_fail "the demo tables hold another stock of article 002 than this test expects"
# A last number of its own, so that the printed page's name is this run's.
last=$((100000000 + RANDOM * 1000 + RANDOM % 1000))
number=$(printf '%010d' $((last + 1)))
sqlite3 "$firm" "UPDATE Firm SET \"Фактура №\" = '$last' WHERE rowid = (SELECT min(rowid) FROM Firm)" ||
  e2e_fail "could not set the company's last number"

# Wine takes some of the spare keycodes that the keymap puts the Cyrillic
# letters on for media keys, whose presses type nothing: a text beyond ASCII
# is pasted through the clipboard instead, as the user's own keyboard layout
# would type it.
e2e_type()
{
  if [[ $1 != *[![:ascii:]]* ]]; then
    xdotool type --delay 20 -- "$1" || e2e_fail "could not type \"$1\""
    return
  fi
  local deadline=$((SECONDS + E2E_TIMEOUT))
  printf '%s' "$1" | xclip -i -selection clipboard >/dev/null 2>&1
  until [[ $(invoice_clipboard || true) == "$1" ]]; do
    ((SECONDS < deadline)) || e2e_fail "could not put \"$1\" on the clipboard"
    sleep 0.1
  done
  e2e_key ctrl+v
}

# Starts the installed program under Wine with FOLDER as its current
# directory, as the user's shortcut to a start folder does, under the
# Bulgarian locale (Wine takes the user's locale and code page from it).
wine_start_program()
{
  E2E_RUNS=$((E2E_RUNS + 1))
  PROGRAM_LOG=$E2E_ARTIFACTS/program-$E2E_RUNS.log
  (
    cd "$1"
    unset LC_ALL LANGUAGE BILVARO_UPDATE_URL BILVARO_INSTALL_DIR
    export LANG
    LANG=$(e2e_locale)
    exec wine "$E2E_EXE"
  ) >"$PROGRAM_LOG" 2>&1 &
  PROGRAM_PID=$!
  PROGRAM_NEW_COPY=0
  PROGRAM_STATUS=
  e2e_log "run $E2E_RUNS: started $E2E_EXE under Wine in $1 (pid $PROGRAM_PID)"
}

# Answers the rate dialog (its id in E2E_WINDOW) with $1, or confirms it as
# it stands, and waits for the main menu.
answer_rate_dialog()
{
  local dialog=$E2E_WINDOW
  e2e_screenshot "run$E2E_RUNS-rate-dialog"
  if (($#)); then
    e2e_answer "$dialog" "$1"
  else
    e2e_confirm "$dialog"
  fi
  e2e_wait_window '^Bilvaro 2007 - Меню$'
  menu=$E2E_WINDOW
  e2e_wait_window_gone "$dialog"
}

# One of article 002 and a client, picked through the browsers; $1 of the
# article is left in stock.
pick_article_and_client()
{
  local left=$1 browser
  invoice_menu_button "$menu" 0 240   # "Стоки и Услуги"
  e2e_wait_window '^СТОКИ$'
  browser=$E2E_WINDOW
  invoice_browser_search "$browser" 002
  invoice_browser_add "$browser"
  invoice_wait_new_window "the quantity box" "$menu" "$browser"
  e2e_answer "$E2E_WINDOW" 1
  e2e_wait_window_gone "$E2E_WINDOW"
  invoice_wait_sql "$stock" "SELECT \"К-во\" FROM stock WHERE \"Пор. №\" = '002'" "$left" "the stock of article 002"
  invoice_browser_exit "$browser"
  invoice_menu_button "$menu" 0 360   # "Клиенти"
  e2e_wait_window '^КЛИЕНТИ$'
  browser=$E2E_WINDOW
  invoice_browser_search "$browser" '„Делта Логистик“ ООД'
  invoice_browser_add "$browser"
  invoice_settle "$menu"
  invoice_browser_exit "$browser"
}

# ------------------------------------------------------------ print an original
wine_start_program "$folder"
e2e_wait_rate_dialog "20%"
answer_rate_dialog "9%"
pick_article_and_client 4
e2e_screenshot 1-picked

invoice_menu_button "$menu" 180 240   # "Отпечатай и съхрани"
e2e_wait_window '^Принтер$'
printwin=$E2E_WINDOW
e2e_wait_window '^Фактура$'
doc=$E2E_WINDOW
invoice_settle "$menu"
invoice_click_in "$printwin" 112 43   # "Отпечатай ОРИГИНАЛ на документа"
invoice_wait_new_window "the print dialog" "$menu" "$doc" "$printwin"
dialog=$E2E_WINDOW
invoice_settle "$menu"
e2e_screenshot 2-print-dialog
e2e_confirm "$dialog"
e2e_wait_window_gone "$dialog"

deadline=$((SECONDS + E2E_TIMEOUT))
until [[ -z $(lpstat -o) && $(lpstat -W completed -o | wc -l) -ge 1 ]]; do
  ((SECONDS < deadline)) || e2e_fail "no print job completed: $(lpstat -W all -o)"
  sleep 0.2
done
invoice_settle "$menu"
invoice_expect_windows "after printing" "$menu" "$doc" "$printwin"
e2e_screenshot 3-printed
[[ $(lpstat -W completed -o | wc -l) == 1 ]] || e2e_fail "more than one job reached the printer: $(lpstat -W completed -o)"
cp "$CUPS_DIR/log/page_log" "$E2E_ARTIFACTS/page_log" 2>/dev/null || true
[[ $(grep -c " total 1 " "$CUPS_DIR/log/page_log") == 1 ]] ||
  e2e_fail "the scheduler did not count one page: $(cat "$CUPS_DIR/log/page_log" 2>/dev/null)"

row=$(invoice_sql "$register" "SELECT \"Номер\" || '|' || \"Копия\" || '|' || \"Клиент\" FROM \"Документи\"")
[[ $row == "$number|0|"*"Делта Логистик"* ]] || e2e_fail "the register holds \"$row\" instead of $number for the client"
original=$archive/InvFirm1_${number}_.bmp
[[ -f $original && -f ${original%.bmp}.pdf ]] || e2e_fail "the original's page is not archived: $(ls "$archive")"
[[ $(od -An -c -N2 "$original" | tr -d ' ') == BM ]] || e2e_fail "the archive image is no bitmap"
page=$(pdftotext "${original%.bmp}.pdf" - | tr -s ' \n' ' ')
[[ $page == *"$number"* && $page == *"Оригинал"* && $page == *"Делта Логистик"* ]] ||
  e2e_fail "the archived PDF copy does not read the number, the client and \"Оригинал\": $page"
[[ $(invoice_sql "$firm" "SELECT \"Фактура №\" FROM Firm ORDER BY rowid LIMIT 1") == "$number" ]] ||
  e2e_fail "the company's last number is not the printed one"
e2e_log "printed $number: the register row, the archive image and its PDF copy are there"
# The issued article stays taken.
stock_issued=$(invoice_sql "$stock" "$stock_query" | tr '\n' ' ')

# ------------------------------------------------------------ "Нова фактура"
first=$PROGRAM_PID
# No window manager raises the menu when the user goes back to it.
xdotool windowraise "$menu"
invoice_menu_button "$menu" 180 360   # "Нова фактура"
e2e_wait_exit
((PROGRAM_STATUS == 0)) || e2e_fail "the first copy ended with status $PROGRAM_STATUS after \"Нова фактура\""
e2e_follow_new_copy "$first"
# It proposes the first copy's answer: it reads mem.txt of the start folder.
e2e_wait_rate_dialog "9%"
e2e_log "\"Нова фактура\": the first copy ended, a new one (pid $PROGRAM_PID) proposes the rate of the start folder"
answer_rate_dialog

# ------------------------------------------------------------ close over an unprinted page
pick_article_and_client 3
invoice_menu_button "$menu" 180 120   # "Към фактурата"
e2e_wait_window '^Фактура$'
doc=$E2E_WINDOW
invoice_settle "$menu"
e2e_close_window "$menu"
invoice_wait_new_window "the question before closing" "$menu" "$doc"
question=$E2E_WINDOW
e2e_screenshot 4-close-question
# A message box of Qt on Windows copies its text with Ctrl+C.
invoice_text "$question"
[[ $E2E_TEXT == *"Съставеният документ не е отпечатан"*"Да се затвори ли програмата?"* ]] ||
  e2e_fail "closing asks \"$E2E_TEXT\" instead of the question about the unprinted page"
e2e_confirm "$question"   # "Не", the default
e2e_wait_window_gone "$question"
invoice_settle "$menu"
e2e_program_running || e2e_fail "the program ended although closing was answered \"Не\""
e2e_close_window "$menu"
invoice_wait_new_window "the question before closing again" "$menu" "$doc"
e2e_focus "$E2E_WINDOW"
e2e_key Tab space   # "Да"
e2e_wait_exit
[[ $(invoice_sql "$stock" "$stock_query" | tr '\n' ' ') == "$stock_issued" ]] ||
  e2e_fail "the stock after closing unprinted is $(invoice_sql "$stock" "$stock_query" | tr '\n' ' ')"
e2e_log "closing over the unprinted page asked first; the new copy ended and gave the stock back"
cp "$folder/DB/Bilvaro2007.log" "$E2E_ARTIFACTS/" 2>/dev/null || true

# ------------------------------------------------------------ the printed page, uninstall
printed=$(ls -t "$pdf_out"/InvFirm1_"${number}"*.pdf 2>/dev/null | head -1)
[[ -n $printed ]] || e2e_fail "cups-pdf wrote no InvFirm1_${number}*.pdf in $pdf_out"
mv "$printed" "$E2E_ARTIFACTS/printed.pdf"
[[ $(pdfinfo "$E2E_ARTIFACTS/printed.pdf" | sed -n 's/^Pages: *//p') == 1 ]] || e2e_fail "the printed job is not one page"
cups_expect_page_shows "$E2E_ARTIFACTS/printed.pdf" "$original"

timeout 60 wineserver -w || e2e_fail "a program of the prefix is still running"
wine_uninstall "$E2E_ARTIFACTS/uninstall.log" DB/Firm.db "DB/InvFirm1_${number}_.bmp" "DB/InvFirm1_${number}_.pdf"
[[ -f $folder/mem.txt && -f $register ]] || e2e_fail "the start folder lost its settings or its register"
e2e_log "uninstalled; the archive and the start folder's files stay"
