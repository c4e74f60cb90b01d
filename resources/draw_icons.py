#!/usr/bin/env python3
"""Draws Vimbrel's icons and writes them as .ico files next to this script.

The pictures are pixel maps kept as text so that every pixel is chosen by
hand: at 16x16 no scaler or rasteriser beats a placed pixel.  The images are
stored the classic way (a BITMAPINFOHEADER, a palette, the colour bits and an
AND mask) because that is what every version of Windows, the resource
compilers and the shell's icon extractors all read without complaint.

Run it after changing a map; the .ico files are committed alongside.
"""

import os
import struct
import sys

# The 16 colours every display since VGA has had, in the order Windows uses
# for 4-bit DIBs.  Letters: lower case is the dark half of the palette.
VGA16 = [
    ('K', (0x00, 0x00, 0x00)),  # black
    ('r', (0x80, 0x00, 0x00)),  # maroon
    ('g', (0x00, 0x80, 0x00)),  # green
    ('y', (0x80, 0x80, 0x00)),  # olive
    ('b', (0x00, 0x00, 0x80)),  # navy
    ('m', (0x80, 0x00, 0x80)),  # purple
    ('c', (0x00, 0x80, 0x80)),  # teal
    ('S', (0xC0, 0xC0, 0xC0)),  # silver
    ('D', (0x80, 0x80, 0x80)),  # grey
    ('R', (0xFF, 0x00, 0x00)),  # red
    ('G', (0x00, 0xFF, 0x00)),  # lime
    ('Y', (0xFF, 0xFF, 0x00)),  # yellow
    ('B', (0x00, 0x00, 0xFF)),  # blue
    ('M', (0xFF, 0x00, 0xFF)),  # fuchsia
    ('C', (0x00, 0xFF, 0xFF)),  # aqua
    ('W', (0xFF, 0xFF, 0xFF)),  # white
]
MONO = [('K', (0x00, 0x00, 0x00)), ('W', (0xFF, 0xFF, 0xFF))]
TRANSPARENT = '.'

# --------------------------------------------------------------------------
# a_main.ico: a yellow cube in a green hexagon.

A_MAIN_32 = """
................................
...............KK...............
.............KKGGKK.............
...........KKGGGGGGKK...........
.........KKGGGGggGGGGKK.........
.......KKGGGGggggggGGGGKK.......
.....KKGGGGggggKKggggGGGGKK.....
...KKGGGGggggKKYYKKggggGGGGKK...
.KKGGGGggggKKYYYYYYKKggggGGGGKK.
.KGGGggggKKYYYYYYYYYYKKggggGGGK.
.KGGgggKKYYYYYYYYYYYYYYKKgggGGK.
.KGGgggKYyyYYYYYYYYYYyyyKgggGGK.
.KGGgggKYYYyyYYYYYYyyyyyKgggGGK.
.KGGgggKYYYYYyyYYyyyyyyyKgggGGK.
.KGGgggKYYYYYYYyyyyyyyyyKgggGGK.
.KGGgggKYYYYYYYYyyyyyyyyKgggGGK.
.KGGgggKYYYYYYYYyyyyyyyyKgggGGK.
.KGGgggKYYYYYYYYyyyyyyyyKgggGGK.
.KGGgggKYYYYYYYYyyyyyyyyKgggGGK.
.KGGgggKYYYYYYYYyyyyyyyyKgggGGK.
.KGGgggKYYYYYYYYyyyyyyyyKgggGGK.
.KGGgggKKYYYYYYYyyyyyyyKKgggGGK.
.KGGGggggKKYYYYYyyyyyKKggggGGGK.
.KKGGGGggggKKYYYyyyKKggggGGGGKK.
...KKGGGGggggKKYyKKggggGGGGKK...
.....KKGGGGggggKKggggGGGGKK.....
.......KKGGGGggggggGGGGKK.......
.........KKGGGGggGGGGKK.........
...........KKGGGGGGKK...........
.............KKGGKK.............
...............KK...............
................................
"""

A_MAIN_16 = """
.......KK.......
.....KKGGKK.....
...KKGGggGGKK...
.KKGGggKKggGGKK.
KGGggKKYYKKggGGK
KGgKKYYYYYYKKgGK
KGgKYyyYYyyyKgGK
KGgKYYYyyyyyKgGK
KGgKYYYYyyyyKgGK
KGgKYYYYyyyyKgGK
KGgKKYYYyyyKKgGK
KGGggKKYyKKggGGK
.KKGGggKKggGGKK.
...KKGGggGGKK...
.....KKGGKK.....
.......KK.......
"""

# --------------------------------------------------------------------------
# window.ico: a plain window, title bar and frame.

WINDOW_32_MONO = """
................................
................................
................................
KKKKKKKKKKKKKKKKKKKKKKKKKKKKKKK.
KKKKKKKKKKKKKKKKKKKKKKKKKKKKKKK.
KKKKKKKKKKKKKKKKKKKKKKKKKKKKKKK.
KKKWWWWWWWWWKKKKKKKKWWKWWKWWKKK.
KKKKKKKKKKKKKKKKKKKKWWKWWKWWKKK.
KKKKKKKKKKKKKKKKKKKKKKKKKKKKKKK.
KKKKKKKKKKKKKKKKKKKKKKKKKKKKKKK.
KWWWWWWWWWWWWWWWWWWWWWWWWWWWWWK.
KWWWWWWWWWWWWWWWWWWWWWWWWWWWWWK.
KWWWWWWWWWWWWWWWWWWWWWWWWWWWWWK.
KWWWWWWWWWWWWWWWWWWWWWWWWWWWWWK.
KWWWWWWWWWWWWWWWWWWWWWWWWWWWWWK.
KWWWWWWWWWWWWWWWWWWWWWWWWWWWWWK.
KWWWWWWWWWWWWWWWWWWWWWWWWWWWWWK.
KWWWWWWWWWWWWWWWWWWWWWWWWWWWWWK.
KWWWWWWWWWWWWWWWWWWWWWWWWWWWWWK.
KWWWWWWWWWWWWWWWWWWWWWWWWWWWWWK.
KWWWWWWWWWWWWWWWWWWWWWWWWWWWWWK.
KWWWWWWWWWWWWWWWWWWWWWWWWWWWWWK.
KWWWWWWWWWWWWWWWWWWWWWWWWWWWWWK.
KWWWWWWWWWWWWWWWWWWWWWWWWWWWWWK.
KWWWWWWWWWWWWWWWWWWWWWWWWWWWWWK.
KWWWWWWWWWWWWWWWWWWWWWWWWWWWWWK.
KWWWWWWWWWWWWWWWWWWWWWWWWWWWWWK.
KKKKKKKKKKKKKKKKKKKKKKKKKKKKKKK.
................................
................................
................................
................................
"""

WINDOW_32 = """
................................
................................
................................
KKKKKKKKKKKKKKKKKKKKKKKKKKKKKKK.
KSSSSSSSSSSSSSSSSSSSSSSSSSSSSSKD
KSbbbbbbbbbbbbbbbbbbbbbbbbbbbSKD
KSbWWWWWWWWWbbbbbbbbSSbSSbSSbSKD
KSbbbbbbbbbbbbbbbbbbSSbSSbSSbSKD
KSbbbbbbbbbbbbbbbbbbbbbbbbbbbSKD
KSSSSSSSSSSSSSSSSSSSSSSSSSSSSSKD
KSWWWWWWWWWWWWWWWWWWWWWWWWWWWSKD
KSWWWWWWWWWWWWWWWWWWWWWWWWWWWSKD
KSWWWWWWWWWWWWWWWWWWWWWWWWWWWSKD
KSWWWWWWWWWWWWWWWWWWWWWWWWWWWSKD
KSWWWWWWWWWWWWWWWWWWWWWWWWWWWSKD
KSWWWWWWWWWWWWWWWWWWWWWWWWWWWSKD
KSWWWWWWWWWWWWWWWWWWWWWWWWWWWSKD
KSWWWWWWWWWWWWWWWWWWWWWWWWWWWSKD
KSWWWWWWWWWWWWWWWWWWWWWWWWWWWSKD
KSWWWWWWWWWWWWWWWWWWWWWWWWWWWSKD
KSWWWWWWWWWWWWWWWWWWWWWWWWWWWSKD
KSWWWWWWWWWWWWWWWWWWWWWWWWWWWSKD
KSWWWWWWWWWWWWWWWWWWWWWWWWWWWSKD
KSWWWWWWWWWWWWWWWWWWWWWWWWWWWSKD
KSWWWWWWWWWWWWWWWWWWWWWWWWWWWSKD
KSWWWWWWWWWWWWWWWWWWWWWWWWWWWSKD
KSSSSSSSSSSSSSSSSSSSSSSSSSSSSSKD
KKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKD
.DDDDDDDDDDDDDDDDDDDDDDDDDDDDDDD
................................
................................
................................
"""

WINDOW_16 = """
................
KKKKKKKKKKKKKKK.
KbbbbbbbbbbbbbKD
KbWWWWWbbbbSSbKD
KbbbbbbbbbbKKbKD
KKKKKKKKKKKKKKKD
KWWWWWWWWWWWWWKD
KWWWWWWWWWWWWWKD
KWWWWWWWWWWWWWKD
KWWWWWWWWWWWWWKD
KWWWWWWWWWWWWWKD
KWWWWWWWWWWWWWKD
KWWWWWWWWWWWWWKD
KKKKKKKKKKKKKKKD
.DDDDDDDDDDDDDDD
................
"""

# --------------------------------------------------------------------------
# warning.ico: a black exclamation mark in a yellow triangle.

WARNING_32 = """
................................
...............KK...............
..............KKKK..............
..............KYYK..............
.............KKYYKK.............
.............KYYYYK.............
............KKYYYYKK............
............KYYYYYYK............
...........KKYYYYYYKK...........
...........KYYKKKKYYK...........
..........KKYYKKKKYYKK..........
..........KYYYKKKKYYYK..........
.........KKYYYKKKKYYYKK.........
.........KYYYYKKKKYYYYK.........
........KKYYYYyKKyYYYYKK........
........KYYYYYyKKyYYYYYK........
.......KKYYYYYyKKyYYYYYKK.......
.......KYYYYYYyKKyYYYYYYK.......
......KKYYYYYYYKKYYYYYYYKK......
......KYYYYYYYYKKYYYYYYYYK......
.....KKYYYYYYYYYYYYYYYYYYKK.....
.....KYYYYYYYYYYYYYYYYYYYYK.....
....KKYYYYYYYYyKKyYYYYYYYYKK....
....KYYYYYYYYYKKKKYYYYYYYYYK....
...KKYYYYYYYYYKKKKYYYYYYYYYKK...
...KYYYYYYYYYYyKKyYYYYYYYYYYK...
..KKYYYYYYYYYYYYYYYYYYYYYYYYKK..
..KYYYYYYYYYYYYYYYYYYYYYYYYYYK..
.KKKKKKKKKKKKKKKKKKKKKKKKKKKKKK.
..KKKKKKKKKKKKKKKKKKKKKKKKKKKK..
................................
................................
"""

WARNING_16 = """
.......KK.......
......KYYK......
......KYYK......
.....KYYYYK.....
.....KYKKYK.....
....KYYKKYYK....
....KYYKKYYK....
...KYYYKKYYYK...
...KYYYKKYYYK...
..KYYYYYYYYYYK..
..KYYYYKKYYYYK..
.KYYYYYKKYYYYYK.
.KYYYYYYYYYYYYK.
KYYYYYYYYYYYYYYK
KKKKKKKKKKKKKKKK
................
"""

# --------------------------------------------------------------------------
# info.ico: a blue letter i in a white speech bubble.

INFO_32 = """
................................
................................
..........KKKKKKKKKKKK..........
.......KKKWWWWWWWWWWWWKKK.......
.....KKWWWWWWWWWWWWWWWWWWKK.....
....KWWWWWWWWWbBBbWWWWWWWWWK....
...KWWWWWWWWWWBBBBWWWWWWWWWWK...
..KWWWWWWWWWWWBBBBWWWWWWWWWWWK..
..KWWWWWWWWWWWbBBbWWWWWWWWWWWK..
.KWWWWWWWWWWWWWWWWWWWWWWWWWWWWK.
.KWWWWWWWWWWWWWWWWWWWWWWWWWWWWK.
.KWWWWWWWWWWBBBBBBWWWWWWWWWWWWK.
.KWWWWWWWWWWWWBBBBWWWWWWWWWWWWK.
.KWWWWWWWWWWWWBBBBWWWWWWWWWWWWK.
.KWWWWWWWWWWWWBBBBWWWWWWWWWWWWK.
.KWWWWWWWWWWWWBBBBWWWWWWWWWWWWK.
..KWWWWWWWWWWWBBBBWWWWWWWWWWWK..
..KWWWWWWWWWWWBBBBWWWWWWWWWWWK..
...KWWWWWWWWBBBBBBBBWWWWWWWWK...
....KWWWWWWWWWWWWWWWWWWWWWWK....
.....KWWWWWWWWWWWWWWWWWWWKK.....
.....KWWWWWWWWWWWWWWWWKKK.......
.....KWWWWWKKKKKKKKKKK..........
.....KWWWKK.....................
.....KWWKK......................
....KWWKK.......................
....KWKK........................
...KKK..........................
................................
................................
................................
................................
"""

INFO_16 = """
....KKKKKKKK....
..KKWWWWWWWWKK..
.KWWWWWBBWWWWWK.
.KWWWWWBBWWWWWK.
KWWWWWWWWWWWWWWK
KWWWWWBBBWWWWWWK
KWWWWWWBBWWWWWWK
KWWWWWWBBWWWWWWK
KWWWWWWBBWWWWWWK
.KWWWWBBBBWWWWK.
.KWWWWWWWWWWWWK.
..KKWWWWWWWWKK..
...KWWKKKKKK....
...KWK..........
..KK............
................
"""

ICONS = {
    'a_main.ico': [(A_MAIN_16, VGA16), (A_MAIN_32, VGA16)],
    'window.ico': [(WINDOW_32_MONO, MONO), (WINDOW_32, VGA16),
                   (WINDOW_16, VGA16)],
    'warning.ico': [(WARNING_32, VGA16), (WARNING_16, VGA16)],
    'info.ico': [(INFO_32, VGA16), (INFO_16, VGA16)],
}


def parse_map(text):
    rows = [line for line in text.strip('\n').split('\n')]
    size = len(rows)
    for n, row in enumerate(rows):
        if len(row) != size:
            raise ValueError(f'row {n} is {len(row)} wide, the map is '
                             f'{size} tall: icons here are square')
    return rows


def pack_rows(values, bpp, width):
    """Packs one row of palette indices (or mask bits), MSB first, padded
    to the 32-bit boundary DIB rows need."""
    per_byte = 8 // bpp
    out = bytearray()
    for start in range(0, width, per_byte):
        byte = 0
        for i in range(per_byte):
            v = values[start + i] if start + i < width else 0
            byte |= v << (8 - bpp * (i + 1))
        out.append(byte)
    while len(out) % 4:
        out.append(0)
    return bytes(out)


def encode_image(text, palette):
    rows = parse_map(text)
    size = len(rows)
    index = {ch: n for n, (ch, _) in enumerate(palette)}
    bpp = 1 if len(palette) == 2 else 4
    xor_rows, and_rows = [], []
    for y, row in enumerate(rows):
        colours, mask = [], []
        for x, ch in enumerate(row):
            if ch == TRANSPARENT:
                # Transparent pixels must be black in the colour bits, or the
                # XOR step paints them over whatever is behind the icon.
                colours.append(0)
                mask.append(1)
            elif ch in index:
                colours.append(index[ch])
                mask.append(0)
            else:
                raise ValueError(f'{ch!r} at ({x}, {y}) is not in the palette')
        xor_rows.append(pack_rows(colours, bpp, size))
        and_rows.append(pack_rows(mask, 1, size))
    # DIBs are stored bottom-up.
    xor_bits = b''.join(reversed(xor_rows))
    and_bits = b''.join(reversed(and_rows))
    # The height counts the XOR and the AND halves together.
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, bpp, 0,
                         len(xor_bits) + len(and_bits), 0, 0, 0, 0)
    colour_table = b''.join(struct.pack('<BBBB', b, g, r, 0)
                            for _, (r, g, b) in palette)
    return size, len(palette), bpp, header + colour_table + xor_bits + and_bits


def encode_ico(images):
    encoded = [encode_image(text, palette) for text, palette in images]
    out = struct.pack('<HHH', 0, 1, len(encoded))
    offset = 6 + 16 * len(encoded)
    for size, colours, bpp, data in encoded:
        out += struct.pack('<BBBBHHII', size % 256, size % 256,
                           colours % 256, 0, 1, bpp, len(data), offset)
        offset += len(data)
    for *_, data in encoded:
        out += data
    return out


def main():
    target = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(
        os.path.abspath(__file__))
    for name, images in ICONS.items():
        with open(os.path.join(target, name), 'wb') as f:
            f.write(encode_ico(images))


if __name__ == '__main__':
    main()
