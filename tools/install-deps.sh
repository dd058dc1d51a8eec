#!/usr/bin/env bash
# Installs what building, running and testing ユリモカ needs on Debian 12.
# Quick when everything is already there.
set -euo pipefail

packages=(
  cmake g++ make pkg-config
  qt6-base-dev            # Qt 6 Core, Gui, Widgets, PrintSupport, Test
  libcups2-dev            # sending print jobs to CUPS and hearing whether they were taken
  libmecab-dev            # MeCab: the readings of a poem's kanji, for the count of its sounds
  mecab-ipadic-utf8       # MeCab's IPA dictionary in UTF-8, made its default dictionary
  libxcb1-dev             # asking the X server which window manager frames the small windows
  fonts-ipafont           # IPA mincho and gothic: the faces behind ＭＳ 明朝 / ＭＳ ゴシック
  fonts-noto-cjk          # vertical presentation forms for 、。「」…
  libbenchmark-dev        # the benchmark program
  libx11-dev              # the start-up timer sees windows through X events
  xvfb openbox            # a display for machines without one
  xdotool python3-pyatspi at-spi2-core dbus-x11  # bench/window_ops.sh clicks the real window
  poppler-utils           # pdftotext / pdffonts: the print tests read their PDFs back
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
