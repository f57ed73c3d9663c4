#!/usr/bin/python3
"""Enciphers known_answer.xml into known_answer.enc, the way the download site makes the data files.

Run once by hand (Debian: apt-get install python3-nacl); both files are committed and the tests
only read them. PyNaCl's secret stream is another implementation of the framing than the
program's own, so a changed key byte, header size or chunk size in the program fails the
known-answer test.
"""

import pathlib
import sys

from nacl import bindings as sodium

# The program's data-file key, byte 0 first.
KEY = bytes.fromhex("9e3c51d7a0b24f68c1d5e7f90a2b4c6d8e0f1a2b3c4d5e6f7a8b9c0d1e2f3a4b")
PLAIN_CHUNK = 4096


def encipher(plain: bytes) -> bytes:
    state = sodium.crypto_secretstream_xchacha20poly1305_state()
    out = bytearray(sodium.crypto_secretstream_xchacha20poly1305_init_push(state, KEY))
    chunks = [plain[i:i + PLAIN_CHUNK] for i in range(0, len(plain), PLAIN_CHUNK)] or [b""]
    for index, chunk in enumerate(chunks):
        last = index == len(chunks) - 1
        tag = (sodium.crypto_secretstream_xchacha20poly1305_TAG_FINAL if last
               else sodium.crypto_secretstream_xchacha20poly1305_TAG_MESSAGE)
        out += sodium.crypto_secretstream_xchacha20poly1305_push(state, chunk, None, tag)
    return bytes(out)


def main() -> int:
    here = pathlib.Path(__file__).resolve().parent
    plain = (here / "known_answer.xml").read_bytes()
    (here / "known_answer.enc").write_bytes(encipher(plain))
    return 0


if __name__ == "__main__":
    sys.exit(main())
