# Sourced by scripts/test_windows.sh after its other Wine runs (it uses that
# script's run_test, check and counters): vantreldaq.exe prints through a real
# print spooler. A private CUPS daemon (its own configuration, spool and socket
# in a temporary folder, so the machine's printers stay as they are) with a
# cups-pdf printer as its default stands behind Wine through CUPS_SERVER; the
# program prints twice through the page setup dialog, once as proposed and
# once turned to portrait there, and cups-pdf must write one landscape and one
# portrait page. Needs root (the cups-pdf backend runs only as root), cups,
# printer-driver-cups-pdf and poppler-utils; without them it says so.

# Orientation of a PDF's first page as shown: "landscape", "portrait", or
# "none" when there is no readable page.
pdf_orientation() {
  pdfinfo "$1" 2>/dev/null | awk '
    /^Page size:/ { w = $3; h = $5 }
    /^Page rot:/  { r = $3 }
    END { if (w == "") { print "none"; exit }
          if (r == 90 || r == 270) { t = w; w = h; h = t }; print (w > h ? "landscape" : "portrait") }'
}

wine_spooler() {
  local ppd=/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd
  if [ "$(id -u)" -ne 0 ] || [ ! -x /usr/sbin/cupsd ] || [ ! -x /usr/lib/cups/backend/cups-pdf ] ||
     [ ! -f "$ppd" ] || ! command -v pdfinfo >/dev/null || ! command -v lpadmin >/dev/null; then
    echo "printing under Wine through CUPS: skipped (needs root, cups, printer-driver-cups-pdf, poppler-utils)"
    return 0
  fi
  local w sock pid pdfs home_pdf="${HOME:-/root}/PDF" had_home_pdf=0
  [ -d "$home_pdf" ] && had_home_pdf=1
  w=$(mktemp -d /tmp/vantrel-wine-cups.XXXXXX)
  chmod 755 "$w"
  mkdir -p "$w"/{etc,spool/tmp,cache,state,log}
  chmod 1777 "$w/spool/tmp"
  sock="$w/cups.sock"
  printf '%s\n' "Listen $sock" "LogLevel warn" "Browsing No" "WebInterface No" "DefaultAuthType None" \
    "<Location />" "  Order allow,deny" "  Allow all" "</Location>" \
    "<Location /admin>" "  Order allow,deny" "  Allow all" "</Location>" \
    "<Policy default>" "  <Limit All>" "    Order deny,allow" "  </Limit>" "</Policy>" >"$w/etc/cupsd.conf"
  printf '%s\n' "ServerRoot $w/etc" "RequestRoot $w/spool" "TempDir $w/spool/tmp" "CacheDir $w/cache" \
    "StateDir $w/state" "ErrorLog $w/log/error_log" "AccessLog $w/log/access_log" "PageLog $w/log/page_log" \
    "ServerBin /usr/lib/cups" "DataDir /usr/share/cups" "SystemGroup root" >"$w/etc/cups-files.conf"
  for f in mime.types mime.convs raw.types raw.convs; do
    [ -f "/etc/cups/$f" ] && cp "/etc/cups/$f" "$w/etc/"
  done
  /usr/sbin/cupsd -f -c "$w/etc/cupsd.conf" -s "$w/etc/cups-files.conf" &
  pid=$!
  for _ in $(seq 100); do
    [ -S "$sock" ] && CUPS_SERVER="$sock" lpstat -r >/dev/null 2>&1 && break
    sleep 0.1
  done
  if CUPS_SERVER="$sock" timeout 30 lpadmin -p PDF -v cups-pdf:/ -P "$ppd" -E 2>/dev/null &&
     CUPS_SERVER="$sock" timeout 30 lpadmin -d PDF; then
    touch "$w/mark"
    sleep 1
    run_test output_program_test VANTREL_TEST_WINE_SPOOLER=1 CUPS_SERVER="$sock" \
      GTEST_FILTER='*PrintsInTheOrientation*'
    # cups-pdf writes root's jobs into $HOME/PDF a moment after the job ends.
    for _ in $(seq 300); do
      pdfs=$(find "$home_pdf" -name 'Vantrel_Data_Acquisition*.pdf' -newer "$w/mark" 2>/dev/null | sort -V)
      [ "$(printf '%s\n' "$pdfs" | grep -c .)" -ge 2 ] && ! CUPS_SERVER="$sock" lpstat -o 2>/dev/null | grep -q . && break
      sleep 0.1
    done
    check "Wine prints through CUPS: two jobs, one page each" \
      test "$(for p in $pdfs; do pdfinfo "$p" | awk '/^Pages:/ { print $2 }'; done | tr '\n' ' ')" = "1 1 "
    check "... the first landscape, as the dialog proposes" \
      test "$(pdf_orientation "$(printf '%s\n' "$pdfs" | sed -n 1p)")" = landscape
    check "... the second portrait, as chosen in the dialog" \
      test "$(pdf_orientation "$(printf '%s\n' "$pdfs" | sed -n 2p)")" = portrait
    for p in $pdfs; do rm -f "$p"; done
  else
    check "a cups-pdf printer behind Wine" false
  fi
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  rm -rf "$w"
  [ "$had_home_pdf" = 1 ] || rmdir "$home_pdf" 2>/dev/null || true
}

wine_spooler
