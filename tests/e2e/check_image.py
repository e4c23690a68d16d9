#!/usr/bin/env python3
"""Checks of what a built launcher carries, read from the file itself.

  check_image.py manifest LAUNCHER...  each has the application manifest: asInvoker, the
                                       supported-OS entries for Windows 7 to 11, and
                                       neither DPI awareness nor a common-controls dependency
  check_image.py unwind LAUNCHER...    each (x86-64) has unwind tables (.pdata), and they
                                       cover the entry point, the frame every stack walk ends in
  check_image.py size LAUNCHER...      each takes at most 20 KiB (x86) or 24 KiB (x86-64,
                                       whose code and unwind tables are larger) of file
                                       besides its resources: start-up reads the whole program
"""
import pathlib
import struct
import sys
import xml.etree.ElementTree as ElementTree

RT_MANIFEST = 24
SUPPORTED_OS = {
    "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}": "Windows 7",
    "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}": "Windows 8",
    "{1f676c76-80e1-4239-95bb-83d0f6d0da78}": "Windows 8.1",
    "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}": "Windows 10 and 11",
}


def sections(data):
    """(name, virtual address, virtual size, raw offset, raw size) of each section."""
    header = struct.unpack_from("<I", data, 0x3C)[0]
    count = struct.unpack_from("<H", data, header + 6)[0]
    table = header + 24 + struct.unpack_from("<H", data, header + 20)[0]
    result = []
    for i in range(count):
        name, vsize, address, rsize, offset = struct.unpack_from("<8sIIII", data, table + 40 * i)
        result.append((name.rstrip(b"\0").decode(), address, vsize, offset, rsize))
    return result


def resource(data, kind, name):
    """The bytes of the resource kind/name (numbers), first language; None when absent."""
    rsrc = next((s for s in sections(data) if s[0] == ".rsrc"), None)
    if rsrc is None:
        return None
    _, base_address, _, base, _ = rsrc

    def entries(directory):
        named, numbered = struct.unpack_from("<HH", data, base + directory + 12)
        for i in range(named + numbered):
            ident, target = struct.unpack_from("<II", data, base + directory + 16 + 8 * i)
            yield ident, target

    def child(directory, wanted):
        for ident, target in entries(directory):
            if ident == wanted and target & 0x80000000:
                return target & 0x7FFFFFFF
        return None

    names = child(0, kind)
    languages = child(names, name) if names is not None else None
    if languages is None:
        return None
    _, leaf = next(entries(languages))
    address, size = struct.unpack_from("<II", data, base + leaf)
    start = base + address - base_address
    return data[start:start + size]


def manifest_faults(path):
    text = resource(pathlib.Path(path).read_bytes(), RT_MANIFEST, 1)
    if text is None:
        return ["no manifest (resource 24, name 1)"]
    root = ElementTree.fromstring(text)
    faults = []
    levels = [e.get("level") for e in root.iter() if e.tag.endswith("}requestedExecutionLevel")]
    if levels != ["asInvoker"]:
        faults.append(f"execution level {levels}, not asInvoker")
    found = {e.get("Id").lower() for e in root.iter() if e.tag.endswith("}supportedOS")}
    for guid, system in SUPPORTED_OS.items():
        if guid not in found:
            faults.append(f"no supportedOS entry for {system}")
    for e in root.iter():
        tag = e.tag.rsplit("}", 1)[-1]
        if tag in ("dpiAware", "dpiAwareness", "dependency"):
            faults.append(f"declares {tag}: the runtime would inherit it")
    return faults


def unwind_faults(path):
    data = pathlib.Path(path).read_bytes()
    pdata = [s for s in sections(data) if s[0] == ".pdata"]
    if not pdata or pdata[0][2] == 0:
        return ["no unwind tables (.pdata missing or empty)"]
    _, _, size, offset, _ = pdata[0]
    entry = struct.unpack_from("<I", data, struct.unpack_from("<I", data, 0x3C)[0] + 40)[0]
    functions = [struct.unpack_from("<II", data, offset + i) for i in range(0, size - 11, 12)]
    if not any(begin <= entry < end for begin, end in functions):
        return [f"the entry point {entry:#x} has no unwind data"]
    return []


# By the machine field of the file header.
LARGEST_CODE_BYTES = {0x014C: 20 * 1024, 0x8664: 24 * 1024}


def size_faults(path):
    data = pathlib.Path(path).read_bytes()
    machine = struct.unpack_from("<H", data, struct.unpack_from("<I", data, 0x3C)[0] + 4)[0]
    largest = LARGEST_CODE_BYTES.get(machine)
    if largest is None:
        return [f"machine {machine:#06x} has no size bound"]
    code = len(data) - sum(s[4] for s in sections(data) if s[0] == ".rsrc")
    if code > largest:
        return [f"{code} bytes without resources, more than {largest}"]
    return []


def main():
    check = {"manifest": manifest_faults, "unwind": unwind_faults, "size": size_faults}[sys.argv[1]]
    failed = 0
    for path in sys.argv[2:]:
        faults = check(path)
        print(f"{pathlib.Path(path).name}: {'; '.join(faults) or 'ok'}")
        failed += bool(faults)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
