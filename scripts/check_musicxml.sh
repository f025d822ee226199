#!/bin/bash
# Checks that notation programs read the MusicXML Tunelet writes: every songbook song is
# exported with tunelet-export --musicxml, checked for well-formedness with xmllint (and
# against a MusicXML schema when MUSICXML_XSD names one), then converted by MuseScore 3
# (Debian's musescore3, a peer program, never linked) to PDF, PNG pages and MIDI: what
# MuseScore says is shown, and the notes of its MIDI file (key, onset, velocity) are
# compared with Tunelet's own MIDI export of the script. Look at the PNG pages afterwards.
# Tools that are missing are skipped with a note: without mscore3 only the XML checks run.
#
#   cmake --build BUILD --target tunelet-export
#   scripts/check_musicxml.sh BUILD OUT [MORE.TNL...]   # files go into OUT
set -euo pipefail

build=${1:?usage: check_musicxml.sh BUILD OUT}
out=${2:?usage: check_musicxml.sh BUILD OUT}
shift 2
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export=$build/src/tunelet-export
mkdir -p "$out"

have() { command -v "$1" >/dev/null 2>&1; }
have xmllint || echo "xmllint missing (apt-get install libxml2-utils): no XML checks"
have mscore3 || echo "mscore3 missing (apt-get install musescore3): no MuseScore conversion"

failures=0
for script in "$root"/examples/*.TNL "$@"; do
    name=$(basename "$script" .TNL)
    xml=$out/$name.musicxml
    if ! "$export" --musicxml "$script" "$xml"; then
        echo "$name: export failed"
        failures=$((failures + 1))
        continue
    fi
    line="$name: $(grep -c '<note>' "$xml") notes"
    if have xmllint; then
        if [[ -n ${MUSICXML_XSD:-} ]]; then
            xmllint --noout --nonet --schema "$MUSICXML_XSD" "$xml" 2>"$out/$name.xmllint" ||
                failures=$((failures + 1))
        else
            xmllint --noout --nonet "$xml" 2>"$out/$name.xmllint" || failures=$((failures + 1))
        fi
        line+=", xmllint: $(grep -cv 'validates$' "$out/$name.xmllint" || true) complaints"
    fi
    if have mscore3; then
        said=$(QT_QPA_PLATFORM=offscreen timeout 120 mscore3 -o "$out/$name.pdf" "$xml" 2>&1 |
            grep -v -e '^convert <' -e '^	to <' -e '^\.\.\. success!' -e XDG_RUNTIME_DIR || true)
        QT_QPA_PLATFORM=offscreen timeout 120 mscore3 -o "$out/$name.mid" "$xml" >/dev/null 2>&1 ||
            failures=$((failures + 1))
        if [[ -f $out/$name.pdf ]] && have pdftoppm; then
            pdftoppm -png -r 72 "$out/$name.pdf" "$out/$name"
        fi
        line+=", MuseScore: ${said:-no warning}"
        "$export" --no-staccato "$script" "$out/$name.own.mid"
        if compared=$("$root/scripts/compare_midi_notes.py" "$out/$name.own.mid" "$out/$name.mid"); then
            line+=", its MIDI: $compared"
        else
            line+=", its MIDI: $compared"
            failures=$((failures + 1))
        fi
        [[ -f $out/$name.pdf ]] || failures=$((failures + 1))
    fi
    echo "$line"
done
echo "$failures failures"
[[ $failures -eq 0 ]]
