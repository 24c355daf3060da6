#!/usr/bin/env python3
"""make-scan-tree.py DIR: real-looking board files for `quorvane-board scan`, every one stamped
2026-11-02 10:00:00 UTC so that scans give the same records wherever the tree is made."""
import os
import socket
import subprocess
import sys
import tempfile
import zipfile

STAMP = 1793613600  # 2026-11-02T10:00:00Z
DATA = os.path.join(os.path.dirname(os.path.abspath(__file__)), "data", "scan-tree")


def write(path, data):
    with open(path, "wb") as f:
        f.write(data)
    os.utime(path, (STAMP, STAMP))


def board_file(name):  # the bytes of data/scan-tree/`name`
    with open(os.path.join(DATA, name), "rb") as f:
        return f.read()


def make_zip(path, members):
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as z:
        for name, data in members:
            z.writestr(zipfile.ZipInfo(name, (2026, 11, 2, 10, 0, 0)), data, zipfile.ZIP_DEFLATED)
    os.utime(path, (STAMP, STAMP))


def main(root):
    os.makedirs(root)
    docs, games, utils = (os.path.join(root, d) for d in ("docs", "dos-games", "utils"))
    for d in (docs, games, utils, os.path.join(utils, "old")):
        os.makedirs(d)

    write(os.path.join(root, "README.TXT"), b"Files of the Harbour Light BBS\r\n")
    os.symlink("/etc", os.path.join(root, "outside"))

    # DESCRIPT.ION: name + text, a quoted long name, a multi-line entry (\n written out,
    # ended by 0x04 0xC2), a line for a file that is not there.
    write(os.path.join(docs, "DESCRIPT.ION"), board_file("DESCRIPT.ION"))
    write(os.path.join(docs, "manual.txt"), b"x" * 1000)
    write(os.path.join(docs, "Release Notes 2.txt"), b"notes\n")
    write(os.path.join(docs, "faq.txt"), b"Q?\n")
    sock = socket.socket(socket.AF_UNIX)
    sock.bind(os.path.join(docs, "chat.sock"))
    sock.close()

    # FILE_ID.DIZ in code page 437: box lines, an e acute (0x82) and an a umlaut (0x84).
    make_zip(os.path.join(games, "DOOM19S.ZIP"),
             [("FILE_ID.DIZ", board_file("DOOM-FILE_ID.DIZ")), ("DOOM.EXE", b"MZ" * 500)])
    make_zip(os.path.join(games, "KEEN1.ZIP"), [("desc.sdi", b"Commander Keen 1\r\n")])
    make_zip(os.path.join(games, "Star Quest II.zip"),
             [("FILE_ID.DIZ", "Star Quest \u03a9 \u2013 \u0151 edition\n".encode())])
    write(os.path.join(games, "BROKEN.ZIP"), b"PK\x03\x04" + b"\x00" * 60)
    with tempfile.TemporaryDirectory() as work:  # zipfile cannot encrypt
        write(os.path.join(work, "FILE_ID.DIZ"), b"Hidden text\r\n")
        subprocess.run(["zip", "-q", "-j", "-P", "secret", os.path.abspath(games) + "/SECRET.ZIP",
                        os.path.join(work, "FILE_ID.DIZ")], check=True)
    make_zip(os.path.join(games, "BOMB.ZIP"), [("FILE_ID.DIZ", b"A" * (65 * 1024))])

    # FILES.BBS in its layouts (plain, size + date, [05] counter, continuation lines, comment);
    # long names that clash after 8.3 shortening; a pipe; links out, to nothing and in a loop.
    write(os.path.join(utils, "FILES.BBS"), board_file("FILES.BBS"))
    write(os.path.join(utils, "PKZ204G.EXE"), b"MZ" + b"\x00" * 98)
    make_zip(os.path.join(utils, "LIST93.ZIP"), [("FILE_ID.DIZ", b"Not used: FILES.BBS wins\r\n")])
    write(os.path.join(utils, "Long Name Tool.zip"), b"t" * 20)
    write(os.path.join(utils, "Long Name Toy.zip"), b"y" * 30)
    write(os.path.join(utils, "readme.txt"), b"hello\n")
    write(os.path.join(utils, "old", "OLD.ZIP"), b"old")
    os.mkfifo(os.path.join(utils, "pipe"))
    os.symlink("/etc/passwd", os.path.join(utils, "passwd"))
    os.symlink("../docs/manual.txt", os.path.join(utils, "MANUAL.TXT"))  # inside: followed
    os.symlink("nothing-here", os.path.join(utils, "dangling"))
    os.symlink("loop", os.path.join(utils, "loop"))
    for path in (docs, games, utils, os.path.join(utils, "old"), root, games + "/SECRET.ZIP"):
        os.utime(path, (STAMP, STAMP))


if __name__ == "__main__":
    if sys.argv[2:] == ["--keen2"]:  # KEEN1.ZIP rewritten with its old size and time
        make_zip(os.path.join(sys.argv[1], "dos-games", "KEEN1.ZIP"),
                 [("desc.sdi", b"Commander Keen 2\r\n")])
    else:
        main(sys.argv[1])
