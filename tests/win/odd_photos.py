"""Writes photos as other cameras and editors make them into DIR, and
DIR/expected.txt: per photo its name, the slot size it must get (0 0: refused)
and Pillow's decode (in sRGB where it embeds a profile, alpha over black) at
its quadrants' centres, hex RRGGBB, left to right and top down."""
import io
import struct
import sys
from pathlib import Path

from PIL import Image, ImageCms

ICC = Path("/usr/share/color/icc")
QUADS = {"RGB": [(200, 40, 40), (40, 180, 60), (50, 60, 200), (230, 220, 90)], "L": [30, 100, 170, 240],
         "CMYK": [(0, 200, 200, 0), (180, 0, 160, 20), (200, 150, 0, 0), (0, 0, 0, 60)],
         "RGBA": [(200, 40, 40, 255), (40, 180, 60, 128), (50, 60, 200, 255), (230, 220, 90, 0)]}


def quadrants(mode, w=64, h=48):
    image = Image.new(mode, (w, h))
    for i, colour in enumerate(QUADS[mode]):
        image.paste(colour, (i % 2 * w // 2, i // 2 * h // 2, (i % 2 + 1) * w // 2, (i // 2 + 1) * h // 2))
    return image


def main(folder):
    folder.mkdir(parents=True, exist_ok=True)
    lines = []

    def photo(name, image, profile=None, icc=None, **save):
        icc = icc or ((ICC / profile).read_bytes() if profile else None)
        image.save(folder / name, format=save.pop("format", "JPEG"), quality=95, icc_profile=icc, **save)
        seen = Image.open(folder / name)
        if profile:
            seen = ImageCms.profileToProfile(seen, io.BytesIO(icc), ImageCms.createProfile("sRGB"), outputMode="RGB")
        seen = Image.alpha_composite(Image.new("RGBA", seen.size, "black"), seen.convert("RGBA")).convert("RGB")
        w, h = seen.size
        centres = [seen.getpixel(((2 * (i % 2) + 1) * w // 4, (2 * (i // 2) + 1) * h // 4)) for i in range(4)]
        lines.append(f"{name} {w} {h} " + " ".join("%02x%02x%02x" % c for c in centres))

    photo("grey.jpg", quadrants("L"))
    photo("grey_profiled.jpg", quadrants("L"), "ghostscript/sgray.icc")
    photo("cmyk.jpg", quadrants("CMYK"))
    photo("cmyk_profiled.jpg", quadrants("CMYK"), "ghostscript/default_cmyk.icc")  # 187 KB: three APP2 chunks
    photo("wide_gamut.jpg", quadrants("RGB"), "ghostscript/a98.icc")
    photo("gamma_1_8.jpg", quadrants("RGB"), "colord/AppleRGB.icc")
    photo("srgb.jpg", quadrants("RGB"), "colord/sRGB.icc")
    # An RGB profile without a tag, which the colour engine refuses: drawn as decoded.
    photo("refused_profile.jpg", quadrants("RGB"), icc=struct.pack(">I12s4s16s4s88sI", 132, b"", b"RGB ", b"", b"acsp", b"", 0))
    photo("progressive.jpg", quadrants("RGB", 640, 480), progressive=True)
    photo("one_pixel.jpg", Image.new("RGB", (1, 1), (40, 150, 220)))
    photo("png_named_jpg.jpg", quadrants("RGBA"), format="PNG")
    # Only the start of a file and its frame header: 12-bit, lossless, and the header bomb.
    for name, frame in [("twelve_bit.jpg", b"\xc1\x00\x11\x0c\x00\x30\x00\x40"),
                        ("lossless.jpg", b"\xc3\x00\x11\x08\x00\x30\x00\x40"),
                        ("header_bomb.jpg", b"\xc2\x00\x11\x08\xfa\xfa\xfa\xfa")]:
        (folder / name).write_bytes(b"\xff\xd8\xff" + frame + b"\x03\x01\x11\x00" * 3 + b"\xff\xd9")
        lines.append(name + " 0 0")
    (folder / "expected.txt").write_text("\n".join(lines) + "\n")


if __name__ == "__main__":
    main(Path(sys.argv[1]))
