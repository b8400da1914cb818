#!/usr/bin/env bash
# Installs the build into a scratch prefix, then runs the installed plexar-cli
# from another folder on the installed sample data, and validates the desktop
# entry and the AppStream metainfo.
#   tests/install_test.sh BUILD-DIR SOURCE-DIR
set -euo pipefail
build=$1 source=$2
prefix=$(mktemp -d) elsewhere=$(mktemp -d)
trap 'rm -rf "$prefix" "$elsewhere"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$prefix" >/dev/null
for f in bin/plexar bin/plexar-cli share/plexar/ui/karto04.ui share/plexar/maps/karto04.bmp \
         share/plexar/sample/texas.dat share/plexar/sample/texas.csv share/plexar/sample/texas-counties.csv \
         share/applications/plexar.desktop share/metainfo/org.example.plexar.metainfo.xml \
         share/icons/hicolor/48x48/apps/plexar.png share/icons/hicolor/256x256/apps/plexar.png \
         share/icons/hicolor/scalable/apps/plexar.svg share/man/man1/plexar.1.gz share/man/man1/plexar-cli.1.gz share/doc/plexar/copyright; do
    [ -e "$prefix/$f" ] || fail "not installed: $f"
done

# From another folder: the installed program finds its catalogue and map.
cd "$elsewhere"
errors=$("$prefix/bin/plexar-cli" render "$prefix/share/plexar/sample/texas.dat" view.bmp --size 200x150 2>&1) ||
    fail "render: $errors"
[ -z "$errors" ] || fail "render said: $errors"
# Not a white map: the pixel in the middle shows the map's own colours.
size=$(stat -c %s view.bmp)
[ "$size" -eq $((54 + 600 * 150)) ] || fail "picture of $size bytes"
middle=$(od -An -tu1 -j $((54 + 75 * 600 + 100 * 3)) -N3 view.bmp | tr -s ' ')
[ "$middle" != " 255 255 255" ] || fail "the map is white: data not found"
# The installed table of real figures opens whole.
summary=$("$prefix/bin/plexar-cli" convert "$prefix/share/plexar/sample/texas-counties.csv" table.dat 2>&1) ||
    fail "convert: $summary"
grep -q "254 of 254 counties got a row, 5 fields were taken, 0 rows did not match" <<<"$summary" ||
    fail "the table of real figures: $summary"
"$prefix/bin/plexar" --version | grep -qx "Plexar 1.0c" || fail "--version"

desktop-file-validate "$prefix/share/applications/plexar.desktop" || fail "desktop entry"
appstream-util validate-relax --nonet "$prefix/share/metainfo/org.example.plexar.metainfo.xml" >/dev/null ||
    fail "metainfo"
echo "installed and ran from $elsewhere: ok"
