#!/usr/bin/env bash
# The Debian package as a user receives it: made by CPack from this build tree, then its file
# list and control fields, the desktop entry, the AppStream metadata, lintian's verdict, the
# manual pages against the programs' own usage texts, and --version run from the unpacked files.
# Usage: package_test.sh BUILD_DIR VERSION. 77: skipped.
set -euo pipefail
build=$1 version=$2 id=io.github.velmora.Viewer
for tool in cpack dpkg-shlibdeps desktop-file-validate appstreamcli lintian man; do
  command -v "$tool" >/dev/null || { echo "skipped: no $tool (scripts/setup installs it)"; exit 77; }
done
fail() { echo "FAIL: $*"; exit 1; }

work=$build/package-test root=$build/package-test/root
rm -rf "$work"
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work" >"$build/package-test.log" 2>&1 ||
  fail "cpack: $(cat "$build/package-test.log")"
deb=$work/velmora_${version}_$(dpkg --print-architecture).deb
[ -f "$deb" ] || fail "no $deb; made: $(ls "$work"/*.deb 2>/dev/null)"

programs=(velmora velmora-mkdemo velmora-cli)
expected=$({
  for p in "${programs[@]}"; do printf 'usr/bin/%s\nusr/share/man/man1/%s.1.gz\n' "$p" "$p"; done
  printf '%s\n' usr/share/{applications/$id.desktop,metainfo/$id.metainfo.xml} \
    usr/share/icons/hicolor/{48x48/apps/$id.png,256x256/apps/$id.png,scalable/apps/$id.svg} \
    usr/share/doc/velmora/{copyright,changelog.gz}
} | sort)
actual=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { sub(/^\.\//, "", $6); print $6 }' | sort)
diff <(echo "$expected") <(echo "$actual") || fail "file list (< expected, > in the package)"
# dpkg-shlibdeps found the libraries the programs link.
[[ "$(dpkg-deb -f "$deb" Section Depends)" =~ graphics.*libc6.*libqt6widgets6.*libstdc\+\+6 ]] ||
  fail "control fields: $(dpkg-deb -f "$deb" Section Depends)"

dpkg-deb -x "$deb" "$root"
entry=$root/usr/share/applications/$id.desktop
desktop-file-validate "$entry" || fail "desktop entry"
# The validator leaves TryExec alone; desktops hide an entry whose program it does not name.
tryexec=$(sed -n 's/^TryExec=//p' "$entry")
[ -z "$tryexec" ] || [ -x "$root/usr/bin/$tryexec" ] || fail "TryExec names no program: $tryexec"
metainfo=$root/usr/share/metainfo/$id.metainfo.xml
appstreamcli validate --no-net "$metainfo" || fail "metainfo"
grep -q "<release version=\"$version\"" "$metainfo" || fail "metainfo names no release $version"
lintian --fail-on error "$deb" || fail "lintian reports errors"

options() { grep -o -- '--[a-z][a-z-]*' | sort -u; }
for p in "${programs[@]}"; do
  page=$root/usr/share/man/man1/$p.1.gz
  warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "$p.1: $warnings"
  zcat "$page" | grep -q "^\.TH .* \"Velmora Viewer $version\"" || fail "$p.1 names another version"
  [ "$("$root/usr/bin/$p" --version)" = "$p $version" ] || fail "$p --version"
  diff <("$root/usr/bin/$p" --help | options) <(zcat "$page" | sed 's/\\-/-/g' | options) ||
    fail "$p.1 and $p --help name different options (< help, > manual page)"
done
echo "package test passed: $(basename "$deb")"
