#!/usr/bin/python3
"""Sets the build id of each stripped ELF file given to a hash of the file's own bytes.

The linker's build id hashes the whole linked file, debug information included, and the
debug information holds the source paths as the compiler was given them: absolute ones,
which the build maps to fixed names, or, when ccache rewrites them (its base_dir), paths
relative to the object's folder. The same sources then give programs whose code is the same
byte for byte but whose build ids differ. Once the debug information is stripped away, a
hash of what is left (the note's own bytes taken as zeros) identifies the program as well,
and is the same from every build of the same sources.

    build_id_from_contents.py FILE...
"""

import hashlib
import struct
import sys

NOTE_NAME = b"GNU\0"
NT_GNU_BUILD_ID = 3


def build_id_note(data):
    """The offset and size of the build id in the ELF file's bytes, or None."""
    if data[:4] != b"\x7fELF":
        raise ValueError("not an ELF file")
    wide = {1: False, 2: True}[data[4]]
    order = {1: "<", 2: ">"}[data[5]]
    if wide:
        shoff, = struct.unpack_from(order + "Q", data, 0x28)
        shentsize, shnum, shstrndx = struct.unpack_from(order + "HHH", data, 0x3A)
    else:
        shoff, = struct.unpack_from(order + "I", data, 0x20)
        shentsize, shnum, shstrndx = struct.unpack_from(order + "HHH", data, 0x2E)

    def section(index):
        base = shoff + index * shentsize
        if wide:
            name, kind, _, _, offset, size = struct.unpack_from(order + "IIQQQQ", data, base)
        else:
            name, kind, _, _, offset, size = struct.unpack_from(order + "IIIIII", data, base)
        return name, kind, offset, size

    _, _, names_offset, _ = section(shstrndx)
    for index in range(shnum):
        name, _, offset, size = section(index)
        end = data.index(b"\0", names_offset + name)
        if data[names_offset + name:end] != b".note.gnu.build-id":
            continue
        namesz, descsz, kind = struct.unpack_from(order + "III", data, offset)
        desc = offset + 12 + (namesz + 3) // 4 * 4
        if kind != NT_GNU_BUILD_ID or data[offset + 12:offset + 12 + namesz] != NOTE_NAME \
                or desc + descsz > offset + size:
            raise ValueError("unexpected build id note")
        return desc, descsz
    return None


def main(paths):
    for path in paths:
        with open(path, "rb") as f:
            data = bytearray(f.read())
        note = build_id_note(data)
        if note is None:
            continue
        offset, size = note
        if size > hashlib.sha1().digest_size:
            raise ValueError(f"{path}: a build id of {size} bytes")
        data[offset:offset + size] = bytes(size)
        digest = hashlib.sha1(data).digest()[:size]
        data[offset:offset + size] = digest
        with open(path, "r+b") as f:
            f.seek(offset)
            f.write(digest)


if __name__ == "__main__":
    main(sys.argv[1:])
