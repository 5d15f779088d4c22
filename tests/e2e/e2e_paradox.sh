#!/usr/bin/env bash
# Moving in: a start folder holding the old program's Paradox tables. The
# rate dialog comes first as always; then the program says what it found and
# offers the conversion; it is accepted, the summary shown, the menu comes, and
# "Към фактурата" assembles the page from the converted tables. Afterwards
# the Paradox files lie unchanged in DB/paradox-<date>-<time>/ and the
# company's last numbers are those of the Paradox table.
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
source "$(dirname "${BASH_SOURCE[0]}")/invoice_lib.sh"
e2e_init "$@"
invoice_require sqlite3 xprop

helper=$(dirname "$(dirname "$E2E_EXE")")/tests/paradox_folder_helper
[[ -x $helper ]] || e2e_fail "the Paradox folder helper $helper is missing"
folder=$(e2e_start_folder start)
"$helper" "$folder/DB" || e2e_fail "the Paradox tables could not be written"
original=$E2E_TMP/original
cp -r "$folder/DB" "$original"

e2e_start_display
e2e_start_program "$folder"
e2e_wait_rate_dialog "20%"
rate=$E2E_WINDOW
e2e_confirm "$rate"
e2e_wait_window_gone "$rate"
invoice_wait_new_window "the question about the Paradox tables"
question=$E2E_WINDOW
invoice_settle "$question"
e2e_screenshot 1-question
e2e_focus "$question"
e2e_key shift+Tab Return   # "Да" (the default button is "Не")
e2e_wait_window_gone "$question"
invoice_wait_new_window "the summary of the conversion" "$question"
summary=$E2E_WINDOW
invoice_settle "$summary"
e2e_screenshot 2-summary
kept=$(find "$folder/DB" -maxdepth 1 -type d -name 'paradox-*')
[[ -n $kept ]] || e2e_fail "no DB/paradox-<date>-<time> folder after the conversion"
e2e_confirm "$summary"
e2e_wait_window '^Bilvaro 2007 - Меню$'
menu=$E2E_WINDOW
e2e_wait_window_gone "$summary"

diff -r "$original" "$kept" >/dev/null || e2e_fail "the Paradox files in $kept differ from the originals"
firm=$folder/DB/Firm.db
numbers=$(invoice_sql "$firm" 'SELECT "Фактура №" || "/" || "Проформа №" FROM Firm ORDER BY __order')
[[ $numbers == "0000000041/7" ]] || e2e_fail "the converted company's last numbers are $numbers"
goods=$(invoice_sql "$folder/DB/stock.db" 'SELECT "Пор. №" || "=" || "К-во" FROM stock ORDER BY __order' | tr '\n' ' ')
[[ $goods == "1=120 2=2.5 3=0 " ]] || e2e_fail "the converted goods are $goods"

invoice_menu_button "$menu" 180 120   # "Към фактурата"
e2e_wait_window '^Фактура$'
doc=$E2E_WINDOW
invoice_settle "$menu"
invoice_expect_windows "after \"Към фактурата\"" "$menu" "$doc"
invoice_maximise "$doc"
invoice_settled_screenshot "$doc" 3-assembled
invoice_close_unprinted "$menu" "$doc"
e2e_log "converted, assembled; the Paradox files are kept in $(basename "$kept")"
