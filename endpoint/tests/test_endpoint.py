#!/usr/bin/env python3
"""Prepares a published endpoint for the tests and starts or stops its server.

  test_endpoint.py start <folder>   lays out <folder>/root (one partner code per case,
                                    through publish.sh), then serve.py start <folder>/state
  test_endpoint.py stop <folder>

Partner codes: newer, same, older, foreign, nocatalogue, notxml, traversal, absolute,
continuation, truncated, missing (nothing published: 404), error (500 with the cabinet as
body), stall, signed, badsig, nosig, changed. <folder>/public_key holds the signing key's
public half in the build option's form.
"""
import os
import re
import shutil
import struct
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ENDPOINT = os.path.dirname(HERE)
SHIPPED = os.path.join(os.path.dirname(ENDPOINT), "resources", "catalogue")
OTHER_FORMAT = "{00000000-0000-0000-0000-000000000000}"


def catalogue(work, name, version=None, fmt=None, xml=None, images=True):
    folder = os.path.join(work, name)
    os.makedirs(folder)
    text = open(os.path.join(SHIPPED, "def_srch_engn.xml"), encoding="utf-8").read()
    if version:
        text = re.sub(r"<version>[^<]*</version>", "<version>%s</version>" % version, text)
    if fmt:
        text = re.sub(r"<format>[^<]*</format>", "<format>%s</format>" % fmt, text)
    if xml is not None:
        text = xml
    if text is not False:
        open(os.path.join(folder, "def_srch_engn.xml"), "w", encoding="utf-8").write(text)
    if images:
        shutil.copytree(os.path.join(SHIPPED, "image"), os.path.join(folder, "image"))
    return folder


def publish(root, partner, folder, key=None):
    args = [os.path.join(ENDPOINT, "publish.sh"), root, "--partner", partner, "--catalogue", folder]
    if key:
        args += ["--key", key]
    subprocess.run(args, check=True, stdout=subprocess.DEVNULL)
    return os.path.join(root, "pub", "bmb", partner, "def_srch_engn.cab")


def patch(path, old, new):
    assert len(old) == len(new)
    data = open(path, "rb").read()
    assert data.count(old) == 1, (path, old)
    open(path, "wb").write(data.replace(old, new))


def announce_continuation(path):
    """Sets the "next cabinet" flag with its names and marks the last file as continued."""
    data = bytearray(open(path, "rb").read())
    flags_at, files_at, count_at = 30, 16, 28
    names = b"def_srch_engn2.cab\0disk2\0"
    (flags,) = struct.unpack_from("<H", data, flags_at)
    assert flags == 0
    (folders,) = struct.unpack_from("<H", data, 26)
    (files,) = struct.unpack_from("<H", data, count_at)
    struct.pack_into("<H", data, flags_at, 0x0002)
    struct.pack_into("<I", data, 8, len(data) + len(names))
    (coff_files,) = struct.unpack_from("<I", data, files_at)
    struct.pack_into("<I", data, files_at, coff_files + len(names))
    for i in range(folders):
        at = 36 + 8 * i
        (start,) = struct.unpack_from("<I", data, at)
        struct.pack_into("<I", data, at, start + len(names))
    # The last CFFILE: walk the entries (16 bytes + zero-terminated name each).
    at = coff_files
    last = at
    for _ in range(files):
        last = at
        at = data.index(b"\0", at + 16) + 1
    struct.pack_into("<H", data, last + 8, 0xFFFE)  # continued to the next cabinet
    data[36:36] = names
    open(path, "wb").write(bytes(data))


def prepare(folder):
    root = os.path.join(folder, "root")
    work = os.path.join(folder, "work")
    for d in (root, work):
        shutil.rmtree(d, ignore_errors=True)
    os.makedirs(root)
    key = os.path.join(folder, "key.pem")
    if not os.path.exists(key):
        subprocess.run(["openssl", "ecparam", "-name", "prime256v1", "-genkey", "-noout",
                        "-out", key], check=True)
    newer = "99.0.0.1"
    publish(root, "newer", catalogue(work, "newer", newer))
    publish(root, "same", catalogue(work, "same"))
    publish(root, "older", catalogue(work, "older", "0.9"))
    publish(root, "foreign", catalogue(work, "foreign", newer, OTHER_FORMAT))
    publish(root, "nocatalogue", catalogue(work, "nocatalogue", xml=False))
    publish(root, "notxml", catalogue(work, "notxml", xml="PK not a catalogue <<"))
    patch(publish(root, "traversal", catalogue(work, "traversal", newer)),
          b"image\\map.png", b"..\\..\\evl.png")
    patch(publish(root, "absolute", catalogue(work, "absolute", newer)),
          b"image\\map.png", b"C:\\evil\\m.png")
    announce_continuation(publish(root, "continuation", catalogue(work, "continuation", newer)))
    cab = publish(root, "truncated", catalogue(work, "truncated", newer))
    data = open(cab, "rb").read()
    open(cab, "wb").write(data[: len(data) // 2])
    cab = publish(root, "error", catalogue(work, "error", newer))
    open(cab + ".status", "w").write("500")
    cab = publish(root, "stall", catalogue(work, "stall", newer))
    open(cab + ".stall", "w").write("")
    publish(root, "signed", catalogue(work, "signed", newer), key)
    publish(root, "nosig", catalogue(work, "nosig", newer))
    cab = publish(root, "badsig", catalogue(work, "badsig", newer), key)
    other = publish(root, "badsig-other", catalogue(work, "badsig-other", "98"), key)
    shutil.copy(other + ".sig", cab + ".sig")
    cab = publish(root, "changed", catalogue(work, "changed", newer), key)
    sig = open(cab + ".sig", "rb").read()
    publish(root, "changed", catalogue(work, "changed2", "99.0.0.2"))
    open(cab + ".sig", "wb").write(sig)
    public = subprocess.run(["openssl", "ec", "-in", key, "-pubout", "-outform", "DER"],
                            check=True, capture_output=True).stdout[-65:]
    open(os.path.join(folder, "public_key"), "w").write(public.hex())
    shutil.rmtree(work)
    return root


def main():
    if len(sys.argv) != 3 or sys.argv[1] not in ("start", "stop"):
        print(__doc__, file=sys.stderr)
        return 2
    folder = os.path.abspath(sys.argv[2])
    serve = [sys.executable, os.path.join(ENDPOINT, "serve.py")]
    if sys.argv[1] == "stop":
        return subprocess.run(serve + ["stop", os.path.join(folder, "state")]).returncode
    root = prepare(folder)
    return subprocess.run(serve + ["start", os.path.join(folder, "state"), root]).returncode


if __name__ == "__main__":
    sys.exit(main())
