#!/usr/bin/env python3
"""Draws the 16x16 engine icons of the shipped catalogue into image/.

Each icon is a rounded square in the engine's colour with a white pictogram of what the
service is for (search, encyclopaedia, dictionary, map, video, shopping, news, images,
questions). Run it again after changing a glyph; the PNGs are committed."""
import os
import struct
import zlib

GLYPHS = {
    "search": [
        "............",
        "...####.....",
        "..#....#....",
        ".#......#...",
        ".#......#...",
        ".#......#...",
        ".#......#...",
        "..#....#....",
        "...#####....",
        ".......###..",
        "........###.",
        ".........##.",
    ],
    "book": [
        "............",
        ".####..####.",
        "#....##....#",
        "#.##.##.##.#",
        "#....##....#",
        "#.##.##.##.#",
        "#....##....#",
        "#.##.##.##.#",
        "#....##....#",
        ".####..####.",
        "............",
        "............",
    ],
    "letter": [
        "............",
        ".....##.....",
        "....####....",
        "....#..#....",
        "...##..##...",
        "...#....#...",
        "..########..",
        "..#......#..",
        ".##......##.",
        ".#........#.",
        "............",
        "............",
    ],
    "pin": [
        "....####....",
        "...######...",
        "..###..###..",
        "..##....##..",
        "..###..###..",
        "...######...",
        "...######...",
        "....####....",
        "....####....",
        ".....##.....",
        ".....##.....",
        "............",
    ],
    "play": [
        "............",
        "...#........",
        "...##.......",
        "...###......",
        "...####.....",
        "...#####....",
        "...#####....",
        "...####.....",
        "...###......",
        "...##.......",
        "...#........",
        "............",
    ],
    "cart": [
        "............",
        "#...........",
        ".#########..",
        ".#.......#..",
        ".#.......#..",
        "..#.....#...",
        "..#######...",
        "..#.........",
        "..########..",
        "...##...##..",
        "...##...##..",
        "............",
    ],
    "bag": [
        "............",
        "....####....",
        "...#....#...",
        "...#....#...",
        ".##########.",
        ".##########.",
        ".##########.",
        ".##########.",
        ".##########.",
        ".##########.",
        ".##########.",
        "............",
    ],
    "news": [
        "............",
        "##########..",
        "#........#..",
        "#.######.#..",
        "#........###",
        "#.##.###.#.#",
        "#.##.....#.#",
        "#.##.###.#.#",
        "#........#.#",
        "#.######.#.#",
        "###########.",
        "............",
    ],
    "picture": [
        "############",
        "#..........#",
        "#.......##.#",
        "#.......##.#",
        "#..........#",
        "#....#.....#",
        "#...###....#",
        "#..#####.#.#",
        "#.#########.",
        "############",
        "............",
        "............",
    ],
    "question": [
        "....####....",
        "...##..##...",
        "..##....##..",
        "........##..",
        ".......##...",
        "......##....",
        ".....##.....",
        ".....##.....",
        "............",
        ".....##.....",
        ".....##.....",
        "............",
    ],
}

# image file -> (background colour, glyph)
ICONS = {
    "web_blue.png": ((0x2F, 0x6F, 0xD6), "search"),
    "web_red.png": ((0xC8, 0x32, 0x3C), "search"),
    "web_teal.png": ((0x10, 0x8C, 0x8C), "search"),
    "encyclopedia.png": ((0x55, 0x5B, 0x66), "book"),
    "dictionary.png": ((0xD9, 0x7A, 0x1E), "letter"),
    "map.png": ((0x2E, 0x9E, 0x4F), "pin"),
    "video.png": ((0xD0, 0x21, 0x21), "play"),
    "shopping_cart.png": ((0xE8, 0x9B, 0x10), "cart"),
    "shopping_bag.png": ((0xB0, 0x3A, 0x8C), "bag"),
    "news.png": ((0x3A, 0x4E, 0x9C), "news"),
    "images.png": ((0x1E, 0x96, 0xC8), "picture"),
    "questions.png": ((0xE0, 0x5A, 0x28), "question"),
}


def pixels(colour, glyph):
    rows = []
    for y in range(16):
        row = []
        for x in range(16):
            # Rounded corners: the two outermost pixels of each corner are transparent.
            corner = (x in (0, 15) and y in (0, 1, 14, 15)) or (y in (0, 15) and x in (1, 14))
            if corner:
                row.append((0, 0, 0, 0))
                continue
            gx, gy = x - 2, y - 2
            on = 0 <= gx < 12 and 0 <= gy < 12 and GLYPHS[glyph][gy][gx] == "#"
            row.append((255, 255, 255, 255) if on else colour + (255,))
        rows.append(row)
    return rows


def png(rows):
    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data +
                struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))
    raw = b"".join(b"\0" + bytes(c for px in row for c in px) for row in rows)
    header = struct.pack(">IIBBBBB", 16, 16, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def main():
    folder = os.path.join(os.path.dirname(os.path.abspath(__file__)), "image")
    os.makedirs(folder, exist_ok=True)
    for name, (colour, glyph) in ICONS.items():
        with open(os.path.join(folder, name), "wb") as f:
            f.write(png(pixels(colour, glyph)))


if __name__ == "__main__":
    main()
