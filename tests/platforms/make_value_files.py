#!/usr/bin/env python3
"""Writes the inputs that the cross-platform checks feed to every build.

usage: make_value_files.py OUTDIR

OUTDIR/values/*.txt: value files for the chart functions: ramps of every
length that matters, random series at several scales and in several number
formats (line breaks LF or CR LF), level runs, steep saw teeth, values
whose rows lie on rounding boundaries (some chosen so that a fused
multiply-add would move them), and extremes.
OUTDIR/numbers.txt: one decimal text per line for the value parser: random
decimals of up to 25 digits, the exact midpoints between neighbouring
singles and doubles (and texts a hair to either side), boundaries of the
single range, and malformed prefixes.

The output depends on nothing but this file: a fixed linear congruential
generator supplies the randomness.
"""

import math
import os
import struct
import sys
from decimal import Decimal, getcontext

getcontext().prec = 1200


class Generator:
    def __init__(self, seed):
        self.state = seed

    def next(self):
        self.state = (self.state * 6364136223846793005 + 1442695040888963407) % 2**64
        return self.state >> 33

    def below(self, n):
        return self.next() % n

    def uniform(self):
        return self.next() / 2**31

    def pick(self, items):
        return items[self.below(len(items))]


def random_decimal(rng, scale):
    """A decimal text for a value of magnitude up to about scale, in one of
    several formats."""
    value = (rng.uniform() * 2 - 1) * scale
    style = rng.below(6)
    if style == 0:
        return repr(value)
    if style == 1:
        return f"{value:.{rng.below(9)}f}"
    if style == 2:
        return f"{value:.{1 + rng.below(16)}e}"
    if style == 3:
        return f"{value:.{1 + rng.below(8)}E}".replace("E+", "e")
    if style == 4:
        return " " * rng.below(3) + f"{value:g}" + rng.pick(["", " apples", "x", "\t"])
    return f"{int(value)}"


def single(value):
    """value rounded to single precision."""
    return struct.unpack("<f", struct.pack("<f", value))[0]


def single_step(value, steps):
    """The single-precision number `steps` representations above value."""
    bits = struct.unpack("<I", struct.pack("<f", value))[0] + steps
    return struct.unpack("<f", struct.pack("<I", bits))[0]


def fused_row_values(maximum):
    """Values up to maximum whose chart row comes out one lower when
    592 - (v * S) * 592 is computed with a fused multiply-subtract instead
    of rounding the product first (S = 1 / (maximum + 1), all in single)."""
    scale = single(1.0 / single(maximum + 1.0))
    found = []
    for row in range(1, 592):
        for offset in range(-3, 4):
            scaled = single_step(single(row / 592.0), offset)
            rounded = math.trunc(single(592.0 - single(scaled * 592.0)))
            fused = math.trunc(single(592.0 - scaled * 592.0))  # exact, rounded once
            if rounded == fused:
                continue
            guess = single(scaled / scale)
            for step in range(-4, 5):
                value = single_step(guess, step)
                if single(value * scale) == scaled and value <= maximum:
                    found.append(repr(value))
                    break
    return found


def write_values(directory, name, values, newline="\n", last_newline=True):
    text = newline.join(values) + (newline if last_newline else "")
    with open(os.path.join(directory, name + ".txt"), "w", newline="") as out:
        out.write(text)


def value_files(directory):
    rng = Generator(20240611)
    for count in (0, 1, 2, 3, 10, 233, 699, 700, 701, 799, 900):
        write_values(directory, f"ramp-{count}", [str(i + 1) for i in range(count)])
    write_values(directory, "ramp-open-end", [str(i) for i in range(1, 40)], last_newline=False)
    for index, scale in enumerate((1.0, 100.0, 1e6, 1e-3, 3e38)):
        count = 2 + rng.below(798)
        values = [random_decimal(rng, scale) for _ in range(count)]
        write_values(directory, f"random-{index}", values, newline=rng.pick(["\n", "\r\n"]))
    write_values(directory, "level-runs",
                 [str(v) for v in (5, 5, 5, 7, 7, 3, 3, 3, 3, 9, 9, 1, 1, 1, 1, 1, 6)] * 6)
    write_values(directory, "saw", [rng.pick(["0", "1e4", "-50", "9999.5"]) for _ in range(300)])
    # With M = 100 these land exactly on, or a rounding step away from, the
    # boundaries between rows, where any change in the arithmetic shows.
    write_values(directory, "row-boundaries",
                 ["100"] + [f"{k * 101 / 592:.9g}" for k in range(592)])
    write_values(directory, "fused-rows", ["100"] + fused_row_values(100.0))
    write_values(directory, "extremes",
                 ["1e30", "-1e30", "3.4028235e38", "1e39", "-1e39", "1e-45", "0", "-0",
                  "1e-400", "7", "-3.5", "2e9", "-2e9"] * 4)
    write_values(directory, "all-negative", [f"-{1 + rng.below(1000)}" for _ in range(50)])
    write_values(directory, "all-zero", ["0"] * 20)


def float_of(bits):
    return struct.unpack("<f", struct.pack("<I", bits))[0]


def double_of(bits):
    return struct.unpack("<d", struct.pack("<Q", bits))[0]


def numbers(rng):
    texts = []
    for _ in range(12000):
        digits = "".join(str(rng.below(10)) for _ in range(1 + rng.below(25)))
        point = rng.below(len(digits) + 1)
        mantissa = digits[:point] + "." + digits[point:] if rng.below(2) else digits
        exponent = f"e{rng.below(110) - 60}" if rng.below(2) else ""
        texts.append(rng.pick(["", "-", "+", " "]) + mantissa + exponent)
    # Midpoints between neighbouring singles: ties to even, and just either
    # side of the tie; also with fewer digits than exact, so that the
    # rounding to double first decides.
    for _ in range(3000):
        bits = rng.below(0x7F7FFFFF)
        low, high = Decimal(float_of(bits)), Decimal(float_of(bits + 1))
        middle = (low + high) / 2
        nudge = (high - low) / Decimal(10**12)
        for value in (middle, middle + nudge, middle - nudge):
            texts.append(format(value, "f") if rng.below(2) else format(value, "e"))
        texts.append(format(middle, ".17e"))
    for _ in range(1000):
        bits = rng.below(0x7FEFFFFFFFFFFFFF) & ~1
        low, high = Decimal(double_of(bits)), Decimal(double_of(bits + 1))
        texts.append(format((low + high) / 2, "e"))
    top = Decimal(float_of(0x7F7FFFFF))
    step = top - Decimal(float_of(0x7F7FFFFE))
    texts += [format(top + step / 2, "e"), format(top + step / 2 - 1, "e"),
              format(top + step, "e"), "3.4028235e38", "3.4028236e38", "1e39",
              format(Decimal(float_of(1)) / 2, "e"), format(Decimal(float_of(1)) / 2 * 3, "e"),
              "1e-46", "7e-46", "8e-46", "2.2250738585072011e-308", "4.9e-324", "2e-324",
              "1e400", "-1e400", "1e-400", "-0", "0e999999999", "1e999999999999999999",
              "inf", "nan", "0x1p3", "1,5", ".", "-.", "+", "e5", ".e1", "5e", "5e+", "1..2",
              "  \t42", "\v7", "00000000000000000000000001", "1" + "0" * 400, "0." + "0" * 400 + "1"]
    return texts


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    root = sys.argv[1]
    values = os.path.join(root, "values")
    os.makedirs(values, exist_ok=True)
    value_files(values)
    with open(os.path.join(root, "numbers.txt"), "w", newline="") as out:
        out.write("\n".join(numbers(Generator(42))) + "\n")


if __name__ == "__main__":
    main()
