#!/usr/bin/env bash
# check-docs.sh catches what it is there to catch: check-docs-catches.sh SOURCE_DIR ZRVTOOL
#
# Each row copies README.md, docs/, .ci/ and the record's format header into a scratch folder, breaks one thing there, and
# expects check-docs.sh to fail naming the row it broke. The first row breaks nothing: the copy
# as it is must pass, so that every failure below comes from its own breakage.
set -uo pipefail
root=${1:?usage: check-docs-catches.sh SOURCE_DIR ZRVTOOL}
zrvtool=${2:?usage: check-docs-catches.sh SOURCE_DIR ZRVTOOL}
check=$(cd "$(dirname "$0")" && pwd)/check-docs.sh
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# name | the row that must fail (empty: none) | what its message says | the breakage, run in the copy
rows=(
  "as-it-is|||true"
  "readme-too-long|readme-length|more than 260|for i in \$(seq 300); do echo; done >>README.md"
  "demo-command-gone|readme-commands|not the two commands|sed -i '/^bash scripts\\/demo.sh/d' README.md"
  "ci-runs-another-command|readme-commands|CI runs 'bash scripts/test.sh --quick'|sed -i 's#^exec bash scripts/test.sh#exec bash scripts/test.sh --quick#' .ci/run"
  "page-link-to-nothing|links-resolve|'per-users.md' names no file|sed -i 's#(per-user.md)#(per-users.md)#' docs/shipping.md"
  "anchor-to-no-heading|links-resolve|no heading whose anchor is '#two-architecture'|sed -i 's#shipping.md\\#two-architectures#shipping.md\\#two-architecture#' README.md"
  "page-not-linked|pages-linked|docs/new.md is not linked|printf '# New\\n\\nA page. Back to the [README](../README.md).\\n' >docs/new.md"
  "page-without-lead|pages-lead-back|docs/speed.md: its third line|sed -i 3d docs/speed.md"
  "screenshot-missing|screenshots-exist|'docs/screenshots/setup-welcome-gone.png' does not exist|sed -i 's#setup-welcome.png#setup-welcome-gone.png#' README.md"
  "record-form-undescribed|record-forms-described|does not name 'madefolder'|sed -i 's/madefolder/made-folder/g' docs/format.md"
  "usage-text-stale|usage-matches|prints other text than the page shows|sed -i 's#^  zrvtool list IN.001 #  zrvtool list IMAGE.001 #' docs/authoring.md"
)

failures=0
for row in "${rows[@]}"; do
  IFS='|' read -r name expect says breakage <<<"$row"
  copy=$scratch/$name
  mkdir -p "$copy"
  cp -r "$root/README.md" "$root/docs" "$root/.ci" "$copy/"
  mkdir -p "$copy/record" && cp "$root/record/InstallRecordFormat.h" "$copy/record/"
  (cd "$copy" && bash -c "$breakage") || { echo "catches: $name: the breakage itself failed" >&2; failures=$((failures + 1)); continue; }
  out=$("$check" "$copy" "$zrvtool" 2>&1)
  rc=$?
  if [ -z "$expect" ]; then
    if [ "$rc" -eq 0 ]; then echo "catches: $name: passes"; else echo "catches: $name: the unbroken copy fails:" >&2; echo "$out" >&2; failures=$((failures + 1)); fi
  elif [ "$rc" -eq 0 ]; then
    echo "catches: $name: check-docs.sh passed though the copy was broken ($breakage)" >&2
    failures=$((failures + 1))
  elif ! grep "^docs: $expect: " <<<"$out" | grep -qF -- "$says"; then
    echo "catches: $name: check-docs.sh failed, but not in the row $expect saying \"$says\":" >&2
    echo "$out" >&2
    failures=$((failures + 1))
  else
    echo "catches: $name: $(grep "^docs: $expect: " <<<"$out" | grep -m1 -F -- "$says")"
  fi
done
[ "$failures" -eq 0 ] || exit 1
echo "catches: all ${#rows[@]} rows"
