#!/usr/bin/env bash
# CI: builds the Debian package, checks it with lintian and the desktop and
# AppStream validators, unpacks it into a scratch root and runs the installed
# programs from there. Reuses the build folder that `make test` filled.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build}

rm -f "$BUILD_DIR"/velmora_*.deb
make package BUILD_DIR="$BUILD_DIR"
deb=$(echo "$BUILD_DIR"/velmora_*.deb)
echo "== $deb"
dpkg-deb -f "$deb" Depends

lintian --fail-on error --display-level '>=warning' "$deb"

root=$(mktemp -d)
home=$(mktemp -d)
trap 'rm -rf "$root" "$home"' EXIT
dpkg-deb -x "$deb" "$root"
desktop-file-validate "$root"/usr/share/applications/*.desktop
appstreamcli validate --no-net "$root"/usr/share/metainfo/*.metainfo.xml

# Every dependency is satisfiable here (changes nothing on the machine).
if [ "$(id -u)" -eq 0 ]; then
  dpkg --dry-run -i "$deb" >/dev/null
fi

version=$(sed -n 's/^project(Velmora VERSION \([^ ]*\).*/\1/p' CMakeLists.txt)
test "$("$root/usr/bin/velmora-convert" --version)" = "velmora-convert $version"

# The installed velmora-convert converts an iPhone backup with the installed extractor.
VELMORA_INSTALLED_ROOT="$root" "$BUILD_DIR/bin/tst_InstalledLayout"

# The installed app starts offscreen (first start: the set-up wizard) and a
# SIGTERM ends it through its close path with exit code 0.
HOME="$home" QT_QPA_PLATFORM=offscreen "$root/usr/bin/velmora" &
pid=$!
catches_term() { # bit 15 of the caught-signals mask: its handler is installed
  local mask
  mask=$(sed -n 's/^SigCgt:[[:space:]]*//p' "/proc/$pid/status" 2>/dev/null) || return 1
  [ -n "$mask" ] && (( (16#$mask >> 14) & 1 ))
}
for _ in $(seq 300); do
  catches_term && break
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
catches_term || { echo "velmora did not start"; kill -KILL "$pid" 2>/dev/null; exit 1; }
sleep 1 # let the wizard open, so the signal arrives inside its event loop
kill -TERM "$pid"
status=0
wait "$pid" || status=$?
test "$status" -eq 0 || { echo "velmora ended with $status on SIGTERM"; exit 1; }
echo "== package checks passed"
