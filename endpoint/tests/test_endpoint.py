#!/usr/bin/env python3
"""Prepares a published endpoint for the tests and starts or stops its server.

  test_endpoint.py start <folder>   lays out <folder>/root (one partner code per case,
                                    through publish.sh), then serve.py start <folder>/state
  test_endpoint.py stop <folder>

Every cabinet is signed with endpoint/tests/test-signing-key.pem unless its case says
otherwise. Partner codes:
  newer, same, older, rollback (98.0, older than newer), foreign (another format),
  noengine, nodefault, nocatalogue, notxml, traversal, absolute, device (image\\NUL.png),
  manyentries (201), bigentry (one entry over 1 MB), bigtotal (over 4 MB in all),
  bigcab (a cabinet over 1 MB, sent without a Content-Length), continuation, truncated,
  missing (nothing published: 404), error (500 with the cabinet as body), stall,
  nosig (unsigned), badsig (signed with another key), otherpartner (newer's cabinet and
  statement published under another code), changed (the cabinet changed after signing).
<folder>/public_key holds the signing key's public half in the build option's form.
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


KEY = os.path.join(HERE, "test-signing-key.pem")


def publish(root, partner, folder, key=KEY, sign_only=False, version=None):
    args = [os.path.join(ENDPOINT, "publish.sh"), root, "--partner", partner, "--catalogue", folder]
    if key:
        args += ["--key", key]
    if sign_only:
        args += ["--sign-only"]
    if version:
        args += ["--version", version]
    subprocess.run(args, check=True, stdout=subprocess.DEVNULL)
    return os.path.join(root, "pub", "bmb", partner, "def_srch_engn.cab")


def compressed(root, partner, folder, names):
    """A zip-compressed cabinet of the named files of folder, then signed."""
    target = os.path.join(root, "pub", "bmb", partner)
    os.makedirs(target, exist_ok=True)
    subprocess.run(["gcab", "-cz", os.path.join(target, "def_srch_engn.cab")] + names,
                   cwd=folder, check=True)
    return publish(root, partner, folder, sign_only=True)


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
    other_key = os.path.join(folder, "other-key.pem")
    if not os.path.exists(other_key):
        subprocess.run(["openssl", "ecparam", "-name", "prime256v1", "-genkey", "-noout",
                        "-out", other_key], check=True)
    newer = "99.0.0.1"
    publish(root, "newer", catalogue(work, "newer", newer))
    publish(root, "same", catalogue(work, "same"))
    publish(root, "older", catalogue(work, "older", "0.9"))
    publish(root, "rollback", catalogue(work, "rollback", "98.0"))
    publish(root, "foreign", catalogue(work, "foreign", newer, OTHER_FORMAT))
    shipped = open(os.path.join(SHIPPED, "def_srch_engn.xml"), encoding="utf-8").read()
    no_engines = re.sub(r"<search_engine>.*?</search_engine>", "", shipped, flags=re.S)
    no_engines = re.sub(r"<version>[^<]*</version>", "<version>%s</version>" % newer, no_engines)
    publish(root, "noengine", catalogue(work, "noengine", xml=no_engines))
    no_default = re.sub(r"<default_search_engine>[^<]*</default_search_engine>",
                        "<default_search_engine>{00000000-0000-0000-0000-00000000dead}"
                        "</default_search_engine>", shipped)
    no_default = re.sub(r"<version>[^<]*</version>", "<version>%s</version>" % newer, no_default)
    assert "dead" in no_default
    publish(root, "nodefault", catalogue(work, "nodefault", xml=no_default))
    publish(root, "nocatalogue", catalogue(work, "nocatalogue", xml=False), version=newer)
    publish(root, "notxml", catalogue(work, "notxml", xml="PK not a catalogue <<"), version=newer)
    for partner, old, new in (("traversal", b"image\\map.png", b"..\\..\\evl.png"),
                              ("absolute", b"image\\map.png", b"C:\\evil\\m.png")):
        source = catalogue(work, partner, newer)
        patch(publish(root, partner, source, key=None), old, new)
        publish(root, partner, source, sign_only=True)
    device = catalogue(work, "device", newer)
    shutil.copy(os.path.join(device, "image", "map.png"), os.path.join(device, "image", "NUL.png"))
    publish(root, "device", device)
    many = catalogue(work, "manyentries", newer, images=False)
    os.makedirs(os.path.join(many, "image"))
    for i in range(200):
        open(os.path.join(many, "image", "i%03d.png" % i), "wb").write(b"\x89PNG")
    publish(root, "manyentries", many)
    big_entry = catalogue(work, "bigentry", newer, images=False)
    os.makedirs(os.path.join(big_entry, "image"))
    open(os.path.join(big_entry, "image", "big.png"), "wb").write(bytes(1536 * 1024))
    compressed(root, "bigentry", big_entry, ["def_srch_engn.xml", "image/big.png"])
    big_total = catalogue(work, "bigtotal", newer, images=False)
    os.makedirs(os.path.join(big_total, "image"))
    names = ["def_srch_engn.xml"]
    for i in range(5):
        open(os.path.join(big_total, "image", "b%d.png" % i), "wb").write(bytes(900 * 1024))
        names.append("image/b%d.png" % i)
    compressed(root, "bigtotal", big_total, names)
    big_cab = catalogue(work, "bigcab", newer)
    open(os.path.join(big_cab, "image", "noise.png"), "wb").write(os.urandom(1200 * 1024))
    open(publish(root, "bigcab", big_cab) + ".nolength", "w").write("")
    source = catalogue(work, "continuation", newer)
    announce_continuation(publish(root, "continuation", source, key=None))
    publish(root, "continuation", source, sign_only=True)
    source = catalogue(work, "truncated", newer)
    cab = publish(root, "truncated", source, key=None)
    data = open(cab, "rb").read()
    open(cab, "wb").write(data[: len(data) // 2])
    publish(root, "truncated", source, sign_only=True)
    cab = publish(root, "error", catalogue(work, "error", newer))
    open(cab + ".status", "w").write("500")
    cab = publish(root, "stall", catalogue(work, "stall", newer))
    open(cab + ".stall", "w").write("")
    publish(root, "nosig", catalogue(work, "nosig", newer), key=None)
    publish(root, "badsig", catalogue(work, "badsig", newer), key=other_key)
    cab = publish(root, "otherpartner", catalogue(work, "otherpartner", newer))
    newer_cab = os.path.join(root, "pub", "bmb", "newer", "def_srch_engn.cab")
    shutil.copy(newer_cab, cab)
    shutil.copy(newer_cab + ".sig", cab + ".sig")
    cab = publish(root, "changed", catalogue(work, "changed", newer))
    sig = open(cab + ".sig", "rb").read()
    publish(root, "changed", catalogue(work, "changed2", "99.0.0.2"), key=None)
    open(cab + ".sig", "wb").write(sig)
    public = subprocess.run(["openssl", "ec", "-in", KEY, "-pubout", "-outform", "DER"],
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
