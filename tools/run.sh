#!/usr/bin/env bash
# Installs what is missing, builds, and starts ユリモカ.
#
# The program keeps its notebook beside its executable, so it is installed
# into a folder of its own, ~/ユリモカ (override with YURIMOKA_HOME), and
# started from there: rebuilding or cleaning the source tree never touches
# a poem.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
"$here/tools/install-deps.sh"
"$here/tools/build.sh"

home="${YURIMOKA_HOME:-$HOME/ユリモカ}"
mkdir -p "$home"
install -m 0755 "$here/build/src/yurimoka" "$home/yurimoka.new"
mv -f "$home/yurimoka.new" "$home/yurimoka"

if [ -z "${DISPLAY:-}" ]; then
  # No display: start a virtual one with a small window manager.
  export DISPLAY=:77
  if [ ! -e /tmp/.X11-unix/X77 ]; then
    Xvfb :77 -screen 0 1280x800x24 >/dev/null 2>&1 &
    sleep 1
    openbox >/dev/null 2>&1 &
    sleep 1
  fi
  echo "表示装置がないため、仮想ディスプレイ $DISPLAY で起動します。" >&2
fi
echo "句帳のフォルダ: $home" >&2
cd "$home"
exec ./yurimoka
