#!/usr/bin/env bash
# The documentation holds together: check-docs.sh SOURCE_DIR [ZRVTOOL]
#
# README.md is the doorway and docs/*.md the pages behind it. Each row below is one rule; a broken
# rule prints "docs: ROW: what is wrong" for every place that breaks it, and the script ends with
# exit code 1 after all rows have run. ZRVTOOL is the built tool whose usage texts the pages quote
# (a fenced block that opens with "$ zrvtool ... --help" must be, line for line, what that command
# prints); without it that row is skipped and says so.
set -uo pipefail
root=${1:?usage: check-docs.sh SOURCE_DIR [ZRVTOOL]}
zrvtool=${2:-}
readme_max_lines=260
if [ -n "$zrvtool" ] && [[ "$zrvtool" != /* ]]; then zrvtool=$PWD/$zrvtool; fi
cd "$root" || exit 2

failures=0
# fail ROW MESSAGE
fail() {
  echo "docs: $1: $2" >&2
  failures=$((failures + 1))
}

pages() { ls docs/*.md 2>/dev/null; }

# The text of a Markdown file without its fenced code blocks, with line numbers: "N<TAB>line".
prose() {
  awk '/^[ ]*```/ { fenced = !fenced; next } !fenced { print NR "\t" $0 }' "$1"
}

# The anchors of a file's headings, one a line, as the renderer makes them: lower case, every
# character but letters, digits, blanks, '-' and '_' dropped, blanks made '-', and a repeated one
# numbered (-1, -2 ...).
anchors() {
  prose "$1" | cut -f2- | sed -n 's/^#\{1,6\} \{1,\}//p' |
    LC_ALL=C tr '[:upper:]' '[:lower:]' | LC_ALL=C sed 's/[^a-z0-9 _-]//g; s/ /-/g' |
    awk '{ n = seen[$0]++; print (n ? $0 "-" n : $0) }'
}

# Every relative link target of a file, "N<TAB>target", from [text](target) and ![alt](target).
links() {
  prose "$1" | awk -F'\t' '{
    line = $2
    while (match(line, /\]\([^) ]+\)/)) {
      print $1 "\t" substr(line, RSTART + 2, RLENGTH - 3)
      line = substr(line, RSTART + RLENGTH)
    }
  }' | awk -F'\t' '$2 !~ /^(https?:|mailto:)/'
}

# ---- the rows -----------------------------------------------------------------------------------

row_readme_length() {
  local n
  n=$(wc -l <README.md)
  [ "$n" -le "$readme_max_lines" ] ||
    fail readme-length "README.md has $n lines, more than $readme_max_lines: move the detail into a page of docs/"
}

# README opens with the two commands, each with its one-line comment, and the second is the one CI
# runs (.ci/run).
row_readme_commands() {
  local block ci demo test
  block=$(awk 'NR > 12 { exit } /^```/ { if (open) exit; open = 1; next } open' README.md)
  demo=$(sed -n 1p <<<"$block")
  test=$(sed -n 2p <<<"$block")
  ci=$(sed -n 's/^exec \(.*\)$/\1/p' .ci/run)
  [ -n "$block" ] || { fail readme-commands "README.md does not open with a code block of its commands"; return; }
  [ "$(wc -l <<<"$block")" -eq 2 ] ||
    fail readme-commands "the opening block of README.md holds $(wc -l <<<"$block") line(s), not the two commands"
  [[ "$demo" =~ ^bash\ scripts/demo\.sh\ +#\ .+ ]] ||
    fail readme-commands "the first command of README.md is not 'bash scripts/demo.sh' with its comment: '$demo'"
  [[ "$test" =~ ^bash\ scripts/test\.sh\ +#\ .+ ]] ||
    fail readme-commands "the second command of README.md is not 'bash scripts/test.sh' with its comment: '$test'"
  [ -n "$ci" ] || { fail readme-commands ".ci/run has no 'exec' line naming the test command"; return; }
  test=${test%%#*}
  test=${test%"${test##*[! ]}"}
  [ "$test" = "$ci" ] || fail readme-commands "CI runs '$ci', but README.md's test command is '$test'"
}

row_links_resolve() {
  local file dir n target path anchor
  for file in README.md $(pages); do
    dir=$(dirname "$file")
    while IFS=$'\t' read -r n target; do
      path=${target%%#*}
      anchor=
      [[ "$target" == *"#"* ]] && anchor=${target#*#}
      if [ -z "$path" ]; then
        path=$file
      else
        path=$dir/$path
      fi
      if [ ! -e "$path" ]; then
        fail links-resolve "$file:$n: '$target' names no file ($path)"
      elif [ -n "$anchor" ]; then
        if [[ "$path" != *.md ]]; then
          fail links-resolve "$file:$n: '$target' has an anchor, but $path is no Markdown page"
        elif ! anchors "$path" | grep -qxF -- "$anchor"; then
          fail links-resolve "$file:$n: '$target': $path has no heading whose anchor is '#$anchor'"
        fi
      fi
    done < <(links "$file")
  done
}

row_pages_linked() {
  local page
  for page in $(pages); do
    links README.md | cut -f2 | sed 's/#.*//' | grep -qxF "$page" ||
      fail pages-linked "$page is not linked from README.md"
  done
}

# Every page opens with its title, then one line that says what it covers and leads back.
row_pages_lead_back() {
  local page
  for page in $(pages); do
    sed -n 1p "$page" | grep -q '^# ' || fail pages-lead-back "$page does not open with a '# ' title"
    sed -n 3p "$page" | grep -qF '](../README.md)' ||
      fail pages-lead-back "$page: its third line is not the one line that says what it covers and links to ../README.md"
  done
}

row_screenshots_exist() {
  local file dir n target
  for file in README.md $(pages); do
    dir=$(dirname "$file")
    while IFS=$'\t' read -r n target; do
      [ -f "$dir/$target" ] || fail screenshots-exist "$file:$n: the image '$target' does not exist"
    done < <(prose "$file" | awk -F'\t' '{
      line = $2
      while (match(line, /!\[[^]]*\]\([^) ]+\)/)) {
        s = substr(line, RSTART, RLENGTH); sub(/^!\[[^]]*\]\(/, "", s); sub(/\)$/, "", s)
        print $1 "\t" s
        line = substr(line, RSTART + RLENGTH)
      }
    }')
  done
  grep -q '!\[[^]]*\](docs/screenshots/' README.md ||
    fail screenshots-exist "README.md shows no screenshot of the installer"
}

# A block that opens with "$ zrvtool ... --help" is what the tool prints for it.
row_usage_matches() {
  local file quoted=0 start args expected actual
  if [ -z "$zrvtool" ]; then
    echo "docs: usage-matches: skipped (no zrvtool given)"
    return
  fi
  [ -x "$zrvtool" ] || { fail usage-matches "'$zrvtool' is not a program"; return; }
  for file in README.md $(pages); do
    while read -r start; do
      quoted=$((quoted + 1))
      args=$(sed -n "${start}s/^\$ zrvtool //p" "$file")
      expected=$(awk -v s="$start" 'NR > s && /^```/ { exit } NR > s' "$file")
      # shellcheck disable=SC2086 # the quoted command's own words
      actual=$("$zrvtool" $args 2>&1)
      if [ "$expected" != "$actual" ]; then
        fail usage-matches "$file:$start: 'zrvtool $args' prints other text than the page shows:"
        diff <(echo "$expected") <(echo "$actual") | sed 's/^/    /' >&2
      fi
    done < <(awk 'prev ~ /^```/ && /^\$ zrvtool .*--help$/ { print NR } { prev = $0 }' "$file")
  done
  echo "docs: usage-matches: $quoted usage text(s) compared with the tool's"
}

# The page on the format names every line form and marker that the record's header defines: a form
# added to the code and not to the page breaks this row.
row_record_forms_described() {
  local header=record/InstallRecordFormat.h form
  [ -f "$header" ] || { fail record-forms-described "$header is missing"; return; }
  while read -r form; do
    grep -qF -- "$form" docs/format.md ||
      fail record-forms-described "docs/format.md does not name '$form', a line form of $header"
  done < <(grep -oE 'constexpr char k(Prior|Log)[A-Za-z]+\[\] = "[^"]*"' "$header" |
    sed -E 's/.*= "(.*)"/\1/; s/\\t.*//; s/\\\\/\\/g')
}

rows=(readme_length readme_commands links_resolve pages_linked pages_lead_back screenshots_exist usage_matches
  record_forms_described)
for row in "${rows[@]}"; do "row_$row"; done
if [ "$failures" -ne 0 ]; then
  echo "docs: $failures place(s) break the rules above" >&2
  exit 1
fi
echo "docs: all ${#rows[@]} rows hold for README.md and $(pages | wc -l) pages"
