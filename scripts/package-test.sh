#!/usr/bin/env bash
# Builds the Debian package from a build folder and checks it: the files a desktop
# needs are in it, lintian reports no errors, and the desktop entry and the AppStream
# metainfo pass desktop-file-validate and appstreamcli validate --no-net.
# Usage: scripts/package-test.sh [BUILD_DIR]   (default: build; the .deb is left there)
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
for tool in cpack lintian desktop-file-validate appstreamcli dpkg-deb; do
  command -v "$tool" >/dev/null || { echo "package-test: $tool is missing" >&2; exit 1; }
done
cmake --build "$build" --target orvik orvik_resources orvik_desktop_files >/dev/null
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls -t "$build"/orvik_*.deb | head -n 1)
echo "package-test: $deb"

work=$(mktemp -d /tmp/orvik-package-test.XXXXXX)
trap 'rm -rf "$work"' EXIT
dpkg-deb -x "$deb" "$work/root"
status=0
for f in usr/bin/orvik usr/share/orvik/Orvik.xml usr/share/orvik/Lang/English.ini \
         usr/share/applications/io.github.orvik.Orvik.desktop \
         usr/share/metainfo/io.github.orvik.Orvik.metainfo.xml \
         usr/share/mime/packages/io.github.orvik.Orvik.xml \
         usr/share/icons/hicolor/scalable/apps/io.github.orvik.Orvik.svg \
         usr/share/icons/hicolor/256x256/apps/io.github.orvik.Orvik.png \
         usr/share/man/man1/orvik.1.gz usr/share/doc/orvik/copyright usr/share/doc/orvik/changelog.gz; do
  [ -f "$work/root/$f" ] || { echo "package-test: $f is not in the package" >&2; status=1; }
done
# The man page names the package's share folder; no home page is claimed (there is none).
dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/share/man/man1/orvik.1.gz | gzip -dc | grep -q '^\.I /usr/share/orvik/$' ||
  { echo "package-test: the man page does not name /usr/share/orvik/" >&2; status=1; }
dpkg-deb -f "$deb" Homepage | grep -q . && { echo "package-test: the package names a home page" >&2; status=1; }
# The dependencies come from the program's shared libraries.
dpkg-deb -f "$deb" Depends | grep -q 'libqt6widgets6' || { echo "package-test: no library dependencies" >&2; status=1; }
# The MIME package names every type the desktop entry offers.
for t in $(sed -n 's/^MimeType=//p' "$work/root/usr/share/applications/io.github.orvik.Orvik.desktop" | tr ';' ' '); do
  grep -q "type=\"$t\"" "$work/root/usr/share/mime/packages/io.github.orvik.Orvik.xml" ||
    { echo "package-test: $t has no MIME type" >&2; status=1; }
done
# Runs as root here; lintian only warns about that.
lintian --fail-on error --tag-display-limit 0 "$deb" || { echo "package-test: lintian reports errors" >&2; status=1; }
desktop-file-validate "$work/root/usr/share/applications/io.github.orvik.Orvik.desktop" || status=1
appstreamcli validate --no-net "$work/root/usr/share/metainfo/io.github.orvik.Orvik.metainfo.xml" || status=1
[ "$status" -eq 0 ] && echo "package-test: passed"
exit "$status"
