# shellcheck shell=bash
# A CUPS scheduler of the test's own, on top of lib.sh (source that first):
# its own configuration, spool and socket in the test's temporary folder, so
# a system scheduler, running or not, is left alone, with a cups-pdf printer
# as the default printer. cups_start exports CUPS_SERVER, so every CUPS
# client of the test, the program included, talks to it; the test's EXIT trap
# calls cups_stop before e2e_cleanup.

CUPS_PID=
CUPS_DIR=

cups_require()
{
  local tool
  for tool in lpadmin lpstat cupsaccept cupsreject; do
    command -v "$tool" >/dev/null || e2e_fail "$tool is missing (scripts/install-deps.sh should install it)"
  done
  [[ -x /usr/sbin/cupsd && -x /usr/lib/cups/backend/cups-pdf ]] ||
    e2e_fail "CUPS or cups-pdf is missing (scripts/install-deps.sh installs them)"
  ((EUID == 0)) || e2e_fail "the CUPS scheduler and the cups-pdf backend need root"
}

cups_stop()
{
  if [[ -n $CUPS_PID ]]; then
    e2e_end_process "$CUPS_PID"
    CUPS_PID=
  fi
}

cups_start()
{
  local cups=$E2E_TMP/cups deadline
  CUPS_DIR=$cups
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
}

# Checks that the printed PDF $1 shows the archive image $2 (kept as
# printed-page.png in the artifacts). The printed page is the archived
# picture stretched over the page: blurred to even out the text's edges, the
# two correlate (a blank page gives 0, the page upside down about 0.1, the
# page itself about 0.7).
cups_expect_page_shows()
{
  local printed=$1 image=$2 size correlation
  pdftoppm -png -r 60 -singlefile "$printed" "$E2E_ARTIFACTS/printed-page"
  size=$(identify -format '%wx%h!' "$E2E_ARTIFACTS/printed-page.png")
  convert "$E2E_ARTIFACTS/printed-page.png" -colorspace gray -blur 0x3 "$E2E_TMP/printed-blurred.png"
  convert "$image" -resize "$size" -colorspace gray -blur 0x3 "$E2E_TMP/archive-blurred.png"
  correlation=$(compare -metric NCC "$E2E_TMP/printed-blurred.png" "$E2E_TMP/archive-blurred.png" null: 2>&1 || true)
  e2e_log "printed page against the archive image: correlation $correlation"
  awk -v c="$correlation" 'BEGIN { exit !(c ~ /^[0-9.]+$/ && c > 0.5) }' ||
    e2e_fail "the printed page does not show the archived invoice (correlation $correlation)"
}
