#!/usr/bin/env bash
# Regenerates the sample slides in this folder: pictures drawn by draw.py,
# spoken words from espeak-ng and sound effects from sox. Running it again
# writes the same files.
set -euo pipefail

HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
cd "$HERE"

bash "$HERE/../scripts/install-deps.sh" espeak-ng sox lame python3 python3-pil fonts-dejavu-core

# Start from a clean folder so that renamed or dropped slides do not linger.
find . -type f \( -iname '*.jpg' -o -iname '*.png' -o -iname '*.bmp' \
  -o -iname '*.wav' -o -iname '*.mp3' \) -delete
find . -mindepth 1 -type d -empty -delete

# Debian's python3, where python3-pil lives (a python3 earlier on PATH may lack it).
/usr/bin/python3 "$HERE/draw.py" "$HERE"

TMP="$(mktemp -d)"
trap 'rm -rf "$TMP"' EXIT

RATE=22050
# Mono 16-bit 22050 Hz, loud but not clipped, with a little silence before and after.
finish() { # in.wav out.(wav|mp3)
  local in="$1" out="$2"
  mkdir -p "$(dirname "$out")"
  case "$out" in
    *.wav) sox -R -D "$in" -r "$RATE" -c 1 -b 16 "$out" norm -1 pad 0.1 0.15 ;;
    *.mp3)
      sox -R -D "$in" -r "$RATE" -c 1 -b 16 "$TMP/mp3src.wav" norm -1 pad 0.1 0.15
      lame --quiet -m m -b 48 "$TMP/mp3src.wav" "$out"
      ;;
  esac
  echo "$out"
}

say() { # out "words"
  espeak-ng -v en-us+f3 -s 150 -p 65 -w "$TMP/raw.wav" "$2"
  # espeak-ng leaves long silences at both ends; cut them so the word comes at once.
  sox -R -D "$TMP/raw.wav" "$TMP/say.wav" silence 1 0.01 -45d reverse silence 1 0.01 -45d reverse
  finish "$TMP/say.wav" "$1"
}

say cat.wav "Cat! Meow!"
say sun.wav "Sun! Hello, sunshine!"
say fish.mp3 "Fish! Blub, blub!"
say duck.wav "Duck! Quack, quack!"
say tree.wav "Tree! A big green tree."
say balloon.mp3 "Red balloon! Pop!"
say letters/a.wav "A! A is for apple."
say letters/b.mp3 "B! B is for ball."
say letters/c.wav "C! C is for cake."
say sounds/dog.mp3 "Dog! Woof, woof!"
say sounds/cow.wav "Cow! Moo!"

# Car horn: two short honks of two detuned square waves, like a real horn.
sox -R -D -n -r "$RATE" -c 1 "$TMP/honk.wav" synth 0.28 square 392 square 494 \
  remix - gain -9 lowpass 3000 fade t 0.01 0.28 0.03
sox -R -D -n -r "$RATE" -c 1 "$TMP/gap.wav" trim 0 0.12
sox -R -D "$TMP/honk.wav" "$TMP/gap.wav" "$TMP/honk.wav" "$TMP/horn.wav"
finish "$TMP/horn.wav" car.mp3

# Bell: a few inharmonic partials dying away, struck twice.
sox -R -D -n -r "$RATE" -c 1 "$TMP/strike.wav" synth 1.0 sine 880 sine 1320 sine 2211 sine 2960 \
  remix - fade l 0.003 1.0 0.97 gain -6
sox -R -D "$TMP/strike.wav" "$TMP/strike.wav" "$TMP/bell.wav"
finish "$TMP/bell.wav" bell.wav
