#!/usr/bin/env python3
"""Writes a small uncompressed AVI: a 32x24 picture stream at 10 frames a
second and, unless --no-sound, the sound of an 8-bit PCM WAVE file.

    make-avi.py out.avi seconds [sound.wav | --no-sound]
"""
import struct
import sys
import wave

WIDTH, HEIGHT, FPS = 32, 24, 10


def chunk(fourcc, body):
    data = fourcc + struct.pack("<I", len(body)) + body
    return data + (b"\0" if len(body) % 2 else b"")


def riff_list(kind, fourcc, parts):
    return chunk(kind, fourcc + b"".join(parts))


def strh(kind, handler, scale, rate, length, buffer, sample_size):
    return chunk(b"strh", kind + handler + struct.pack(
        "<IHHIIIIIIIIhhhh", 0, 0, 0, 0, scale, rate, 0, length, buffer,
        0xFFFFFFFF, sample_size, 0, 0, WIDTH if kind == b"vids" else 0,
        HEIGHT if kind == b"vids" else 0))


def frame_pixels(n):
    # A bar that moves across a changing background, bottom-up BGR rows.
    row = bytearray()
    for x in range(WIDTH):
        if x == n % WIDTH:
            row += b"\xff\xff\xff"
        else:
            row += bytes(((n * 20) % 256, (x * 8) % 256, 128))
    return bytes(row) * HEIGHT


def main(argv):
    if len(argv) != 4:
        sys.stderr.write(__doc__)
        return 2
    out, seconds = argv[1], float(argv[2])
    frames = int(seconds * FPS)
    sound = None
    if argv[3] != "--no-sound":
        with wave.open(argv[3], "rb") as w:
            if w.getsampwidth() != 1 or w.getnchannels() != 1:
                sys.stderr.write("sound must be 8-bit mono\n")
                return 2
            rate = w.getframerate()
            sound = w.readframes(int(seconds * rate))

    frame_size = WIDTH * HEIGHT * 3
    streams = [riff_list(b"LIST", b"strl", [
        strh(b"vids", b"DIB ", 1, FPS, frames, frame_size, 0),
        chunk(b"strf", struct.pack("<IiiHHIIiiII", 40, WIDTH, HEIGHT, 1, 24, 0,
                                    frame_size, 0, 0, 0, 0))])]
    per_frame = 0
    if sound is not None:
        per_frame = rate // FPS
        streams.append(riff_list(b"LIST", b"strl", [
            strh(b"auds", b"\0\0\0\0", 1, rate, len(sound), per_frame, 1),
            chunk(b"strf", struct.pack("<HHIIHH", 1, 1, rate, rate, 1, 8))]))

    movi = []
    index = []
    offset = 4  # entries count from the 'movi' fourcc
    for n in range(frames):
        pieces = [(b"00db", frame_pixels(n))]
        if sound is not None:
            pieces.append((b"01wb", sound[n * per_frame:(n + 1) * per_frame]))
        for fourcc, body in pieces:
            c = chunk(fourcc, body)
            movi.append(c)
            index.append(struct.pack("<4sIII", fourcc, 0x10, offset, len(body)))
            offset += len(c)

    avih = chunk(b"avih", struct.pack(
        "<IIIIIIIIII4I", 1000000 // FPS, frame_size * FPS + per_frame * FPS, 0,
        0x110, frames, 0, len(streams), frame_size, WIDTH, HEIGHT, 0, 0, 0, 0))
    body = b"AVI " + riff_list(b"LIST", b"hdrl", [avih] + streams) \
        + riff_list(b"LIST", b"movi", movi) + chunk(b"idx1", b"".join(index))
    with open(out, "wb") as f:
        f.write(chunk(b"RIFF", body))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
