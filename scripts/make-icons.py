#!/usr/bin/env python3
"""Writes the 16x16 button and menu images of the windows as 32-bit PNG files.

Each picture is drawn as text, one character per pixel; run it again after
changing one. Usage: scripts/make-icons.py [OUTPUT_DIR]
"""
import struct
import sys
import zlib
from pathlib import Path

PALETTE = {
    ".": (0, 0, 0, 0),
    "k": (40, 40, 40, 255),
    "g": (128, 128, 128, 255),
    "w": (255, 255, 255, 255),
    "r": (200, 40, 40, 255),
    "R": (240, 110, 100, 255),
    "b": (40, 90, 180, 255),
    "B": (110, 160, 230, 255),
    "y": (240, 200, 80, 255),
    "p": (235, 235, 225, 255),
    "G": (40, 150, 60, 255),
    "l": (120, 200, 120, 255),
    "o": (225, 150, 40, 255),
    "L": (120, 200, 120, 255),
}

PICTURES = {
    # 0: clear text, a page with an eraser stroke
    "cleartext": [
        "..gggggggggg....",
        "..gppppppppgg...",
        "..gpkkkkkpppgg..",
        "..gppppppppppg..",
        "..gpkkkkkkkkpg..",
        "..gppppppppppg..",
        "..gpkkkkkkkkpg..",
        "..gppppppppyyyy.",
        "..gpkkkkkkyRRRy.",
        "..gppppppyRRRy..",
        "..gpkkkkyRRRy...",
        "..gppppyyyyy....",
        "..gppppppppppg..",
        "..gppppppppppg..",
        "..gggggggggggg..",
        "................",
    ],
    # 1: close, a red cross
    "close": [
        "................",
        "................",
        "..rr........rr..",
        "..rRr......rRr..",
        "...rRr....rRr...",
        "....rRr..rRr....",
        ".....rRrrRr.....",
        "......rRRr......",
        "......rRRr......",
        ".....rRrrRr.....",
        "....rRr..rRr....",
        "...rRr....rRr...",
        "..rRr......rRr..",
        "..rr........rr..",
        "................",
        "................",
    ],
    # 2: save, a disk
    "save": [
        "................",
        ".bbbbbbbbbbbbbb.",
        ".bBwwwwwwwwwwBb.",
        ".bBwgggggggwwBb.",
        ".bBwwwwwwwwwwBb.",
        ".bBwgggggggwwBb.",
        ".bBwwwwwwwwwwBb.",
        ".bBBBBBBBBBBBBb.",
        ".bBBBBBBBBBBBBb.",
        ".bBBggggggggBBb.",
        ".bBBgkkgwwwgBBb.",
        ".bBBgkkgwwwgBBb.",
        ".bBBgkkgwwwgBBb.",
        ".bBBgggggggggBb.",
        "..bbbbbbbbbbbbb.",
        "................",
    ],
    # 3: copy, two pages
    "copy": [
        "gggggggg........",
        "gppppppg........",
        "gpkkkkpg........",
        "gppppppg........",
        "gpkkkkpgggggggg.",
        "gppppppgpppppppg",
        "gpkkkkpgpkkkkkpg",
        "gppppppgpppppppg",
        "gpkkkkpgpkkkkkpg",
        "ggggggggpppppppg",
        ".......gpkkkkkpg",
        ".......gpppppppg",
        ".......gpkkkkkpg",
        ".......gpppppppg",
        ".......ggggggggg",
        "................",
    ],
    # 4: help, a question mark on a blue disc
    "help": [
        ".....bbbbbb.....",
        "...bbBBBBBBbb...",
        "..bBBBwwwwBBBb..",
        ".bBBBwwBBwwBBBb.",
        ".bBBBwwBBwwBBBb.",
        "bBBBBBBBBwwBBBBb",
        "bBBBBBBBwwBBBBBb",
        "bBBBBBBwwBBBBBBb",
        "bBBBBBBwwBBBBBBb",
        "bBBBBBBwwBBBBBBb",
        ".bBBBBBBBBBBBBb.",
        ".bBBBBBwwBBBBBb.",
        "..bBBBBwwBBBBb..",
        "...bbBBBBBBbb...",
        ".....bbbbbb.....",
        "................",
    ],
    # main window 0: delete, a minus on a red disc
    "delete": [
        "................",
        ".....rrrrrr.....",
        "...rrRRRRRRrr...",
        "..rRRRRRRRRRRr..",
        "..rRRRRRRRRRRr..",
        ".rRRRRRRRRRRRRr.",
        ".rRRwwwwwwwwRRr.",
        ".rRRwwwwwwwwRRr.",
        ".rRRwwwwwwwwRRr.",
        ".rRRRRRRRRRRRRr.",
        "..rRRRRRRRRRRr..",
        "..rRRRRRRRRRRr..",
        "...rrRRRRRRrr...",
        ".....rrrrrr.....",
        "................",
        "................",
    ],
    # main window 1: execute, a green arrow
    "execute": [
        "................",
        "......G.........",
        "......GG........",
        "......GlG.......",
        "......GllG......",
        "GGGGGGGlllG.....",
        "GllllllllllG....",
        "GlllllllllllG...",
        "GlllllllllllG...",
        "GllllllllllG....",
        "GGGGGGGlllG.....",
        "......GllG......",
        "......GlG.......",
        "......GG........",
        "......G.........",
        "................",
    ],
    # main window 2: append, a plus on a green disc
    "append": [
        "................",
        ".....GGGGGG.....",
        "...GGllllllGG...",
        "..GllllwwllllG..",
        "..GllllwwllllG..",
        ".GlllllwwlllllG.",
        ".GllwwwwwwwwllG.",
        ".GllwwwwwwwwllG.",
        ".GlllllwwlllllG.",
        ".GlllllwwlllllG.",
        "..GllllwwllllG..",
        "..GllllllllllG..",
        "...GGllllllGG...",
        ".....GGGGGG.....",
        "................",
        "................",
    ],
    # main window 3: messages, a page of lines
    "messages": [
        "................",
        "..gggggggggg....",
        "..gppppppppgg...",
        "..gpbbbbbpppgg..",
        "..gppppppppppg..",
        "..gpbbbbbbbbpg..",
        "..gppppppppppg..",
        "..gpbbbbbbbbpg..",
        "..gppppppppppg..",
        "..gpbbbbbbbbpg..",
        "..gppppppppppg..",
        "..gpbbbbbbpppg..",
        "..gppppppppppg..",
        "..gppppppppppg..",
        "..gggggggggggg..",
        "................",
    ],
    # main window 4: info, an "i" on a blue disc
    "info": [
        "................",
        ".....bbbbbb.....",
        "...bbBBBBBBbb...",
        "..bBBBBwwBBBBb..",
        "..bBBBBwwBBBBb..",
        ".bBBBBBBBBBBBBb.",
        ".bBBBBwwwBBBBBb.",
        ".bBBBBBwwBBBBBb.",
        ".bBBBBBwwBBBBBb.",
        ".bBBBBBwwBBBBBb.",
        "..bBBBBwwBBBBb..",
        "..bBBBwwwwBBBb..",
        "...bbBBBBBBbb...",
        ".....bbbbbb.....",
        "................",
        "................",
    ],
    # main window 5: desktop icon, a screen with a picture on it
    "desktopicon": [
        "................",
        "kkkkkkkkkkkkkkkk",
        "kBBBBBBBBBBBBBBk",
        "kBBBBBBBBBByyBBk",
        "kBBBBBBBBBByyBBk",
        "kBBBBBBBBBBBBBBk",
        "kBBBBBlBBBBBBBBk",
        "kBBBBlllBBBBBBBk",
        "kBBBllGllBBlBBBk",
        "kBBllGGGllllllBk",
        "kBllGGGGGlllllBk",
        "kkkkkkkkkkkkkkkk",
        "......kggk......",
        "......kggk......",
        "...kkkkkkkkkk...",
        "................",
    ],
    # Info dialog 0: e-mail, a sealed envelope
    "email": [
        "................",
        "................",
        "................",
        "gggggggggggggggg",
        "gRgppppppppppgRg",
        "gppgppppppppgppg",
        "gpppgppppppgpppg",
        "gppppgppppgppppg",
        "gpppppgrrgpppppg",
        "gppppppgrgpppppg",
        "gppppppppppppppg",
        "gppppppppppppppg",
        "gppppppppppppppg",
        "gggggggggggggggg",
        "................",
        "................",
    ],
    # Info dialog 1: homepage, a globe
    "homepage": [
        ".....bbbbbb.....",
        "...bbBGGBBBbb...",
        "..bBGGGGBBBBBb..",
        ".bBGGGGGGBBGGBb.",
        ".bBBGGGGBBGGGGb.",
        "bBBBBGGBBBGGGBBb",
        "bBBBBGBBBBBGBBBb",
        "bBBBBBBBBBBBBBBb",
        "bBBBBBBGGGBBBBBb",
        "bBBBBBGGGGGBBBBb",
        ".bBBBBGGGGGGBBb.",
        ".bBBBBBGGGGBBBb.",
        "..bBBBBBGGBBBb..",
        "...bbBBBBBBbb...",
        ".....bbbbbb.....",
        "................",
    ],
    # Info dialog 2: OK, a green tick
    "ok": [
        "................",
        "................",
        ".............GG.",
        "............GLG.",
        "...........GLG..",
        "..........GLG...",
        ".GG......GLG....",
        ".GLG....GLG.....",
        "..GLG..GLG......",
        "...GLGGLG.......",
        "....GLLG........",
        ".....GG.........",
        "................",
        "................",
        "................",
        "................",
    ],
    # Info dialog 3: download, an arrow down into a tray
    "download": [
        "......bbbb......",
        "......bBBb......",
        "......bBBb......",
        "......bBBb......",
        "......bBBb......",
        "...bbbbBBbbbb...",
        "....bBBBBBBb....",
        ".....bBBBBb.....",
        "......bBBb......",
        ".......bb.......",
        "g..............g",
        "g..............g",
        "gggggggggggggggg",
        "gppppppppppppppg",
        "gggggggggggggggg",
        "................",
    ],
    # main window 7: options, two check boxes, one of them ticked
    "options": [
        "................",
        ".kkkkkk.........",
        ".kwwwwkG........",
        ".kwwwGGk........",
        ".kGwGGwkkkkkkkk.",
        ".kwGGwwk........",
        ".kkkkkk.........",
        "................",
        "................",
        ".kkkkkk.........",
        ".kwwwwk.........",
        ".kwwwwk.........",
        ".kwwwwk.kkkkkkk.",
        ".kwwwwk.........",
        ".kkkkkk.........",
        "................",
    ],
}


def png(rows):
    raw = b"".join(b"\0" + b"".join(bytes(PALETTE[c]) for c in row) for row in rows)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    header = struct.pack(">IIBBBBB", 16, len(rows), 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def main():
    out = Path(sys.argv[1] if len(sys.argv) > 1 else Path(__file__).parent.parent / "resources/images")
    out.mkdir(parents=True, exist_ok=True)
    for name, rows in PICTURES.items():
        assert len(rows) == 16 and all(len(r) == 16 for r in rows), name
        (out / f"{name}.png").write_bytes(png(rows))


if __name__ == "__main__":
    main()
