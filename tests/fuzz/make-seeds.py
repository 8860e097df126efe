#!/usr/bin/env python3
"""Writes the fuzz target's seed corpus (tests/fuzz/seeds): a few inputs in the target's own
byte layout that reach the interesting cases at once: B, A, C in that order, the default
value, 254- and 255-unit names, a refused open, a failing index, and stale names that differ
only by case or trailing blanks."""
import pathlib
import struct

# Picks into the target's unit table: A a B b blank backslash é É 東 hi-surrogate lo-surrogate NUL FFFF
A, a, B, b, BLANK, BACKSLASH = 0, 1, 2, 3, 4, 5


def i32(value):
    return struct.pack('<i', value)


def short(*picks):  # 1 to 4 units
    return bytes([7, len(picks) - 1, A]) + bytes(picks)


def empty():
    return bytes([0, A])


def long_name(mode, fill, *last4):  # mode 2..5: 253..256 units
    return bytes([mode, fill]) + bytes(last4)


def scenario(values, refused=None, fail=None, path=(B, a)):
    out = bytes([1, len(path)]) + bytes(path)
    out += bytes([1, refused]) if refused is not None else bytes([0])
    out += bytes([len(values)]) + b''.join(values)
    out += bytes([1, fail[0], fail[1]]) if fail else bytes([0])
    return out + bytes([0, 7])  # close succeeds; handle 0x1007


def enum(values, kind, passed_count, **kw):
    five_integers = bytes([5]) + b''.join(bytes([0]) + i32(n) for n in range(5))
    return bytes([0]) + scenario(values, **kw) + bytes([1, kind + 2]) + five_integers + i32(passed_count)


def names(*items):
    return bytes([len(items)]) + b''.join(bytes([len(n)]) + bytes(n) for n in items)


seeds = {
    'enum-order-and-lengths': enum([short(B), short(A), short(B, A), empty(),
                                    long_name(3, A, A, A, A, B), long_name(4, B, B, B, B, A),
                                    short(b, BLANK)], kind=1, passed_count=42),
    'enum-integer-kind': enum([short(A), empty(), short(B)], kind=4, passed_count=-1),
    'enum-kind-12': enum([short(A)], kind=12, passed_count=3),
    'enum-refused-open': enum([short(A)], kind=1, passed_count=42, refused=0),
    'enum-fails-at-1': enum([short(A), short(B), short(b)], kind=1, passed_count=0, fail=(1, 1)),
    'delete-default': bytes([1]) + scenario([empty(), short(A)]) + bytes([1, 0]),
    'stale-case-and-blanks': bytes([2]) + names((A,), (a,), (A, BLANK), (), (B, BACKSLASH), (A,))
                             + names((A,), (), (b,)),
}

folder = pathlib.Path(__file__).with_name('seeds')
folder.mkdir(exist_ok=True)
for name, data in seeds.items():
    (folder / name).write_bytes(data)
