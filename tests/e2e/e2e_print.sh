#!/usr/bin/env bash
# Printing from the real program onto a real CUPS printer. The test starts a
# CUPS scheduler of its own (its own configuration, spool and socket, so a
# system scheduler, running or not, is left alone) with a cups-pdf printer as
# the default printer. Over the demo tables it picks one article and a client,
# then "Отпечатай и съхрани" on the main menu assembles the invoice and opens
# the print window. The original goes first to the printer while it rejects
# jobs: the program says so with CUPS's own reason, and neither the number
# nor an archived page is kept. Then it is printed through the print dialog.
# Last, another client is picked and the same number is printed again: the
# program says the number was issued before and keeps the first archived page
# beside the new one. Exactly two jobs of one page each reach the printer, the
# first page shows the invoice, the archive images and their PDF copies are in
# the installation folder's DB folder (kept as artefacts with the printed
# page), and the company's last invoice number is the printed one.
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
source "$(dirname "${BASH_SOURCE[0]}")/invoice_lib.sh"
e2e_init "$@"
invoice_require sqlite3 pdfinfo pdftoppm pdftotext compare lpadmin lpstat
[[ -x /usr/sbin/cupsd && -x /usr/lib/cups/backend/cups-pdf ]] ||
  e2e_fail "CUPS or cups-pdf is missing (scripts/install-deps.sh installs them)"
((EUID == 0)) || e2e_fail "the CUPS scheduler and the cups-pdf backend need root"

# ------------------------------------------------------------ CUPS
CUPS_PID=
stop_cups()
{
  if [[ -n $CUPS_PID ]]; then
    e2e_end_process "$CUPS_PID"
    CUPS_PID=
  fi
}
print_cleanup()
{
  local status=$?
  stop_cups
  (exit "$status")
  e2e_cleanup
}
trap print_cleanup EXIT

cups=$E2E_TMP/cups
mkdir -p "$cups"/{etc/ppd,spool/tmp,cache,state,log}
# The filters run as the scheduler's own user: they have to reach the spool.
chmod 755 "$E2E_TMP" "$cups" "$cups/spool"
chmod 1777 "$cups/spool/tmp"
cat >"$cups/etc/cupsd.conf" <<CONF
Listen $cups/cups.sock
LogLevel info
WebInterface No
Browsing No
<Location />
  Order allow,deny
  Allow all
</Location>
CONF
cat >"$cups/etc/cups-files.conf" <<CONF
ServerRoot $cups/etc
RequestRoot $cups/spool
TempDir $cups/spool/tmp
CacheDir $cups/cache
StateDir $cups/state
AccessLog $cups/log/access_log
ErrorLog $cups/log/error_log
PageLog $cups/log/page_log
ServerBin /usr/lib/cups
DataDir /usr/share/cups
SystemGroup root
CONF
/usr/sbin/cupsd -f -c "$cups/etc/cupsd.conf" -s "$cups/etc/cups-files.conf" \
  >"$E2E_ARTIFACTS/cupsd.log" 2>&1 &
CUPS_PID=$!
# Every CUPS client of this test, the program included, talks to this scheduler.
export CUPS_SERVER=$cups/cups.sock
unset PRINTER LPDEST
deadline=$((SECONDS + E2E_TIMEOUT))
until lpstat -r 2>/dev/null | grep -q 'is running'; do
  kill -0 "$CUPS_PID" 2>/dev/null || e2e_fail "cupsd did not start (see cupsd.log)"
  ((SECONDS < deadline)) || e2e_fail "cupsd does not answer"
  sleep 0.1
done
lpadmin -p PDF -E -v cups-pdf:/ -m lsb/usr/cups-pdf/CUPS-PDF_opt.ppd 2>/dev/null ||
  e2e_fail "could not add the cups-pdf printer"
lpadmin -d PDF || e2e_fail "could not make the cups-pdf printer the default"
[[ $(lpstat -d) == *": PDF" ]] || e2e_fail "the default printer is \"$(lpstat -d)\""
e2e_log "cupsd (pid $CUPS_PID) on $CUPS_SERVER with the default printer PDF"

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
archive=$E2E_TMP/install/DB/InvFirm1_${number}_.bmp
mkdir -p "$E2E_TMP/install/DB"

# ------------------------------------------------------------ print
e2e_start_display
e2e_start_to_menu "$folder" "20%"
menu=$E2E_MENU

# One article and a client: a page without them is refused.
invoice_menu_button "$menu" 0 240   # "Стоки и Услуги"
e2e_wait_window '^СТОКИ$'
browser=$E2E_WINDOW
invoice_browser_search "$browser" 002
invoice_browser_add "$browser"
invoice_wait_new_window "the quantity box" "$menu" "$browser"
e2e_answer "$E2E_WINDOW" 1
e2e_wait_window_gone "$E2E_WINDOW"
invoice_settle "$menu"
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

# The printer rejects jobs: the job is refused, nothing is kept.
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
[[ $(invoice_sql "$firm" "SELECT \"Фактура №\" FROM Firm ORDER BY rowid LIMIT 1") == "$last" ]] ||
  e2e_fail "a refused job recorded its number"
[[ -z $(find "$E2E_TMP/install/DB" -name "*_${number}_*") ]] ||
  e2e_fail "a refused job left archived files: $(ls "$E2E_TMP/install/DB")"
e2e_log "the rejecting printer refused the job; nothing recorded or archived"
cupsaccept PDF || e2e_fail "could not make the printer accept jobs"

invoice_click_in "$printwin" 112 43   # "Отпечатай ОРИГИНАЛ на документа"
invoice_wait_new_window "the print dialog" "$menu" "$doc" "$printwin"
dialog=$E2E_WINDOW
invoice_settle "$menu"
e2e_screenshot 3-print-dialog
e2e_confirm "$dialog"
e2e_wait_window_gone "$dialog"
invoice_wait_sql "$firm" "SELECT \"Фактура №\" FROM Firm ORDER BY rowid LIMIT 1" "$number" \
  "the company's last invoice number after printing"
invoice_settle "$menu"
invoice_expect_windows "after printing" "$menu" "$doc" "$printwin"
e2e_screenshot 4-printed
[[ -f $archive ]] || e2e_fail "no archive image $archive"
cp "$archive" "$E2E_ARTIFACTS/archive.bmp"

# The same number again, for another client.
client='„Бета Строй“ АД'
pick_client "$doc" "$printwin"
xdotool windowraise "$printwin"
invoice_click_in "$printwin" 112 43   # "Отпечатай ОРИГИНАЛ на документа"
invoice_wait_new_window "the message of a number issued before" "$menu" "$doc" "$printwin"
e2e_screenshot 5-issued-before
confirm_message "$E2E_WINDOW"
invoice_wait_new_window "the print dialog of the reprint" "$menu" "$doc" "$printwin"
dialog=$E2E_WINDOW
invoice_settle "$menu"
e2e_confirm "$dialog"
e2e_wait_window_gone "$dialog"
invoice_settle "$menu"
invoice_expect_windows "after printing again" "$menu" "$doc" "$printwin"
e2e_close_program "$menu"

# Both pages of the number are archived: the first one under a name with its time.
kept=$(find "$E2E_TMP/install/DB" -name "InvFirm1_${number}__*.bmp")
[[ -n $kept && -f ${kept%.bmp}.pdf ]] ||
  e2e_fail "the first page of $number is not kept: $(ls "$E2E_TMP/install/DB")"
cmp -s "$kept" "$E2E_ARTIFACTS/archive.bmp" || e2e_fail "the kept page is not the first one printed"
cmp -s "$archive" "$E2E_ARTIFACTS/archive.bmp" && e2e_fail "the second page is the first one again"
cp "$archive" "$E2E_ARTIFACTS/archive-reprinted.bmp"
[[ $(pdftotext "${kept%.bmp}.pdf" -) == *"Делта Логистик"* ]] ||
  e2e_fail "the kept PDF copy does not show the first client"
[[ $(pdftotext "${archive%.bmp}.pdf" -) == *"Бета Строй"* ]] ||
  e2e_fail "the new PDF copy does not show the second client"
e2e_log "both pages of $number archived: $(basename "$kept") and $(basename "$archive")"

# ------------------------------------------------------------ the printer's page
deadline=$((SECONDS + E2E_TIMEOUT))
while [[ -n $(lpstat -o) || $(lpstat -W completed -o | wc -l) -lt 2 ]]; do
  ((SECONDS < deadline)) || e2e_fail "the print job did not complete: $(lpstat -W all -o)"
  sleep 0.2
done
sleep 0.5   # cups-pdf renames its file after the job has ended
jobs=$(lpstat -W completed -o | wc -l)
((jobs == 2)) || e2e_fail "$jobs jobs reached the printer instead of two: $(lpstat -W completed -o)"
cp "$cups/log/page_log" "$E2E_ARTIFACTS/page_log" 2>/dev/null || true
[[ $(grep -c " total 1 " "$cups/log/page_log") == 2 ]] ||
  e2e_fail "the scheduler did not count one page a job: $(cat "$cups/log/page_log" 2>/dev/null)"

# The second job has the first one's name: cups-pdf keeps the last.
printed=$(ls -t "$pdf_out"/InvFirm1_"${number}"_*.pdf 2>/dev/null | head -1)
[[ -n $printed ]] || e2e_fail "cups-pdf wrote no InvFirm1_${number}_*.pdf in $pdf_out"
mv "$printed" "$E2E_ARTIFACTS/printed.pdf"
pages=$(pdfinfo "$E2E_ARTIFACTS/printed.pdf" | sed -n 's/^Pages: *//p')
[[ $pages == 1 ]] || e2e_fail "the printed document has $pages pages"

# The archive image of the page printed last and its PDF copy.
cp "${archive%.bmp}.pdf" "$E2E_ARTIFACTS/archive.pdf" || e2e_fail "no PDF copy beside the archive image"
bits=$(od -An -tu2 -j28 -N2 "$archive" | tr -d ' ')
[[ $bits == 8 ]] || e2e_fail "the archive image has $bits bits per pixel instead of 8"
copy_text=$(pdftotext "$E2E_ARTIFACTS/archive.pdf" -)
[[ $copy_text == *"$number"* && $copy_text == *"Оригинал"* ]] ||
  e2e_fail "the PDF copy does not read the number and the mark: $copy_text"

# The printed page is the archived picture stretched over the page: blurred
# to even out the text's edges, the two correlate (a blank page gives 0, the
# page upside down about 0.1, the page itself about 0.7).
pdftoppm -png -r 60 -singlefile "$E2E_ARTIFACTS/printed.pdf" "$E2E_ARTIFACTS/printed-page"
size=$(identify -format '%wx%h!' "$E2E_ARTIFACTS/printed-page.png")
convert "$E2E_ARTIFACTS/printed-page.png" -colorspace gray -blur 0x3 "$E2E_TMP/printed-blurred.png"
convert "$archive" -resize "$size" -colorspace gray -blur 0x3 "$E2E_TMP/archive-blurred.png"
correlation=$(compare -metric NCC "$E2E_TMP/printed-blurred.png" "$E2E_TMP/archive-blurred.png" null: 2>&1 || true)
e2e_log "printed page against the archive image: correlation $correlation"
awk -v c="$correlation" 'BEGIN { exit !(c ~ /^[0-9.]+$/ && c > 0.5) }' ||
  e2e_fail "the printed page does not show the archived invoice (correlation $correlation)"
e2e_log "two pages printed; archive images, PDF copy and printed page kept as artefacts"
