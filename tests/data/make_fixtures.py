#!/usr/bin/python3
"""Writes the BMP fixtures of this directory with two independent encoders.

Pillow (python3-pil) writes the 1-, 8-, 24- and 32-bit files, ImageMagick
(imagemagick) the 4-bit file and the 16-bit files with 5-5-5 and 5-6-5 bit
fields. The reader tests load each file and compare it with stb_image's
decoding of the same file. The fixtures are committed, so the tests do not
need these tools; run this script again only to remake them:

    /usr/bin/python3 tests/data/make_fixtures.py
"""
import os
import subprocess
import tempfile

from PIL import Image

HERE = os.path.dirname(os.path.abspath(__file__))


def pattern(width, height, colours):
    """Diagonal stripes over the given colours, with the top-left pixel
    always the first colour and the bottom-right always the last."""
    pixels = []
    for y in range(height):
        for x in range(width):
            pixels.append(colours[(x + 2 * y) % len(colours)])
    pixels[0] = colours[0]
    pixels[-1] = colours[-1]
    return pixels


def gradient(width, height, alpha=False):
    pixels = []
    for y in range(height):
        for x in range(width):
            red = (x * 255) // max(1, width - 1)
            green = (y * 255) // max(1, height - 1)
            blue = (x * 37 + y * 91) % 256
            if alpha:
                pixels.append((red, green, blue, (x * 50 + y * 13) % 256))
            else:
                pixels.append((red, green, blue))
    return pixels


def pillow_files():
    one = Image.new("1", (13, 7))
    one.putdata([255 if v else 0 for v in pattern(13, 7, [1, 0, 0, 1, 1])])
    one.save(os.path.join(HERE, "pillow-1bit-13x7.bmp"))

    palette = [(200, 30, 40), (0, 0, 0), (255, 255, 255), (12, 200, 100),
               (90, 90, 250), (255, 128, 0), (77, 77, 77)]
    eight = Image.new("P", (11, 5))
    eight.putpalette([c for rgb in palette for c in rgb])
    eight.putdata(pattern(11, 5, list(range(len(palette)))))
    eight.save(os.path.join(HERE, "pillow-8bit-11x5-short-table.bmp"))

    rgb = Image.new("RGB", (7, 5))
    rgb.putdata(gradient(7, 5))
    rgb.save(os.path.join(HERE, "pillow-24bit-7x5.bmp"))

    rgba = Image.new("RGBA", (5, 4))
    rgba.putdata(gradient(5, 4, alpha=True))
    rgba.save(os.path.join(HERE, "pillow-32bit-5x4.bmp"))


def magick_files():
    with tempfile.TemporaryDirectory() as work:
        source = os.path.join(work, "source.png")
        colours = [(255, 0, 0), (0, 0, 0), (255, 255, 255), (0, 128, 255),
                   (30, 200, 30), (250, 250, 0), (128, 0, 128), (60, 60, 60),
                   (0, 90, 0)]
        small = Image.new("RGB", (9, 5))
        small.putdata(pattern(9, 5, colours))
        small.save(source)
        # BMP3: the 40-byte info header, colour table right after it.
        subprocess.run(["/usr/bin/convert", source, "-type", "Palette",
                        "BMP3:" + os.path.join(HERE, "magick-4bit-9x5.bmp")], check=True)

        wide = Image.new("RGB", (7, 5))
        wide.putdata(gradient(7, 5))
        wide.save(source)
        # Bit fields: the masks follow the first 40 bytes of the info header.
        for subtype, name in (("RGB555", "555"), ("RGB565", "565")):
            subprocess.run(["/usr/bin/convert", source, "-define", "bmp:subtype=" + subtype,
                            os.path.join(HERE, "magick-16bit-%s-7x5.bmp" % name)], check=True)


if __name__ == "__main__":
    pillow_files()
    magick_files()
