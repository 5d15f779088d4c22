#!/usr/bin/env bash
# Printing from the real program onto a real CUPS printer. The test starts a
# CUPS scheduler of its own (its own configuration, spool and socket, so a
# system scheduler, running or not, is left alone) with a cups-pdf printer as
# the default printer. Over the demo tables it picks one article and a client,
# then "Отпечатай и съхрани" on the main menu assembles the invoice and opens
# the print window. The original goes first to the printer while it rejects
# jobs: the program says so with CUPS's own reason; the document is issued:
# it stays in the register with its number and its page in the archive. Then
# it is printed through the print dialog: the register counts it as a copy,
# and the page and its archived files are marked "Копие". The quantity is
# typed with the decimal comma of the Bulgarian locale and recorded as the
# number typed. Another client
# is picked and the same number printed again: the register refuses it and
# the archived page stays as it was. Last, "Издадени документи" finds the
# document by its client; its row and the register's stored number, client
# and total are those of the PDF copy. Exactly one job of one page reaches
# the printer, the page shows the invoice, the archive image and its PDF copy
# are in the installation folder's DB folder (kept as artefacts with the
# printed page), and the company's last invoice number is the printed one.
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
source "$(dirname "${BASH_SOURCE[0]}")/invoice_lib.sh"
source "$(dirname "${BASH_SOURCE[0]}")/cups_lib.sh"
e2e_init "$@"
invoice_require sqlite3 pdfinfo pdftoppm pdftotext compare
cups_require

# ------------------------------------------------------------ CUPS
print_cleanup()
{
  local status=$?
  cups_stop
  e2e_cleanup "$status"
}
trap print_cleanup EXIT
cups_start
cups=$CUPS_DIR

# cups-pdf writes the pages of a user's jobs to ~/PDF of that user.
pdf_out=$(getent passwd "$(id -un)" | cut -d: -f6)/PDF

# ------------------------------------------------------------ tables
folder=$(e2e_demo_folder start)
firm=$folder/DB/Firm.db
# A last number of its own, so that the printed page's name is this run's.
last=$((100000000 + RANDOM * 1000 + RANDOM % 1000))
number=$(printf '%010d' $((last + 1)))
sqlite3 "$firm" "UPDATE Firm SET \"Фактура №\" = '$last' WHERE rowid = (SELECT min(rowid) FROM Firm)" ||
  e2e_fail "could not set the company's last number"
original=$E2E_TMP/install/DB/InvFirm1_${number}_.bmp
archive=$E2E_TMP/install/DB/InvFirm1_${number}_copy.bmp
mkdir -p "$E2E_TMP/install/DB"

# ------------------------------------------------------------ print
e2e_start_display
e2e_start_to_menu "$folder" "20%"
menu=$E2E_MENU

# One article and a client: a page without them is refused.
invoice_menu_button "$menu" 0 240   # "Стоки и Услуги"
e2e_wait_window '^СТОКИ$'
browser=$E2E_WINDOW
# Quantities typed with the decimal comma and with the point.
for pick in 002=1,5 004=0.25; do
  invoice_browser_search "$browser" "${pick%%=*}"
  invoice_browser_add "$browser"
  invoice_wait_new_window "the quantity box" "$menu" "$browser"
  e2e_answer "$E2E_WINDOW" "${pick#*=}"
  e2e_wait_window_gone "$E2E_WINDOW"
  invoice_settle "$menu"
done
invoice_browser_exit "$browser"
pick_client()
{
  invoice_menu_button "$menu" 0 360 "$@"   # "Клиенти"
  e2e_wait_window '^КЛИЕНТИ$'
  browser=$E2E_WINDOW
  invoice_browser_search "$browser" "$client"
  invoice_browser_add "$browser"
  invoice_settle "$menu"
  invoice_browser_exit "$browser"
}
client='„Делта Логистик“ ООД'
pick_client

invoice_menu_button "$menu" 180 240   # "Отпечатай и съхрани"
e2e_wait_window '^Принтер$'
printwin=$E2E_WINDOW
e2e_wait_window '^Фактура$'
doc=$E2E_WINDOW
invoice_settle "$menu"
invoice_expect_windows "after \"Отпечатай и съхрани\"" "$menu" "$doc" "$printwin"
e2e_screenshot 1-print-window

# Confirms a message box (its text is in the screenshot taken before).
confirm_message()
{
  e2e_confirm "$1"
  e2e_wait_window_gone "$1"
}

# The printer rejects jobs: the job is refused; the document is issued, with
# its number in the register and its page in the archive.
cupsreject -r "закрит за тест" PDF || e2e_fail "could not make the printer reject jobs"
invoice_click_in "$printwin" 112 43   # "Отпечатай ОРИГИНАЛ на документа"
invoice_wait_new_window "the print dialog" "$menu" "$doc" "$printwin"
dialog=$E2E_WINDOW
invoice_settle "$menu"
e2e_confirm "$dialog"
e2e_wait_window_gone "$dialog"
invoice_wait_new_window "the message of the refused job" "$menu" "$doc" "$printwin"
e2e_screenshot 2-refused
confirm_message "$E2E_WINDOW"
# CUPS's own reason, which the program also writes to its error output.
grep 'refused the job' "$PROGRAM_LOG" | grep -qF 'is not accepting jobs' ||
  e2e_fail "the program did not get CUPS's reason: $(tail -3 "$PROGRAM_LOG")"
[[ $(invoice_sql "$firm" "SELECT \"Фактура №\" FROM Firm ORDER BY rowid LIMIT 1") == "$number" ]] ||
  e2e_fail "a refused job did not keep its number"
register=$folder/DB/Register.db
[[ $(invoice_sql "$register" "SELECT \"Номер\" || ' ' || \"Копия\" FROM \"Документи\"") == "$number 0" ]] ||
  e2e_fail "the register does not hold the refused document: $(invoice_sql "$register" "SELECT * FROM \"Документи\"")"
[[ -f $original && -f ${original%.bmp}.pdf ]] ||
  e2e_fail "the issued document's page is not archived: $(ls "$E2E_TMP/install/DB")"
quantities=$(invoice_sql "$register" "SELECT \"Количество (0.0001)\" FROM \"Редове\" ORDER BY rowid" | tr '\n' ' ')
[[ $quantities == "15000 2500 " ]] ||
  e2e_fail "the quantities typed as 1,5 and 0.25 are recorded as $quantities (ten-thousandths)"
e2e_log "the rejecting printer refused the job; the document stays in the register and the archive, its quantities 1.5 and 0.25"
cupsaccept PDF || e2e_fail "could not make the printer accept jobs"

invoice_click_in "$printwin" 112 43   # "Отпечатай ОРИГИНАЛ на документа"
invoice_wait_new_window "the print dialog" "$menu" "$doc" "$printwin"
dialog=$E2E_WINDOW
invoice_settle "$menu"
e2e_screenshot 3-print-dialog
e2e_confirm "$dialog"
e2e_wait_window_gone "$dialog"
invoice_wait_sql "$register" "SELECT \"Копия\" FROM \"Документи\"" 1 "the copies of the document printed again"
invoice_settle "$menu"
invoice_expect_windows "after printing" "$menu" "$doc" "$printwin"
e2e_screenshot 4-printed
[[ -f $archive ]] || e2e_fail "no archive image of the copy $archive"
cp "$original" "$E2E_ARTIFACTS/original.bmp"

# The same number again, for another client: the register refuses it.
client='„Бета Строй“ АД'
pick_client "$doc" "$printwin"
xdotool windowraise "$printwin"
invoice_click_in "$printwin" 112 43   # "Отпечатай ОРИГИНАЛ на документа"
invoice_wait_new_window "the refusal of a number issued before" "$menu" "$doc" "$printwin"
e2e_screenshot 5-number-refused
confirm_message "$E2E_WINDOW"
invoice_settle "$menu"
invoice_expect_windows "after the refusal" "$menu" "$doc" "$printwin"
cmp -s "$original" "$E2E_ARTIFACTS/original.bmp" || e2e_fail "the refused print changed the archived page"
[[ $(invoice_sql "$register" "SELECT count(*) FROM \"Документи\"") == 1 ]] || e2e_fail "the refused print was recorded"

# ------------------------------------------------------------ the register
invoice_menu_button "$menu" 0 480 "$doc" "$printwin"   # "Издадени документи"
e2e_wait_window '^Издадени документи$'
issued=$E2E_WINDOW
invoice_settle "$menu"
invoice_click_in "$issued" 300 54   # the search box: 168, 44, 260 x 21
e2e_focus "$issued"
e2e_type "Делта"
invoice_settle "$menu"
e2e_screenshot 6-register
stored=$(invoice_sql "$register" "SELECT \"Номер\" || '|' || \"Клиент\" || '|' || printf('%.2f', \"Сума за плащане (0.0001)\" / 10000.0) FROM \"Документи\"")
IFS='|' read -r stored_number stored_client stored_total <<<"$stored"
[[ $stored_number == "$number" && $stored_client == *"Делта Логистик"* ]] ||
  e2e_fail "the register holds $stored"
# The found row's cells, read through the clipboard: number, then three
# columns on the client, three more on the total.
invoice_click_in "$issued" 40 135   # the number in the first row, under the header
row=
for step in 0 3 3; do
  for ((i = 0; i < step; i++)); do e2e_key Right; done
  invoice_text "$issued"
  row+="$E2E_TEXT|"
done
[[ $row == "$stored|" ]] || e2e_fail "the register window shows \"$row\" instead of \"$stored|\""
page=$(pdftotext -layout "${original%.bmp}.pdf" - | tr -s ' \n' ' ')
for field in "$stored_number" "$stored_client" "$stored_total"; do
  [[ $page == *"$field"* ]] || e2e_fail "the PDF copy does not show the register's \"$field\": $page"
done
e2e_log "the register window finds $number by its client; number, client and total are the page's"
# Every field the register recorded is on the page, line by line of the
# field (the page breaks long texts): the own company, the client, the
# dates, the payment block, the texts, the totals and each line.
amount() { printf "rtrim(rtrim(printf('%%.4f', \"%s\" / 10000.0), '0'), '.')" "$1"; }
money() { printf "printf('%%.2f', \"%s\" / 10000.0)" "$1"; }
# A price as the lines show it: every decimal it has, at least two.
price() { echo "CASE WHEN \"$1\" % 100 = 0 THEN $(money "$1") ELSE $(amount "$1") END"; }
fields=
for column in "Заглавие" "Номер" "Дата" "Доставчик" "Доставчик: втори ред" "Доставчик: адрес" \
  "Доставчик: адрес, втори ред" "Доставчик: МОЛ" "Доставчик: ИН по ЗДДС" "Доставчик: ИН" "Местоиздаване" \
  "Клиент" "Клиент: адрес" "Клиент: МОЛ" "Клиент: ИН по ЗДДС" "Клиент: ИН" "Плащане" "Банка" "IBAN" \
  "SWIFT/BIC" "Словом" "Основание за неначисляване на ДДС" "Надпис под основанието" \
  "Основание за ново превозно средство" "Дата на данъчното събитие" "Дата на плащане" "Получател" "Съставил"; do
  fields+="\"$column\", "
done
fields+="$(money 'Данъчна основа (0.0001)'), $(money 'ДДС (0.0001)'), $(money 'Сума за плащане (0.0001)'), \"ДДС %\" || '%'"
recorded=$(invoice_sql "$register" "SELECT $fields FROM \"Документи\";
  SELECT \"№\", \"Описание\", \"Мярка\", $(amount 'Количество (0.0001)'), $(price 'Единична цена (0.0001)'),
         $(money 'Стойност (0.0001)') FROM \"Редове\" ORDER BY rowid" | tr '|' '\n')
checked=0
while IFS= read -r field; do
  field=$(tr -s ' ' <<<"$field")
  [[ -z ${field// /} ]] && continue
  [[ $page == *"$field"* ]] || e2e_fail "the PDF copy does not show the register's \"$field\": $page"
  ((checked += 1))
done <<<"$recorded"
((checked >= 30)) || e2e_fail "only $checked of the register's fields were compared: $recorded"
e2e_log "the $checked texts of the recorded document are all on its page"
e2e_close_program "$menu"

# ------------------------------------------------------------ the printer's page
deadline=$((SECONDS + E2E_TIMEOUT))
while [[ -n $(lpstat -o) || $(lpstat -W completed -o | wc -l) -lt 1 ]]; do
  ((SECONDS < deadline)) || e2e_fail "the print job did not complete: $(lpstat -W all -o)"
  sleep 0.2
done
sleep 0.5   # cups-pdf renames its file after the job has ended
jobs=$(lpstat -W completed -o | wc -l)
((jobs == 1)) || e2e_fail "$jobs jobs reached the printer instead of one: $(lpstat -W completed -o)"
cp "$cups/log/page_log" "$E2E_ARTIFACTS/page_log" 2>/dev/null || true
[[ $(grep -c " total 1 " "$cups/log/page_log") == 1 ]] ||
  e2e_fail "the scheduler did not count one page a job: $(cat "$cups/log/page_log" 2>/dev/null)"

printed=$(ls -t "$pdf_out"/InvFirm1_"${number}"_*.pdf 2>/dev/null | head -1)
[[ -n $printed ]] || e2e_fail "cups-pdf wrote no InvFirm1_${number}_*.pdf in $pdf_out"
mv "$printed" "$E2E_ARTIFACTS/printed.pdf"
pages=$(pdfinfo "$E2E_ARTIFACTS/printed.pdf" | sed -n 's/^Pages: *//p')
[[ $pages == 1 ]] || e2e_fail "the printed document has $pages pages"

# The archive image of the page printed and its PDF copy.
cp "${archive%.bmp}.pdf" "$E2E_ARTIFACTS/archive.pdf" || e2e_fail "no PDF copy beside the archive image"
bits=$(od -An -tu2 -j28 -N2 "$archive" | tr -d ' ')
[[ $bits == 8 ]] || e2e_fail "the archive image has $bits bits per pixel instead of 8"
copy_text=$(pdftotext "$E2E_ARTIFACTS/archive.pdf" -)
[[ $copy_text == *"$number"* && $copy_text == *"Копие"* && $copy_text != *"Оригинал"* ]] ||
  e2e_fail "the copy's PDF does not read the number and the mark \"Копие\": $copy_text"
original_text=$(pdftotext "${original%.bmp}.pdf" -)
[[ $original_text == *"Оригинал"* ]] || e2e_fail "the original's PDF does not read \"Оригинал\": $original_text"

cups_expect_page_shows "$E2E_ARTIFACTS/printed.pdf" "$archive"
e2e_log "one page printed; archive image, PDF copy and printed page kept as artefacts"
