#!/usr/bin/env python3
"""Writes examples/radargram.png: a synthetic ground-penetrating-radar profile of the example
survey, an 8-bit greyscale PNG to load with "Открыть изображение".

The picture matches the section of the example survey at the section's default scale: the
first picket stands 85 px from the left edge, every picket (100 m) takes 400 px, 100 px follow
the last one, and the ground surface lies 55 px from the top with 1 px per centimetre of depth
below it. So after a click on the radargram the section below lines up with it, and the
reflections of the ballast, sand and loam bottoms lie over the section's layer boundaries.

Only the standard library is used. The output is the same on every run (fixed seed).
Run it from anywhere: python3 examples/make_radargram.py
"""
import math
import os
import random
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
LEFT, PX_PER_M, RIGHT = 85, 4, 100       # section margins and scale (400 px per 100 m picket)
SURFACE, HEIGHT = 55, 355                # surface line and bottom edge (300 cm of depth)
WAVELET_PX = 7                           # the main period of the radar pulse, in rows


def read_layers():
    """Distance along the line (m) and the three boundary depths (cm) of every table row."""
    path = os.path.join(HERE, "survey_depths.txt")
    with open(path, "rb") as f:
        lines = f.read().decode("cp1251").split("\r\n")
    rows = [line.split("\t") for line in lines[1:] if line.strip()]
    start = int(rows[0][0]) * 1000 + int(rows[0][1])
    return [(int(km) * 1000 + int(m) - start, float(b), float(s), float(l)) for km, m, b, s, l in rows]


def interpolate(layers, along):
    """The boundary depths at a distance between the table's rows."""
    for (a0, *d0), (a1, *d1) in zip(layers, layers[1:]):
        if a0 <= along <= a1:
            t = (along - a0) / (a1 - a0) if a1 > a0 else 0.0
            return [p + (q - p) * t for p, q in zip(d0, d1)]
    return list(layers[-1][1:] if along > layers[-1][0] else layers[0][1:])


def pulse(t):
    """The radar pulse t rows from its centre: two or three cycles of ringing."""
    return math.cos(2 * math.pi * t / WAVELET_PX) * math.exp(-(t / (0.8 * WAVELET_PX)) ** 2)


def add_pulse(trace, centre, amplitude):
    for y in range(max(0, int(centre) - 2 * WAVELET_PX), min(HEIGHT, int(centre) + 2 * WAVELET_PX + 1)):
        trace[y] += amplitude * pulse(y - centre)


def radargram(layers, length_m):
    rnd = random.Random(20261210)
    width = LEFT + length_m * PX_PER_M + RIGHT
    # Point reflectors (stones, old sleepers, a culvert pipe): a hyperbola each.
    reflectors = [(rnd.uniform(0, width), rnd.uniform(SURFACE + 25, HEIGHT - 10), rnd.uniform(0.25, 0.6))
                  for _ in range(width // 80)]
    reflectors.append((LEFT + 1240 * PX_PER_M, SURFACE + 170, 1.4))
    reflectors.sort()
    noise_state = [0.0] * HEIGHT
    columns = []
    for x in range(width):
        along = (x - LEFT) / PX_PER_M
        ballast, sand, loam = interpolate(layers, along)
        trace = [0.0] * HEIGHT
        # The antenna's ringing above the ground and the strong surface reflection.
        for y, amplitude in ((9, 0.55), (20, -0.35), (31, 0.22)):
            add_pulse(trace, y, amplitude)
        add_pulse(trace, SURFACE, 1.0)
        # Sleepers every ~0.55 m stripe the top of the ballast.
        sleeper = 0.18 * math.cos(2 * math.pi * along / 0.55) ** 8
        add_pulse(trace, SURFACE + 12, sleeper)
        # Layer bottoms, weaker with depth and varying a little along the line.
        swing = 0.85 + 0.15 * math.sin(along / 37.0) * math.sin(along / 11.0)
        add_pulse(trace, SURFACE + ballast, 0.75 * swing)
        add_pulse(trace, SURFACE + sand, -0.5 * swing)
        add_pulse(trace, SURFACE + loam, 0.32 * (2.0 - swing))
        for x0, y0, amplitude in reflectors:
            if abs(x - x0) > 60:
                continue
            # The hyperbola's flanks: the same depth reached later off to the side, and fading.
            depth = y0 - SURFACE
            offset = (x - x0) * 3.2
            t = SURFACE + math.sqrt(depth * depth + offset * offset)
            if t < HEIGHT + 2 * WAVELET_PX:
                add_pulse(trace, t, amplitude * math.exp(-((x - x0) / 28.0) ** 2))
        # Noise grows with depth as the signal fades; smoothed along the line as stacking does.
        for y in range(HEIGHT):
            fresh = rnd.gauss(0.0, 0.015 + 0.045 * y / HEIGHT)
            noise_state[y] = 0.7 * noise_state[y] + 0.3 * fresh
            trace[y] += noise_state[y]
        columns.append(trace)
    return width, columns


def grey_rows(width, columns):
    rows = []
    for y in range(HEIGHT):
        gain = 1.0 + 2.2 * max(0, y - SURFACE) / (HEIGHT - SURFACE)   # time-varying gain
        row = bytearray(width)
        for x in range(width):
            v = 128 + 120 * math.tanh(1.6 * columns[x][y] * gain)
            row[x] = min(255, max(0, int(v + 0.5)))
        rows.append(bytes(row))
    return rows


def filtered(rows):
    """Each row with the PNG filter (none, sub or up) that leaves the smallest residuals."""
    out = bytearray()
    previous = bytes(len(rows[0]))
    for row in rows:
        candidates = [(0, row),
                      (1, bytes([row[0]]) + bytes((row[i] - row[i - 1]) & 0xFF for i in range(1, len(row)))),
                      (2, bytes((a - b) & 0xFF for a, b in zip(row, previous)))]
        kind, data = min(candidates, key=lambda c: sum(v if v < 128 else 256 - v for v in c[1]))
        out.append(kind)
        out += data
        previous = row
    return bytes(out)


def write_png(path, width, rows):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", width, len(rows), 8, 0, 0, 0, 0)   # 8-bit greyscale
    png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
    png += chunk(b"IDAT", zlib.compress(filtered(rows), 9)) + chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(png)


if __name__ == "__main__":
    layers = read_layers()
    length_m = int(round(layers[-1][0]))
    width, columns = radargram(layers, length_m)
    out = os.path.join(HERE, "radargram.png")
    write_png(out, width, grey_rows(width, columns))
    print(f"{out}: {width} x {HEIGHT}, {os.path.getsize(out)} bytes")
