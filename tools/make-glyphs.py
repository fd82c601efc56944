#!/usr/bin/env python3
"""Draws the button pictures of the main window as 16-colour bitmaps.

Each picture is 16 x 16 pixels in the standard 16-colour palette, so it looks
the same on 4-bit and 8-bit desktops; magenta is the transparent colour.
Run it to rewrite app/res/*.bmp after changing a picture.
"""
import os
import struct
import sys

PALETTE = [  # the standard 16 colours
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
    (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255),
    (255, 0, 255), (0, 255, 255), (255, 255, 255)]
INK = {'.': 13, 'k': 0, 'b': 12, 'n': 4, 'r': 9, 'm': 1, 'g': 8, 's': 7, 'w': 15, 'y': 11,
       'o': 3, 'c': 6, 'G': 2}

def play(ink):
    rows = []
    for y in range(16):
        d = min(y - 2, 13 - y)
        rows.append('....' + (ink * (d + 1) if 2 <= y <= 13 else '') )
    return [r.ljust(16, '.')[:16] for r in rows]

def pause(ink):
    return ['.' * 16] * 3 + ['....' + ink * 3 + '..' + ink * 3 + '....'] * 10 + ['.' * 16] * 3

def tri(left, ink, x0):
    rows = []
    for y in range(16):
        d = min(y - 3, 12 - y)
        if 3 <= y <= 12:
            w = d + 1
            seg = (ink * w).rjust(6, '.') if left else (ink * w).ljust(6, '.')
        else:
            seg = '......'
        rows.append(seg)
    return rows

def double(left):
    a, b = tri(left, 'k', 0), tri(left, 'k', 6)
    return [('..' + a[y] + b[y] + '..')[:16] for y in range(16)]

GLYPHS = {
    'play_black': play('k'),
    'play_blue': play('b'),
    'pause_black': pause('k'),
    'pause_blue': pause('b'),
    'stop': ['.' * 16] * 3 + ['...' + 'k' * 10 + '...'] * 10 + ['.' * 16] * 3,
    'back': double(True),
    'forward': double(False),
    'folder': [
        '................', '................', '..ooooo.........', '.oyyyyyo........', '.oyyyyyoooooooo.',
        '.oyyyyyyyyyyyyo.', '.oyyyyyyyyyyyyo.', '.oyyyyyyyyyyyyo.', '.oyyyyyyyyyyyyo.', '.oyyyyyyyyyyyyo.',
        '.oyyyyyyyyyyyyo.', '.oyyyyyyyyyyyyo.', '.oooooooooooooo.', '................', '................',
        '................'],
    'file': [
        '..kkkkkkkk......', '..kwwwwwwkk.....', '..kwwwwwwkwk....', '..kwwwwwwkkkk...', '..kwwwwwwwwwk...',
        '..kwwwwwwwwwk...', '..kwwwwwwwwwk...', '..kwwwwwwwwwk...', '..kwwwwGGGwwk...', '..kwwwwGGGwwk...',
        '..kwwGGGGGGGk...', '..kwwGGGGGGGk...', '..kwwGGGGGGGk...', '..kwwwwGGGwwk...', '..kkkkkGGGkkk...',
        '................'],
    'record': [
        '................', '................', '.....rrrrrr.....', '....rrrrrrrr....', '...rrrrrrrrrr...',
        '..rrrrrrrrrrrr..', '..rrrrrrrrrrrr..', '..rrrrrrrrrrrr..', '..rrrrrrrrrrrr..', '..rrrrrrrrrrrr..',
        '..rrrrrrrrrrrr..', '...rrrrrrrrrr...', '....rrrrrrrr....', '.....rrrrrr.....', '................',
        '................'],
    'mail': [
        '................', '................', '................', '.kkkkkkkkkkkkkk.', '.kkwwwwwwwwwwkk.',
        '.kwkwwwwwwwwkwk.', '.kwwkwwwwwwkwwk.', '.kwwwkwwwwkwwwk.', '.kwwwwkwwkwwwwk.', '.kwwwwwkkwwwwwk.',
        '.kwwwwwwwwwwwwk.', '.kwwwwwwwwwwwwk.', '.kkkkkkkkkkkkkk.', '................', '................',
        '................'],
    'settings': [
        '................', '...k.......k....', '...k.......k....', '..kkk......k....', '..kkk......k....',
        '...k.......k....', '...k......kkk...', '...k......kkk...', '...k.......k....', '...k.......k....',
        '...k.......k....', '...k.......k....', '...k.......k....', '...k.......k....', '................',
        '................'],
    'about': [
        '................', '.......bb.......', '.......bb.......', '................', '......bbb.......',
        '.......bb.......', '.......bb.......', '.......bb.......', '.......bb.......', '.......bb.......',
        '.......bb.......', '.......bb.......', '......bbbb......', '................', '................',
        '................'],
    'exit': [
        '................', '................', '..mm........mm..', '...mm......mm...', '....mm....mm....',
        '.....mm..mm.....', '......mmmm......', '.......mm.......', '......mmmm......', '.....mm..mm.....',
        '....mm....mm....', '...mm......mm...', '..mm........mm..', '................', '................',
        '................'],
    'reload': [
        '................', '......GGGG......', '....GG....GG....', '...G........G...', '..G..........G..',
        '..G.........GGG.', '..G..........G..', '................', '..G..........G..', '.GGG.........G..',
        '..G..........G..', '...G........G...', '....GG....GG....', '......GGGG......', '................',
        '................'],
    'grouped': [
        '................', '.oooo...........', '.oyyo...........', '.oooo...........', '...k............',
        '...kkkk.........', '...k..kkkkkk....', '...k............', '...kkkk.........', '...k..kkkkkk....',
        '...k............', '...kkkk.........', '......kkkkkk....', '................', '................',
        '................'],
    'ungrouped': [
        '................', '.kkkkkkkkkk.....', '................', '.kkkkkkkkkk.....', '................',
        '.kkkkkkkkkk.....', '................', '.kkkkkkkkkk.....', '................', '.kkkkkkkkkk.....',
        '................', '.kkkkkkkkkk.....', '................', '................', '................',
        '................'],
    'small': ['.' * 16] * 6 + ['......kkkk......'] * 4 + ['.' * 16] * 6,
}

def bmp(rows):
    assert len(rows) == 16 and all(len(r) == 16 for r in rows), rows
    pixels = b''
    for row in reversed(rows):  # bottom-up
        idx = [INK[c] for c in row]
        pixels += bytes((idx[i] << 4) | idx[i + 1] for i in range(0, 16, 2))
    palette = b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in PALETTE)
    info = struct.pack('<IiiHHIIiiII', 40, 16, 16, 1, 4, 0, len(pixels), 2835, 2835, 16, 16)
    offset = 14 + len(info) + len(palette)
    header = struct.pack('<2sIHHI', b'BM', offset + len(pixels), 0, 0, offset)
    return header + info + palette + pixels

def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), '..', 'app', 'res')
    os.makedirs(out, exist_ok=True)
    for name, rows in GLYPHS.items():
        with open(os.path.join(out, name + '.bmp'), 'wb') as f:
            f.write(bmp(rows))

if __name__ == '__main__':
    main()
