#!/usr/bin/env python3
"""Checks tandrel-pack against an independent build of the format: the key comes
from `openssl md5`, the cipher is `openssl enc -aes-128-ecb -nopad`, and the table
is written and read here."""
import os
import struct
import subprocess
import sys
import tempfile

tool = sys.argv[1]


def derive_key(password: bytes) -> bytes:
    out = subprocess.run(["openssl", "md5", "-binary"], input=password, check=True,
                         capture_output=True).stdout
    d = bytearray(out)
    for i in range(16):
        if d[i] == 0:
            d[i] = i
        if i % 3 == 0:
            d[i] ^= 0x11
    return bytes(d)


KEY = derive_key(b"580274").hex()


def openssl(direction: str, data: bytes) -> bytes:
    return subprocess.run(["openssl", "enc", direction, "-aes-128-ecb", "-nopad", "-K", KEY],
                          input=data, check=True, capture_output=True).stdout


def build_package(files):
    table = struct.pack("<i", len(files))
    offset = 4 + 268 * len(files)
    contents = b""
    for name, data in files:
        table += name.encode("gbk").ljust(260, b"\0") + struct.pack("<II", offset, len(data))
        offset += len(data)
        contents += data
    payload = table + contents
    body = payload + b"\0" * (-len(payload) % 16)
    return struct.pack("<II", len(payload), 0xA5A5A5A5) + openssl("-e", body)


def fail(message):
    print("FAIL:", message, file=sys.stderr)
    sys.exit(1)


with tempfile.TemporaryDirectory() as work:
    files = [
        ("Client\\Bin\\Game.EXE", b"MZ" + bytes(range(256)) * 5),
        ("client\\数据\\说明.txt", "表格\n".encode("gbk")),
        ("Client\\empty.dat", b""),
        ("Client\\Deep\\A\\B\\c.bin", os.urandom(5000)),
        ("Client\\bin\\GAME.exe", b"later record wins"),
    ]
    pkg = os.path.join(work, "pkg.dat")
    with open(pkg, "wb") as f:
        f.write(build_package(files))
    out = os.path.join(work, "out")
    subprocess.run([tool, "unpack", pkg, "-C", out], check=True, capture_output=True)
    expected = {
        "bin/game.exe": b"later record wins",
        "数据/说明.txt": "表格\n".encode("gbk"),
        "empty.dat": b"",
        "deep/a/b/c.bin": files[3][1],
    }
    found = {}
    for root, _, names in os.walk(out):
        for n in names:
            p = os.path.join(root, n)
            found[os.path.relpath(p, out)] = open(p, "rb").read()
    if found != expected:
        fail(f"unpacked {sorted(found)} differ from {sorted(expected)}")

    # The other way: our packer's output, opened with openssl and read here.
    src = os.path.join(work, "src", "top")
    os.makedirs(os.path.join(src, "子目录"))
    with open(os.path.join(src, "子目录", "文件.bin"), "wb") as f:
        f.write(b"\x00\x01" * 700)
    with open(os.path.join(src, "a.txt"), "wb") as f:
        f.write(b"alpha")
    ours = os.path.join(work, "ours.dat")
    subprocess.run([tool, "pack", src, "-o", ours], check=True, capture_output=True)
    raw = open(ours, "rb").read()
    payload_length = struct.unpack_from("<I", raw, 0)[0]
    if (len(raw) - 8) % 16:
        fail("body is not whole blocks")
    payload = openssl("-d", raw[8:])
    count = struct.unpack_from("<i", payload, 0)[0]
    got = {}
    for i in range(count):
        rec = payload[4 + 268 * i: 4 + 268 * (i + 1)]
        name = rec[:260].split(b"\0", 1)[0].decode("gbk")
        offset, size = struct.unpack_from("<II", rec, 260)
        if offset + size > payload_length:
            fail(f"{name} points past the payload")
        got[name] = payload[offset:offset + size]
    want = {"top\\a.txt": b"alpha", "top\\子目录\\文件.bin": b"\x00\x01" * 700}
    if got != want:
        fail(f"openssl read {sorted(got)}, expected {sorted(want)}")
print("openssl cross-check: ok")
