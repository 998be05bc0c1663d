#!/usr/bin/env bash
# Installs the build into a temporary DESTDIR with the prefix /usr, as the Debian package
# does, and checks what a desktop sees of it: exactly the expected files, the program
# found through its bin/ link and answering --help and --version without a display, the
# desktop entry and the AppStream metainfo passing their validators, and a JIB file taking
# the JIB type (and a plain ZIP archive keeping its own) once the staged MIME package is
# in the database. A validator that is not installed is skipped with a note.
#   install-test.sh BUILD_DIR BINDIR PRIVATEDIR DATADIR APP_ID VERSION
set -euo pipefail
build=$1 bindir=$2 privatedir=$3 datadir=$4 id=$5 version=$6
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
stage=$work/stage
root=$stage/usr
status=0
fail() {
  echo "FAIL: $*" >&2
  status=1
}
skip() { echo "skipped: $* is not installed"; }

DESTDIR=$stage cmake --install "$build" --prefix /usr >/dev/null

# Exactly these files: the programs and the engine in the private folder, a link in bin/,
# the desktop data; nothing else of the build.
expected=$(sort <<LIST
$bindir/jibview
$bindir/jibview-thumbnailer
$privatedir/jibview
$privatedir/jibview-thumbnailer
$privatedir/libunzengine.so
$privatedir/installed-copy
$datadir/thumbnailers/jibview.thumbnailer
$datadir/applications/$id.desktop
$datadir/metainfo/$id.metainfo.xml
$datadir/mime/packages/$id.xml
$datadir/icons/hicolor/16x16/apps/$id.png
$datadir/icons/hicolor/24x24/apps/$id.png
$datadir/icons/hicolor/32x32/apps/$id.png
$datadir/icons/hicolor/48x48/apps/$id.png
$datadir/icons/hicolor/64x64/apps/$id.png
$datadir/icons/hicolor/128x128/apps/$id.png
$datadir/icons/hicolor/256x256/apps/$id.png
$datadir/icons/hicolor/scalable/apps/$id.svg
LIST
)
installed=$(cd "$root" && find . -type f -o -type l | sed 's|^\./||' | sort)
diff <(echo "$expected") <(echo "$installed") >&2 || fail "installed files (<) expected, (>) installed"

# bin/jibview is a relative link, so the tree can move as a whole (DESTDIR, a package).
link=$(readlink "$root/$bindir/jibview" || true)
[[ -n $link && $link != /* ]] || fail "bin/jibview is not a relative link: '$link'"
for program in jibview jibview-thumbnailer; do
  [ "$(readlink -f "$root/$bindir/$program")" = "$root/$privatedir/$program" ] ||
    fail "bin/$program does not lead to the private folder"
done
for f in "$privatedir/jibview:755" "$privatedir/jibview-thumbnailer:755" \
  "$privatedir/libunzengine.so:644" "$datadir/applications/$id.desktop:644"; do
  mode=$(stat -c %a "$root/${f%:*}")
  [ "$mode" = "${f##*:}" ] || fail "${f%:*} has mode $mode, not ${f##*:}"
done
# The program finds the engine beside itself by its full path: no library search path of
# its own, so neither the build folder nor the folder it is started from is searched.
# A library planted in that folder (here one that is not even a library, which the loader
# would refuse to start with) must not be looked at, by the installed or the built copy.
planted=$work/planted
mkdir "$planted"
for lib in libQt6Core.so.6 libQt6Gui.so.6 libQt6Widgets.so.6 libz.so.1 libc.so.6; do
  echo "not a library" >"$planted/$lib"
done
for program in "$root/$privatedir/jibview" "$build/bin/jibview"; do
  runpath=$(readelf -d "$program" | sed -n 's/.*(R\(UN\)\?PATH).*\[\(.*\)\]/\2/p')
  [ -z "$runpath" ] || fail "$program has the library search path '$runpath'"
  (cd "$planted" && env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$program" --version >/dev/null) ||
    fail "$program does not start from a folder holding files named like its libraries"
done

# --help and --version need no display.
nodisplay=(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM)
out=$("${nodisplay[@]}" "$root/$bindir/jibview" --version) || fail "--version exited $?"
[ "$out" = "jibview (Quillbrew Free JIB Viewer) $version" ] || fail "--version printed '$out'"
out=$("${nodisplay[@]}" "$root/$bindir/jibview" --help) || fail "--help exited $?"
[ "$(head -n1 <<<"$out")" = "Usage: jibview [OPTION] [PATH]" ] || fail "--help printed '$out'"

desktop=$root/$datadir/applications/$id.desktop
for line in "Exec=jibview %f" "Icon=$id" "MimeType=application/x-jib;" "Categories=Graphics;Viewer;"; do
  grep -qxF "$line" "$desktop" || fail "the desktop entry has no line '$line'"
done
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$desktop" || fail "desktop-file-validate"
else
  skip desktop-file-validate
fi

metainfo=$root/$datadir/metainfo/$id.metainfo.xml
for line in "<id>$id</id>" "<launchable type=\"desktop-id\">$id.desktop</launchable>" \
  "<mediatype>application/x-jib</mediatype>"; do
  grep -qF "$line" "$metainfo" || fail "the metainfo has no '$line'"
done
# The newest release listed is the project's version.
release=$(grep -o '<release version="[^"]*"' "$metainfo" | head -n1 | cut -d'"' -f2)
[ "$release" = "$version" ] || fail "the metainfo's newest release is '$release', not $version"
if command -v appstreamcli >/dev/null; then
  # --strict: a warning or even an informational note fails as an error does.
  appstreamcli validate --no-net --strict "$metainfo" >&2 || fail "appstreamcli validate"
  appstreamcli validate-tree --no-net --strict "$stage" >&2 || fail "appstreamcli validate-tree"
else
  skip appstreamcli
fi

if command -v update-mime-database >/dev/null && command -v gio >/dev/null && command -v zip >/dev/null; then
  # The staged database first, the system's after it (it knows application/zip), and no
  # per-user database of whoever runs the test.
  export XDG_DATA_DIRS=$root/$datadir:/usr/share XDG_DATA_HOME=$work/data-home
  update-mime-database "$root/$datadir/mime"
  grep -qF '<comment>Lumenpix JIB project</comment>' "$root/$datadir/mime/application/x-jib.xml" ||
    fail "update-mime-database did not take the JIB type's comment"
  mkdir "$work/files"
  echo "a document" >"$work/files/document.xml"
  (cd "$work/files" && zip -q -X Sample.JIB document.xml)
  cp "$work/files/Sample.JIB" "$work/files/lower.jib"
  cp "$work/files/Sample.JIB" "$work/files/plain.zip"
  for f in Sample.JIB:application/x-jib lower.jib:application/x-jib plain.zip:application/zip; do
    type=$(gio info -a standard::content-type "$work/files/${f%%:*}" |
      sed -n 's/^ *standard::content-type: //p')
    [ "$type" = "${f#*:}" ] || fail "${f%%:*} is '$type', not ${f#*:}"
  done
  icons=$(gio info -a standard::icon "$work/files/Sample.JIB" | sed -n 's/^ *standard::icon: //p')
  [[ "$icons, " == "$id, "* ]] || fail "a JIB file's icons are '$icons'"
else
  skip "update-mime-database, gio or zip"
fi

[ $status = 0 ] && echo "installed copy checked"
exit $status
