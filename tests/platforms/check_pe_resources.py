#!/usr/bin/env python3
"""Checks the resources of KORVELGRAPHLINE.dll, read straight from the PE file.

usage: check_pe_resources.py DLL IDL VERSION

The module must carry exactly three resources, all in language 1033:
  - the version record (every fixed field, every string, the translation),
    with file and product version VERSION (four numbers, dotted);
  - type library "TYPELIB" 1: MSFT format, no type descriptions, named
    KorvelGraphLine, version 1.0, locale 0x0409, 32-bit Windows, with the
    library GUID given in IDL;
  - string 101 "Windows sockets initialization failed.", alone in its block.
Prints one line per finding and exits 1 when anything differs.
"""

import re
import struct
import sys
import uuid

LANG_EN_US = 1033
RT_STRING = 6
RT_VERSION = 16

problems = []


def expect(what, actual, expected):
    if actual != expected:
        problems.append(f"{what}: {actual!r}, expected {expected!r}")


class PeImage:
    """The sections of a PE file, addressed by relative virtual address."""

    def __init__(self, data):
        self.data = data
        if data[:2] != b"MZ":
            raise ValueError("not an MZ executable")
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("no PE signature")
        sections, optional_size = struct.unpack_from("<2xH12xH2x", data, pe + 4)
        optional = pe + 24
        magic = struct.unpack_from("<H", data, optional)[0]
        directories = optional + (112 if magic == 0x20B else 96)
        self.resource_rva, self.resource_size = struct.unpack_from("<II", data, directories + 2 * 8)
        self.sections = []
        table = optional + optional_size
        for i in range(sections):
            size, rva, raw_size, raw_offset = struct.unpack_from("<IIII", data, table + 40 * i + 8)
            self.sections.append((rva, max(size, raw_size), raw_offset))

    def at(self, rva, length):
        for start, size, raw in self.sections:
            if start <= rva and rva + length <= start + size:
                return self.data[raw + rva - start:raw + rva - start + length]
        raise ValueError(f"RVA {rva:#x}+{length} lies in no section")


def read_resources(image):
    """{(type, name, language): bytes}; string identifiers as str, numbers as int."""
    base = image.resource_rva
    directory = image.at(base, image.resource_size)

    def identifier(word):
        if word & 0x80000000:
            offset = word & 0x7FFFFFFF
            length = struct.unpack_from("<H", directory, offset)[0]
            return directory[offset + 2:offset + 2 + 2 * length].decode("utf-16-le")
        return word

    def walk(offset, path):
        named, numbered = struct.unpack_from("<HH", directory, offset + 12)
        for i in range(named + numbered):
            name, target = struct.unpack_from("<II", directory, offset + 16 + 8 * i)
            key = path + (identifier(name),)
            if target & 0x80000000:
                yield from walk(target & 0x7FFFFFFF, key)
            else:
                rva, size = struct.unpack_from("<II", directory, target)
                yield key, image.at(rva, size)

    return dict(walk(0, ()))


def version_node(data, offset=0):
    """One node of a version record: (key, value bytes, text?, children)."""
    length, value_length, kind = struct.unpack_from("<HHH", data, offset)
    end = offset + length
    key_start = offset + 6
    key_end = key_start
    while data[key_end:key_end + 2] != b"\0\0":
        key_end += 2
    key = data[key_start:key_end].decode("utf-16-le")
    position = (key_end + 2 + 3) & ~3
    value_bytes = value_length * 2 if kind == 1 else value_length
    value = data[position:position + value_bytes]
    position = (position + value_bytes + 3) & ~3
    children = []
    while position < end:
        child, child_end = version_node(data, position)
        children.append(child)
        position = (child_end + 3) & ~3
    return (key, value, kind == 1, children), end


def check_version(data, version):
    (key, fixed, _, children), _ = version_node(data)
    expect("version record key", key, "VS_VERSION_INFO")
    fields = struct.unpack_from("<13I", fixed)
    numbers = [int(part) for part in version.split(".")]
    packed = [(numbers[0] << 16) | numbers[1], (numbers[2] << 16) | numbers[3]]
    expect("fixed part", {
        "signature": hex(fields[0]), "file version": fields[2:4], "product version": fields[4:6],
        "flags mask": hex(fields[6]), "flags": fields[7], "operating system": hex(fields[8]),
        "file type": fields[9], "file subtype": fields[10], "file date": fields[11:13],
    }, {
        "signature": "0xfeef04bd", "file version": tuple(packed),
        "product version": tuple(packed), "flags mask": "0x3f", "flags": 0,
        "operating system": "0x4", "file type": 2, "file subtype": 0, "file date": (0, 0),
    })
    blocks = {child[0]: child for child in children}
    expect("version record blocks", sorted(blocks), ["StringFileInfo", "VarFileInfo"])

    tables = blocks.get("StringFileInfo", ("", b"", False, []))[3]
    expect("string blocks", [table[0] for table in tables], ["040904B0"])
    text = ", ".join(map(str, numbers))
    strings = {}
    for key, value, is_text, _ in tables[0][3] if tables else []:
        if not is_text:
            problems.append(f"version string {key} is not text")
        strings[key] = value.decode("utf-16-le").rstrip("\0")
    expect("version strings", strings, {
        "CompanyName": "",
        "FileDescription": "KorvelGraphLine DLL",
        "FileVersion": text,
        "InternalName": "KorvelGraphLine",
        "LegalCopyright": "Copyright (C) the KorvelGraphLine authors",
        "LegalTrademarks": "",
        "OriginalFilename": "KorvelGraphLine.DLL",
        "ProductName": "KorvelGraphLine Dynamic Link Library",
        "ProductVersion": text,
        "OLESelfRegister": "",
    })

    variables = blocks.get("VarFileInfo", ("", b"", False, []))[3]
    expect("translation", [(key, struct.unpack("<HH", value) if len(value) == 4 else value)
                           for key, value, _, _ in variables], [("Translation", (0x0409, 1200))])


def check_type_library(data, guid):
    expect("type library magic", data[:4], b"MSFT")
    (posguid, lcid, _lcid2, varflags, version, _flags, typeinfos) = struct.unpack_from("<7i", data, 8)
    name_offset = struct.unpack_from("<i", data, 56)[0]
    expect("type library header", {
        "locale": hex(lcid), "system": varflags & 0xF, "version": (version & 0xFFFF, version >> 16),
        "type descriptions": typeinfos,
    }, {"locale": "0x409", "system": 1, "version": (1, 0), "type descriptions": 0})
    # The segment directory follows the header (and a help-DLL word, when
    # flagged): 15 segments of (offset, length, -1, 0x0F).
    segments = 0x54 + (4 if varflags & 0x100 else 0) + 4 * max(typeinfos, 0)

    def segment(index):
        return struct.unpack_from("<ii", data, segments + 16 * index)

    expect("type info segment length", segment(0)[1], 0)
    expect("type description segment length", segment(9)[1], 0)
    guid_offset = segment(5)[0] + posguid
    expect("library GUID", str(uuid.UUID(bytes_le=bytes(data[guid_offset:guid_offset + 16]))), guid)
    name_at = segment(7)[0] + name_offset
    name_length = struct.unpack_from("<i", data, name_at + 8)[0] & 0xFF
    expect("library name", bytes(data[name_at + 12:name_at + 12 + name_length]), b"KorvelGraphLine")


def check_string_block(data):
    strings = []
    offset = 0
    for _ in range(16):
        length = struct.unpack_from("<H", data, offset)[0]
        strings.append(data[offset + 2:offset + 2 + 2 * length].decode("utf-16-le"))
        offset += 2 + 2 * length
    expected = [""] * 16
    expected[101 % 16] = "Windows sockets initialization failed."
    expect("string block 7 (strings 96 to 111)", strings, expected)


def main():
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    dll, idl, version = sys.argv[1:]
    with open(idl, encoding="ascii") as source:
        guid = re.search(r"uuid\(([0-9a-fA-F-]{36})\)", source.read()).group(1).lower()
    with open(dll, "rb") as module:
        resources = read_resources(PeImage(module.read()))

    expect("resources", sorted(map(str, resources)), sorted(map(str, [
        (RT_VERSION, 1, LANG_EN_US), ("TYPELIB", 1, LANG_EN_US),
        (RT_STRING, 101 // 16 + 1, LANG_EN_US)])))
    checks = [(RT_VERSION, 1, lambda data: check_version(data, version)),
              ("TYPELIB", 1, lambda data: check_type_library(data, guid)),
              (RT_STRING, 101 // 16 + 1, check_string_block)]
    for kind, name, check in checks:
        data = resources.get((kind, name, LANG_EN_US))
        if data is not None:
            check(data)

    for problem in problems:
        print(f"{dll}: {problem}")
    if problems:
        sys.exit(1)
    print(f"{dll}: version record, type library and string 101 as expected")


if __name__ == "__main__":
    main()
