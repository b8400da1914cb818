#!/usr/bin/env bash
# Makes the Debian package from the build, then checks that it holds the
# programs and their data under /usr, that it depends on the libraries the
# programs link (found by dpkg-shlibdeps) and on what Qt loads at run time, and
# that lintian finds nothing wrong with it.
# (That the programs find their data beside bin/ is install_test.sh's part.)
#   tests/package_test.sh BUILD-DIR
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log" >&2; fail "cpack"; }
deb=("$work"/plexar_1.0c_*.deb)
[ -f "${deb[0]}" ] || fail "no plexar_1.0c_*.deb made: $(ls "$work")"

contents=$(dpkg-deb -c "${deb[0]}" | awk '{ print $NF }')
for f in ./usr/bin/plexar ./usr/bin/plexar-cli ./usr/share/plexar/ui/karto04.ui ./usr/share/plexar/maps/karto04.bmp \
         ./usr/share/plexar/sample/texas.dat ./usr/share/plexar/sample/texas-counties.csv \
         ./usr/share/applications/plexar.desktop \
         ./usr/share/icons/hicolor/scalable/apps/plexar.svg ./usr/share/man/man1/plexar.1.gz \
         ./usr/share/doc/plexar/copyright ./usr/share/doc/plexar/changelog.gz; do
    grep -qxF "$f" <<<"$contents" || fail "not in the package: $f"
done

depends=$(dpkg-deb -f "${deb[0]}" Depends)
for d in libc6 libqt6widgets6 libqt6opengl6 libqt6printsupport6 libegl1 qt6-qpa-plugins libgl1-mesa-dri fonts-liberation2; do
    grep -qE "(^|, )$d( |,|$)" <<<"$depends" || fail "Depends lacks $d: $depends"
done
echo "package ${deb[0]##*/}: contents and Depends ($depends): ok"

# Debian's own checks: no error and no warning (informational tags are listed)
if command -v lintian >/dev/null; then
    status=0
    report=$(lintian --tag-display-limit 0 --fail-on error,warning "${deb[0]}" 2>&1) || status=$?
    grep -v 'root privileges' <<<"$report" || true
    [ "$status" -eq 0 ] || fail "lintian reports errors or warnings"
    echo "lintian: no error, no warning"
else
    echo "lintian is not installed: the package's Debian checks were not run"
fi
