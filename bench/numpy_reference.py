#!/usr/bin/env python3
"""Times numpy.loadtxt on the engine result file that kestrum_bench reads, as a yardstick for
BM_ReadResultFile. Without a path it writes the same file (byte for byte) into a temporary folder.

    python3 bench/numpy_reference.py [FILE] [--repeat N]
"""

import argparse
import os
import tempfile
import time

import numpy

ROWS = 100000
VALUE_COLUMNS = 29  # with the temperature, 30 columns
# The tagged property types 4..29 in type order, repeated from column 27 on.
TAGS = ["WT-LIQUID", "PR-TOTAL", "YM-TOTAL", "YM-SPHEROIDAL", "YM-LAMELLAR", "YM-COMPACTED", "TC-TOTAL",
        "TC-SPHEROIDAL", "TC-LAMELLAR", "TC-COMPACTED", "D-LIQUID", "D-TOTAL", "MV-LIQUID", "MV-TOTAL",
        "VISC-LIQUID", "VISC-TOTAL", "H-AT", "H-WT", "CP-AT", "CP-WT", "LH-WT", "LH-AT", "AT-LIQUID",
        "VOL-LIQUID", "BM-TOTAL", "SM-TOTAL"]


def decimal(digits, decimals):
    text = str(digits)
    return text[:-decimals] + "." + text[-decimals:]


def generate(path):
    """The rules of GenerateResultFile in resultfile_bench.cpp: integer arithmetic only."""
    lines = ["T(C)\t" + "".join(TAGS[(j - 1) % len(TAGS)] + "\t" for j in range(1, VALUE_COLUMNS + 1))]
    for i in range(ROWS):
        fields = [decimal(150000 - i, 2)]
        for j in range(1, VALUE_COLUMNS + 1):
            if j % 7 == 0 and i >= ROWS * 4 // 5:
                fields.append("-123456789")
            else:
                fields.append(decimal(100000 + (i * (1 + 37 * j) + 1000 * j) % 900000, 1 + j % 5))
        lines.append("\t".join(fields) + "\t")
    with open(path, "w", newline="\n") as out:
        out.write("\n".join(lines) + "\n")


def measure(path, repeat):
    size = os.path.getsize(path)
    best = float("inf")
    for _ in range(repeat):
        start = time.perf_counter()
        table = numpy.loadtxt(path, skiprows=1, dtype=numpy.float32)
        best = min(best, time.perf_counter() - start)
    print(f"numpy {numpy.__version__} loadtxt: {size} bytes, {table.shape[0]} x {table.shape[1]} values, "
          f"best of {repeat}: {best * 1000:.0f} ms, {size / best / 2**20:.1f} MiB/s")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("file", nargs="?", help="an engine result file; generated when left out")
    parser.add_argument("--repeat", type=int, default=5)
    options = parser.parse_args()
    if options.file:
        measure(options.file, options.repeat)
        return
    with tempfile.TemporaryDirectory(prefix="kestrum_bench_") as folder:
        path = os.path.join(folder, "generated.out")
        generate(path)
        measure(path, options.repeat)


if __name__ == "__main__":
    main()
