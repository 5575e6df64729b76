#!/usr/bin/env bash
# velmora-mkdemo's command line: help and version print and write nothing; a wrong command line
# is a usage error that writes nothing either (no folder named after a mistyped option).
# Usage: mkdemo_options_test.sh MKDEMO VERSION
set -uo pipefail
mkdemo=$1 version=$2 failures=0
tmp=$(mktemp -d) && mkdir "$tmp/cwd" && cd "$tmp/cwd" || exit 1
trap 'rm -rf "$tmp"' EXIT
# arguments | exit status | text expected on stdout (status 0) or stderr
while IFS='|' read -r args status text; do
  # shellcheck disable=SC2086
  "$mkdemo" $args >"$tmp/out" 2>"$tmp/err"
  got=$? stream=$tmp/out
  [ "$status" = 0 ] || stream=$tmp/err
  if [ "$got" != "$status" ] || ! grep -qF -- "$text" "$stream" || [ -n "$(ls -A)" ]; then
    echo "FAIL: velmora-mkdemo $args: status $got; $(cat "$tmp/out" "$tmp/err"); files: $(ls -A)"
    failures=1
  fi
  find . -mindepth 1 -delete
done <<TABLE
--help|0|Usage: velmora-mkdemo DIR
demo --help|0|Usage: velmora-mkdemo DIR
--version|0|velmora-mkdemo $version
--bogus|2|unknown option '--bogus'
-h|2|unknown option '-h'
|2|no folder given
one two|2|only one folder may be given
TABLE
exit $failures
