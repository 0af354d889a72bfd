#!/usr/bin/env bash
# Makes the Debian package from the build tree and checks what it holds: the program and its
# settings file where XScreenSaver looks, the entry MATE lists, the settings window with its
# menu entry, icon and AppStream file, the manual pages, the licence, the notices of the linked
# libjpeg-turbo and the changelog, and run-time dependencies on the libraries it links. Then lintian must find
# no error and no warning.
# Usage: package_test.sh BUILD_DIR SOURCE_DIR VERSION
set -euo pipefail
build=$1 source=$2 version=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log"; exit 1; }
# A cross build names its target's architecture; otherwise the package is the build machine's.
arch=$(sed -n 's/^set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")
deb="$work/out/ambervale_${version}_${arch:-$(dpkg --print-architecture)}.deb"
[ -f "$deb" ] || { echo "FAIL: no $(basename "$deb") made"; ls "$work/out"; exit 1; }

fail=0
check() { echo "FAIL: $*"; fail=1; }
listing=$(dpkg-deb -c "$deb")
# The settings window, in builds that found GTK 3 (not the arm64 cross build).
settings_window=() gtk=()
if [ -x "$build/ambervale-settings" ]; then
  settings_window=(./usr/bin/ambervale-settings ./usr/share/man/man1/ambervale-settings.1.gz
                   ./usr/share/applications/org.ambervale_screensaver.Settings.desktop
                   ./usr/share/metainfo/org.ambervale_screensaver.Settings.metainfo.xml
                   ./usr/share/icons/hicolor/48x48/apps/ambervale.png)
  gtk=(libgtk-3-0)
fi
for path in ./usr/libexec/xscreensaver/ambervale ./usr/share/xscreensaver/config/ambervale.xml \
            ./usr/share/applications/screensavers/ambervale.desktop ./usr/share/man/man6/ambervale.6.gz \
            ./usr/bin/ambervale-wayland ./usr/share/man/man6/ambervale-wayland.6.gz \
            ./usr/share/applications/org.ambervale_screensaver.Wayland.desktop \
            "${settings_window[@]}" ./usr/share/doc/ambervale/copyright ./usr/share/doc/ambervale/changelog.gz \
            ./usr/share/doc/ambervale/THIRD_PARTY_NOTICES.txt.gz; do
  grep -q " $path\$" <<<"$listing" || check "the package lacks $path"
done

dpkg-deb -x "$deb" "$work/root"
# Our licence's terms, word for word, as the last paragraph of the copyright file.
sed -n '/^Permission/,$p' "$source/LICENSE" | sed 's/^$/./; s/^/ /' >"$work/terms"
tail -n "$(wc -l <"$work/terms")" "$work/root/usr/share/doc/ambervale/copyright" | cmp -s - "$work/terms" ||
  check "copyright does not end with the terms of LICENSE"
zcat "$work/root/usr/share/doc/ambervale/changelog.gz" >"$work/changelog"
changelog_version=$(dpkg-parsechangelog -l "$work/changelog" -S Version)
[ "$changelog_version" = "$version" ] || check "the changelog's last entry is $changelog_version, the package $version"

# Which names the Depends may hold is the release check's (packaging/check-dependencies.sh).
depends=$(dpkg-deb -f "$deb" Depends)
for library in libc6 libx11-6 libxext6 libxrandr2 libstdc++6 libwayland-client0 "${gtk[@]}"; do
  grep -q "$library" <<<"$depends" || check "Depends lacks $library: $depends"
done
# The libjpeg linked into the programs must not answer the system libjpeg's calls from GTK.
for program in $(find "$work/root" -type f -perm -u+x); do
  readelf --dyn-syms -W "$program" 2>/dev/null | awk '$7 != "UND" && $8 ~ /^jpeg_/' | grep -q . &&
    check "$(basename "$program") exports libjpeg's symbols"
done
# KWin lends its screenshot interface to the program the entry's Exec names: the installed one.
grep -qx 'Exec=/usr/bin/ambervale-wayland' "$work/root/usr/share/applications/org.ambervale_screensaver.Wayland.desktop" ||
  check "the Wayland program's desktop entry does not name /usr/bin/ambervale-wayland"
grep -q '<command arg="--root"/>' "$work/root/usr/share/xscreensaver/config/ambervale.xml" || check "ambervale.xml lacks --root"

lintian --fail-on error,warning --display-info "$deb" || check "lintian finds errors or warnings"

[ $fail -eq 0 ] && echo "package ok: $(basename "$deb"), Depends: $depends"
exit $fail
