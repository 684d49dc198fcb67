#!/bin/sh
# cmake --install into a temporary prefix: the layout a user gets, the desktop entry naming
# the installed program, and the validators' verdict on what was installed.
# usage: install_test.sh BUILD_DIR
set -eu
build=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
prefix=$tmp/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null

fail=0
for f in bin/kivo bin/kivo-info bin/kivo-tidy \
         share/applications/kivomat.desktop \
         share/icons/hicolor/scalable/apps/kivomat.svg \
         share/icons/hicolor/48x48/apps/kivomat.png \
         share/icons/hicolor/128x128/apps/kivomat.png \
         share/icons/hicolor/256x256/apps/kivomat.png \
         share/metainfo/org.example.Kivomat.metainfo.xml \
         share/man/man1/kivo.1 share/man/man1/kivo-info.1 share/man/man1/kivo-tidy.1 \
         share/bash-completion/completions/kivo-info share/bash-completion/completions/kivo-tidy; do
  [ -s "$prefix/$f" ] || { echo "missing: $f"; fail=1; }
done

# A prefix outside the default PATH: the entry names the program by its full path.
grep -qx "Exec=$prefix/bin/kivo %f" "$prefix/share/applications/kivomat.desktop" ||
  { echo "Exec does not name $prefix/bin/kivo:"; grep Exec "$prefix/share/applications/kivomat.desktop"; fail=1; }
grep -q '@KIVO_VERSION@' "$prefix/share/man/man1/kivo.1" && { echo "man page not configured"; fail=1; }

# Every program answers --version with the one project version.
version=$(sed -n 's/^#define KIVO_VERSION_TEXT "\(.*\)"$/\1/p' "$build/generated/kivo_version.h")
for p in kivo kivo-info kivo-tidy; do
  out=$(env -u DISPLAY -u WAYLAND_DISPLAY "$prefix/bin/$p" --version)
  [ "$out" = "$p $version (Kivomat)" ] || { echo "$p --version: '$out', expected '$p $version (Kivomat)'"; fail=1; }
done
grep -q "<release version=\"$version\"" "$prefix/share/metainfo/org.example.Kivomat.metainfo.xml" ||
  { echo "metainfo release is not $version"; fail=1; }

if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$prefix/share/applications/kivomat.desktop" || fail=1
else
  echo "desktop-file-validate not installed: desktop entry not validated"
fi
if command -v appstreamcli >/dev/null; then
  appstreamcli validate --no-net "$prefix/share/metainfo/org.example.Kivomat.metainfo.xml" || fail=1
else
  echo "appstreamcli not installed: metainfo not validated"
fi
if command -v man >/dev/null; then
  for page in kivo kivo-info kivo-tidy; do
    warn=$(MANWIDTH=80 man --warnings -l "$prefix/share/man/man1/$page.1" 2>&1 >/dev/null)
    [ -z "$warn" ] || { echo "$page.1: $warn"; fail=1; }
  done
fi
for c in kivo-info kivo-tidy; do
  bash -n "$prefix/share/bash-completion/completions/$c" || fail=1
done
exit $fail
