#!/usr/bin/env bash
# An invoice in euro in the real program: the demo tables' prices are
# converted to euro with the table tool (a second conversion is refused and
# the leva copy stays, the folder gets the default settings in euro, which
# are removed again), the currency "EUR" is chosen in the line table, an
# article is picked and "Към фактурата" shows the page in euro, kept as
# euro_invoice.png. Closing the program remembers the currency as the sixth
# line of mem.txt.
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
source "$(dirname "${BASH_SOURCE[0]}")/invoice_lib.sh"
e2e_init "$@"
invoice_require sqlite3 xprop

folder=$(e2e_demo_folder euro)
maker=$(e2e_table_maker)
stock=$folder/DB/stock.db
prices_query='SELECT "Пор. №" || "=" || "Продажна цена" FROM stock ORDER BY __order'
leva_prices=$(invoice_sql "$stock" "$prices_query" | tr '\n' ' ')

# ------------------------------------------------------ prices to euro
"$maker" "$folder" --prices-to-euro >"$E2E_ARTIFACTS/to-euro.log" 2>&1 ||
  e2e_fail "the conversion to euro failed: $(cat "$E2E_ARTIFACTS/to-euro.log")"
# Each leva price divided by 1.95583, half up on the third decimal.
euro_prices="001=21.73 002=45.97 003=168.22 004=0.43 005=20.45 006=7.98 007=12.27 008=61.36 "
[[ $(invoice_sql "$stock" "$prices_query" | tr '\n' ' ') == "$euro_prices" ]] ||
  e2e_fail "the prices after the conversion are $(invoice_sql "$stock" "$prices_query" | tr '\n' ' ')"
copies=("$folder"/DB/stock-leva-*.db)
((${#copies[@]} == 1)) && [[ -f ${copies[0]} ]] || e2e_fail "no single leva copy of the goods table: ${copies[*]}"
[[ $(invoice_sql "${copies[0]}" "$prices_query" | tr '\n' ' ') == "$leva_prices" ]] ||
  e2e_fail "the copy does not hold the leva prices"
if "$maker" "$folder" --prices-to-euro >"$E2E_ARTIFACTS/to-euro-again.log" 2>&1; then
  e2e_fail "a second conversion to euro was not refused"
fi
grep -q 'вече са преобразувани' "$E2E_ARTIFACTS/to-euro-again.log" ||
  e2e_fail "the refusal does not say why: $(cat "$E2E_ARTIFACTS/to-euro-again.log")"
[[ $(invoice_sql "$stock" "$prices_query" | tr '\n' ' ') == "$euro_prices" ]] ||
  e2e_fail "the refused conversion changed the prices"
e2e_log "the prices went to euro once; the second conversion was refused"
# The folder had no settings: the tool gave it the defaults in euro. They go
# again, so that the currency is chosen and remembered below.
e2e_cp1251_lines "20%" "ФАКТУРА" "" "$(printf '.%.0s' {1..76})" "неначисляване на ДДС и за нулева ставка" \
  "EUR" >"$E2E_TMP/expected-mem.txt"
e2e_expect_same_bytes "$folder/mem.txt" "$E2E_TMP/expected-mem.txt" "settings made by the conversion"
rm "$folder/mem.txt"
e2e_log "the conversion gave the folder the default settings in euro"

# --------------------------------------------------- invoice in euro
e2e_start_display
e2e_start_to_menu "$folder" "20%"
menu=$E2E_MENU

# "Валута" (ComboBox6 at 224, 376 of the line table).
e2e_open_table
table=$E2E_TABLE
invoice_choose "$table" 260 387 'EUR'
invoice_settle "$menu"
invoice_expect_windows "after choosing the currency" "$menu" "$table"

# Article 002 (45.97 €), two of them.
invoice_menu_button "$menu" 0 240 "$table"   # "Стоки и Услуги"
e2e_wait_window '^СТОКИ$'
browser=$E2E_WINDOW
invoice_browser_search "$browser" 002
invoice_browser_add "$browser"
invoice_wait_new_window "the quantity box" "$menu" "$table" "$browser"
dialog=$E2E_WINDOW
e2e_answer "$dialog" 2
e2e_wait_window_gone "$dialog"
invoice_wait_sql "$stock" "SELECT \"К-во\" FROM stock WHERE \"Пор. №\" = '002'" 3 "the stock of article 002"
invoice_settle "$menu"
invoice_browser_exit "$browser"
e2e_screenshot euro_table

invoice_menu_button "$menu" 180 120 "$table"   # "Към фактурата"
e2e_wait_window '^Фактура$'
doc=$E2E_WINDOW
invoice_settle "$menu"
# A missing spelling module would show its error box here.
invoice_expect_windows "after \"Към фактурата\"" "$menu" "$table" "$doc"
invoice_maximise "$doc"
invoice_settled_screenshot "$doc" euro_invoice
[[ -s $E2E_ARTIFACTS/euro_invoice.png ]] || e2e_fail "no screenshot euro_invoice.png"
e2e_log "the page in euro is in euro_invoice.png"

invoice_close_unprinted "$menu" "$table" "$doc"
e2e_cp1251_lines "20%" "ФАКТУРА" "" "$(printf '.%.0s' {1..76})" "неначисляване на ДДС и за нулева ставка" \
  "EUR" >"$E2E_TMP/expected-mem.txt"
e2e_expect_same_bytes "$folder/mem.txt" "$E2E_TMP/expected-mem.txt" "remembered settings"
e2e_log "mem.txt remembers the currency as its sixth line"
