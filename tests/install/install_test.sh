#!/usr/bin/env bash
# Quillet installed as a user would install it: `cmake --install` into a
# temporary DESTDIR, then the installed programs and files checked.
#
#   install_test.sh STEP BUILD_DIR ROOT [DEB]
#
# STEP is one of: setup (install into ROOT), cleanup (remove ROOT), programs,
# commands, man, desktop, appstream, lintian (on DEB when `make deb` made it).
# Exit status 77 means skipped: the checking tool is not installed.
set -uo pipefail

step=$1 build=$2 root=$3 deb=${4:-}
prefix=$(sed -n 's/^CMAKE_INSTALL_PREFIX:PATH=//p' "$build/CMakeCache.txt")
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
inst=$root$prefix
failures=0

fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
expect_eq() { [ "$1" = "$2" ] || fail "$3: expected '$2', got '$1'"; }
skip_without() { command -v "$1" >/dev/null || { echo "$1 is not installed: skipped"; exit 77; }; }

# Runs a command, keeping its status, standard output and standard error.
run() {
  out=$("$@" 2>"$root.err"); status=$?
  err=$(cat "$root.err"); rm -f "$root.err"
}

case "$step" in
setup)
  rm -rf "$root"
  DESTDIR=$root cmake --install "$build" >/dev/null || exit 1
  ;;

cleanup)
  rm -rf "$root"
  ;;

# Every file in its place, and the installed diary window starting on a new
# diary with its data found where it was installed, not in the build tree.
programs)
  for f in bin/quillet bin/quillet-tool bin/rtfconv \
           share/quillet/quillet.dct share/quillet/quillet.rnk share/quillet/help/contents.html \
           share/quillet/icons/{activity,events,holiday,misc1,misc2}.icl \
           share/applications/io.github.quillet.Quillet.desktop \
           share/metainfo/io.github.quillet.Quillet.metainfo.xml \
           share/icons/hicolor/scalable/apps/quillet.svg \
           share/icons/hicolor/{16x16,22x22,24x24,32x32,48x48,64x64,128x128,256x256}/apps/quillet.png \
           share/man/man1/{quillet,quillet-tool,rtfconv}.1.gz \
           share/doc/quillet/copyright; do
    [ -s "$inst/$f" ] || fail "$f is not installed"
  done
  grep -q '^License: GPL-3.0-or-later$' "$inst/share/doc/quillet/copyright" ||
    fail "the copyright file does not give the licence"
  # The desktop entry starts an installed program and names the installed icon.
  entry=$inst/share/applications/io.github.quillet.Quillet.desktop
  exec=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$entry")
  [ -x "$inst/bin/$exec" ] || fail "the desktop entry starts '$exec', which is not installed"
  icon=$(sed -n 's/^Icon=//p' "$entry")
  [ -f "$inst/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "the desktop entry's icon '$icon' is not installed"
  for f in bin/mkdict bin/mkicl; do [ ! -e "$inst/$f" ] || fail "$f is installed"; done
  for size in 16 48 256; do
    png=$inst/share/icons/hicolor/${size}x${size}/apps/quillet.png
    dims=$(od -An -tu1 -j16 -N8 "$png" | awk '{ print $3*256+$4 "x" $7*256+$8 }')
    expect_eq "$dims" "${size}x${size}" "$png"
  done

  run "$inst/bin/quillet-tool" --version
  expect_eq "$status $out" "0 quillet-tool $version" "quillet-tool --version"
  run "$inst/bin/quillet" --version
  expect_eq "$status $out" "0 quillet $version" "quillet --version"

  diary=$root/diary
  mkdir -p "$diary"
  printf '[Opening Screen]\nshow=0\n' > "$diary/QX.INI"
  # Private already, so that no notice of made-private files waits for an answer.
  chmod 700 "$diary"
  chmod 600 "$diary/QX.INI"
  # The program's own lookup, as the installed quillet-tool (beside quillet) does it.
  run "$inst/bin/quillet-tool" paths --diary-dir "$diary"
  expect_eq "$status" 0 "quillet-tool paths"
  for want in "main-dictionary	$inst/share/quillet/quillet.dct" \
              "icon-sets	$inst/share/quillet/icons" \
              "help-pages	$inst/share/quillet/help" \
              "diary	$diary"; do
    grep -qxF "$want" <<<"$out" || fail "quillet-tool paths does not say '$want': $out"
  done
  grep -qF "$build/share/quillet" <<<"$out" && fail "the build tree is found: $out"

  # The window: started offscreen, it makes Entries/ and runs until ended.
  QT_QPA_PLATFORM=offscreen "$inst/bin/quillet" --diary-dir "$diary" >"$root/quillet.out" 2>&1 &
  pid=$!
  for _ in $(seq 300); do
    [ -d "$diary/Entries" ] && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  sleep 1
  if kill -0 "$pid" 2>/dev/null; then
    [ -d "$diary/Entries" ] || fail "quillet made no Entries/ in the diary directory"
    kill -TERM "$pid"
    wait "$pid"
    # SIGTERM saves the page and ends the program normally, lock released.
    expect_eq "$?" 0 "quillet's end by SIGTERM"
    [ -e "$diary/.quillet.lock" ] && fail "quillet left its lock behind after SIGTERM"
  else
    wait "$pid"
    fail "quillet ended by itself with status $?: $(cat "$root/quillet.out")"
  fi
  ;;

# The commands as Debian commands behave: --help, --version, usage and status 2
# on wrong usage, status 1 with a message when the work fails.
commands)
  printf 'Hello, diary\n' > "$root/in.txt"
  while IFS='|' read -r want_status want_text args; do
    eval "set -- $args"
    run "$@"
    expect_eq "$status" "$want_status" "$args: status"
    grep -qF -- "$want_text" <<<"$out$err" || fail "$args says '$out$err', not '$want_text'"
    if [ "$want_status" = 2 ]; then
      [ -z "$out" ] || fail "$args writes to standard output on wrong usage"
    fi
  done <<EOT
0|Usage: rtfconv|$inst/bin/rtfconv --help
0|rtfconv $version|$inst/bin/rtfconv --version
0|{\\rtf1|$inst/bin/rtfconv $root/in.txt
0|Hello, diary|$inst/bin/rtfconv --from=text --to text $root/in.txt
2|rtfconv: missing operand IN|$inst/bin/rtfconv
2|unknown option '--colour'|$inst/bin/rtfconv --colour $root/in.txt
2|--from needs a value|$inst/bin/rtfconv $root/in.txt --from
2|--to takes rtf or text|$inst/bin/rtfconv --to html $root/in.txt
2|too many operands|$inst/bin/rtfconv $root/in.txt $root/a $root/b
1|rtfconv: |$inst/bin/rtfconv $root/no-such-file
0|Usage: quillet-tool|$inst/bin/quillet-tool --help
2|Usage: quillet-tool|$inst/bin/quillet-tool
2|unknown command|$inst/bin/quillet-tool frobnicate
0|Usage: quillet|$inst/bin/quillet --help
2|unknown argument|$inst/bin/quillet --frobnicate
EOT
  ;;

# Each manual page names every option (and command) that --help lists, and
# man finds nothing wrong in it.
man)
  for prog in quillet quillet-tool rtfconv; do
    page=$inst/share/man/man1/$prog.1.gz
    text=$(zcat "$page" | sed 's/\\-/-/g; s/\\f[BIRP]//g')
    help=$("$inst/bin/$prog" --help)
    words=$(grep -oE -- '--[a-z][a-z-]*' <<<"$help" | sort -u)
    [ "$prog" = quillet-tool ] && words+=" $(sed -n 's/^  \([a-z][a-z-]*\) .*/\1/p' <<<"$help")"
    for w in $words; do
      grep -qF -- "$w" <<<"$text" || fail "$prog.1 does not mention $w, which --help lists"
    done
    grep -qF "$(head -1 <<<"$help" | sed 's/^Usage: \([^ ]*\).*/\1/')" <<<"$text" || fail "$prog.1: no synopsis"
    grep -q "^\.TH .*$version" <<<"$(zcat "$page")" || fail "$prog.1 does not carry version $version"
    if command -v man >/dev/null; then
      warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
      [ -z "$warnings" ] || fail "$prog.1: $warnings"
    fi
  done
  ;;

desktop)
  skip_without desktop-file-validate
  desktop-file-validate "$inst/share/applications/io.github.quillet.Quillet.desktop" || fail "desktop-file-validate"
  ;;

appstream)
  skip_without appstreamcli
  metainfo=$inst/share/metainfo/io.github.quillet.Quillet.metainfo.xml
  appstreamcli validate --no-net "$metainfo" || fail "appstreamcli validate"
  # Named after its id, as the desktop entry is, and under the program's licence.
  grep -q '<id>io.github.quillet.Quillet</id>' "$metainfo" || fail "the metadata's id is not its file's name"
  grep -q '<launchable type="desktop-id">io.github.quillet.Quillet.desktop</launchable>' "$metainfo" ||
    fail "the metadata does not launch the desktop entry"
  grep -q '<project_license>GPL-3.0-or-later</project_license>' "$metainfo" || fail "the metadata has no licence"
  # The metadata against the rest of the tree: its desktop entry and icon.
  appstreamcli validate-tree --no-net "$inst" || fail "appstreamcli validate-tree"
  ;;

lintian)
  skip_without lintian
  debs=( $deb )
  [ -f "${debs[0]}" ] || { echo "no package: 'make deb' makes one; skipped"; exit 77; }
  lintian --fail-on error "${debs[@]}" || fail "lintian reports errors"
  ;;

*)
  echo "install_test.sh: unknown step '$step'" >&2
  exit 2
  ;;
esac

[ "$failures" -eq 0 ]
