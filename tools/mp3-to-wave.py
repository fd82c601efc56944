#!/usr/bin/env python3
"""Wraps plain MP3 data into a RIFF WAVE file (format tag 85), the form
Vocorder keeps its recordings in.

    tools/mp3-to-wave.py in.mp3 out.mp3

The data chunk is always even-sized and is the last thing in the file: the
playback framework's GStreamer parser stops at any byte after the data chunk
(even the RIFF pad byte of an odd chunk) and the fallback parser knows no
duration for MP3, so such a file would end at once. Odd MP3 data therefore
gets a zero byte inside the chunk, which decoders skip as junk between frames.

Importable: mp3_to_wave(mp3_bytes) returns the file's bytes.
"""
import struct
import sys

# Bit rates in kbit/s by [MPEG-1?][bitrate index], layer III only.
_BITRATES = {
    True: [0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320],
    False: [0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160],
}
_RATES = {3: [44100, 48000, 32000], 2: [22050, 24000, 16000], 0: [11025, 12000, 8000]}


class Mp3Error(ValueError):
    pass


def _strip_tags(data):
    if data[:3] == b"ID3" and len(data) >= 10:
        size = (data[6] << 21) | (data[7] << 14) | (data[8] << 7) | data[9]
        footer = 10 if data[5] & 0x10 else 0
        data = data[10 + size + footer:]
    if len(data) >= 128 and data[-128:-125] == b"TAG":
        data = data[:-128]
    return data


def _parse_header(data, pos):
    """Returns (version bits, sample rate, channels, bit rate, frame size) of a
    layer III frame header at pos, or None."""
    if pos + 4 > len(data):
        return None
    h = struct.unpack(">I", data[pos:pos + 4])[0]
    if (h >> 21) & 0x7FF != 0x7FF:
        return None
    version = (h >> 19) & 3
    layer = (h >> 17) & 3
    bitrate_index = (h >> 12) & 15
    rate_index = (h >> 10) & 3
    if version == 1 or layer != 1 or bitrate_index in (0, 15) or rate_index == 3:
        return None
    mpeg1 = version == 3
    bitrate = _BITRATES[mpeg1][bitrate_index] * 1000
    rate = _RATES[version][rate_index]
    padding = (h >> 9) & 1
    channels = 1 if (h >> 6) & 3 == 3 else 2
    frame = (144 if mpeg1 else 72) * bitrate // rate + padding
    return version, rate, channels, bitrate, frame


def _first_frame(data):
    # A real frame is followed by another one where its size says; this keeps
    # a stray sync pattern in junk from being taken for the stream's format.
    for pos in range(len(data) - 3):
        head = _parse_header(data, pos)
        if head is None:
            continue
        follow = pos + head[4]
        if follow + 4 > len(data) or _parse_header(data, follow) is not None:
            return pos, head
    raise Mp3Error("no MPEG layer III frame found")


def _chunk(fourcc, body):
    return fourcc + struct.pack("<I", len(body)) + body


def mp3_to_wave(mp3):
    data = _strip_tags(bytes(mp3))
    pos, (version, rate, channels, bitrate, frame) = _first_frame(data)
    data = data[pos:]
    samples_per_frame = 1152 if version == 3 else 576
    frames = 0
    p = 0
    while True:
        head = _parse_header(data, p)
        if head is None:
            break
        frames += 1
        p += head[4]
    # MPEGLAYER3WAVEFORMAT: WAVEFORMATEX (tag 85, block align 1) and the
    # layer III extension: ID_MPEG, padding off, block size, 1 frame a block,
    # the usual codec delay.
    fmt = struct.pack("<HHIIHHH", 0x55, channels, rate, bitrate // 8, 1, 0, 12)
    fmt += struct.pack("<HIHHH", 1, 2, frame, 1, 1393)
    fact = struct.pack("<I", frames * samples_per_frame)
    if len(data) % 2:
        data += b"\0"
    body = b"WAVE" + _chunk(b"fmt ", fmt) + _chunk(b"fact", fact) + _chunk(b"data", data)
    return _chunk(b"RIFF", body)


def main(argv):
    if len(argv) != 3:
        sys.stderr.write("usage: mp3-to-wave.py in.mp3 out.mp3\n")
        return 2
    with open(argv[1], "rb") as f:
        mp3 = f.read()
    try:
        wave = mp3_to_wave(mp3)
    except Mp3Error as e:
        sys.stderr.write("%s: %s\n" % (argv[1], e))
        return 1
    with open(argv[2], "wb") as f:
        f.write(wave)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
