#!/usr/bin/python3
"""Writes a SEG-Y test file with segyio, the independent writer the reader tests check against.

Every sample holds ((t * 7 + s * 3) % 200) - 100 for trace t and sample s. What segyio does not
write (revision 2's fields, an ASCII textual header, a variable count of extended textual
headers, 64-bit float samples, a file cut short) is then set in the bytes it wrote, by the
published layout.
"""
import argparse
import struct
import sys
import types
import warnings

import numpy as np
import segyio

warnings.simplefilter("ignore")  # segyio warns when floats are narrowed into integer samples

parser = argparse.ArgumentParser()
parser.add_argument("out")
parser.add_argument("--endian", choices=["big", "little"], default="big")
parser.add_argument("--format", type=int, default=1)
parser.add_argument("--samples", type=int, default=16)
parser.add_argument("--traces", type=int, default=5)
parser.add_argument("--interval", type=int, default=100)
parser.add_argument("--text", default="C 1 TEST LINE")
parser.add_argument("--ascii", action="store_true", help="textual header in ASCII, not EBCDIC")
parser.add_argument("--revision", type=int, default=1)
parser.add_argument("--ext-samples", type=int, default=0, help="revision 2's 32-bit samples field")
parser.add_argument("--short-samples", type=int, default=None, help="what the 16-bit samples field says")
parser.add_argument("--ext-interval", type=float, default=0.0, help="revision 2's double interval (us)")
parser.add_argument("--order-mark", action="store_true", help="revision 2's byte order mark")
parser.add_argument("--ext-text", type=int, default=0, help="extended textual headers; -1: ended by EndText")
parser.add_argument("--cut", type=int, default=0, help="bytes cut off the end")
args = parser.parse_args()

big = args.endian == "big"
order = ">" if big else "<"


def pattern(t, n):
    return ((t * 7 + np.arange(n) * 3) % 200 - 100).astype(np.float64)


if args.format == 6:
    # segyio 1.8 has no 64-bit floats: written here field by field.
    data = bytearray(3600)
    struct.pack_into(order + "H", data, 3216, args.interval)
    struct.pack_into(order + "H", data, 3220, args.samples & 0xFFFF)
    struct.pack_into(order + "H", data, 3224, 6)
    for t in range(args.traces):
        header = bytearray(240)
        struct.pack_into(order + "i", header, 0, t + 1)
        struct.pack_into(order + "H", header, 114, args.samples & 0xFFFF)
        struct.pack_into(order + "H", header, 116, args.interval)
        data += header + pattern(t, args.samples).astype(order + "f8").tobytes()
    with open(args.out, "wb") as f:
        f.write(data)
else:
    # An unstructured file: segyio takes any object with these attributes as its layout (the
    # inline and crossline header bytes at their standard places, 189 and 193).
    layout = types.SimpleNamespace(iline=189, xline=193, format=args.format, samples=list(range(args.samples)),
                                   tracecount=args.traces, endian=args.endian)
    with segyio.create(args.out, layout) as f:
        for t in range(args.traces):
            f.trace[t] = pattern(t, args.samples).astype(np.float32)
        f.bin.update(hdt=args.interval)
        for t in range(args.traces):
            f.header[t] = {segyio.TraceField.TRACE_SAMPLE_INTERVAL: args.interval}
    with open(args.out, "rb") as f:
        data = bytearray(f.read())
    # segyio 1.8 writes little-endian samples of one or two bytes swapped within 4-byte words
    # (and reads them back the same way): they are put right here, by the published layout.
    width = {3: 2, 8: 1}.get(args.format)
    if not big and width:
        kind = {2: "<i2", 1: "i1"}[width]
        for t in range(args.traces):
            at = 3600 + t * (240 + width * args.samples) + 240
            data[at : at + width * args.samples] = pattern(t, args.samples).astype(kind).tobytes()

text = args.text.ljust(3200)[:3200]
data[0:3200] = text.encode("ascii") if args.ascii else text.encode("cp037")
struct.pack_into(order + "H", data, 3500, args.revision << 8)
if args.short_samples is not None:
    struct.pack_into(order + "H", data, 3220, args.short_samples)
if args.ext_samples:
    struct.pack_into(order + "i", data, 3268, args.ext_samples)
if args.ext_interval:
    struct.pack_into(order + "d", data, 3272, args.ext_interval)
if args.order_mark:
    struct.pack_into(order + "I", data, 3296, 0x01020304)
if args.ext_text:
    blocks = max(args.ext_text, 2)
    extra = bytearray()
    for i in range(blocks):
        card = "C EXTENDED TEXT %d" % (i + 1)
        if args.ext_text == -1 and i == blocks - 1:
            card = "((SEG: EndText))"
        extra += card.ljust(3200).encode("ascii" if args.ascii else "cp037")
    if args.ext_text > 0:
        extra = extra[: 3200 * args.ext_text]
    struct.pack_into(order + "h", data, 3504, args.ext_text)
    data[3600:3600] = extra
if args.cut:
    data = data[: len(data) - args.cut]
with open(args.out, "wb") as f:
    f.write(data)
sys.exit(0)
