#!/usr/bin/env bash
# Generates the player's media fixtures from the shared spoken fixtures.
#   make-media.sh <fixtures folder> <repository root>
# Into <fixtures>/player:
#   speech.mp3      plain MP3, 11025 Hz mono, about 9 s, with a Xing frame;
#                   its length is made odd so that wrapping it needs the pad
#   speechwav.mp3   the same data wrapped as a RIFF WAVE file (tag 85), as
#                   Vocorder stores its recordings
#   short.mp3       1 s of MP3 without a Xing frame (the framework reports no
#                   duration for it)
#   shortwav.mp3    the same, wrapped
#   picture.avi     2 s of uncompressed pictures with 8-bit PCM sound
#   silent.avi      2 s of pictures only
#   longwav.mp3     the speech twice over (about 18 s), 11025 Hz mono MP3 in a
#                   RIFF WAVE file, for playing at other speeds
set -euo pipefail
fx="$1"
top="$2"
out="$fx/player"
mkdir -p "$out"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT

lame --quiet -m m -b 32 "$fx/speech11k16.wav" "$out/speech.mp3"
if [ $(( $(stat -c %s "$out/speech.mp3") % 2 )) -eq 0 ]; then
  printf '\0' >>"$out/speech.mp3"
fi
python3 "$top/tools/mp3-to-wave.py" "$out/speech.mp3" "$out/speechwav.mp3"

sox -q "$fx/speech11k16.wav" "$tmp/short.wav" trim 0 1
lame --quiet -t -m m -b 32 "$tmp/short.wav" "$out/short.mp3"
python3 "$top/tools/mp3-to-wave.py" "$out/short.mp3" "$out/shortwav.mp3"

sox -q "$fx/speech11k16.wav" "$fx/speech11k16.wav" "$tmp/long.wav"
lame --quiet -m m -b 32 "$tmp/long.wav" "$tmp/long.mp3"
python3 "$top/tools/mp3-to-wave.py" "$tmp/long.mp3" "$out/longwav.mp3"

python3 "$(dirname "$0")/make-avi.py" "$out/picture.avi" 2 "$fx/speech11k8.wav"
python3 "$(dirname "$0")/make-avi.py" "$out/silent.avi" 2 --no-sound
