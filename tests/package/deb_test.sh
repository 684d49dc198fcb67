#!/bin/sh
# The Debian package as a user installs it: built by CPack from this build, unpacked with
# dpkg -x. Skips (77) when dpkg-deb is missing.
# usage: deb_test.sh BUILD_DIR
set -eu
build=$1
if ! command -v dpkg-deb >/dev/null || ! command -v dpkg-shlibdeps >/dev/null; then
  echo "dpkg-deb or dpkg-shlibdeps not installed: package not built"
  exit 77
fi
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$tmp/out" >"$tmp/cpack.log" 2>&1 ||
  { cat "$tmp/cpack.log"; exit 1; }
deb=$(ls "$tmp"/out/*.deb)
root=$tmp/root
dpkg -x "$deb" "$root"

fail=0
for f in usr/bin/kivo usr/bin/kivo-info usr/bin/kivo-tidy \
         usr/share/applications/kivomat.desktop \
         usr/share/icons/hicolor/scalable/apps/kivomat.svg \
         usr/share/icons/hicolor/48x48/apps/kivomat.png \
         usr/share/icons/hicolor/128x128/apps/kivomat.png \
         usr/share/icons/hicolor/256x256/apps/kivomat.png \
         usr/share/metainfo/org.example.Kivomat.metainfo.xml \
         usr/share/man/man1/kivo.1 usr/share/man/man1/kivo-info.1 usr/share/man/man1/kivo-tidy.1 \
         usr/share/bash-completion/completions/kivo-info \
         usr/share/bash-completion/completions/kivo-tidy; do
  [ -s "$root/$f" ] || { echo "missing in the package: /$f"; fail=1; }
done
grep -qx 'Exec=kivo %f' "$root/usr/share/applications/kivomat.desktop" ||
  { echo "the packaged entry does not start kivo from PATH"; fail=1; }
# Nothing of the staging folder leaks into the package.
if grep -rl "_CPack_Packages" "$root/usr/share" >/dev/null 2>&1; then
  echo "staging path inside the package"; fail=1
fi

depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for lib in libqt6widgets6 libc6 libjpeg62-turbo; do
  echo "$depends" | grep -q "$lib" || { echo "Depends lacks $lib"; fail=1; }
done
if command -v file >/dev/null; then
  for p in kivo kivo-info kivo-tidy; do
    file "$root/usr/bin/$p" | grep -q 'not stripped' && { echo "/usr/bin/$p is not stripped"; fail=1; }
  done
else
  echo "file not installed: stripping not checked"
fi
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$root/usr/share/applications/kivomat.desktop" || fail=1
else
  echo "desktop-file-validate not installed: desktop entry not validated"
fi
if command -v appstreamcli >/dev/null; then
  appstreamcli validate --no-net "$root/usr/share/metainfo/org.example.Kivomat.metainfo.xml" || fail=1
else
  echo "appstreamcli not installed: metainfo not validated"
fi
exit $fail
