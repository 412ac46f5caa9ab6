#!/usr/bin/env python3
"""Writes the example survey: a depth table of about 2 km of line at 5 m spacing and a
borehole table, both tab-separated Windows-1251 text with CR LF line ends.

Run it from anywhere: python3 examples/make_examples.py
The output is the same on every run (fixed seed), so the files can be rebuilt and compared.
"""
import math
import os
import random

HERE = os.path.dirname(os.path.abspath(__file__))
START_KM, START_M = 12, 300          # the survey starts at km 12 + 300 m (picket 123)
LENGTH_M, STEP_M = 2000, 5


def smooth(x, waves):
    return sum(a * math.sin(2 * math.pi * x / period + phase) for a, period, phase in waves)


def depth_rows():
    rnd = random.Random(20261209)
    rows = []
    for i in range(LENGTH_M // STEP_M + 1):
        along = i * STEP_M
        total_m = START_M + along
        km, m = START_KM + total_m // 1000, total_m % 1000
        ballast = 47 + smooth(along, [(7, 900, 0.3), (3, 170, 1.1)]) + rnd.uniform(-1.2, 1.2)
        sand = 100 + smooth(along, [(20, 1300, 2.0), (6, 260, 0.4)]) + rnd.uniform(-2, 2)
        loam = 205 + smooth(along, [(40, 1700, 4.0), (10, 380, 2.5)]) + rnd.uniform(-3, 3)
        # Defects the interpreter has to see: a ballast pocket, a washed-out sand lens,
        # and a few single readings that jump out of the line.
        if 620 <= along <= 700:
            ballast += 14 * math.sin(math.pi * (along - 620) / 80)
        if 1380 <= along <= 1500:
            sand += 22 * math.sin(math.pi * (along - 1380) / 120)
        if along in (255, 1105, 1790):
            loam += 38
        ballast = min(max(ballast, 35), 60) if not 620 <= along <= 700 else ballast
        sand = max(sand, ballast + 20)
        loam = max(loam, sand + 25)
        rows.append([str(km), str(m), f"{ballast:.1f}", f"{sand:.1f}", f"{loam:.0f}"])
    return rows


def borehole_rows():
    # picket, two labels, an unused column, the bottom depth in cm
    holes = [(123.6, "Скв.1", "ПГ-1"), (126.35, "Скв.2", "ПГ-2"), (128.9, "Шурф 3", "ПГ-3"),
             (131.2, "Скв.4", "ПГ-4"), (133.75, "Скв.5", "ПГ-5"), (136.1, "Шурф 6", "ПГ-6"),
             (139.4, "Скв.7", "ПГ-7"), (142.05, "Скв.8", "ПГ-8")]
    rows = [["ПК", "Выработка", "Проба", "Примечание", "Глубина, см"]]
    for i, (pk, name, probe) in enumerate(holes):
        rows.append([f"{pk:g}", name, probe, "", str(250 + 25 * (i % 3))])
    return rows


def write(name, header, rows):
    lines = ["\t".join(header)] if header else []
    lines += ["\t".join(r) for r in rows]
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(("\r\n".join(lines) + "\r\n").encode("cp1251"))


if __name__ == "__main__":
    write("survey_depths.txt", ["км", "м", "Балласт", "Песок", "Суглинок"], depth_rows())
    write("boreholes.txt", None, borehole_rows())
