#!/usr/bin/env bash
# Installs a build into a DESTDIR and starts the installed program the way a user
# does: as a non-root user, with the installed prefix read-only and HOME/XDG_* in
# a temporary folder, under a private X server with a window manager.
#  - installed: a window appears, the configuration is made in $XDG_CONFIG_HOME/orvik
#    from the shipped default, a window size chosen with its menu key (Alt+1) is there
#    after a restart, and nothing is written into the prefix;
#  - portable: a program folder holding a writable Orvik.xml keeps its configuration
#    there and leaves the user's folder alone;
#  - file types: with the installed MIME package beside the system's database, our
#    tapes, recordings and ROM modules get Orvik's types, and files of the programs
#    that share those extensions keep theirs where their content tells them apart;
#  - the man page names the installed share folder.
# Usage: scripts/install-test.sh [BUILD_DIR]   (default: build)
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
for tool in xvfb-run xdotool openbox update-mime-database gio; do
  command -v "$tool" >/dev/null || { echo "install-test: $tool is missing" >&2; exit 1; }
done

work=$(mktemp -d /tmp/orvik-install-test.XXXXXX)
cleanup() { chmod -R u+w "$work" 2>/dev/null || true; rm -rf "$work"; }
trap cleanup EXIT
chmod 755 "$work"

DESTDIR="$work/dest" cmake --install "$build" --prefix /usr >/dev/null
prefix="$work/dest/usr"
for f in bin/orvik share/orvik/Orvik.xml share/orvik/Lang/English.ini \
         share/applications/io.github.orvik.Orvik.desktop share/metainfo/io.github.orvik.Orvik.metainfo.xml \
         share/mime/packages/io.github.orvik.Orvik.xml share/icons/hicolor/scalable/apps/io.github.orvik.Orvik.svg \
         share/icons/hicolor/48x48/apps/io.github.orvik.Orvik.png share/man/man1/orvik.1.gz \
         share/doc/orvik/README.md; do
  [ -f "$prefix/$f" ] || { echo "install-test: $f was not installed" >&2; exit 1; }
done
# The man page names the share folder of the prefix installed to.
gzip -dc "$prefix/share/man/man1/orvik.1.gz" | grep -q '^\.I /usr/share/orvik/$' ||
  { echo "install-test: the man page does not name /usr/share/orvik/" >&2; exit 1; }

# File types, as a file manager sees them once the package is in /usr/share/mime:
# one database made of the system's own types and ours (update-mime-database into a
# temporary XDG_DATA_HOME, no other data folder), the content types asked of gio.
system_types=/usr/share/mime/packages/freedesktop.org.xml
[ -f "$system_types" ] || { echo "install-test: $system_types is missing" >&2; exit 1; }
mime="$work/mime-data"
mkdir -p "$mime/mime/packages" "$work/no-data" "$work/types"
cp "$system_types" "$prefix/share/mime/packages/io.github.orvik.Orvik.xml" "$mime/mime/packages/"
update-mime-database "$mime/mime" >/dev/null 2>&1
ff16() { head -c 16 /dev/zero | tr '\0' '\377'; }
# A tape of one header block "HELLO" with 4 data bytes (as the tape writer lays it out).
{ ff16; head -c 16 /dev/zero; printf 'UUUUUUUUUUUUUUUU'; printf '\000>\000\100\003\000HELLO   \000'; printf '\001\002\003\004\012'; } \
  > "$work/types/tape.pmd"
{ printf '\077\000'; ff16; head -c 47 /dev/zero; } > "$work/types/tape.ptp"
{ printf 'PSN\002'; head -c 60 /dev/zero; } > "$work/types/state.psn"
{ printf 'PRC\001'; head -c 60 /dev/zero; } > "$work/types/run.prc"
# A ROM module: 8080 code (JMP 8003h, then NOPs), no mark of its own.
{ printf '\303\003\200'; head -c 1021 /dev/zero; } > "$work/types/basic.rmm"
# Files of the other programs: a PageMaker-like file without the tape's sync runs, and
# an e-book and a RealMedia clip told by their own first bytes.
{ printf 'PM65'; head -c 60 /dev/urandom; } > "$work/types/doc.pmd"
{ head -c 60 /dev/zero; printf 'BOOKMOBI'; head -c 60 /dev/zero; } > "$work/types/book.prc"
{ printf '.RMF\000\000\000\022\000\001'; head -c 60 /dev/zero; } > "$work/types/clip.rmm"
type_of() {
  XDG_DATA_HOME="$mime" XDG_DATA_DIRS="$work/no-data" gio info -a standard::content-type "$1" 2>/dev/null |
    sed -n 's/^ *standard::content-type: //p'
}
types_ok=1
for pair in tape.pmd=application/x-orvik-pmd tape.ptp=application/x-orvik-ptp state.psn=application/x-orvik-psn \
            run.prc=application/x-orvik-prc basic.rmm=application/x-orvik-rmm \
            doc.pmd=application/x-pagemaker book.prc=application/x-mobipocket-ebook clip.rmm=application/vnd.rn-realmedia; do
  file=${pair%%=*} want=${pair#*=}
  got=$(type_of "$work/types/$file")
  [ "$got" = "$want" ] || { echo "install-test: $file is typed $got, not $want" >&2; types_ok=0; }
done
[ "$types_ok" -eq 1 ] || exit 1
echo "install-test: file types as a file manager sees them passed"

# A portable program folder: the installed program with its own writable configuration.
mkdir -p "$work/portable/Lang"
cp "$prefix/bin/orvik" "$work/portable/"
cp "$prefix/share/orvik/Orvik.xml" "$work/portable/"
cp "$prefix/share/orvik/Lang/English.ini" "$work/portable/Lang/"
chmod -R a-w "$prefix"
find "$prefix" -type f -exec sha1sum {} + | sort > "$work/prefix.before"

mkdir -p "$work/home" "$work/runtime"
chmod 700 "$work/runtime"
# The part that runs as the user.
cat > "$work/as-user.sh" <<'INNER'
set -euo pipefail
work=$1
prefix=$work/dest/usr
fail() { echo "install-test: $*" >&2; exit 1; }

# Waits (bounded) for a visible window of the process; prints its id.
window_of() {
  local pid=$1 id
  for _ in $(seq 1 300); do
    id=$(xdotool search --onlyvisible --pid "$pid" --name '^Orvik' 2>/dev/null | head -n 1 || true)
    [ -n "$id" ] && { echo "$id"; return 0; }
    kill -0 "$pid" 2>/dev/null || return 1
    sleep 0.1
  done
  return 1
}
# The client size of a window: "W H".
size_of() { xdotool getwindowgeometry --shell "$1" | awk -F= '/^WIDTH/{w=$2} /^HEIGHT/{h=$2} END{print w, h}'; }

# Starts the program, optionally presses a key in its window, closes it with Alt+F4
# and waits for it to end; prints the window size seen before the key.
run_once() {
  local program=$1 key=${2:-} pid id size
  "$program" >"$HOME/out.log" 2>&1 &
  pid=$!
  id=$(window_of "$pid") || { cat "$HOME/out.log" >&2; fail "no window from $program"; }
  xdotool windowactivate --sync "$id" >/dev/null 2>&1 || xdotool windowfocus --sync "$id"
  size=$(size_of "$id")
  if [ -n "$key" ]; then
    xdotool key --clearmodifiers "$key"
    # The window takes its new size; wait for it (bounded).
    for _ in $(seq 1 100); do [ "$(size_of "$id")" != "$size" ] && break; sleep 0.1; done
  fi
  xdotool key --clearmodifiers alt+F4
  for _ in $(seq 1 300); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$pid" 2>/dev/null && { kill "$pid"; fail "$program did not end after Alt+F4"; }
  wait "$pid" || fail "$program ended with $?"
  echo "$size"
}

openbox >/dev/null 2>&1 &
wm=$!
trap 'kill $wm 2>/dev/null || true' EXIT

# Installed program.
cfg=$XDG_CONFIG_HOME/orvik/Orvik.xml
[ -e "$cfg" ] && fail "the configuration exists before the first start"
first=$(run_once "$prefix/bin/orvik" alt+1)
[ -f "$cfg" ] || fail "no configuration in $XDG_CONFIG_HOME/orvik"
grep -q 'size="normal"' "$cfg" || fail "Alt+1 (100%) not stored in $cfg"
second=$(run_once "$prefix/bin/orvik")
third=$(run_once "$prefix/bin/orvik")
[ "$second" = "$third" ] || fail "the restarted window is $third, not $second as stored"
[ "$first" != "$second" ] || fail "the window kept its first size $first after Alt+1 and a restart"
grep -q 'size="normal"' "$cfg" || fail "the restart lost the window size"

# Portable program folder.
rm -rf "$XDG_CONFIG_HOME/orvik"
run_once "$work/portable/orvik" alt+2 >/dev/null
grep -q 'size="double"' "$work/portable/Orvik.xml" || fail "Alt+2 (200%) not stored in the portable Orvik.xml"
[ -e "$XDG_CONFIG_HOME/orvik" ] && fail "portable mode made $XDG_CONFIG_HOME/orvik"
echo "install-test: window $first at the first start, $second after Alt+1 and a restart"
echo "install-test: installed and portable starts passed"
INNER

user_env=(env -i PATH="$PATH" HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config"
  XDG_DATA_HOME="$work/home/.local/share" XDG_CACHE_HOME="$work/home/.cache" XDG_RUNTIME_DIR="$work/runtime"
  QT_QPA_PLATFORM=xcb DBUS_SESSION_BUS_ADDRESS=disabled: LANG=C.UTF-8)
run=(xvfb-run -a -s "-screen 0 1280x1024x24" bash "$work/as-user.sh" "$work")
if [ "$(id -u)" -eq 0 ]; then
  # As root, the programs run as nobody, who owns only the home and portable folders.
  chown -R nobody:nogroup "$work/home" "$work/runtime" "$work/portable"
  chmod 755 "$work/as-user.sh"
  setpriv --reuid=nobody --regid=nogroup --clear-groups "${user_env[@]}" "${run[@]}"
else
  "${user_env[@]}" "${run[@]}"
fi
find "$prefix" -type f -exec sha1sum {} + | sort > "$work/prefix.after"
diff -q "$work/prefix.before" "$work/prefix.after" >/dev/null || { echo "install-test: the prefix changed" >&2; exit 1; }
[ -z "$(find "$prefix" -newer "$work/prefix.before")" ] || { echo "install-test: files were added to the prefix" >&2; exit 1; }
