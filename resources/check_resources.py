#!/usr/bin/python3
"""Checks what a built Quorvo.exe carries: its version record, icon,
manifest, security flags and the DLLs it needs.

    check_resources.py --version 1.6.0.2 --version-text 1.06.0002 Quorvo.exe

The build passes the version it wrote into the program.

Prints one line per check and exits 0 when all pass, 1 when any fails (each
failure says what was expected and what was found), 2 when the file cannot
be read at all. Needs python3-pefile.
"""

import argparse
import os
import struct
import sys
import xml.etree.ElementTree as ElementTree

try:
    import pefile
except ImportError:
    sys.stderr.write(
        "check_resources.py needs the pefile module (Debian: python3-pefile)\n"
    )
    sys.exit(2)

IDI_QUORVO = 1  # resources/resource_ids.h
COMMITTED_ICON = os.path.join(os.path.dirname(os.path.abspath(__file__)), "quorvo.ico")
MANIFEST_ID = 1  # CREATEPROCESS_MANIFEST_RESOURCE_ID
CONTROLS_MANIFEST_ID = 2  # ISOLATIONAWARE_MANIFEST_RESOURCE_ID

LANGUAGE = 0x0409  # English (United States)
CODEPAGE = 1200  # Unicode (UTF-16)

FIXED_STRINGS = {
    "CompanyName": "Velmora Software",
    "FileDescription": "Quorvo desk clock",
    "InternalName": "Quorvo",
    "LegalCopyright": "Copyright (C) 2004 Velmora Software",
    "OriginalFilename": "Quorvo.exe",
    "ProductName": "Quorvo",
}

# Icon images the group must hold: (width, height, bits per pixel). The two
# 16-colour pictures the clock always had, and one for each common scale of
# the 16, 32 and 48 px icons Windows asks for (125 % to 200 %), the largest
# stored as PNG.
EXPECTED_ICONS = [(32, 32, 4), (16, 16, 4)] + [
    (size, size, 32) for size in (20, 24, 40, 48, 64, 256)]
PNG_SIGNATURE = b"\x89PNG\r\n\x1a\n"

IMAGE_DLLCHARACTERISTICS = {
    "HIGH_ENTROPY_VA": 0x0020,
    "DYNAMIC_BASE": 0x0040,
    "NX_COMPAT": 0x0100,
    "TERMINAL_SERVER_AWARE": 0x8000,
}
IMAGE_FILE_RELOCS_STRIPPED = 0x0001
IMAGE_SUBSYSTEM_WINDOWS_GUI = 2

# DLLs that every Windows installation has. The program is linked statically
# against its compiler's runtime, so nothing else may appear.
SYSTEM_DLLS = {
    "advapi32.dll",
    "comctl32.dll",
    "comdlg32.dll",
    "dwmapi.dll",
    "gdi32.dll",
    "imm32.dll",
    "kernel32.dll",
    "msvcrt.dll",
    "ntdll.dll",
    "ole32.dll",
    "oleaut32.dll",
    "shcore.dll",
    "shell32.dll",
    "shlwapi.dll",
    "ucrtbase.dll",
    "user32.dll",
    "uxtheme.dll",
    "version.dll",
    "winmm.dll",
}
SYSTEM_DLL_PREFIXES = ("api-ms-win-", "ext-ms-win-")
# The DLLs of src/platform/win32/system_functions.h that Quorvo.exe loads
# at run time.
LOADED_AT_RUN_TIME = ("comctl32.dll", "dwmapi.dll", "ole32.dll",
                      "oleacc.dll", "oleaut32.dll")

NS_ASM_V1 = "urn:schemas-microsoft-com:asm.v1"
NS_ASM_V3 = "urn:schemas-microsoft-com:asm.v3"
NS_COMPAT = "urn:schemas-microsoft-com:compatibility.v1"
NS_DPI_2016 = "http://schemas.microsoft.com/SMI/2016/WindowsSettings"
NS_DPI_2005 = "http://schemas.microsoft.com/SMI/2005/WindowsSettings"
WINDOWS_10_AND_11 = "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"


class Report:
    def __init__(self):
        self.failures = 0

    def check(self, ok, what, found=None):
        if ok:
            print("ok   %s" % what)
        else:
            self.failures += 1
            detail = "" if found is None else " (found: %s)" % (found,)
            print("FAIL %s%s" % (what, detail))


def _resource_type(pe, type_id):
    root = getattr(pe, "DIRECTORY_ENTRY_RESOURCE", None)
    if root is None:
        return None
    for entry in root.entries:
        if entry.id == type_id:
            return entry
    return None


def _resources(pe, type_id):
    """(name id, language id, bytes) of every resource of one type."""
    found = []
    type_entry = _resource_type(pe, type_id)
    if type_entry is None:
        return found
    for name_entry in type_entry.directory.entries:
        for lang_entry in name_entry.directory.entries:
            data = lang_entry.data.struct
            raw = pe.get_data(data.OffsetToData, data.Size)
            found.append((name_entry.id, lang_entry.id, raw))
    return found


def _decode(value):
    return value.decode("utf-8", "replace") if isinstance(value, bytes) else value


def check_version(pe, report, version, version_text):
    fixed = getattr(pe, "VS_FIXEDFILEINFO", None)
    report.check(bool(fixed), "version record present")
    if not fixed:
        return
    info = fixed[0]

    def parts(ms, ls):
        return (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)

    file_version = parts(info.FileVersionMS, info.FileVersionLS)
    product_version = parts(info.ProductVersionMS, info.ProductVersionLS)
    wanted = tuple(int(part) for part in version.split("."))
    report.check(file_version == wanted, "file version %s" % version, file_version)
    report.check(
        product_version == wanted,
        "product version %s" % version,
        product_version,
    )

    tables = {}
    translations = []
    for file_info in getattr(pe, "FileInfo", []):
        for block in file_info:
            key = _decode(getattr(block, "Key", b""))
            if key == "StringFileInfo":
                for table in block.StringTable:
                    tables[_decode(table.LangID).upper()] = {
                        _decode(k): _decode(v) for k, v in table.entries.items()
                    }
            elif key == "VarFileInfo":
                for var in block.Var:
                    translation = var.entry.get(b"Translation") or var.entry.get(
                        "Translation"
                    )
                    if translation:
                        translations.append(_decode(translation))
    wanted_table = "%04X%04X" % (LANGUAGE, CODEPAGE)
    report.check(
        list(tables) == [wanted_table],
        "one string table, English (United States), Unicode (%s)" % wanted_table,
        sorted(tables),
    )
    strings = tables.get(wanted_table, {})
    expected_strings = dict(
        FIXED_STRINGS, FileVersion=version_text, ProductVersion=version_text
    )
    for key, expected in expected_strings.items():
        report.check(
            strings.get(key) == expected,
            '%s is "%s"' % (key, expected),
            repr(strings.get(key)),
        )
    wanted_translation = "0x%04x 0x%04x" % (LANGUAGE, CODEPAGE)
    report.check(
        translations == [wanted_translation],
        "translation %s" % wanted_translation,
        translations,
    )


def check_icon(pe, report):
    rt_icon = pefile.RESOURCE_TYPE["RT_ICON"]
    rt_group_icon = pefile.RESOURCE_TYPE["RT_GROUP_ICON"]
    groups = _resources(pe, rt_group_icon)
    report.check(
        [name for name, _, _ in groups] == [IDI_QUORVO],
        "one icon group, IDI_QUORVO (%d)" % IDI_QUORVO,
        [name for name, _, _ in groups],
    )
    if not groups:
        return
    images = {name: raw for name, _, raw in _resources(pe, rt_icon)}
    raw = groups[0][2]
    reserved, kind, count = struct.unpack_from("<HHH", raw, 0)
    report.check(
        reserved == 0 and kind == 1 and len(raw) == 6 + 14 * count,
        "icon group header is well formed",
        (reserved, kind, count, len(raw)),
    )
    entries = []
    for i in range(count):
        width, height, colours, _, planes, bits, size, image_id = (
            struct.unpack_from("<BBBBHHIH", raw, 6 + 14 * i)
        )
        entries.append((width or 256, height or 256, bits))
        image = images.get(image_id)
        if image is None or len(image) < 40:
            report.check(False, "icon image %d is present" % image_id)
            continue
        report.check(
            _image_form(image) == (width or 256, bits, size),
            "icon image %d matches its group entry" % image_id,
            _image_form(image),
        )
        report.check(
            (colours, bits) in ((16, 4), (0, 32)),
            "icon image %d has 16 colours at 4 bpp or is 32-bit" % image_id,
            (colours, bits),
        )
    report.check(
        sorted(entries) == sorted(EXPECTED_ICONS),
        "icon sizes are exactly %s" % ", ".join(
            "%dx%d at %d bpp" % entry for entry in EXPECTED_ICONS),
        entries,
    )
    # The program must carry the committed picture, not a stale one.
    embedded = sorted(
        images[image_id]
        for image_id in (
            struct.unpack_from("<H", raw, 6 + 14 * i + 12)[0] for i in range(count)
        )
        if image_id in images
    )
    report.check(
        embedded == sorted(_icon_file_images(COMMITTED_ICON)),
        "icon images equal resources/quorvo.ico",
    )


def _image_form(image):
    """(width, bits per pixel, bytes) an icon image says it has: a bitmap's
    header describes colour rows and mask rows together, twice as high as
    the picture; a PNG's (which Windows takes only as 8-bit RGBA) is the
    picture's own."""
    if image.startswith(PNG_SIGNATURE):
        width, height, depth, kind = struct.unpack_from(">IIBB", image, 16)
        square = width if (height, depth, kind) == (width, 8, 6) else None
        return (square, 32, len(image))
    _, width, height, _, bits = struct.unpack_from("<IiiHH", image, 0)
    return (width if height == 2 * width else None, bits, len(image))


def _icon_file_images(path):
    """The images of an .ico file, each as the bytes its directory points to."""
    with open(path, "rb") as f:
        data = f.read()
    _, _, count = struct.unpack_from("<HHH", data, 0)
    images = []
    for i in range(count):
        size, offset = struct.unpack_from("<II", data, 6 + 16 * i + 8)
        images.append(data[offset : offset + size])
    return images


def _common_controls(root):
    """The Common-Controls assemblies a manifest depends on."""
    return [
        identity
        for identity in root.iterfind(
            "{0}dependency/{0}dependentAssembly/{0}assemblyIdentity".format(
                "{%s}" % NS_ASM_V1
            )
        )
        if identity.get("name") == "Microsoft.Windows.Common-Controls"
    ]


def _parse_manifest(data, what, report):
    try:
        root = ElementTree.fromstring(data)
    except ElementTree.ParseError as error:
        report.check(False, "%s is well-formed XML" % what, error)
        return None
    report.check(
        root.tag == "{%s}assembly" % NS_ASM_V1,
        "%s root is an asm.v1 assembly" % what,
        root.tag,
    )
    return root


def check_manifest(pe, report, version):
    rt_manifest = pefile.RESOURCE_TYPE["RT_MANIFEST"]
    manifests = {name: data for name, _, data in _resources(pe, rt_manifest)}
    report.check(
        sorted(manifests) == [MANIFEST_ID, CONTROLS_MANIFEST_ID],
        "manifests %d (process) and %d (common controls)"
        % (MANIFEST_ID, CONTROLS_MANIFEST_ID),
        sorted(manifests),
    )
    if CONTROLS_MANIFEST_ID in manifests:
        controls_root = _parse_manifest(
            manifests[CONTROLS_MANIFEST_ID], "common-controls manifest", report
        )
        if controls_root is not None:
            controls = _common_controls(controls_root)
            report.check(
                len(controls) == 1
                and controls[0].get("version", "").split(".")[0] == "6"
                and controls[0].get("publicKeyToken") == "6595b64144ccf1df",
                "common-controls manifest depends on "
                "Microsoft.Windows.Common-Controls 6",
                [c.attrib for c in controls],
            )
    if MANIFEST_ID not in manifests:
        return
    root = _parse_manifest(manifests[MANIFEST_ID], "manifest", report)
    if root is None:
        return

    def texts(path):
        return [(e.text or "").strip() for e in root.iterfind(path)]

    def attributes(path, name):
        return [e.get(name) for e in root.iterfind(path)]

    identity = attributes("{%s}assemblyIdentity" % NS_ASM_V1, "version")
    report.check(
        identity == [version], "manifest assembly version %s" % version, identity
    )
    awareness = texts(".//{%s}dpiAwareness" % NS_DPI_2016)
    report.check(
        len(awareness) == 1
        and awareness[0].split(",")[0].strip().lower() == "permonitorv2",
        "dpiAwareness asks for PerMonitorV2 first",
        awareness,
    )
    aware = texts(".//{%s}dpiAware" % NS_DPI_2005)
    report.check(
        [a.lower() for a in aware] == ["true/pm"],
        "dpiAware true/pm for systems before PerMonitorV2",
        aware,
    )
    # The process itself does not depend on them: creating the label would
    # load the common controls at start for nothing.
    report.check(
        not _common_controls(root),
        "the process manifest does not depend on the common controls",
        [c.attrib for c in _common_controls(root)],
    )
    level = attributes(".//{%s}requestedExecutionLevel" % NS_ASM_V3, "level")
    report.check(level == ["asInvoker"], "requestedExecutionLevel asInvoker", level)
    supported = [
        (i or "").lower()
        for i in attributes(".//{%s}supportedOS" % NS_COMPAT, "Id")
    ]
    report.check(
        WINDOWS_10_AND_11 in supported,
        "supportedOS lists Windows 10 and 11",
        supported,
    )


def check_headers(pe, report):
    flags = pe.OPTIONAL_HEADER.DllCharacteristics
    for name, bit in IMAGE_DLLCHARACTERISTICS.items():
        report.check(bool(flags & bit), "optional header has %s" % name, hex(flags))
    # Address-space randomisation needs the base relocations to move the
    # image; a linker that strips them makes DYNAMIC_BASE a dead letter.
    relocations = pe.OPTIONAL_HEADER.DATA_DIRECTORY[
        pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_BASERELOC"]
    ]
    report.check(
        not pe.FILE_HEADER.Characteristics & IMAGE_FILE_RELOCS_STRIPPED
        and relocations.Size > 0,
        "base relocations are kept",
        "characteristics %s, relocations %d bytes"
        % (hex(pe.FILE_HEADER.Characteristics), relocations.Size),
    )
    # A console-subsystem clock would open a console window beside itself.
    report.check(
        pe.OPTIONAL_HEADER.Subsystem == IMAGE_SUBSYSTEM_WINDOWS_GUI,
        "Windows GUI subsystem",
        pe.OPTIONAL_HEADER.Subsystem,
    )


def check_imports(pe, report):
    names = []
    for attribute in ("DIRECTORY_ENTRY_IMPORT", "DIRECTORY_ENTRY_DELAY_IMPORT"):
        for entry in getattr(pe, attribute, []):
            names.append(_decode(entry.dll).lower())
    report.check(bool(names), "imports at least one DLL", names)
    foreign = [
        name
        for name in names
        if name not in SYSTEM_DLLS and not name.startswith(SYSTEM_DLL_PREFIXES)
    ]
    report.check(
        not foreign,
        "imports only Windows system DLLs (%s)" % ", ".join(sorted(set(names))),
        ", ".join(foreign),
    )
    # The program loads these itself, when first needed and from the system
    # alone (src/platform/win32/system_functions.h lists what it takes from
    # each): an import would load them at every start, and dwmapi.dll and
    # oleacc.dll, which are not known DLLs, would be looked for beside the
    # program first.
    loaded_late = sorted(set(LOADED_AT_RUN_TIME) & set(names))
    report.check(not loaded_late,
                 "imports none of " + ", ".join(LOADED_AT_RUN_TIME),
                 ", ".join(loaded_late))


# The whole clock, runtime included, fits in this many bytes; the icon's
# pictures (about 46 KB, most of it the sizes for high scales) come on top.
MAX_PROGRAM_BYTES = 300 * 1024


def check_size(pe, path, report):
    size = os.path.getsize(path)
    icons = sum(len(raw) for _, _, raw in
                _resources(pe, pefile.RESOURCE_TYPE["RT_ICON"]))
    report.check(
        size - icons < MAX_PROGRAM_BYTES,
        "program file less its icon pictures under %d KB"
        % (MAX_PROGRAM_BYTES // 1024),
        "%d bytes, %d of them icon pictures" % (size, icons),
    )


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--version", required=True, help="e.g. 1.6.0.2")
    parser.add_argument("--version-text", required=True, help="e.g. 1.06.0002")
    parser.add_argument("program")
    args = parser.parse_args(argv[1:])
    path = args.program
    try:
        pe = pefile.PE(path)
    except (OSError, pefile.PEFormatError) as error:
        sys.stderr.write("cannot read %s as a program file: %s\n" % (path, error))
        return 2
    report = Report()
    check_version(pe, report, args.version, args.version_text)
    check_icon(pe, report)
    check_manifest(pe, report, args.version)
    check_headers(pe, report)
    check_imports(pe, report)
    check_size(pe, path, report)
    if report.failures:
        print("%s: %d check(s) failed" % (path, report.failures))
        return 1
    print("%s: all checks passed" % path)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
