"""Writes photos as other cameras and editors make them into DIR, and
DIR/expected.txt: per photo its name, the slot size it must get (0 0: refused)
and, as Pillow decodes it (converted to sRGB where it embeds a profile), the
colours at the centres of its four quadrants, hex RRGGBB, left to right and top
down."""
import io
import struct
import sys
from pathlib import Path

from PIL import Image, ImageCms

ICC = Path("/usr/share/color/icc")
QUADS = {
    "RGB": [(200, 40, 40), (40, 180, 60), (50, 60, 200), (230, 220, 90)],
    "L": [30, 100, 170, 240],
    "CMYK": [(0, 200, 200, 0), (180, 0, 160, 20), (200, 150, 0, 0), (0, 0, 0, 60)],
    "RGBA": [(200, 40, 40, 255), (40, 180, 60, 128), (50, 60, 200, 255), (230, 220, 90, 0)],
}


def quadrants(mode, size=(64, 48)):
    image = Image.new(mode, size)
    w, h = size
    for i, colour in enumerate(QUADS[mode]):
        x, y = (i % 2) * w // 2, (i // 2) * h // 2
        image.paste(colour, (x, y, x + w // 2, y + h // 2))
    return image


def seen(path, profile):
    """Pillow's decode at the quadrant centres, in sRGB, alpha over black."""
    image = Image.open(path)
    if profile:
        image = ImageCms.profileToProfile(image, io.BytesIO(profile), ImageCms.createProfile("sRGB"),
                                          outputMode="RGB")
    image = image.convert("RGBA")
    black = Image.new("RGBA", image.size, (0, 0, 0, 255))
    image = Image.alpha_composite(black, image).convert("RGB")
    w, h = image.size
    return ["%02x%02x%02x" % image.getpixel(((2 * (i % 2) + 1) * w // 4, (2 * (i // 2) + 1) * h // 4))
            for i in range(4)]


def frame_only(marker, precision, width, height, components):
    frame = struct.pack(">BHHB", precision, height, width, components) + b"\x01\x11\x00" * components
    return b"\xff\xd8\xff" + bytes([marker]) + struct.pack(">H", len(frame) + 2) + frame + b"\xff\xd9"


def main(folder):
    folder = Path(folder)
    folder.mkdir(parents=True, exist_ok=True)
    lines = []

    def photo(name, image, profile_file=None, size=None, **save):
        profile = (ICC / profile_file).read_bytes() if profile_file else None
        if profile:
            save["icc_profile"] = profile
        image.save(folder / name, format=save.pop("format", "JPEG"), quality=95, **save)
        w, h = size or image.size
        lines.append(" ".join([name, str(w), str(h)] + seen(folder / name, profile)))

    photo("grey.jpg", quadrants("L"))
    photo("grey_profiled.jpg", quadrants("L"), "ghostscript/sgray.icc")
    photo("cmyk.jpg", quadrants("CMYK"))
    # 187 KB: three APP2 chunks.
    photo("cmyk_profiled.jpg", quadrants("CMYK"), "ghostscript/default_cmyk.icc")
    photo("wide_gamut.jpg", quadrants("RGB"), "ghostscript/a98.icc")
    photo("gamma_1_8.jpg", quadrants("RGB"), "colord/AppleRGB.icc")
    photo("srgb.jpg", quadrants("RGB"), "colord/sRGB.icc")
    photo("progressive.jpg", quadrants("RGB", (640, 480)), progressive=True)
    photo("one_pixel.jpg", Image.new("RGB", (1, 1), (40, 150, 220)))
    photo("png_named_jpg.jpg", quadrants("RGBA"), format="PNG")
    for name, marker, precision, width, height in [("twelve_bit.jpg", 0xc1, 12, 64, 48),
                                                   ("lossless.jpg", 0xc3, 8, 64, 48),
                                                   ("header_bomb.jpg", 0xc2, 8, 64250, 64250)]:
        (folder / name).write_bytes(frame_only(marker, precision, width, height, 3))
        lines.append(name + " 0 0")
    (folder / "expected.txt").write_text("\n".join(lines) + "\n")


if __name__ == "__main__":
    main(sys.argv[1])
