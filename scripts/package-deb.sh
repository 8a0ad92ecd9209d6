#!/usr/bin/env bash
# Builds plr and writes dist/pelorand_<version>_amd64.deb: /usr/bin/plr, its manual page, the
# changer's user unit, the autostart entry as an example, bash completion and the copyright.
# The version is the one in project() of CMakeLists.txt. PELORAND_DEB_BUILD names the build
# folder (default build/deb).
set -euo pipefail
cd "$(dirname "$0")/.."
version=$(sed -n 's/^project(Pelorand VERSION \([0-9][0-9.]*\).*/\1/p' CMakeLists.txt)
[ -n "$version" ] || { echo "package-deb: no version in CMakeLists.txt" >&2; exit 2; }
build=${PELORAND_DEB_BUILD:-build/deb}
# Every file gets the time of the last commit, so that two builds give the same package.
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct 2>/dev/null || date +%s)}

# Debian's hardening: fortified functions, a stack protector, read-only relocations.
cmake -S . -B "$build" -G Ninja -DPELORAND_TESTS=OFF -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_CXX_FLAGS="-D_FORTIFY_SOURCE=2 -fstack-protector-strong" \
  -DCMAKE_EXE_LINKER_FLAGS="-Wl,-z,relro -Wl,-z,now" >/dev/null
ninja -C "$build" plr >/dev/null

stage=$build/package
rm -rf "$stage"
mkdir -p "$stage/DEBIAN"
install -D -m 0755 "$build/tools/plr/plr" "$stage/usr/bin/plr"
strip --strip-unneeded --remove-section=.comment --remove-section=.note "$stage/usr/bin/plr"
mkdir -p "$stage/usr/share/man/man1" "$stage/usr/share/doc/pelorand"
sed "s/@VERSION@/$version/" dist/debian/plr.1 | gzip -9n > "$stage/usr/share/man/man1/plr.1.gz"
install -D -m 0644 dist/debian/pelorand-changer.service "$stage/usr/lib/systemd/user/pelorand-changer.service"
install -D -m 0644 dist/debian/pelorand-changer.desktop \
  "$stage/usr/share/doc/pelorand/examples/pelorand-changer.desktop"
install -D -m 0644 dist/debian/plr.bash-completion "$stage/usr/share/bash-completion/completions/plr"
install -m 0644 dist/debian/copyright "$stage/usr/share/doc/pelorand/copyright"
maintainer="The Pelorand authors <pelorand@example.org>"
{
  printf 'pelorand (%s) unstable; urgency=medium\n\n  * Release %s.\n\n' "$version" "$version"
  printf ' -- %s  %s\n' "$maintainer" "$(LC_ALL=C date -u -R -d "@$SOURCE_DATE_EPOCH")"
} | gzip -9n > "$stage/usr/share/doc/pelorand/changelog.gz"

# The libraries plr needs, as dpkg-shlibdeps finds them (it wants a source package around it).
shlibs=$(mktemp -d)
mkdir "$shlibs/debian"
printf 'Source: pelorand\n\nPackage: pelorand\nArchitecture: amd64\n' > "$shlibs/debian/control"
depends=$(cd "$shlibs" && dpkg-shlibdeps -O "$OLDPWD/$stage/usr/bin/plr" 2>/dev/null | sed -n 's/^shlibs:Depends=//p')
rm -rf "$shlibs"
[ -n "$depends" ] || { echo "package-deb: dpkg-shlibdeps found no dependencies" >&2; exit 2; }

cat > "$stage/DEBIAN/control" <<CONTROL
Package: pelorand
Version: $version
Architecture: amd64
Maintainer: $maintainer
Installed-Size: $(du -sk --exclude=DEBIAN "$stage" | cut -f1)
Depends: $depends
Suggests: xwallpaper | feh | swaybg, libnotify-bin
Section: graphics
Priority: optional
Description: wallpaper collections: make, edit and run them on free desktops
 plr makes and edits the collection files of Pelorand, the wallpaper collection
 manager (the same files its Windows editor writes), prints and checks them,
 and runs the wallpaper changer on GNOME, KDE Plasma, XFCE, Cinnamon, MATE,
 LXQt, LXDE, sway, Hyprland and plain X. plr next, pause, resume and status
 steer the running changer; a user unit starts it with the session.
CONTROL
(cd "$stage" && find usr -type f -print0 | sort -z | xargs -0 md5sum) > "$stage/DEBIAN/md5sums"
chmod 0644 "$stage/DEBIAN/control" "$stage/DEBIAN/md5sums"
find "$stage" -type d -exec chmod 0755 {} +
find "$stage" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +

mkdir -p dist
out=dist/pelorand_${version}_amd64.deb
dpkg-deb --root-owner-group -Zxz --build "$stage" "$out" >/dev/null
echo "$out"
