#!/usr/bin/env bash
# Makes a real CUPS print queue for the print tests, on Debian 12, as root:
# cups and cups-filters, a file: queue PDFFILE with the generic PDF driver as
# the default printer (every job lands as a PDF in one file, which the tests
# read back with pdftotext), and a second queue REFUSING that refuses jobs.
#
# Everything it says goes to stderr; stdout carries only the lines that tell
# the tests where the queue writes, for the caller to eval:
#
#     printer_env="$(./tools/ci-printer.sh)"
#     eval "$printer_env"
#     ./tools/test.sh
#
# YURIMOKA_PRINTER_DIR chooses the folder the queue writes into.
set -euo pipefail

say() { echo "ci-printer: $*" >&2; }

if [ "$(id -u)" -ne 0 ]; then
  say "must run as root (it installs packages and configures CUPS)"
  exit 1
fi

export DEBIAN_FRONTEND=noninteractive
missing=()
for p in cups cups-client cups-filters; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  say "installing ${missing[*]}"
  apt-get update -qq >&2
  # A container without an init system refuses to start the service during
  # the installation; that is fine, cupsd is started below.
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >&2
fi

ppd=lsb/usr/cupsfilters/Generic-PDF_Printer-PDF.ppd
out_dir="${YURIMOKA_PRINTER_DIR:-/var/tmp/yurimoka-printer}"
out_pdf="$out_dir/out.pdf"
mkdir -p "$out_dir"
chmod 1777 "$out_dir" # the queue writes as the lp user

# A file: device is refused unless the scheduler allows it.
files_conf=/etc/cups/cups-files.conf
if ! grep -Eq '^[[:space:]]*FileDevice[[:space:]]+Yes' "$files_conf"; then
  sed -i -E '/^[[:space:]]*FileDevice[[:space:]]/d' "$files_conf"
  echo "FileDevice Yes" >>"$files_conf"
  # A scheduler already running reads the file only when it starts.
  if pgrep -x cupsd >/dev/null; then
    say "restarting cupsd for FileDevice"
    kill "$(pgrep -x cupsd)"
    for _ in $(seq 50); do pgrep -x cupsd >/dev/null || break; sleep 0.1; done
  fi
fi

if ! lpstat -r 2>/dev/null | grep -q "is running"; then
  say "starting cupsd"
  cupsd # goes into the background by itself
fi
for _ in $(seq 100); do
  lpstat -r 2>/dev/null | grep -q "is running" && break
  sleep 0.1
done
if ! lpstat -r 2>/dev/null | grep -q "is running"; then
  say "cupsd did not start"
  exit 1
fi

lpadmin -p PDFFILE -v "file://$out_pdf" -m "$ppd" -o PageSize=A4 -E
lpadmin -d PDFFILE
lpoptions -d PDFFILE >/dev/null

lpadmin -p REFUSING -v file:///dev/null -m "$ppd" -E
cupsreject -r "refused on purpose for the tests" REFUSING

say "default printer: $(lpstat -d)"
say "PDFFILE writes to $out_pdf"

echo "export YURIMOKA_TEST_PRINTER_PDF=$out_pdf"
echo "export YURIMOKA_TEST_REFUSING_PRINTER=REFUSING"
