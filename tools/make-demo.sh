#!/usr/bin/env bash
# Puts a few spoken dictations into a folder for the demo: espeak-ng speech
# as 8-bit PCM WAV files and as MPEG Layer-3 in RIFF WAVE, all named ".mp3"
# as the program's recordings are.
#   tools/make-demo.sh <folder>
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
out="$1"
mkdir -p "$out"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT

say() {  # name, words per minute, text
  espeak-ng -s "$2" -w "$tmp/$1.wav" "$3"
}

say letter 140 "Dictation for the typist. Dear Mister Novak, thank you for your letter of the third of \
May. We have looked at the offer and we would like to meet you next week to talk about the \
details. Please call my office to agree on a day. Kind regards."
say memo 150 "Memo to all staff. The office will be closed on Friday afternoon. Please finish your \
reports by Thursday evening and leave them on my desk."
say minutes 135 "Minutes of the meeting. Present were the director, the two heads of department and \
the accountant. The first point was the budget for next year. The accountant explained that \
costs rose by four percent. The second point was the new office in the town centre. It will \
open in September. The meeting ended at eleven o'clock."
say note 150 "A short note for Monday. Order more paper for the printer, and ask the caretaker to look at the heating in room twelve."

# Two kinds of file: 8-bit PCM and Layer-3 data, both in RIFF WAVE.
sox -q "$tmp/letter.wav" -r 11025 -c 1 -b 8 -e unsigned -t wav "$out/Letter to Mr Novak.mp3"
sox -q "$tmp/note.wav" -r 11025 -c 1 -b 8 -e unsigned -t wav "$out/Short note.mp3"
for pair in "memo:Memo to staff" "minutes:Meeting minutes"; do
  name="${pair%%:*}"
  sox -q "$tmp/$name.wav" -r 11025 -c 1 "$tmp/$name.11k.wav"
  lame --quiet -b 16 "$tmp/$name.11k.wav" "$tmp/$name.mp3"
  python3 "$top/tools/mp3-to-wave.py" "$tmp/$name.mp3" "$out/${pair#*:}.mp3"
done
