#!/usr/bin/env bash
# Two machines on one PostgreSQL server, as two copies of the real program
# with two start folders whose DB/server.conf names one database. The demo
# tables are moved onto a fresh database with the table tool
# (--to-server); the password reaches the programs the libpq way, from a
# password file, never from server.conf. Both programs run at once. The
# first picks 1 of article 002 (5 in stock) for a client and prints the
# invoice: the server's stock is 4 and the company's last number the next
# one. The second, still open from before, is refused 5 of the same article
# ("Няма толкова количество в наличност!"), takes 1, and prints with the
# number after the first one's; the stock is 3 and the register holds both
# numbers once. Printing goes to a cups-pdf printer of the test's own
# scheduler.
#
# It needs the server that the test command starts (pg_virtualenv sets
# PGHOST, PGPORT, PGUSER and PGPASSWORD); without one it is skipped (exit
# status 77), unless BILVARO_TEST_SERVER=required.
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
source "$(dirname "${BASH_SOURCE[0]}")/invoice_lib.sh"
source "$(dirname "${BASH_SOURCE[0]}")/cups_lib.sh"
if [[ -z ${PGHOST:-}${PGPORT:-} ]]; then
  [[ ${BILVARO_TEST_SERVER:-} == required ]] && { echo "$0: no PostgreSQL server (PGHOST/PGPORT are not set)" >&2; exit 1; }
  echo "$0: skipped: no PostgreSQL server (run it under pg_virtualenv)"
  exit 77
fi
e2e_init "$@"
invoice_require psql createdb dropdb
cups_require

# ------------------------------------------------------------ two programs
# lib.sh drives one program, PROGRAM_PID; the desk in front is swapped in.
declare -A desk_pid=() desk_log=()
desk=
use_desk()
{
  if [[ -n $desk ]]; then
    desk_pid[$desk]=$PROGRAM_PID
    desk_log[$desk]=$PROGRAM_LOG
  fi
  desk=$1
  PROGRAM_PID=${desk_pid[$desk]:-}
  PROGRAM_LOG=${desk_log[$desk]:-}
}

database=bilvaro_e2e_$(date +%s)_$$
server_cleanup()
{
  local status=$? name
  [[ -z $desk ]] || desk_pid[$desk]=$PROGRAM_PID
  for name in "${!desk_pid[@]}"; do
    [[ -z ${desk_pid[$name]} ]] || e2e_end_process "${desk_pid[$name]}"
  done
  PROGRAM_PID=
  cups_stop
  dropdb --if-exists --force "$database" 2>/dev/null || true
  e2e_cleanup "$status"
}
trap server_cleanup EXIT
cups_start

# ------------------------------------------------------------ the server
createdb --template template0 --encoding UTF8 "$database" || e2e_fail "could not make the database $database"
host=${PGHOST:-localhost}
[[ $host != /* ]] || host=localhost
address="postgresql://${PGUSER:-$(id -un)}@$host:${PGPORT:-5432}/$database"
# The password from a password file, as a desk keeps it.
passfile=$E2E_TMP/pgpass
printf '*:*:*:*:%s\n' "${PGPASSWORD:-}" >"$passfile"
chmod 600 "$passfile"
export PGPASSFILE=$passfile
unset PGPASSWORD
# The programs take the server from their folders' server.conf only.
unset BILVARO_DATABASE

demo=$(e2e_demo_folder demo)
"$(e2e_table_maker)" "$demo" --to-server "$address" >"$E2E_ARTIFACTS/to-server.log" 2>&1 ||
  e2e_fail "the table tool did not move the demo tables onto the server (see to-server.log)"
server_sql() { psql -X -q -t -A -v ON_ERROR_STOP=1 -d "$database" -c "$1"; }
stock_query='SELECT "К-во" FROM stock WHERE "Пор. №" = '\''002'\'''
number_query='SELECT "Фактура №" FROM "Firm" ORDER BY "__order" LIMIT 1'
[[ $(server_sql "$stock_query") == 5 ]] || e2e_fail "article 002 has \"$(server_sql "$stock_query")\" in stock instead of 5"
last=$(server_sql "$number_query")
[[ $last =~ ^[0-9]+$ ]] || e2e_fail "the company's last number on the server is \"$last\""
first=$(printf '%010d' $((10#$last + 1)))
second=$(printf '%010d' $((10#$last + 2)))

# The archive images of both desks go to the installation folder's DB.
mkdir -p "$E2E_TMP/install/DB"
folders=()
for name in one two; do
  folder=$(e2e_start_folder "$name")
  mkdir -p "$folder/DB"
  printf '%s\n' "$address" >"$folder/DB/server.conf"
  folders+=("$folder")
done

# Waits until a query on the server gives the expected result.
server_wait()
{
  local query=$1 expected=$2 what=$3 deadline actual
  deadline=$((SECONDS + E2E_TIMEOUT))
  while :; do
    actual=$(server_sql "$query" 2>&1) || true
    [[ $actual == "$expected" ]] && return 0
    ((SECONDS < deadline)) || e2e_fail "$what: \"$actual\" instead of \"$expected\""
    e2e_program_running || e2e_fail_program_gone "$what"
    sleep 0.1
  done
}

# ------------------------------------------------------------ one desk's invoice
# Picks QUANTITY of article 002 (first refused for REFUSED, when given) and a
# client, prints the original, and waits for the number on the server.
issue()
{
  local menu=$1 quantity=$2 stock_left=$3 number=$4 refused=${5:-} browser printwin doc dialog message
  invoice_menu_button "$menu" 0 240   # "Стоки и Услуги"
  e2e_wait_window '^СТОКИ$'
  browser=$E2E_WINDOW
  invoice_browser_search "$browser" 002
  if [[ -n $refused ]]; then
    invoice_browser_add "$browser"
    invoice_wait_new_window "the quantity box" "$menu" "$browser"
    e2e_answer "$E2E_WINDOW" "$refused"
    e2e_wait_window_gone "$E2E_WINDOW"
    invoice_wait_new_window "the refusal of $refused" "$menu" "$browser"
    e2e_screenshot "$desk-refused"
    # The refusal, then the line table's own word on the missing quantity.
    for message in 1 2; do
      e2e_confirm "$E2E_WINDOW"
      e2e_wait_window_gone "$E2E_WINDOW"
      invoice_settle "$menu"
      [[ $(e2e_windows | wc -l) -gt 2 ]] || break
      invoice_wait_new_window "message $((message + 1)) after the refusal" "$menu" "$browser"
    done
    invoice_expect_windows "after the refused quantity" "$menu" "$browser"
    [[ $(server_sql "$stock_query") == $((stock_left + quantity)) ]] ||
      e2e_fail "the refused pick changed the stock to $(server_sql "$stock_query")"
    e2e_log "desk $desk: $refused of article 002 refused, the other desk took some"
  fi
  invoice_browser_add "$browser"
  invoice_wait_new_window "the quantity box" "$menu" "$browser"
  e2e_answer "$E2E_WINDOW" "$quantity"
  e2e_wait_window_gone "$E2E_WINDOW"
  server_wait "$stock_query" "$stock_left" "desk $desk: the stock of article 002 after taking $quantity"
  invoice_settle "$menu"
  invoice_browser_exit "$browser"

  invoice_menu_button "$menu" 0 360   # "Клиенти"
  e2e_wait_window '^КЛИЕНТИ$'
  browser=$E2E_WINDOW
  invoice_browser_search "$browser" '„Делта Логистик“ ООД'
  invoice_browser_add "$browser"
  invoice_settle "$menu"
  invoice_browser_exit "$browser"

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
  e2e_confirm "$dialog"
  e2e_wait_window_gone "$dialog"
  server_wait "$number_query" "$number" "desk $desk: the company's last number after printing"
  invoice_settle "$menu"
  invoice_expect_windows "desk $desk: after printing" "$menu" "$doc" "$printwin"
  e2e_screenshot "$desk-printed"
  e2e_log "desk $desk: took $quantity of article 002 ($stock_left left) and printed number $number"
}

e2e_start_display
use_desk one
e2e_start_to_menu "${folders[0]}" "20%"
menu_one=$E2E_MENU
use_desk two
e2e_start_to_menu "${folders[1]}" "20%"
menu_two=$E2E_MENU
# The second menu opens over the first at the screen's corner: the first
# comes to the front for its turn, as a click on it would bring it.
use_desk one
xdotool windowraise "$menu_one"
issue "$menu_one" 1 4 "$first"
use_desk two
xdotool windowraise "$menu_two"
issue "$menu_two" 1 3 "$second" 5

# ------------------------------------------------------------ the server's tables
[[ $(server_sql "$stock_query") == 3 ]] || e2e_fail "article 002 ends with $(server_sql "$stock_query") in stock"
issued=$(server_sql 'SELECT string_agg("Номер"::text, '\'' '\'' ORDER BY "Номер") FROM "Документи"')
[[ $issued == "$first $second" ]] || e2e_fail "the register on the server holds \"$issued\" instead of \"$first $second\""
e2e_log "both numbers issued once on the server, the stock down by both picks"
use_desk one
e2e_close_program "$menu_one"
use_desk two
e2e_close_program "$menu_two"
# Nothing was given back on closing: both invoices were printed.
[[ $(server_sql "$stock_query") == 3 ]] || e2e_fail "closing the programs changed the stock to $(server_sql "$stock_query")"
[[ $(server_sql "$number_query") == "$second" ]] || e2e_fail "the last number is $(server_sql "$number_query")"
