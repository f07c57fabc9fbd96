#!/usr/bin/env bash
# Builds the Debian package from build/, unpacks it into a scratch root made
# read-only, and runs the unpacked tessary-batch from there as an
# unprivileged user whose HOME is a fresh writable folder: it must find its
# shipped modules beside itself, keep its preferences and swap files in the
# user's folders, and open, filter and save an image exactly as the build
# tree's program does.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build}
(cd "$build" && cpack -G DEB >/dev/null)
package=$(ls -t "$build"/tessary_*.deb | head -n 1)
echo "Package: $package"
dpkg-deb --field "$package" Package Version Depends

scratch=$(mktemp -d)
cleanup() { chmod -R u+w "$scratch" 2>/dev/null || true; rm -rf "$scratch"; }
trap cleanup EXIT
root="$scratch/root"
home="$scratch/home"
mkdir -p "$root" "$home"
dpkg -x "$package" "$root"
for path in usr/bin/tessary usr/bin/tessary-batch usr/bin/tessary-status \
            usr/lib/tessary/modules usr/share/applications/org.tessary.Tessary.desktop \
            usr/share/icons/hicolor/scalable/apps/org.tessary.Tessary.svg \
            usr/share/metainfo/org.tessary.Tessary.metainfo.xml \
            usr/share/tessary/samples/gradient.bmp; do
  [ -e "$root/$path" ] || { echo "missing from the package: /$path" >&2; exit 1; }
done
if [ -e "$build/bin/libtessary_twain_dsm.so" ] && [ ! -e "$root/usr/lib/tessary/libtessary_twain_dsm.so" ]; then
  echo "missing from the package: /usr/lib/tessary/libtessary_twain_dsm.so" >&2; exit 1
fi
chmod -R a-w "$root"
cp resources/samples/gradient.bmp "$home/in.bmp"

# As root, drop to nobody; otherwise run as this (unprivileged) user.
as_user=()
if [ "$(id -u)" -eq 0 ]; then
  chmod 0755 "$scratch"
  chown -R nobody "$home"
  as_user=(runuser -u nobody --)
fi
"${as_user[@]}" env -i PATH=/usr/bin:/bin HOME="$home" \
  "$root/usr/bin/tessary-batch" "$home/in.bmp" blur-sharpen=-1 invert -o "$home/out.png"

# The installed program wrote nothing beside itself and used the user's folders.
[ -s "$home/out.png" ] || { echo "no output image" >&2; exit 1; }
[ -f "$home/.config/tessary/QSPrefs" ] || { echo "no preference file in ~/.config/tessary" >&2; exit 1; }
[ -d "$home/.cache/tessary" ] || { echo "no swap folder in ~/.cache/tessary" >&2; exit 1; }
[ -d "$home/.local/share/tessary/modules" ] || { echo "no user module folder" >&2; exit 1; }

# Same pixels as the build tree's program.
"$build/bin/tessary-batch" resources/samples/gradient.bmp blur-sharpen=-1 invert \
  -o "$scratch/reference.png" >/dev/null
cmp "$home/out.png" "$scratch/reference.png"
echo "The installed tessary-batch ran from a read-only tree as $("${as_user[@]}" id -un)."
