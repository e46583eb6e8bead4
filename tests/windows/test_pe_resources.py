"""Reads the resources of Tivaro.scr straight from the PE file: its application manifest
declares Per-Monitor V2 awareness with the older dpiAware fallback, the supported systems
and common controls 6; its icon group holds 16, 24, 32, 48 and 256 pixel images.
Usage: test_pe_resources.py Tivaro.scr"""
import struct
import sys

RT_ICON, RT_GROUP_ICON, RT_MANIFEST = 3, 14, 24


def resources(data):
    """{(type, name): bytes} of the first language of every resource."""
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    assert data[pe:pe + 4] == b"PE\0\0", "not a PE file"
    sections, optional_size = struct.unpack_from("<H12xH", data, pe + 6)
    optional = pe + 24
    magic = struct.unpack_from("<H", data, optional)[0]
    directories = optional + (96 if magic == 0x10B else 112)
    rsrc_rva = struct.unpack_from("<I", data, directories + 2 * 8)[0]
    table = optional + optional_size
    for i in range(sections):
        size, va, _, raw = struct.unpack_from("<IIII", data, table + i * 40 + 8)
        if va <= rsrc_rva < va + size:
            base = raw + rsrc_rva - va
            delta = va - raw
            break
    else:
        raise AssertionError("no resource section")

    def entries(offset):
        named, ids = struct.unpack_from("<12xHH", data, base + offset)
        for k in range(named + ids):
            name, target = struct.unpack_from("<II", data, base + offset + 16 + 8 * k)
            yield name, target

    out = {}
    for rtype, t in entries(0):
        for name, n in entries(t & 0x7FFFFFFF):
            _, leaf = next(entries(n & 0x7FFFFFFF))
            rva, size = struct.unpack_from("<II", data, base + leaf)
            out[(rtype, name)] = data[rva - delta:rva - delta + size]
    return out


failures = []


def check(condition, message):
    print(("ok   " if condition else "FAIL ") + message)
    if not condition:
        failures.append(message)


with open(sys.argv[1], "rb") as f:
    res = resources(f.read())

manifest = next((v for (t, _), v in res.items() if t == RT_MANIFEST), b"").decode("utf-8", "replace")
check("<dpiAwareness" in manifest and "PerMonitorV2" in manifest,
      "the manifest declares Per-Monitor V2 awareness")
check("<dpiAware" in manifest and "true/pm" in manifest, "with dpiAware as the older fallback")
for name, guid in (("Vista", "e2011457-1546-43c5-a5fe-008deee3d3f0"),
                   ("7", "35138b9a-5d96-4fbd-8e2d-a2440225f93a"),
                   ("8", "4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38"),
                   ("8.1", "1f676c76-80e1-4239-95bb-83d0f6d0da78"),
                   ("10 and 11", "8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a")):
    check(guid in manifest.lower(), f"the manifest names Windows {name} as supported")
check("Microsoft.Windows.Common-Controls" in manifest and 'version="6.0.0.0"' in manifest,
      "the manifest asks for common controls 6")

groups = [v for (t, _), v in res.items() if t == RT_GROUP_ICON]
check(len(groups) == 1, "one icon group")
sizes = []
if groups:
    group = groups[0]
    count = struct.unpack_from("<H", group, 4)[0]
    for k in range(count):
        w, h, _, _, _, bits, size, icon_id = struct.unpack_from("<BBBBHHIH", group, 6 + 14 * k)
        image = res.get((RT_ICON, icon_id), b"")
        check(len(image) == size, f"icon image {icon_id} is stored whole")
        if image.startswith(b"\x89PNG"):
            real = struct.unpack_from(">II", image, 16)
        else:
            real = struct.unpack_from("<ii", image, 4)
            real = (real[0], real[1] // 2)
        sizes.append(real[0])
        check(real == (w or 256, h or 256), f"icon {real[0]} px is square and as listed")
check(sorted(sizes) == [16, 24, 32, 48, 256], f"the icon holds 16, 24, 32, 48 and 256 px: {sizes}")
sys.exit(1 if failures else 0)
