"""Converts a screen shot of the scripted user (a bottom-up 24-bit BMP) to a PNG, with the
standard library only. Refuses a file that is not such a BMP, or whose pixels all have one
colour, as a failed screen copy would give.
    bmp_to_png.py <in.bmp> <out.png>    prints the size, exits 1 on any fault"""
import struct
import sys
import zlib


def read_bmp(path):
    data = open(path, "rb").read()
    if len(data) < 54 or data[:2] != b"BM":
        raise ValueError("not a BMP file")
    offset = struct.unpack_from("<I", data, 10)[0]
    _, width, height, planes, bits, compression = struct.unpack_from("<IiiHHI", data, 14)
    if bits != 24 or compression != 0 or width <= 0 or height <= 0:
        raise ValueError("not a bottom-up 24-bit BMP (%d bits, %dx%d)" % (bits, width, height))
    stride = (width * 3 + 3) & ~3
    if len(data) < offset + stride * height:
        raise ValueError("the pixels are cut short")
    rows = []
    for y in range(height - 1, -1, -1):  # the file's last row is the top one
        row = data[offset + y * stride : offset + y * stride + width * 3]
        rgb = bytearray(row)
        rgb[0::3], rgb[2::3] = row[2::3], row[0::3]  # BGR to RGB
        rows.append(bytes(rgb))
    return width, height, rows


def chunk(kind, body):
    return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))


def write_png(path, width, height, rows):
    header = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)  # 8-bit RGB
    pixels = zlib.compress(b"".join(b"\0" + row for row in rows), 9)
    with open(path, "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", pixels)
                  + chunk(b"IEND", b""))


def main():
    source, target = sys.argv[1], sys.argv[2]
    try:
        width, height, rows = read_bmp(source)
    except (OSError, ValueError) as error:
        print("bmp_to_png: %s: %s" % (source, error), file=sys.stderr)
        return 1
    first = rows[0][:3]
    if all(row == first * width for row in rows):
        print("bmp_to_png: %s: every pixel has one colour" % source, file=sys.stderr)
        return 1
    write_png(target, width, height, rows)
    print("%dx%d" % (width, height))
    return 0


if __name__ == "__main__":
    sys.exit(main())
