#!/usr/bin/env python3
"""Converts every BMP file of a folder into a PNG file beside it and removes the BMP.
Fails when there is none or when a picture has a single colour only (a blank capture)."""
import glob
import os
import sys

from PIL import Image


def main():
    folder = sys.argv[1]
    bmps = sorted(glob.glob(os.path.join(folder, "*.bmp")))
    if not bmps:
        print("no pictures in %s" % folder, file=sys.stderr)
        return 1
    blank = 0
    for path in bmps:
        image = Image.open(path).convert("RGB")
        if len(image.getcolors(maxcolors=2) or [None, None]) < 2:
            print("%s is blank" % path, file=sys.stderr)
            blank += 1
        png = os.path.splitext(path)[0] + ".png"
        image.save(png)
        os.remove(path)
        print(png)
    return 1 if blank else 0


if __name__ == "__main__":
    sys.exit(main())
