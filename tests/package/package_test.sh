#!/usr/bin/env bash
# The Debian package as a user receives it: made by CPack from this build tree, then its file
# list and control fields, the desktop entry, the AppStream metadata, lintian's verdict, the
# manual pages against the programs' own usage texts, and --version run from the unpacked files.
# Usage: package_test.sh BUILD_DIR VERSION HAS_CLI (1 when velmora-cli is built). 77: skipped.
set -euo pipefail
build=$1 version=$2 has_cli=$3
id=io.github.velmora.Viewer

for tool in cpack dpkg-deb dpkg-shlibdeps desktop-file-validate appstreamcli lintian man; do
  if ! command -v "$tool" >/dev/null; then
    echo "package test skipped: $tool is not installed (scripts/setup installs it)"
    exit 77
  fi
done
fail() { echo "FAIL: $*"; exit 1; }

work=$build/package-test
rm -rf "$work"
mkdir -p "$work"
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log"; fail "cpack"; }
deb=$work/velmora_${version}_$(dpkg --print-architecture).deb
[ -f "$deb" ] || fail "no $deb; made: $(ls "$work"/*.deb 2>/dev/null)"

programs=(velmora velmora-mkdemo)
if [ "$has_cli" = 1 ]; then
  programs+=(velmora-cli)
else
  echo "NOTE: velmora-cli is not built in this tree; its install, manual page and --version are not checked"
fi
expected=$({
  for p in "${programs[@]}"; do printf 'usr/bin/%s\nusr/share/man/man1/%s.1.gz\n' "$p" "$p"; done
  printf '%s\n' usr/share/applications/$id.desktop usr/share/metainfo/$id.metainfo.xml \
    usr/share/icons/hicolor/{48x48,256x256}/apps/$id.png \
    usr/share/icons/hicolor/scalable/apps/$id.svg \
    usr/share/doc/velmora/copyright usr/share/doc/velmora/changelog.gz
} | sort)
actual=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { sub(/^\.\//, "", $6); print $6 }' | sort)
diff <(echo "$expected") <(echo "$actual") || fail "file list (< expected, > in the package)"

# Dependencies come from dpkg-shlibdeps, so the Qt and C libraries must be named.
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libc6 libstdc++6 libqt6widgets6; do
  [[ $depends == *"$lib "* ]] || fail "Depends lacks $lib: $depends"
done
[ "$(dpkg-deb -f "$deb" Section)" = graphics ] || fail "section"

root=$work/root
dpkg-deb -x "$deb" "$root"
desktop-file-validate "$root/usr/share/applications/$id.desktop" || fail "desktop entry"
appstreamcli validate --no-net "$root/usr/share/metainfo/$id.metainfo.xml" || fail "metainfo"
grep -q "<release version=\"$version\"" "$root/usr/share/metainfo/$id.metainfo.xml" ||
  fail "metainfo names no release $version"

lintian --fail-on error "$deb" || fail "lintian reports errors"

for p in "${programs[@]}"; do
  page=$root/usr/share/man/man1/$p.1.gz
  warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "$p.1: $warnings"
  zcat "$page" | grep -q "^\.TH .* \"Velmora Viewer $version\"" || fail "$p.1 names another version"
  # The viewer reads no options yet; the others' manual pages name exactly their usage's options.
  [ "$p" = velmora ] && continue
  out=$("$root/usr/bin/$p" --version) || fail "$p --version"
  [ "$out" = "$p $version" ] || fail "$p --version printed '$out'"
  options() { grep -o -- '--[a-z][a-z-]*' | sort -u; }
  diff <("$root/usr/bin/$p" --help | options) <(zcat "$page" | sed 's/\\-/-/g' | options) ||
    fail "$p.1 and $p --help name different options (< help, > manual page)"
done
echo "package test passed: $(basename "$deb")"
