#!/usr/bin/env python3
"""Writes survey_radargram.dzt: a synthetic ground-penetrating-radar profile of the example
survey (survey_depths.txt), as an instrument would record it, so that it can be opened with
"Открыть радарограмму" and drawn by trassel-render.

The file: one channel, 16-bit samples, 256 samples over a 50 ns window, an antenna of about
800 MHz. The trolley starts 20 m before picket 123 and runs along the chainage to the survey's
end. Its odometer counts one trace a metre (the header says 1 scan per metre), but it slips:
a trace really lies 1.02 m after the one before. At every picket on the ground (every 100 m)
the operator pressed the mark button, so the marks lie at the true pickets 123, 124, ... 143 -
tie two of them to their pickets and the picket scale comes out right.

Each trace holds the direct wave at time zero (3 ns) and a reflection at each boundary of the
depth table (ballast, sand, loam) at its two-way time for a relative permittivity of 6
(v = 0.2998 / sqrt(6) m/ns, about 12.2 cm/ns; 50 cm of ballast is 8.2 ns after time zero),
weaker with depth, plus a little noise. The output is the same on every run (fixed seed).

Run it from anywhere: python3 examples/make_radargram_dzt.py
"""
import math
import os
import random
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
SAMPLES = 256
WINDOW_NS = 50.0
EPS = 6.0
TIME_ZERO_NS = 3.0
FREQ_GHZ = 0.8
START_M = 12300 - 20          # picket 123 is 12,300 m from the line's origin
TRUE_STEP_M = 1.02            # the odometer says 1 m a trace
SURVEY_FROM_M, SURVEY_TO_M = 12300, 14300
ZERO = 32768
PLAIN_WORD, MARK_WORD = 0x0000, 0xE800


def boundaries():
    """(metres along the line, [ballast, sand, loam] in cm) from the example depth table."""
    rows = []
    with open(os.path.join(HERE, "survey_depths.txt"), "rb") as f:
        lines = f.read().decode("cp1251").split("\r\n")
    for line in lines[1:]:
        if not line.strip():
            continue
        km, m, *depths = line.split("\t")
        rows.append((int(km) * 1000 + int(m), [float(d) for d in depths]))
    return rows


def depths_at(rows, metres):
    if metres <= rows[0][0]:
        return rows[0][1]
    if metres >= rows[-1][0]:
        return rows[-1][1]
    lo, hi = 0, len(rows) - 1
    while hi - lo > 1:
        mid = (lo + hi) // 2
        if rows[mid][0] <= metres:
            lo = mid
        else:
            hi = mid
    (m0, d0), (m1, d1) = rows[lo], rows[hi]
    f = (metres - m0) / (m1 - m0)
    return [a + (b - a) * f for a, b in zip(d0, d1)]


def ricker(t_ns):
    a = (math.pi * FREQ_GHZ * t_ns) ** 2
    return (1 - 2 * a) * math.exp(-a)


def header(traces):
    h = bytearray(1024)
    struct.pack_into("<HHHHH", h, 0, 0x00FF, 1024, SAMPLES, 16, 0x8000)
    struct.pack_into("<fffff", h, 10, 64.0, 1.0, 100.0, 0.0, WINDOW_NS)
    struct.pack_into("<H", h, 30, 1)
    struct.pack_into("<H", h, 52, 1)
    struct.pack_into("<f", h, 54, EPS)
    name = b"800MHz"
    h[98:98 + len(name)] = name
    return bytes(h)


def main():
    rows = boundaries()
    rnd = random.Random(20261210)
    dt = WINDOW_NS / SAMPLES
    speed_cm_ns = 29.98 / math.sqrt(EPS)
    traces = int((SURVEY_TO_M - START_M) / TRUE_STEP_M) + 1
    # The trace nearest each picket on the ground carries a mark.
    marked = {round((p - START_M) / TRUE_STEP_M) for p in range(SURVEY_FROM_M, SURVEY_TO_M + 1, 100)}
    amplitudes = [6000.0, -4000.0, 2500.0]  # ballast/sand, sand/loam, loam/below
    out = bytearray(header(traces))
    for i in range(traces):
        metres = START_M + i * TRUE_STEP_M
        times = [TIME_ZERO_NS + 2 * d / speed_cm_ns for d in depths_at(rows, metres)]
        trace = [0] * SAMPLES
        for s in range(2, SAMPLES):
            t = s * dt
            v = 20000.0 * ricker(t - TIME_ZERO_NS)
            for t_b, a in zip(times, amplitudes):
                # Spreading and loss: a deeper reflection comes back weaker.
                v += a * math.exp(-(t_b - TIME_ZERO_NS) / 25.0) * ricker(t - t_b)
            v += rnd.gauss(0.0, 120.0)
            trace[s] = max(0, min(65535, int(round(ZERO + v))))
        trace[0] = 0x7FFF
        trace[1] = MARK_WORD if i in marked else PLAIN_WORD
        out += struct.pack("<%dH" % SAMPLES, *trace)
    with open(os.path.join(HERE, "survey_radargram.dzt"), "wb") as f:
        f.write(out)
    print("survey_radargram.dzt: %d traces, marks at traces %s" % (traces, sorted(marked)))


if __name__ == "__main__":
    main()
