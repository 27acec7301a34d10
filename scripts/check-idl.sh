#!/usr/bin/env bash
# Compiles the library's generated interface description into a type library with Wine's IDL
# compiler and checks that the type library holds what the class tables say: the library's
# identity, and each type's name, kind, identifier, flags, version and number of functions, in
# library order as far as widl keeps it (see the notes in the comparison below).
#
#   scripts/check-idl.sh BUILD_DIR
#
# BUILD_DIR is a configured build tree of this repository; tessivra-idl is built there if it is
# not yet. Installs the compiler (mingw-w64-tools) and Wine's system IDL files and standard type
# library (libwine-dev) when either is missing. Exits non-zero on any failure.
set -euo pipefail

if [[ $# -ne 1 ]]; then
    echo "usage: $0 BUILD_DIR" >&2
    exit 2
fi
build_dir=$(cd "$1" && pwd)
widl=i686-w64-mingw32-widl

if ! command -v "$widl" >/dev/null 2>&1 || ! dpkg -s libwine-dev >/dev/null 2>&1; then
    echo "check-idl: installing the IDL compiler and Wine's IDL files"
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq mingw-w64-tools libwine-dev >/dev/null
fi

# Wine's system IDL files (oaidl.idl, ocidl.idl) and the OLE Automation type library the
# description imports by file name.
idl_include=$(dirname "$(dpkg -L libwine-dev | grep '/oaidl\.idl$' | head -n 1)")
stdole=$( (dpkg -L libwine 2>/dev/null; find /usr/lib -name stdole2.tlb 2>/dev/null) |
    grep '/stdole2\.tlb$' | sort | head -n 1)
if [[ ! -f "$idl_include/oaidl.idl" || ! -f "$stdole" ]]; then
    echo "check-idl: oaidl.idl or stdole2.tlb not found (libwine-dev installed?)" >&2
    exit 1
fi

cmake --build "$build_dir" --target tessivra-idl -- -j2 >/dev/null
tool="$build_dir/tools/tessivra-idl"
out="$build_dir/idl"
mkdir -p "$out"
"$tool" -o "$out/Tessivra.idl"
"$tool" --types -o "$out/expected-types.txt"

"$widl" -t -I"$idl_include" -L"$(dirname "$stdole")" -o "$out/Tessivra.tlb" "$out/Tessivra.idl"
echo "check-idl: compiled $out/Tessivra.tlb ($(stat -c %s "$out/Tessivra.tlb") bytes)"

if ! command -v python3 >/dev/null 2>&1; then
    echo "check-idl: python3 missing, the type library's contents were not compared" >&2
    exit 1
fi

python3 - "$out/Tessivra.tlb" "$out/expected-types.txt" <<'PY'
# Reads the MSFT type library the compiler wrote and compares it with the expected listing.
import struct
import sys

data = open(sys.argv[1], "rb").read()
expected = [line.split() for line in open(sys.argv[2]) if line.strip()]

if data[:4] != b"MSFT":
    sys.exit("check-idl: not an MSFT type library")
(version, pos_guid, lcid, lcid2, var_flags, lib_version, lib_flags, type_count, help_string,
 help_string_context, help_context, name_count, name_chars, name_offset, help_file, cust_data,
 res44, res48, dispatch_pos, import_count) = struct.unpack_from("<20i", data, 4)
offset = 0x54 + (4 if var_flags & 0x100 else 0) + 4 * type_count
# Segment directory: type infos, import infos, import files, references, GUID hash, GUIDs,
# name hash, names, ...
segments = [struct.unpack_from("<4i", data, offset + 16 * i) for i in range(15)]
typeinfo_seg, guid_seg, name_seg = segments[0], segments[5], segments[7]


def name_at(o):
    base = name_seg[0] + o
    length = data[base + 8]
    return data[base + 12:base + 12 + length].decode("latin-1")


def guid_at(o):
    g = struct.unpack_from("<IHH8B", data, guid_seg[0] + o)
    return "{%08X-%04X-%04X-%02X%02X-%s}" % (g[0], g[1], g[2], g[3], g[4],
                                            "".join("%02X" % b for b in g[5:]))


kinds = {3: "interface", 4: "dispatch", 5: "coclass"}
actual = []
for i in range(type_count):
    f = struct.unpack_from("<25i", data, typeinfo_seg[0] + 0x64 * i)
    actual.append({
        "name": name_at(f[13]), "kind": kinds.get(f[0] & 0xF, str(f[0] & 0xF)),
        "guid": guid_at(f[11]), "flags": "0x%x" % (f[12] & 0xFFFF),
        "version": "%d.%d" % (f[14] & 0xFFFF, (f[14] >> 16) & 0xFFFF),
        "functions": f[6] & 0xFFFF,
    })

problems = []
lib = expected[0]
if name_at(name_offset) != lib[1]:
    problems.append("library name %s, expected %s" % (name_at(name_offset), lib[1]))
if guid_at(pos_guid) != lib[2]:
    problems.append("library identifier %s, expected %s" % (guid_at(pos_guid), lib[2]))
if "%d.%d" % (lib_version & 0xFFFF, lib_version >> 16) != lib[3]:
    problems.append("library version %d.%d, expected %s" % (lib_version & 0xFFFF,
                                                            lib_version >> 16, lib[3]))
if lib_flags != int(lib[4], 16):
    problems.append("library flags 0x%x, expected %s" % (lib_flags, lib[4]))

# widl writes a type the moment something refers to it: each coclass's event interface lands
# right after that coclass instead of with the other event interfaces at the end, where the
# description puts them. Every other difference is a failure.
library_order = expected[1:]
events = {t[2]: t for t in library_order if t[2].startswith("__")}
types = []
for t in library_order:
    if t[2].startswith("__"):
        continue
    types.append(t)
    if t[3] == "coclass" and "__" + t[2] in events:
        types.append(events.pop("__" + t[2]))
types += events.values()
if types != library_order:
    print("check-idl: note: widl places each event interface after its coclass")
if len(actual) != len(types):
    problems.append("%d types, expected %d" % (len(actual), len(types)))
for want, got in zip(types, actual):
    _, index, name, kind, guid, flags, version, functions = want
    flags = int(flags, 16)
    event_interface = name.startswith("__")
    if event_interface:
        # widl takes neither nonextensible nor a version on a dispinterface.
        flags &= ~0x80
        version = "0.0"
    for field, value in (("name", name), ("kind", kind), ("guid", guid), ("flags", "0x%x" % flags),
                         ("version", version), ("functions", int(functions))):
        if got[field] != value:
            problems.append("type %s %s: %s is %s, expected %s" % (index, name, field,
                                                                  got[field], value))

for p in problems:
    print("check-idl: " + p, file=sys.stderr)
if problems:
    sys.exit(1)
print("check-idl: %d types match the class tables" % len(actual))
PY
