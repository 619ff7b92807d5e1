#!/bin/bash
# Checks the Debian package scripts/package.sh built: its file list, lintian,
# the desktop entries and the AppStream metadata; then unpacks it into a
# temporary folder (no install on this machine) and runs the unpacked menu
# on a content tree under Xvfb: the window must come up with its animations,
# and entering the preview twice must start the tree's reader.
set -euo pipefail
cd "$(dirname "$0")/.."
deb=$(ls build-package/apostilas_*.deb)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "check-package: $*" >&2; exit 1; }

echo "== file list"
dpkg-deb -c "$deb" | awk '{print $6}' | sed 's#^\./#/#' > "$work/files"
for wanted in /usr/bin/apostilas /usr/bin/apostilas-abrir /usr/bin/apostilas-verificar \
    /usr/lib/x86_64-linux-gnu/apostilas/libapostilas_web.so \
    /usr/share/apostilas/ruffle/ruffle.js /usr/share/apostilas/autorun.sh \
    /usr/share/applications/br.com.lumivark.apostilas.desktop \
    /usr/share/nemo/actions/br.com.lumivark.apostilas.nemo_action \
    /usr/share/file-manager/actions/br.com.lumivark.apostilas.desktop \
    /usr/share/kio/servicemenus/br.com.lumivark.apostilas.desktop \
    /usr/share/metainfo/br.com.lumivark.apostilas.metainfo.xml \
    /usr/share/icons/hicolor/32x32/apps/br.com.lumivark.apostilas.png \
    /usr/share/icons/hicolor/48x48/apps/br.com.lumivark.apostilas.png \
    /usr/share/icons/hicolor/64x64/apps/br.com.lumivark.apostilas.png \
    /usr/share/icons/hicolor/128x128/apps/br.com.lumivark.apostilas.png \
    /usr/share/icons/hicolor/scalable/apps/br.com.lumivark.apostilas.svg \
    /usr/share/man/man1/apostilas.1.gz /usr/share/man/man1/apostilas-abrir.1.gz \
    /usr/share/man/man1/apostilas-verificar.1.gz \
    /usr/share/man/pt_BR/man1/apostilas.1.gz /usr/share/man/pt_BR/man1/apostilas-abrir.1.gz \
    /usr/share/man/pt_BR/man1/apostilas-verificar.1.gz \
    /usr/share/doc/apostilas/copyright /usr/share/doc/apostilas/changelog.Debian.gz \
    /usr/share/doc/apostilas/ruffle/LICENSE_MIT /usr/share/doc/apostilas/ruffle/LICENSE_APACHE; do
    grep -qx "$wanted" "$work/files" || fail "missing from the package: $wanted"
done
# Nothing of the build (tests, tools, benchmarks, source maps) and nothing
# on the public library path.
if grep -E '/(tst_|bench_|makedemo|swfgen|makeicons)|\.map$|^/usr/lib/x86_64-linux-gnu/[^/]+\.so' "$work/files"; then
    fail "the package holds files it should not"
fi

echo "== relations"
recommends=$(dpkg-deb -f "$deb" Recommends)
[[ $recommends == *"evince | pdf-viewer"* ]] || fail "no PDF viewer recommended: '$recommends'"
[[ $recommends != *zenity* && $recommends != *kdialog* ]] || fail "a dialog program is still recommended: '$recommends'"

echo "== lintian"
lintian --fail-on error --tag-display-limit 0 "$deb" 2>&1 | grep -v "root privileges" || true
lintian --fail-on error "$deb" >/dev/null 2>&1 || fail "lintian reports errors"

echo "== unpacked"
dpkg-deb -x "$deb" "$work/root"
desktop-file-validate "$work"/root/usr/share/applications/*.desktop
appstreamcli validate --no-net "$work/root/usr/share/metainfo/br.com.lumivark.apostilas.metainfo.xml"
for page in "$work"/root/usr/share/man/man1/*.1.gz "$work"/root/usr/share/man/pt_BR/man1/*.1.gz; do
    LC_ALL=C.UTF-8 man --warnings -l "$page" 2>&1 >/dev/null | grep . && fail "$page does not format cleanly"
done
# The default pages are English, the translations Portuguese.
zcat "$work/root/usr/share/man/man1/apostilas.1.gz" | grep -q '^\.SH DESCRIPTION' || fail "apostilas(1) is not English"
zcat "$work/root/usr/share/man/pt_BR/man1/apostilas.1.gz" | grep -q '^\.SH DESCRIÇÃO' || fail "the pt_BR apostilas(1) is not Portuguese"

echo "== --help and --version without a display"
for program in apostilas apostilas-abrir apostilas-verificar; do
    for option in --help --version; do
        out=$(env -u DISPLAY -u WAYLAND_DISPLAY timeout 10 "$work/root/usr/bin/$program" "$option" 2>&1) ||
            fail "$program $option failed: $out"
        [[ $option == --help && $out == *uso:* ]] || [[ $option == --version && $out == "$program 1."* ]] ||
            fail "$program $option printed: $out"
    done
done

echo "== folders keep opening with the file manager"
bash tests/desktop_defaults_test.sh "$work"/root/usr/share/applications/*.desktop

echo "== the medium's autorun script, under the name the file system shows"
# The desktop runs it as "/bin/sh /media/…/autorun.sh"; a medium whose file
# system shows 8.3 names has it as AUTORUN.SH, which a person can still run.
mkdir -p "$work/autorun/bin"
printf '#!/bin/sh\nprintf "%%s\\n" "$@" > "%s/autorun/started"\n' "$work" > "$work/autorun/bin/apostilas-abrir"
chmod +x "$work/autorun/bin/apostilas-abrir"
for name in autorun.sh AUTORUN.SH; do
    medium="$work/autorun/Mídia $name"
    mkdir -p "$medium"
    cp "$work/root/usr/share/apostilas/autorun.sh" "$medium/$name"
    rm -f "$work/autorun/started"
    (cd / && PATH="$work/autorun/bin:/usr/bin:/bin" /bin/sh "$medium/$name") || fail "$name did not start the launcher"
    [[ $(cat "$work/autorun/started") == "$medium" ]] || fail "$name opened '$(cat "$work/autorun/started")', not the medium"
done

echo "== the unpacked checker on the demo tree"
tree="$work/Coleção Demo"
cp -r build/demo "$tree"
"$work/root/usr/bin/apostilas-verificar" "$tree" | tail -1
"$work/root/usr/bin/apostilas-verificar" --json "$tree" | grep -q '"saida": 0' || fail "the demo tree does not check clean"

echo "== the unpacked menu on a content tree"
# The tree's reader records what it was asked to open.
printf '#!/bin/sh\nprintf "%%s\\n" "$@" > "%s/reader.txt"\n' "$work" > "$tree/manuais/READER.exe"
chmod +x "$tree/manuais/READER.exe"
QTWEBENGINE_DISABLE_SANDBOX=$([[ $(id -u) == 0 ]] && echo 1 || echo 0) \
    xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
    set -euo pipefail
    work=$1 tree=$2
    fail() { echo "check-package: $*" >&2; exit 1; }
    # Through the launcher, as the desktop entries start it.
    "$work/root/usr/bin/apostilas-abrir" "$tree" 2>"$work/menu.err" &
    menu=$!
    trap "kill $menu 2>/dev/null || true" EXIT
    window=$(timeout 30 xdotool search --sync --onlyvisible --name "Apostilas" | head -1) || fail "no window"
    # The preview (a cream movie) comes up in the window.
    cream="rgb(255,248,225)"
    for attempt in $(seq 60); do
        import -window root "$work/shot.png"
        count=$(convert "$work/shot.png" -fill black +opaque "$cream" -fill white -opaque "$cream" \
                -format "%[fx:mean*w*h]" info:)
        [[ ${count%.*} -gt 20000 ]] && break
        sleep 0.5
    done
    [[ ${count%.*} -gt 20000 ]] || { cat "$work/menu.err"; fail "the animations did not come up ($count pixels)"; }
    echo "animations on screen: $count pixels of the preview"
    centre=$(convert "$work/shot.png" -fill black +opaque "$cream" -fill white -opaque "$cream" -trim \
             -format "%[fx:page.x+w/2] %[fx:page.y+h/2]" info:)
    x=${centre% *} y=${centre#* }
    # Entering the preview twice starts the tree reader with the manual.
    for attempt in $(seq 10); do
        xdotool mousemove "${x%.*}" "${y%.*}" click 1
        sleep 1
        [[ -s $work/reader.txt ]] && break
    done
    [[ -s $work/reader.txt ]] || fail "the activation started no reader"
    echo "the reader was started with: $(cat "$work/reader.txt")"
    grep -qi "manuais/.*ano.pdf" "$work/reader.txt" || fail "the reader got no manual"
' check "$work" "$tree"
echo "package checks passed: $deb"
