"""Reads a PNG picture with VTK's reader and describes the coloured parts of
its middle column, for tests of the pictures that scripts/render.py draws.

usage: png_probe.py FILE [FRACTION ...]

A pixel counts as coloured when its largest and smallest channels differ by
more than 40 of 255 (white, black and grey text or lines do not). Prints:
  size <width> <height>
  run <top> <bottom> <width> <r g b> x 4   every run of coloured pixels
        down the middle column, rows counted from the top: its first and last
        row, the count of coloured pixels across the picture in its middle row,
        the colours two pixels inside its top and its bottom in the middle
        column, and two pixels inside the left and the right end of the
        coloured pixels of its middle row
  bar <f> <r g b>   for each FRACTION: the colour at that fraction of the way
        from the left to the right end of the last run (the colour bar) in its
        middle row
"""
import sys

import vtk


def main():
    reader = vtk.vtkPNGReader()
    reader.SetFileName(sys.argv[1])
    reader.Update()
    image = reader.GetOutput()
    width, height, _ = image.GetDimensions()
    print("size %d %d" % (width, height))

    def rgb(x, row):  # row counted from the top
        return tuple(int(image.GetScalarComponentAsDouble(x, height - 1 - row, 0, c)) for c in range(3))

    def coloured(x, row):
        c = rgb(x, row)
        return max(c) - min(c) > 40

    middle = width // 2
    runs = []
    row = 0
    while row < height:
        if coloured(middle, row):
            top = row
            while row + 1 < height and coloured(middle, row + 1):
                row += 1
            runs.append((top, row))
        row += 1
    for top, bottom in runs:
        mid = (top + bottom) // 2
        across = [x for x in range(width) if coloured(x, mid)]
        first = rgb(middle, min(top + 2, bottom))
        last = rgb(middle, max(bottom - 2, top))
        left = rgb(min(across[0] + 2, across[-1]), mid) if across else (0, 0, 0)
        right = rgb(max(across[-1] - 2, across[0]), mid) if across else (0, 0, 0)
        print("run %d %d %d" % (top, bottom, len(across)) + " %d %d %d" * 4 % (first + last + left + right))
    if runs and len(sys.argv) > 2:
        top, bottom = runs[-1]
        mid = (top + bottom) // 2
        across = [x for x in range(width) if coloured(x, mid)]
        left, right = across[0], across[-1]
        for f in sys.argv[2:]:
            x = int(round(left + float(f) * (right - left)))
            print("bar %s %d %d %d" % ((f,) + rgb(x, mid)))


if __name__ == "__main__":
    main()
