#!/usr/bin/env bash
# Prints one page through a real print spooler: starts a private CUPS daemon
# (its own configuration, spool and socket under a temporary folder, so the
# machine's printers stay as they are), adds a cups-pdf printer as the default,
# lets the program print to the default printer and checks the PDF that
# cups-pdf writes. Stops the daemon at the end, whatever happened.
#
#   scripts/test_spooler.sh [build-dir]      (default: build)
#
# Needs root (the cups-pdf backend runs only as root) and the packages cups and
# printer-driver-cups-pdf; without them it says so and exits 0. Bounded in time.
set -uo pipefail
cd "$(dirname "$0")/.."
BUILD=${1:-build}
TEST_BIN="$BUILD/src/platform/qt/output_test"
PPD=/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd

skip() { echo "spooler test skipped: $*"; exit 0; }
[ "$(id -u)" -eq 0 ] || skip "not running as root"
[ -x /usr/sbin/cupsd ] && command -v lpadmin >/dev/null && command -v lpstat >/dev/null || skip "cups is not installed"
[ -x /usr/lib/cups/backend/cups-pdf ] && [ -f "$PPD" ] || skip "printer-driver-cups-pdf is not installed"
command -v pdfinfo >/dev/null || skip "pdfinfo (poppler-utils) is not installed"
[ -x "$TEST_BIN" ] || { echo "spooler test: $TEST_BIN not built" >&2; exit 1; }

WORK=$(mktemp -d /tmp/vantrel-spooler.XXXXXX)
chmod 755 "$WORK"
CUPSD_PID=""
HOME_PDF="${HOME:-/root}/PDF"
HOME_PDF_EXISTED=0
[ -d "$HOME_PDF" ] && HOME_PDF_EXISTED=1
cleanup() {
  if [ -n "$CUPSD_PID" ] && kill -0 "$CUPSD_PID" 2>/dev/null; then
    kill "$CUPSD_PID" 2>/dev/null
    for _ in $(seq 50); do kill -0 "$CUPSD_PID" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$CUPSD_PID" 2>/dev/null
  fi
  rm -rf "$WORK"
  # cups-pdf makes the user's PDF folder; take it away again if it was not there.
  [ "$HOME_PDF_EXISTED" = 1 ] || rmdir "$HOME_PDF" 2>/dev/null
  return 0
}
trap cleanup EXIT
fail() { echo "spooler test FAILED: $*" >&2; [ -f "$WORK/log/error_log" ] && tail -n 30 "$WORK/log/error_log" >&2; exit 1; }

mkdir -p "$WORK"/{etc/ppd,spool/tmp,cache,state,log,home}
chmod 1777 "$WORK/spool/tmp"
SOCK="$WORK/cups.sock"
cat > "$WORK/etc/cupsd.conf" <<EOF
Listen $SOCK
LogLevel warn
Browsing No
WebInterface No
DefaultAuthType None
<Location />
  Order allow,deny
  Allow all
</Location>
<Location /admin>
  Order allow,deny
  Allow all
</Location>
<Policy default>
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
EOF
cat > "$WORK/etc/cups-files.conf" <<EOF
ServerRoot $WORK/etc
RequestRoot $WORK/spool
TempDir $WORK/spool/tmp
CacheDir $WORK/cache
StateDir $WORK/state
ErrorLog $WORK/log/error_log
AccessLog $WORK/log/access_log
PageLog $WORK/log/page_log
ServerBin /usr/lib/cups
DataDir /usr/share/cups
SystemGroup root
EOF
for f in mime.types mime.convs raw.types raw.convs; do
  [ -f "/etc/cups/$f" ] && cp "/etc/cups/$f" "$WORK/etc/"
done

/usr/sbin/cupsd -f -c "$WORK/etc/cupsd.conf" -s "$WORK/etc/cups-files.conf" &
CUPSD_PID=$!
export CUPS_SERVER="$SOCK"
for _ in $(seq 100); do [ -S "$SOCK" ] && lpstat -r >/dev/null 2>&1 && break; sleep 0.1; done
lpstat -r >/dev/null 2>&1 || fail "the CUPS daemon did not start"

timeout 30 lpadmin -p PDF -v cups-pdf:/ -P "$PPD" -E || fail "lpadmin could not add the cups-pdf printer"
timeout 30 lpadmin -d PDF || fail "lpadmin could not make PDF the default printer"
[ "$(lpstat -d 2>/dev/null)" = "system default destination: PDF" ] || fail "PDF is not the default printer"

# cups-pdf writes a user's job into that user's $HOME/PDF (root here) and jobs
# of unknown users into its spool folder; look in both for a new file.
MARK="$WORK/mark"
touch "$MARK"
sleep 1
export XDG_RUNTIME_DIR="$WORK/xdg"
mkdir -p -m 700 "$XDG_RUNTIME_DIR"
VANTREL_SPOOLER_TEST=1 QT_QPA_PLATFORM=offscreen timeout 120 "$TEST_BIN" \
  --gtest_filter='SpoolerTest.*' || fail "the program could not print"

PDF=""
for _ in $(seq 300); do
  PDF=$(find "$HOME_PDF" /var/spool/cups-pdf -name '*.pdf' -newer "$MARK" 2>/dev/null | head -n 1)
  [ -n "$PDF" ] && [ -s "$PDF" ] && ! lpstat -o PDF 2>/dev/null | grep -q . && break
  sleep 0.1
done
[ -n "$PDF" ] || fail "cups-pdf wrote no PDF (looked in $HOME_PDF and /var/spool/cups-pdf)"
echo "cups-pdf wrote $PDF"
INFO=$(pdfinfo "$PDF" 2>/dev/null) || fail "pdfinfo cannot read $PDF"
echo "$INFO" | grep -Eq '^Pages:[[:space:]]+1$' || fail "the job is not one page: $INFO"
# The page is landscape when the charts' long axis lines run along the sheet's
# long side: either a landscape sheet, or a portrait sheet with the page turned
# on it, as a spooler prints landscape onto portrait paper.
pdftoppm -r 72 -gray -singlefile "$PDF" "$WORK/page" 2>/dev/null || fail "pdftoppm cannot render $PDF"
python3 - "$WORK/page.pgm" <<'PY' || fail "the page is not landscape"
import sys
data = open(sys.argv[1], "rb").read()
fields, pos = [], 0
while len(fields) < 4:
    while data[pos:pos + 1].isspace():
        pos += 1
    end = pos
    while not data[end:end + 1].isspace():
        end += 1
    fields.append(data[pos:end])
    pos = end
pos += 1
w, h = int(fields[1]), int(fields[2])
px = data[pos:pos + w * h]
dark = lambda x, y: px[y * w + x] < 200
def longest(n_outer, n_inner, at):
    best = 0
    for o in range(n_outer):
        run = 0
        for i in range(n_inner):
            run = run + 1 if at(o, i) else 0
            best = max(best, run)
    return best
horizontal = longest(h, w, lambda y, x: dark(x, y))
vertical = longest(w, h, lambda x, y: dark(x, y))
along_long_side = horizontal > vertical if w > h else vertical > horizontal
print(f"sheet {w}x{h} px, longest lines: horizontal {horizontal}, vertical {vertical}")
sys.exit(0 if along_long_side else 1)
PY
rm -f "$PDF"
echo "spooler test passed: one landscape page through CUPS"
