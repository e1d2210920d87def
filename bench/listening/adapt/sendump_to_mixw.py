#!/usr/bin/python3
"""Writes the mixture weights of a semi-continuous or phonetically tied model,
which the distribution ships compressed as `sendump`, in the training tools'
`mixture_weights` format (bw reads only that one).

    sendump_to_mixw.py MODEL/sendump OUT/mixture_weights
"""
import struct
import sys

import numpy


def read_string(f, fmt):
    (n,) = struct.unpack(fmt, f.read(4))
    return f.read(n)[:-1].decode("ascii") if n else None


def read_sendump(path):
    with open(path, "rb") as f:
        # The byte order shows in the first length: a title is never 64 KiB long.
        (n,) = struct.unpack("<I", f.read(4))
        fmt = "<I" if n <= 65536 else ">I"
        f.seek(0)
        read_string(f, fmt)  # title
        header = {}
        while True:
            line = read_string(f, fmt)
            if line is None:
                break
            key, _, value = line.partition(" ")
            header[key] = value
        senones = int(header.get("mixture_count", 0))
        codewords = int(header.get("model_count", 0))
        features = int(header.get("feature_count", 0))
        shift = int(header.get("mixw_shift", 10))
        if int(header.get("cluster_count", 0)) == 0:
            (codewords,) = struct.unpack(fmt, f.read(4))
            (senones,) = struct.unpack(fmt, f.read(4))
        weights = numpy.empty((senones, features, codewords))
        for feature in range(features):
            for codeword in range(codewords):
                row = numpy.frombuffer(f.read(senones), dtype=numpy.uint8).astype(numpy.int64)
                # Stored as negated log base 1.0001, shifted down.
                weights[:, feature, codeword] = numpy.power(1.0001, -(row << shift))
    return weights


def write_mixw(path, weights):
    weights = weights / weights.sum(axis=2, keepdims=True)
    d1, d2, d3 = weights.shape
    with open(path, "wb") as f:
        head = b"s3\nversion 1.0\n"
        pad = (len(head) + len(b"endhdr\n")) & 3
        f.write(head + b" " * ((4 - pad) & 3) + b"endhdr\n")
        f.write(struct.pack("=i", 0x11223344))
        f.write(struct.pack("=IIII", d1, d2, d3, d1 * d2 * d3))
        weights.astype("<f4").tofile(f)


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    mixw = read_sendump(sys.argv[1])
    print("senones %d, features %d, codewords %d" % mixw.shape)
    write_mixw(sys.argv[2], mixw)
