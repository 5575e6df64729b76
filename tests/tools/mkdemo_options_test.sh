#!/usr/bin/env bash
# velmora-mkdemo's command line: help and version print and write nothing; a wrong command line
# is a usage error that writes nothing either (no folder named after a mistyped option).
# Usage: mkdemo_options_test.sh MKDEMO VERSION
set -euo pipefail
mkdemo=$1 version=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

failures=0
# arguments | exit status | text expected on stdout (for status 0) or stderr
while IFS='|' read -r args status text; do
  # shellcheck disable=SC2086
  "$mkdemo" $args >out 2>err && got=0 || got=$?
  stream=out
  [ "$status" = 0 ] || stream=err
  if [ "$got" != "$status" ] || ! grep -qF -- "$text" "$stream" || [ -n "$(ls -A | grep -v '^out$\|^err$')" ]; then
    echo "FAIL: velmora-mkdemo $args: status $got, stdout '$(cat out)', stderr '$(cat err)', files: $(ls -A)"
    failures=$((failures + 1))
  fi
  rm -rf ./* ./-* 2>/dev/null || true
done <<TABLE
--help|0|Usage: velmora-mkdemo DIR
demo --help|0|Usage: velmora-mkdemo DIR
--version|0|velmora-mkdemo $version
--bogus|2|unknown option '--bogus'
-h|2|unknown option '-h'
|2|no folder given
one two|2|only one folder may be given
TABLE
[ "$failures" = 0 ] || exit 1
echo "mkdemo options: all passed"
