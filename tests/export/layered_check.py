#!/usr/bin/env python3
"""Reads velmora-cli's layered files and sheets back, independently of the program, and holds
them against the element PNGs and elements.json that --elements writes of the same archive.

  layered_check.py ELEMENTS ORA ASEPRITE SHEET SHEET_ELEMENTS SCALE
  layered_check.py krita ELEMENTS KRITA

ELEMENTS: an export with --elements; ORA, ASEPRITE: --format ora / aseprite; SHEET: --format
sheet --scale SCALE, and SHEET_ELEMENTS: --elements --scale SCALE. The Aseprite file is parsed
by the published layout of the format, field by field. KRITA: .ora files that Krita opened from
ORA and saved again (its own layer files, cropped to what they hold)."""

import io
import json
import os
import struct
import sys
import xml.etree.ElementTree as ET
import zipfile
import zlib

from PIL import Image

failures = []


def check(ok, what):
    if not ok:
        failures.append(what)
    return ok


class Character:
    """A character as --elements wrote it: its parts, their places and the first shown."""

    def __init__(self, folder, stem):
        self.stem = stem
        self.index = int(stem[:3])
        with open(os.path.join(folder, stem, "elements.json")) as f:
            self.elements = json.load(f)
        base = self.elements[0]
        self.width, self.height = base["width"], base["height"]
        self.parts = [e for e in self.elements if e["width"] * e["height"] > 0]
        for e in self.parts:
            e["x"], e["y"] = e["left"] - base["left"], e["top"] - base["top"]
            e["shown"] = e["group"] == e["index"]
            e["png"] = Image.open(os.path.join(folder, stem, "%02d.png" % e["index"]))
        self.places = {}
        for e in self.parts:
            self.places.setdefault(e["group"], []).append(e)
        self.palette = self.parts[0]["png"].getpalette()


def characters(folder):
    return sorted(s for s in os.listdir(folder)
                  if os.path.isfile(os.path.join(folder, s, "elements.json")))


def same_indices(image, png, what):
    return check(image.mode == "P" and image.size == png.size and
                 image.tobytes() == png.tobytes(), what + ": indices differ")


def check_ora(ch, path):
    z = zipfile.ZipFile(path)
    first = z.infolist()[0]
    check(first.filename == "mimetype" and first.compress_type == zipfile.ZIP_STORED and
          first.header_offset == 0 and first.extra == b"" and
          z.read("mimetype") == b"image/openraster", path + ": mimetype is not first and plain")
    image = ET.fromstring(z.read("stack.xml"))
    check((image.get("w"), image.get("h")) == (str(ch.width), str(ch.height)), path + ": size")
    layers = image.find("stack").findall("layer")
    expected = list(reversed(ch.parts))  # top first
    if not check(len(layers) == len(expected), path + ": layer count"):
        return
    for layer, e in zip(layers, expected):
        what = "%s layer %s" % (path, layer.get("name"))
        check(layer.get("name").startswith("%02d" % e["index"]), what + ": name")
        check((int(layer.get("x")), int(layer.get("y"))) == (e["x"], e["y"]), what + ": place")
        check(layer.get("visibility") == ("visible" if e["shown"] else "hidden"), what + ": shown")
        png = Image.open(io.BytesIO(z.read(layer.get("src"))))
        same_indices(png, e["png"], what)
        check(png.getpalette() == ch.palette and png.info.get("transparency") == 0,
              what + ": palette")
    merged = Image.new("P", (ch.width, ch.height), 0)
    for e in ch.parts:
        if e["shown"]:
            mask = bytes(255 if i else 0 for i in e["png"].tobytes())
            merged.paste(e["png"], (e["x"], e["y"]), Image.frombytes("L", e["png"].size, mask))
    same_indices(Image.open(io.BytesIO(z.read("mergedimage.png"))), merged, path + " merged")
    thumb = Image.open(io.BytesIO(z.read("Thumbnails/thumbnail.png")))
    check(max(thumb.size) <= 256, path + ": thumbnail larger than 256")


def chunks(data, at, end, what):
    while at < end:
        size, kind = struct.unpack_from("<IH", data, at)
        if not check(size >= 6 and at + size <= end, what + ": chunk size %d at %d" % (size, at)):
            return
        yield kind, data[at + 6:at + size]
        at += size


def check_aseprite(ch, path):
    data = open(path, "rb").read()
    (size, magic, frames, width, height, depth, flags, _speed, _z1, _z2, transparent,
     colours, pw, ph, _gx, _gy, _gw, _gh) = struct.unpack_from("<IHHHHHIHIIB3xHBBhhHH", data, 0)
    check(size == len(data) and magic == 0xA5E0 and frames == 1, path + ": header")
    check((width, height, depth, transparent) == (ch.width, ch.height, 8, 0),
          path + ": size, indexed colour, transparent index 0")
    check(colours in (0, 256) and flags & 1 and data[44:128] == bytes(84), path + ": header rest")
    fsize, fmagic, old, _ms, new = struct.unpack_from("<IHHH2xI", data, 128)
    check(fmagic == 0xF1FA and 128 + fsize == len(data), path + ": frame")
    found = list(chunks(data, 128 + 16, 128 + fsize, path))
    check(len(found) == (new or old), path + ": chunk count")
    layers, cels = [], {}
    rgb = bytes(ch.palette)
    for kind, body in found:
        if kind == 0x0004:
            packets, skip, count = struct.unpack_from("<HBB", body)
            check((packets, skip, count) == (1, 0, 0) and body[4:] == rgb, path + ": old palette")
        elif kind == 0x2019:
            n, first, last = struct.unpack_from("<III8x", body)
            entries = [body[20 + 6 * i:26 + 6 * i] for i in range(n)]
            check((n, first, last) == (256, 0, 255) and
                  b"".join(e[2:5] for e in entries) == rgb, path + ": palette")
        elif kind == 0x2004:
            lflags, ltype, level, _w, _h, blend, opacity, length = \
                struct.unpack_from("<HHHHHHB3xH", body)
            layers.append((lflags, ltype, level, body[18:18 + length].decode()))
            check(blend == 0 and opacity == 255, path + ": layer blend")
        elif kind == 0x2005:
            layer, x, y, opacity, ctype, _z, w, h = struct.unpack_from("<HhhBHh5xHH", body)
            check(ctype == 2 and opacity == 255, path + ": cel type")
            cels[layer] = (x, y, w, h, zlib.decompress(body[20:]))
        else:
            check(False, path + ": unexpected chunk %04x" % kind)
    expected, done = [], set()  # (type, level, element or None, shown), bottom first
    for e in ch.parts:
        place = ch.places[e["group"]]
        if len(place) == 1:
            expected.append((0, 0, e, e["shown"]))
        elif e["group"] not in done:
            done.add(e["group"])
            expected.append((1, 0, None, True))
            expected += [(0, 1, p, p["shown"]) for p in place]
    if not check(len(layers) == len(expected), path + ": layers"):
        return
    for i, ((lflags, ltype, level, name), (etype, elevel, e, shown)) in \
            enumerate(zip(layers, expected)):
        what = "%s layer %s" % (path, name)
        check((ltype, level, bool(lflags & 1)) == (etype, elevel, shown), what + ": kind")
        if e is None:
            check(name.startswith("place ") and i not in cels, what + ": group")
            continue
        check(name.startswith("%02d" % e["index"]), what + ": name")
        x, y, w, h, pixels = cels.get(i, (0, 0, 0, 0, b""))
        check((x, y, w, h) == (e["x"], e["y"]) + e["png"].size, what + ": cel place")
        check(pixels == e["png"].tobytes(), what + ": pixels")


def check_sheet(ch, big, folder, scale):
    sheet = Image.open(os.path.join(folder, ch.stem + ".png"))
    with open(os.path.join(folder, ch.stem + ".json")) as f:
        layout = json.load(f)
    meta = layout["meta"]
    check(meta["image"] == ch.stem + ".png" and meta["format"] == "indexed" and
          meta["scale"] == str(scale) and
          (meta["size"]["w"], meta["size"]["h"]) == sheet.size, ch.stem + ": meta")
    frames = layout["frames"]
    check(sorted(frames) == ["%03d-%02d" % (ch.index, e["index"]) for e in ch.parts],
          ch.stem + ": frame names")
    covered = Image.new("L", sheet.size, 0)
    for e, b in zip(ch.parts, big.parts):
        name = "%03d-%02d" % (ch.index, e["index"])
        f = frames.get(name)
        if not check(f is not None, name + ": missing"):
            continue
        r = f["frame"]
        box = (r["x"], r["y"], r["x"] + r["w"], r["y"] + r["h"])
        same_indices(sheet.crop(box), b["png"], name)
        s = f["spriteSourceSize"]
        check((s["x"], s["y"], s["w"], s["h"]) == (e["x"] * scale, e["y"] * scale, r["w"], r["h"])
              and f["sourceSize"] == {"w": ch.width * scale, "h": ch.height * scale},
              name + ": place on the character")
        # At least one pixel apart: the frame with a pixel round it touches no other frame.
        around = (max(box[0] - 1, 0), max(box[1] - 1, 0), box[2] + 1, box[3] + 1)
        check(covered.crop(around).getextrema() == (0, 0), name + ": overlaps or touches")
        covered.paste(255, box)
    check(sheet.getpalette() == ch.palette, ch.stem + ": sheet palette")


def rgba(e):
    """The element as colours, index 0 clear."""
    return e["png"].convert("RGBA")


def canvas(ch, layers):
    """(image, x, y) pieces pasted on a clear picture, as a layer stack shows them."""
    c = Image.new("RGBA", (ch.width, ch.height), (0, 0, 0, 0))
    for image, x, y in layers:
        piece = Image.new("RGBA", (ch.width, ch.height), (0, 0, 0, 0))
        piece.paste(image, (x, y))
        c = Image.alpha_composite(c, piece)
    return c


def check_krita(ch, path):
    """A file Krita opened from ours and saved as its own: its layers, cropped to what they
    hold, must make the elements' pixels in the same places, shown or hidden as ours."""
    z = zipfile.ZipFile(path)
    layers = ET.fromstring(z.read("stack.xml")).find("stack").findall("layer")
    if not check(len(layers) == len(ch.parts), path + ": Krita found %d layers" % len(layers)):
        return
    for layer, e in zip(layers, reversed(ch.parts)):
        what = "%s layer %s" % (path, layer.get("name"))
        check(layer.get("name").startswith("%02d" % e["index"]), what + ": name")
        check(layer.get("visibility") == ("visible" if e["shown"] else "hidden"), what + ": shown")
        got = Image.open(io.BytesIO(z.read(layer.get("src")))).convert("RGBA")
        check(canvas(ch, [(got, int(layer.get("x")), int(layer.get("y")))]).tobytes() ==
              canvas(ch, [(rgba(e), e["x"], e["y"])]).tobytes(), what + ": pixels")
    merged = Image.open(io.BytesIO(z.read("mergedimage.png"))).convert("RGBA")
    shown = [(rgba(e), e["x"], e["y"]) for e in ch.parts if e["shown"]]
    check(merged.tobytes() == canvas(ch, shown).tobytes(), path + ": Krita's picture")


def main():
    if sys.argv[1] == "krita":
        elements, krita = sys.argv[2:4]
        stems = [s[:-4] for s in sorted(os.listdir(krita)) if s.endswith(".ora")]
        for stem in stems:
            check_krita(Character(elements, stem), os.path.join(krita, stem + ".ora"))
    else:
        elements, ora, aseprite, sheet, big, scale = sys.argv[1:7]
        stems = characters(elements)
        for stem in stems:
            ch = Character(elements, stem)
            check_ora(ch, os.path.join(ora, stem + ".ora"))
            check_aseprite(ch, os.path.join(aseprite, stem + ".aseprite"))
            check_sheet(ch, Character(big, stem), sheet, int(scale))
    check(len(stems) > 0, "no characters")
    for f in failures[:40]:
        print(f)
    print("%d characters, %d failures" % (len(stems), len(failures)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
