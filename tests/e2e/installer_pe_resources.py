#!/usr/bin/env python3
"""Checks the resources of the installed program and of its installer.

    installer_pe_resources.py Tavrix.exe TavrixSetup.exe

Tavrix.exe: its first icon group (the one Explorer, the shortcut and Programs and Features
show, "Tavrix.exe,0") is MAINICON with a single 64 x 64 image of 32-bit colour with an
alpha channel that is really used (transparent corners, soft edges); the version
resource names the product, the vendor and version 1.2; the manifest asks for Common
Controls 6, DPI awareness and asInvoker; it carries no symbols and no debug sections, and
is at most 1 MiB. TavrixSetup.exe shows the same image.
Exit status 0 when everything holds; otherwise each failed check is printed.
"""

import os
import struct
import sys

RT_ICON, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 3, 14, 16, 24


def resources(path):
    """{type: [(name, data), ...]} in directory order (named entries first, as Windows
    counts icon indexes); names are str or int, data of the first language."""
    pe = open(path, "rb").read()
    (lfanew,) = struct.unpack_from("<I", pe, 0x3C)
    if pe[lfanew : lfanew + 4] != b"PE\0\0":
        raise ValueError(f"{path}: not a PE file")
    coff = lfanew + 4
    sections, optional_size = struct.unpack_from("<H12xH", pe, coff + 2)
    optional = coff + 20
    (magic,) = struct.unpack_from("<H", pe, optional)
    directories = optional + (112 if magic == 0x20B else 96)
    rsrc_rva, _ = struct.unpack_from("<II", pe, directories + 2 * 8)
    table = optional + optional_size

    def offset(rva):
        for i in range(sections):
            vsize, vaddr, rawsize, rawptr = struct.unpack_from("<IIII", pe, table + i * 40 + 8)
            if vaddr <= rva < vaddr + max(vsize, rawsize):
                return rva - vaddr + rawptr
        raise ValueError(f"RVA {rva:#x} outside every section")

    base = offset(rsrc_rva)

    def entries(directory):
        named, ids = struct.unpack_from("<HH", pe, base + directory + 12)
        for i in range(named + ids):
            name, target = struct.unpack_from("<II", pe, base + directory + 16 + i * 8)
            if name & 0x80000000:
                (length,) = struct.unpack_from("<H", pe, base + (name & 0x7FFFFFFF))
                start = base + (name & 0x7FFFFFFF) + 2
                name = pe[start : start + 2 * length].decode("utf-16-le")
            yield name, target

    found = {}
    for kind, names in entries(0):
        for name, languages in entries(names & 0x7FFFFFFF):
            _, leaf = next(entries(languages & 0x7FFFFFFF))
            rva, size = struct.unpack_from("<II", pe, base + leaf)
            found.setdefault(kind, []).append((name, pe[offset(rva) : offset(rva) + size]))
    return found


def sections_and_symbols(path):
    """The section names of a PE file and the size of its COFF symbol table (0 when none)."""
    pe = open(path, "rb").read()
    (lfanew,) = struct.unpack_from("<I", pe, 0x3C)
    coff = lfanew + 4
    sections, symbol_table, symbols, optional_size = struct.unpack_from("<2xH4xIIH", pe, coff)
    table = coff + 20 + optional_size
    names = []
    for i in range(sections):
        raw = pe[table + i * 40 : table + i * 40 + 8].rstrip(b"\0").decode("ascii", "replace")
        if raw.startswith("/") and symbol_table:
            # A long name, kept in the string table after the symbols.
            strings = symbol_table + 18 * symbols
            at = strings + int(raw[1:])
            raw = pe[at : pe.index(b"\0", at)].decode("ascii", "replace")
        names.append(raw)
    return names, (symbols if symbol_table else 0)


def first_icon(res):
    """(group name, [(width, height, bits, image bytes), ...]) of the first icon group."""
    name, group = res[RT_GROUP_ICON][0]
    _, _, count = struct.unpack_from("<HHH", group, 0)
    icons = dict(res.get(RT_ICON, []))
    images = []
    for i in range(count):
        w, h, _, _, _, bits, _, ident = struct.unpack_from("<BBBBHHIH", group, 6 + i * 14)
        images.append((w or 256, h or 256, bits, icons[ident]))
    return name, images


def alpha_values(image):
    """The alpha bytes of a 32-bit BMP icon image (BITMAPINFOHEADER + BGRA rows)."""
    size, width, height2, _, bits = struct.unpack_from("<IiiHH", image, 0)
    pixels = image[size : size + width * (height2 // 2) * 4]
    return width, height2 // 2, bits, pixels[3::4]


def version_strings(block):
    """The strings of a VS_VERSIONINFO block, and its fixed file version."""
    strings = {}

    def walk(at, end):
        while at < end:
            length, value_length, kind = struct.unpack_from("<HHH", block, at)
            if length == 0:
                return
            key_end = at + 6
            while block[key_end : key_end + 2] != b"\0\0":
                key_end += 2
            key = block[at + 6 : key_end].decode("utf-16-le")
            value_at = (key_end + 2 + 3) & ~3
            if kind == 1 and value_length and key not in ("VS_VERSION_INFO",):
                raw = block[value_at : value_at + 2 * value_length]
                strings[key] = raw.decode("utf-16-le").rstrip("\0")
            value_bytes = value_length * (2 if kind == 1 else 1)
            children = (value_at + value_bytes + 3) & ~3
            if key in ("VS_VERSION_INFO", "StringFileInfo") or len(key) == 8 and key.isalnum():
                walk(children, at + length)
            at = (at + length + 3) & ~3

    walk(0, len(block))
    key_end = block.index(b"V\0S\0_\0V\0E\0R\0S\0I\0O\0N\0_\0I\0N\0F\0O\0\0\0")
    fixed = (key_end + len("VS_VERSION_INFO") * 2 + 2 + 3) & ~3
    signature, _, ms, ls = struct.unpack_from("<IIII", block, fixed)
    version = (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF) if signature == 0xFEEF04BD else None
    return strings, version


def main(program, setup):
    failures = []

    def check(ok, what):
        if not ok:
            failures.append(what)

    res = resources(program)
    name, images = first_icon(res)
    check(name == "MAINICON", f"first icon group is {name!r}, not MAINICON")
    check(len(images) == 1, f"MAINICON holds {len(images)} images, not one")
    width, height, bits, image = images[0]
    check((width, height, bits) == (64, 64, 32), f"MAINICON image is {width}x{height}, {bits} bits")
    w, h, header_bits, alpha = alpha_values(image)
    check((w, h, header_bits) == (64, 64, 32), f"MAINICON bitmap is {w}x{h}, {header_bits} bits")
    corners = [alpha[0], alpha[w - 1], alpha[(h - 1) * w], alpha[h * w - 1]]
    check(corners == [0, 0, 0, 0], f"corner alpha {corners}, expected transparent corners")
    partial = sum(1 for a in alpha if 0 < a < 255)
    check(partial >= 64, f"only {partial} half-transparent pixels: edges not anti-aliased")
    check(sum(1 for a in alpha if a == 255) >= 1024, "too few opaque pixels")

    strings, version = version_strings(res[RT_VERSION][0][1])
    check(version == (1, 2, 0, 0), f"fixed file version {version}")
    expected = {
        "CompanyName": "Hemlow软件",
        "ProductName": "Velmora",
        "FileVersion": "1.2",
        "ProductVersion": "1.2",
        "OriginalFilename": "Tavrix.exe",
    }
    for key, value in expected.items():
        check(strings.get(key) == value, f"version {key} is {strings.get(key)!r}")
    description = strings.get("FileDescription", "")
    check(any("\u4e00" <= c <= "\u9fff" for c in description), f"FileDescription {description!r} not Chinese")

    manifest = res[RT_MANIFEST][0][1].decode("utf-8")
    for needle in ("Microsoft.Windows.Common-Controls", 'version="6.0.0.0"', 'level="asInvoker"', "dpiAware"):
        check(needle in manifest, f"manifest lacks {needle}")

    names, symbols = sections_and_symbols(program)
    check(symbols == 0, f"the program carries {symbols} symbols")
    debug = [n for n in names if n.startswith("/") or n.startswith(".debug")]
    check(not debug, f"the program carries debug sections {debug}")
    size = os.path.getsize(program)
    check(size <= 1 << 20, f"the program is {size} bytes, more than 1 MiB")

    _, setup_images = first_icon(resources(setup))
    check(any(img == image for *_, img in setup_images), "the installer does not show the program's icon")

    for f in failures:
        print("FAIL:", f)
    return 1 if failures else 0


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    sys.exit(main(sys.argv[1], sys.argv[2]))
