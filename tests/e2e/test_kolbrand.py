#!/usr/bin/env python3
"""kolbrand under Wine: a launcher it brands runs with its embedded line, splash and icon,
and carries the same version fields, exactly as one built by kol_add_launcher with the same
resources, with a checksum of its own, unsigned and ready to be signed; bad input is refused
before anything is written; --list describes a launcher; paths and values print as Windows
shows them."""
import os
import pathlib
import re
import shutil
import signal
import struct
import subprocess
import threading
import time

import brand_assets
import check_image
import rig

# Set up by setUpClass: the 64-bit tool beside this build's launcher, its default --from.
KOLBRAND = None
CMAKE_BUILT = rig.variant("brand_cmake")
SHIPPED_ICON_TOP = "1E46A0"
APP_ICON_TOP = "{:02X}{:02X}{:02X}".format(*brand_assets.ICON_FILL[:3])
ICON_KEY = "HKCR\\KolFile10\\DefaultIcon"


def kolbrand(*args):
    return rig.wine(KOLBRAND, *args)


def listing(launcher):
    """--list without its first line, the launcher's path."""
    completed = kolbrand("--list", rig.win_path(launcher))
    assert completed.returncode == 0, completed.stderr
    return completed.stdout.replace("\r\n", "\n").split("\n", 1)[1]


def icon_top(reference):
    """The top middle pixel of the large icon that a registered reference resolves to."""
    completed = rig.wine(rig.HELPERS / "iconinfo.exe", reference)
    fields = dict(line.partition("=")[::2] for line in completed.stdout.splitlines())
    return fields.get("top")


def version_fields(program):
    """The version resource as the platform's version functions read it."""
    completed = rig.wine(rig.HELPERS / "versioninfo.exe", rig.win_path(program))
    return dict(line.partition("=")[::2] for line in completed.stdout.splitlines())


def add_runtime(folder):
    shutil.copyfile(rig.BIN / "Kol.dll", pathlib.Path(folder) / "Kol.dll")


def bmp_with(path, offset, value, size=4):
    """A copy of the bitmap file at path with a header field changed."""
    data = bytearray(pathlib.Path(path).read_bytes())
    data[offset:offset + size] = value.to_bytes(size, "little", signed=True)
    return bytes(data)


def file_offset(data, address):
    """The file offset of an address in a program's image."""
    header = struct.unpack_from("<I", data, 0x3C)[0]
    sections, optional_size = struct.unpack_from("<H", data, header + 6)[0], \
        struct.unpack_from("<H", data, header + 20)[0]
    for i in range(sections):
        size, start, _, offset = struct.unpack_from(
            "<IIII", data, header + 24 + optional_size + 40 * i + 8)
        if start <= address < start + size:
            return offset + address - start
    raise ValueError(f"no section holds address {address:#x}")


def resource_directory(data):
    """The file offset of a program's resource directory."""
    header = struct.unpack_from("<I", data, 0x3C)[0]
    pe32_plus = struct.unpack_from("<H", data, header + 24)[0] == 0x20B
    return file_offset(data, struct.unpack_from(
        "<I", data, header + 24 + (112 if pe32_plus else 96) + 16)[0])


def checksum_offset(data):
    return struct.unpack_from("<I", data, 0x3C)[0] + 24 + 64


def pe_checksum(data):
    """A program's checksum as the system computes it: its 16-bit words summed with each
    carry added back in, the checksum field counted as 0, and its length added."""
    at = checksum_offset(data)
    words = data[:at] + bytes(4) + data[at + 4:] + bytes(len(data) % 2)
    total = 0
    for (word,) in struct.iter_unpack("<H", words):
        total += word
        total = (total & 0xFFFF) + (total >> 16)
    return total + len(data)


def replace_version(program, resource):
    """Puts a version resource no larger than the program's own in its place, as an edit of
    its bytes may: the data entry of resource type 16, name 1, first language."""
    data = bytearray(program.read_bytes())
    base = resource_directory(data)

    def child(directory, number):
        named, numbered = struct.unpack_from("<HH", data, directory + 12)
        targets = [struct.unpack_from("<II", data, directory + 16 + 8 * i)
                   for i in range(named, named + numbered)]
        return base + (next(target for field, target in targets if field == number) & 0x7FFFFFFF)

    languages = child(child(base, 16), 1)
    entry = base + struct.unpack_from("<I", data, languages + 20)[0]
    address, size = struct.unpack_from("<II", data, entry)
    assert len(resource) <= size, "the new version resource must fit the old one's bytes"
    at = file_offset(data, address)
    data[at:at + len(resource)] = resource
    struct.pack_into("<I", data, entry + 4, len(resource))
    program.write_bytes(bytes(data))


def version_block(key, value=None, children=(), text=False):
    """A block of a version resource as the resource compiler writes it: a text's value
    with its NUL, counted in characters."""
    value = ("" if text else b"") if value is None else value
    data = (value + "\0").encode("utf-16-le", "surrogatepass") if text else value
    block = struct.pack("<HHH", 0, len(value) + 1 if text else len(value), int(text)) + \
        (key + "\0").encode("utf-16-le")
    for part in (data, *children):
        block += bytes(-len(block) % 4) + part
    return struct.pack("<H", len(block)) + block[2:]


def version_with_tables(tables, translation):
    """A version resource of 1.0.0.0 with string tables {key: {field: value}}, and a
    Translation of (language, code page)."""
    fixed = struct.pack("<13I", 0xFEEF04BD, 0x10000, 0x10000, 0, 0x10000, 0, 0x3F, 0, 4, 1,
                        0, 0, 0)
    strings = [version_block(key, children=[version_block(field, value, text=True)
                                            for field, value in fields.items()], text=True)
               for key, fields in tables.items()]
    variables = version_block("Translation", struct.pack("<HH", *translation))
    return version_block("VS_VERSION_INFO", fixed,
                         [version_block("StringFileInfo", children=strings, text=True),
                          version_block("VarFileInfo", children=[variables], text=True)])


def bmp_without_colours():
    """A 2x2 bitmap of 8 bits per pixel whose pixels follow its header at once."""
    return b"BM" + struct.pack("<IHHIIiiHHIIiiII", 62, 0, 0, 54, 40, 2, 2, 1, 8, 0, 8, 0, 0,
                               0, 0) + bytes(8)


def reverse_names(program, type_name):
    """Reverses the named entries of a resource type in the program's file, as an edit of
    its bytes may leave them: out of the order that the system's lookup searches."""
    data = bytearray(program.read_bytes())
    base = resource_directory(data)
    for i in range(struct.unpack_from("<H", data, base + 12)[0]):
        field, target = struct.unpack_from("<II", data, base + 16 + 8 * i)
        name = base + (field & 0x7FFFFFFF)
        length = struct.unpack_from("<H", data, name)[0]
        if data[name + 2:name + 2 + 2 * length].decode("utf-16-le") != type_name:
            continue
        directory = base + (target & 0x7FFFFFFF)
        named = struct.unpack_from("<H", data, directory + 12)[0]
        entries = [data[directory + 16 + 8 * k:directory + 24 + 8 * k] for k in range(named)]
        data[directory + 16:directory + 16 + 8 * named] = b"".join(reversed(entries))
    program.write_bytes(bytes(data))


class KolbrandTest(rig.WineTestCase):

    @classmethod
    def setUpClass(cls):
        global KOLBRAND
        tool = rig.tmp_dir("kolbrand-tool")
        KOLBRAND = tool / "kolbrand.exe"
        shutil.copyfile(rig.KOLBRAND, KOLBRAND)
        shutil.copyfile(rig.BIN / "launcher.exe", tool / "launcher.exe")
        cls.assets = brand_assets.write(rig.TMP / "brand-assets")
        cls.wide = cls.assets / "wide.bmp"
        cls.icon = cls.assets / "app.ico"

    def brand(self, output, *options):
        """Brands output; its checksum must be its own."""
        completed = kolbrand(rig.win_path(output), *options)
        self.assertEqual(0, completed.returncode, completed.stderr)
        data = pathlib.Path(output).read_bytes()
        self.assertEqual(pe_checksum(data),
                         struct.unpack_from("<I", data, checksum_offset(data))[0], output)
        return completed

    def brand_like_cmake(self, output):
        """The branding that tests/e2e/variants/brand.cmake gives kol_add_launcher."""
        version = [item for field, value in brand_assets.VERSION_FIELDS.items()
                   for item in ("--" + field.lower(), value)]
        return self.brand(output, "--command-line", brand_assets.COMMAND_LINE,
                          "--config-file", rig.win_path(self.assets / "config.txt"),
                          "--splash", f"WIDE={rig.win_path(self.wide)}",
                          "--icon", rig.win_path(self.icon), *version)

    def test_branded_launcher_runs_its_line_and_shows_the_wider_splash(self):
        folder = self.tmp()
        launcher = folder / "app.exe"
        self.brand_like_cmake(launcher)
        add_runtime(folder)
        call = rig.run(launcher, "doc.kol").call
        self.assertEqual(" app.kol start doc.kol", call["commandLine"])
        # The 200x150 entry fits the 240x320 screen and beats 139x136: centred.
        self.assertEqual("20,85,200,150", call["splash"])
        self.assertEqual(brand_assets.TITLE, call["splashTitle"])

    def test_the_splash_on_screen_is_the_new_bitmap(self):
        folder = self.tmp()
        launcher = folder / "app.exe"
        self.brand_like_cmake(launcher)
        add_runtime(folder)
        expected = rig.read_bmp(self.wide)
        results = []
        runner = threading.Thread(target=lambda: results.append(
            rig.run(launcher, "", extra_env={"KOL_SHOW_MS": "4000"})))
        runner.start()
        # Rows below 140 of the bitmap: the demo runtime's window covers the screen's bottom.
        points = [(x, y) for y in range(0, 140, 7) for x in range(0, 200, 9)]
        matched, deadline = False, time.time() + 15
        while not matched and time.time() < deadline:
            screen = rig.screenshot()
            matched = all(screen.pixel(20 + x, 85 + y) == expected.pixel(x, y)
                          for x, y in points)
            time.sleep(0.2)
        runner.join()
        if not matched:
            screen.save_png(rig.TMP / "kolbrand-splash.png")
        self.assertTrue(matched, "the splash on screen differs from wide.bmp "
                                 "(build/e2e/tmp/kolbrand-splash.png)")
        self.assertEqual("20,85,200,150", results[0].call["splash"])

    def test_the_same_inputs_give_the_same_bytes(self):
        # Named alike, since the original file name follows each one's own; a second apart,
        # so that a time stamp would show.
        folder = self.tmp()
        outputs = [folder / part / "app.exe" for part in ("first", "second")]
        for output in outputs:
            output.parent.mkdir()
            self.brand_like_cmake(output)
            time.sleep(1.1)
        self.assertEqual(outputs[0].read_bytes(), outputs[1].read_bytes())

    def test_branded_like_the_cmake_function_behaves_the_same(self):
        folder = self.tmp()
        # Named alike, since the original file name follows each one's own.
        branded = folder / "branded" / CMAKE_BUILT.name
        branded.parent.mkdir()
        self.brand_like_cmake(branded)
        built = rig.install(folder / "built", launcher=CMAKE_BUILT, name=CMAKE_BUILT.name)
        add_runtime(branded.parent)
        self.assertEqual(listing(built), listing(branded))
        self.assertEqual(version_fields(built), version_fields(branded))
        self.assertEqual([], check_image.manifest_faults(branded), "the manifest is kept")
        for args in ("", "doc.kol", "-+ -x -- doc.kol"):
            with self.subTest(args=args):
                ours, theirs = rig.run(branded, args).call, rig.run(built, args).call
                for field in ("commandLine", "splash", "splashTitle", "splashVisible"):
                    self.assertEqual(theirs[field], ours[field], field)
        for launcher in (built, branded):
            with self.subTest(launcher=launcher.parent.name):
                self.assertEqual(APP_ICON_TOP,
                                 icon_top(rig.win_path(launcher) + ",-50"))

    def test_a_launch_line_launcher_runs_the_machine_as_the_cmake_built_one(self):
        folder = self.tmp()
        name = "external_app.exe"
        branded, built = folder / "branded" / name, folder / "built" / name
        branded.parent.mkdir()
        self.brand(branded, "--launch-line", "app.kol -debug")
        rig.install(built.parent, launcher=rig.variant("external_app"), name=name,
                    runtime=False)
        self.assertEqual(listing(built), listing(branded))
        for launcher in (branded, built):
            with self.subTest(launcher=launcher.parent.name):
                shutil.copyfile(rig.HELPERS / "machine" / "kolw.exe", launcher.parent / "kolw.exe")
                (launcher.parent / "app.kol").write_bytes(b"")
                call = rig.run(launcher, "x").call
                self.assertEqual(rig.win_path(launcher.parent / "kolw.exe").lower(),
                                 call["program"].lower())
                self.assertEqual(f'"{rig.win_path(launcher.parent)}\\app.kol" -debug x',
                                 call["commandLine"])

    def test_icon_replaces_group_50_for_the_registered_reference(self):
        folder = self.tmp()
        launcher = folder / "app.exe"
        self.brand(launcher, "--icon", rig.win_path(self.icon))
        add_runtime(folder)
        self.assertEqual(0, rig.run(launcher, "+").exit_code)
        reference = rig.reg_get(ICON_KEY, "@")["text"]
        self.assertEqual(rig.win_path(launcher) + ",-50", reference)
        self.assertEqual(APP_ICON_TOP, icon_top(reference))
        self.assertIn("icon group 50: 16x16 (32 bits), 24x24 (32 bits), 32x32 (32 bits)\n",
                      listing(launcher))
        self.assertEqual(SHIPPED_ICON_TOP, icon_top(rig.win_path(rig.BIN / "launcher.exe") + ",-50"))

    def test_list_of_the_shipped_launcher(self):
        self.assertEqual(
            f"architecture: {rig.ARCHITECTURE}\n"
            "signed: no\n"
            "mode: in-process\n"
            "embedded line: none\n"
            "CONFIG:\n"
            "  SplashScreenTitle=Kol Virtual Machine\n"
            "  SplashScreen=139x136;SPLASHSCREEN1\n"
            "SplashScreen bitmaps:\n"
            "  SPLASHSCREEN1: 139x136, 24 bits per pixel, accepted\n"
            "splash shown on a screen of:\n"
            "  240x320: SPLASHSCREEN1\n"
            "  320x240: SPLASHSCREEN1\n"
            "  480x640: SPLASHSCREEN1\n"
            "  640x480: SPLASHSCREEN1\n"
            "  800x480: SPLASHSCREEN1\n"
            "icon group 50: 16x16 (32 bits), 32x32 (32 bits), 48x48 (32 bits)\n"
            "version: file 1.0.0.0, product 1.0.0.0\n"
            "  CompanyName: Morvane\n"
            "  FileDescription: Kol launcher\n"
            "  FileVersion: 1.0.0.0\n"
            "  LegalCopyright: Copyright (C) 2026 Morvane\n"
            "  OriginalFilename: launcher.exe\n"
            "  ProductName: Kol Virtual Machine\n"
            "  ProductVersion: 1.0.0.0\n",
            listing(rig.BIN / "launcher.exe"))

    def test_list_of_a_branded_launcher(self):
        launcher = self.tmp() / "app.exe"
        self.brand_like_cmake(launcher)
        self.assertEqual(
            f"architecture: {rig.ARCHITECTURE}\n"
            "signed: no\n"
            "mode: in-process\n"
            "CommandLine: \"app.kol start\"\n"
            "CONFIG:\n"
            "  SplashScreenTitle=Brand Test\n"
            "  SplashScreen=139x136;SPLASHSCREEN1\n"
            "  SplashScreen=200x150;WIDE\n"
            "SplashScreen bitmaps:\n"
            "  SPLASHSCREEN1: 139x136, 24 bits per pixel, accepted\n"
            "  WIDE: 200x150, 24 bits per pixel, accepted\n"
            "splash shown on a screen of:\n"
            "  240x320: WIDE\n"
            "  320x240: WIDE\n"
            "  480x640: WIDE\n"
            "  640x480: WIDE\n"
            "  800x480: WIDE\n"
            "icon group 50: 16x16 (32 bits), 24x24 (32 bits), 32x32 (32 bits)\n"
            "version: file 2.5.0.17, product 2.5.0.17\n"
            "  CompanyName: Brand \\ Co\n"
            "  FileDescription: The \"Brand Test\" launcher\n"
            "  FileVersion: 2.5.0.17\n"
            "  LegalCopyright: \u00a9 2026 Brand Co \u20ac\n"
            "  OriginalFilename: app.exe\n"
            "  ProductName: Brand Test\n"
            "  ProductVersion: 2.5.0.17\n",
            listing(launcher))
        # Read back as Explorer and installers read them.
        self.assertEqual({"fileVersion": "2.5.0.17", "productVersion": "2.5.0.17",
                          "CompanyName": "Brand \\ Co",
                          "FileDescription": 'The "Brand Test" launcher',
                          "FileVersion": "2.5.0.17", "LegalCopyright": "\u00a9 2026 Brand Co \u20ac",
                          "OriginalFilename": "app.exe", "ProductName": "Brand Test",
                          "ProductVersion": "2.5.0.17"}, version_fields(launcher))

    def test_a_launch_line_replaces_the_command_line_and_bitmaps_go(self):
        folder = self.tmp()
        first, second = folder / "first.exe", folder / "second.exe"
        self.brand_like_cmake(first)
        self.brand(second, "--from", rig.win_path(first), "--launch-line", "run.kol",
                   "--config", "SplashScreen=200x150;WIDE", "--remove-splash", "splashscreen1")
        text = listing(second)
        self.assertTrue(text.startswith(f"architecture: {rig.ARCHITECTURE}\nsigned: no\n"
                                        "mode: launch-line\nLaunchLine: \"run.kol\"\n"), text)
        self.assertIn("SplashScreen bitmaps:\n  WIDE: 200x150", text)
        self.assertNotIn("SPLASHSCREEN1", text)
        self.assertIn("icon group 50: 16x16 (32 bits), 24x24", text, "the icon is kept")

    def test_from_defaults_to_the_launcher_beside_kolbrand(self):
        output = self.tmp() / "launcher.exe"
        completed = self.brand(output)
        self.assertEqual(listing(rig.BIN / "launcher.exe"), listing(output))
        # The shipped launcher's own texts, each named with the option that replaces it.
        self.assertEqual(
            [f"kolbrand: warning: {rig.win_path(output)}: {key} is still the shipped "
             f"launcher's \"{value}\": {option} sets your own"
             for key, value, option in (("FileDescription", "Kol launcher", "--description"),
                                        ("ProductName", "Kol Virtual Machine", "--product"),
                                        ("CompanyName", "Morvane", "--company"),
                                        ("LegalCopyright", "Copyright (C) 2026 Morvane",
                                         "--copyright"))],
            completed.stderr.splitlines())

    def test_from_defaults_to_the_launcher_beside_kolbrand_however_deep(self):
        # Past 260 characters a path cut short would name a folder further up: a launcher
        # there is another one, which must not be taken.
        folder = self.tmp()
        deep = folder / ("d" * 100) / ("e" * 100) / ("f" * 100)
        deep.mkdir(parents=True)
        tool = deep / "kolbrand.exe"
        shutil.copyfile(rig.KOLBRAND, tool)
        shutil.copyfile(rig.BIN / "launcher.exe", deep / "launcher.exe")
        cut = rig.win_path(tool)[:259]
        decoy = pathlib.Path("/" + cut[3:cut.rfind("\\")].replace("\\", "/")) / "launcher.exe"
        shutil.copyfile(rig.variant("embed_empty"), decoy)
        output = folder / "app.exe"
        completed = rig.wine(tool, rig.win_path(output))
        self.assertEqual(0, completed.returncode, completed.stderr)
        self.assertEqual(listing(rig.BIN / "launcher.exe").replace("launcher.exe", "app.exe"),
                         listing(output))

    def test_version_fields_not_given_are_kept(self):
        launcher = self.tmp() / "Chess.exe"
        self.brand(launcher, "--product", "Chess", "--version", "3.0.1.0")
        shipped = version_fields(rig.BIN / "launcher.exe")
        expected = dict(shipped, ProductName="Chess", OriginalFilename="Chess.exe",
                        FileVersion="3.0.1.0", ProductVersion="3.0.1.0",
                        fileVersion="3.0.1.0", productVersion="3.0.1.0")
        self.assertEqual(expected, version_fields(launcher))

    def test_size_differing_from_the_entry_is_only_a_warning(self):
        output = self.tmp() / "app.exe"
        completed = self.brand(output, "--config", "SplashScreen=240x320;WIDE",
                               "--splash", f"WIDE={rig.win_path(self.wide)}")
        self.assertIn("kolbrand: warning: --config: SplashScreen=240x320;WIDE gives 240x320, "
                      "but WIDE is 200x150", completed.stderr)
        self.assertTrue(output.exists())

    def refusals(self, folder):
        """(what, options, a piece of the message) for every kind of refused input."""
        bad = folder / "inputs"
        bad.mkdir()
        cases = {
            "compressed.bmp": bmp_with(self.wide, 30, 1),
            "topdown.bmp": bmp_with(self.wide, 22, -150),
            "deep.bmp": bmp_with(self.wide, 28, 32, 2),
            "notabmp.bmp": b"GIF89a" + bytes(100),
            "notanicon.ico": pathlib.Path(self.wide).read_bytes(),
            "cursor.ico": b"\0\0\2\0" + pathlib.Path(self.icon).read_bytes()[4:],
            "lines.txt": b"SplashScreenTitle=A\r\n|SplashScreen=139x136;SPLASHSCREEN1",
            "nocolours.bmp": bmp_without_colours(),
        }
        for name, data in cases.items():
            (bad / name).write_bytes(data)
        path = {name: rig.win_path(bad / name) for name in cases}
        return [
            ("both lines", ["--command-line", "a.kol", "--launch-line", "b.kol"],
             "--command-line and --launch-line both given"),
            ("line break", ["--command-line", "a.kol\nb.kol"], "--command-line: holds a line break"),
            ("missing bitmap", ["--config", "SplashScreen=200x150;WIDE"],
             "SplashScreen=200x150;WIDE is read as size 200x150 and bitmap \"WIDE\", which the "
             "output would not contain (it holds SPLASHSCREEN1)"),
            ("capital X", ["--config", "SplashScreen=139X136;SPLASHSCREEN1"],
             "bitmap \"X136;SPLASHSCREEN1\""),
            ("removed bitmap still named", ["--remove-splash", "SPLASHSCREEN1"],
             "SplashScreen=139x136;SPLASHSCREEN1 is read as size 139x136"),
            ("compressed", ["--splash", "SPLASHSCREEN1=" + path["compressed.bmp"]],
             path["compressed.bmp"] + ": compression 1 is not supported: save it as an "
             "uncompressed BMP"),
            ("top-down", ["--splash", "SPLASHSCREEN1=" + path["topdown.bmp"]],
             "stored top-down (height -150)"),
            ("32 bits", ["--splash", "SPLASHSCREEN1=" + path["deep.bmp"]],
             "32 bits per pixel is not supported"),
            ("not a bmp", ["--splash", "SPLASHSCREEN1=" + path["notabmp.bmp"]],
             "not a BMP file"),
            ("not an icon", ["--icon", path["notanicon.ico"]],
             path["notanicon.ico"] + ": is not an icon file"),
            ("cursor", ["--icon", path["cursor.ico"]], "is a cursor file"),
            ("line break in CONFIG", ["--config-file", path["lines.txt"]],
             "CONFIG holds a line break at offset 19"),
            ("no such bitmap to remove", ["--remove-splash", "NOPE"],
             "--remove-splash NOPE: "),
            ("unreadable icon", ["--icon", rig.win_path(bad / "absent.ico")], "cannot be opened"),
            ("not a program", ["--from", path["lines.txt"]], "is not a Windows program"),
            ("version of three numbers", ["--version", "1.2.3"], "expected four numbers a.b.c.d"),
            ("8 bits without a colour table",
             ["--splash", "SPLASHSCREEN1=" + path["nocolours.bmp"]],
             path["nocolours.bmp"] + ": has 8 bits per pixel but no colour table"),
            ("a title too long",
             ["--config", "SplashScreenTitle=" + "t" * 256 + "|SplashScreen=139x136;SPLASHSCREEN1"],
             "--config: SplashScreenTitle has 256 characters; kolbrand writes titles of at most "
             "255"),
            ("a folder as icon", ["--icon", rig.win_path(bad)],
             rig.win_path(bad) + ": is a folder, not a file"),
        ]

    def test_refusals_write_nothing(self):
        folder = self.tmp()
        output = folder / "app.exe"
        for what, options, message in self.refusals(folder):
            with self.subTest(what):
                completed = kolbrand(rig.win_path(output), *options)
                self.assertNotEqual(0, completed.returncode)
                self.assertIn(message, completed.stderr)
                self.assertEqual(["inputs"], sorted(p.name for p in folder.iterdir()),
                                 "neither the output nor a temporary file")

    def test_refusal_leaves_an_existing_output_as_it_was(self):
        folder = self.tmp()
        output = folder / "app.exe"
        self.brand_like_cmake(output)
        before = output.read_bytes()
        completed = kolbrand(rig.win_path(output), "--command-line", "a\rb")
        self.assertEqual(1, completed.returncode)
        self.assertEqual(before, output.read_bytes())
        self.assertEqual(["app.exe"], sorted(p.name for p in folder.iterdir()))

    def test_a_missing_output_folder_is_named_and_nothing_is_written(self):
        folder = self.tmp()
        completed = kolbrand(rig.win_path(folder / "absent" / "app.exe"))
        self.assertEqual(1, completed.returncode)
        self.assertIn(f"the folder {rig.win_path(folder / 'absent')}\\ does not exist",
                      completed.stderr)
        self.assertEqual([], list(folder.iterdir()))
        (folder / "L64.exe").write_bytes(b"")
        completed = kolbrand(rig.win_path(folder / "L64.exe") + "\\app.exe")
        self.assertEqual(1, completed.returncode)
        self.assertIn(f"{rig.win_path(folder / 'L64.exe')}\\ is a file, not a folder",
                      completed.stderr)
        self.assertEqual(b"", (folder / "L64.exe").read_bytes())

    def test_what_is_not_a_whole_launcher_is_refused_and_not_listed(self):
        folder = self.tmp()
        whole = (rig.BIN / "launcher.exe").read_bytes()
        sources = {"cut_20000.exe": whole[:20000], "cut_300.exe": whole[:-300],
                   "headers_only.exe": whole[:1024]}
        for name, data in sources.items():
            (folder / name).write_bytes(data)
        cases = [(folder / name, "is cut short: its section") for name in sources]
        cases += [(rig.BIN / "Kol.dll", "is a DLL, not a launcher"),
                  (KOLBRAND, "is not a launcher: it lacks the resource KOLLAUNCHER")]
        output = folder / "out" / "app.exe"
        output.parent.mkdir()
        for source, message in cases:
            with self.subTest(source=source.name):
                for args in (["--list", rig.win_path(source)],
                             [rig.win_path(output), "--from", rig.win_path(source)]):
                    completed = kolbrand(*args)
                    self.assertEqual(1, completed.returncode, completed.stderr)
                    self.assertIn(f"kolbrand: {rig.win_path(source)}: {message}",
                                  completed.stderr)
                    self.assertEqual("", completed.stdout)
                self.assertEqual([], list(output.parent.iterdir()))

    def test_an_empty_command_line_is_branded_and_runs_as_the_cmake_built_one(self):
        folder = self.tmp()
        branded, rebranded = folder / "branded.exe", folder / "rebranded.exe"
        add_runtime(folder)
        self.brand(branded, "--command-line", "", "--config", "")
        # A launcher built with an empty line carries an empty resource, kept as it is.
        self.brand(rebranded, "--from", rig.win_path(rig.variant("embed_empty")),
                   "--icon", rig.win_path(self.icon))
        built = rig.install(folder, launcher=rig.variant("embed_empty"), name="built.exe",
                            runtime=False)
        for launcher in (built, branded, rebranded):
            with self.subTest(launcher=launcher.name):
                self.assertIn('\nCommandLine: ""\n', listing(launcher))
                call = rig.run(launcher, "doc.kol").call
                self.assertEqual("  doc.kol", call["commandLine"])

    def test_a_read_only_source_gives_a_writable_output(self):
        folder = self.tmp()
        source = rig.install(folder / "source", runtime=False)
        source.chmod(0o444)
        output = folder / "app.exe"
        self.brand(output, "--from", rig.win_path(source), "--command-line", "a.kol")
        self.assertTrue(output.stat().st_mode & 0o200, "the output is writable")
        self.assertEqual(["app.exe", "source"], sorted(p.name for p in folder.iterdir()))
        self.brand(output, "--from", rig.win_path(source), "--command-line", "b.kol")
        self.assertIn('\nmode: in-process\nCommandLine: "b.kol"\n', listing(output))

    def test_help_in_every_form_describes_every_option_and_writes_nothing(self):
        folder = self.tmp()
        options = {"--from", "--command-line", "--launch-line", "--config", "--config-file",
                   "--splash", "--remove-splash", "--icon", "--version", "--description",
                   "--product", "--company", "--copyright", "--line", "--screen"}
        for form in ("--help", "-h", "/?", "help"):
            with self.subTest(form=form):
                completed = rig.wine(KOLBRAND, form, cwd=folder)
                self.assertEqual(0, completed.returncode, completed.stderr)
                self.assertTrue(completed.stdout.startswith("usage: kolbrand OUTPUT.exe"))
                # "  --option VALUE  what it does"
                described = {words[0] for words in (line.split(None, 2)
                                                    for line in completed.stdout.splitlines()
                                                    if line.startswith("  --"))
                             if len(words) == 3}
                self.assertEqual(options, described)
                examples = [line.split()[2] for line in completed.stdout.splitlines()
                            if line.startswith("  example: kolbrand ")]
                self.assertEqual(["Chess.exe", "--list", "--explain"], examples)
                self.assertEqual([], list(folder.iterdir()))

    def test_an_output_named_by_a_unix_path_is_written_there(self):
        output = self.tmp() / "Chess.exe"
        completed = kolbrand(str(output), "--product", "Chess")
        self.assertEqual(0, completed.returncode, completed.stderr)
        self.assertEqual("Chess", version_fields(output)["ProductName"])

    def test_a_folder_as_output_is_named_and_nothing_is_written(self):
        folder = self.tmp()
        (folder / "app.exe").mkdir()
        completed = kolbrand(rig.win_path(folder / "app.exe"), "--command-line", "a.kol")
        self.assertEqual(1, completed.returncode)
        self.assertIn("app.exe: is a folder", completed.stderr)
        self.assertEqual(["app.exe"], [p.name for p in folder.iterdir()])
        self.assertEqual([], list((folder / "app.exe").iterdir()))

    def test_an_input_is_never_the_output_however_spelled(self):
        folder = self.tmp()
        victim = folder / "victim.bmp"
        shutil.copyfile(self.wide, victim)
        spellings = [rig.win_path(victim), rig.win_path(victim).upper(),
                     rig.win_path(folder) + "\\.\\victim.bmp"]
        for spelling in spellings:
            with self.subTest(spelling=spelling):
                completed = kolbrand(rig.win_path(victim), "--splash", f"A={spelling}",
                                     "--config", "SplashScreen=200x150;A")
                self.assertEqual(1, completed.returncode, completed.stderr)
                self.assertIn(f"is the file that --splash A={spelling} names", completed.stderr)
                self.assertEqual(self.wide.read_bytes(), victim.read_bytes())
                self.assertEqual(["victim.bmp"], [p.name for p in folder.iterdir()])

    def test_an_interrupted_branding_leaves_nothing(self):
        folder = self.tmp()
        # Its pixels followed by 200 MB that the launcher never reads: a slow write.
        large = folder / "large.bmp"
        with large.open("wb") as bitmap:
            bitmap.write(self.wide.read_bytes())
            bitmap.write(bytes(200 << 20))
        output = folder / "out"
        output.mkdir()
        branding = rig.start(KOLBRAND, rig.win_path(output / "app.exe"),
                             "--splash", f"WIDE={rig.win_path(large)}",
                             "--config", "SplashScreen=200x150;WIDE",
                             stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        deadline = time.time() + 60
        while not list(output.iterdir()) and time.time() < deadline:
            time.sleep(0.01)
        self.assertEqual(["kolbrand-"], [p.name[:9] for p in output.iterdir()])
        branding.send_signal(signal.SIGINT)  # Wine hands it to the console's Ctrl+C handlers
        branding.communicate(timeout=60)
        self.assertEqual(0xC000013A & 0xFF, branding.returncode & 0xFF)
        self.assertEqual([], list(output.iterdir()))

    def test_a_rebrand_sorts_what_the_launcher_could_not_find(self):
        folder = self.tmp()
        add_runtime(folder)
        edited, rebranded = folder / "edited.exe", folder / "rebranded.exe"
        self.brand(edited, "--command-line", "lower.kol -x", "--config", "SplashScreenTitle=T",
                   "--remove-splash", "SPLASHSCREEN1")
        reverse_names(edited, "TEXT")
        text = listing(edited)
        self.assertTrue(text.startswith(f"architecture: {rig.ARCHITECTURE}\nsigned: no\n"
                                        "mode: in-process\nembedded line: none\n"), text)
        self.assertIn("warning: resource TEXT/COMMANDLINE (language 1033) is never found: the "
                      "names of type TEXT are out of order", text)
        self.assertEqual("doc.kol", rig.run(edited, "doc.kol").call["commandLine"])
        self.brand(rebranded, "--from", rig.win_path(edited))
        text = listing(rebranded)
        self.assertTrue(text.startswith(f'architecture: {rig.ARCHITECTURE}\nsigned: no\n'
                                        'mode: in-process\nCommandLine: "lower.kol -x"\n'), text)
        self.assertNotIn("warning:", text)
        self.assertEqual(" lower.kol -x doc.kol", rig.run(rebranded, "doc.kol").call["commandLine"])

    def test_a_launcher_can_be_branded_in_place(self):
        launcher = rig.install(self.tmp(), name="app.exe")
        self.brand(launcher, "--from", rig.win_path(launcher), "--command-line", "a.kol")
        self.assertIn("\nmode: in-process\nCommandLine: \"a.kol\"\n", listing(launcher))
        self.assertEqual(" a.kol doc.kol", rig.run(launcher, "doc.kol").call["commandLine"])

    def test_a_signed_launcher_is_branded_unsigned_and_signed_afterwards(self):
        folder = self.tmp()
        key, certificate = folder / "key.pem", folder / "certificate.pem"
        subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout",
                        key, "-out", certificate, "-days", "2", "-subj", "/CN=Kol test signer"],
                       check=True, capture_output=True)

        def sign(program, signed):
            subprocess.run(["osslsigncode", "sign", "-certs", certificate, "-key", key, "-in",
                            program, "-out", signed], check=True, capture_output=True)

        def verify(program):
            completed = subprocess.run(["osslsigncode", "verify", "-CAfile", certificate, "-in",
                                        program], capture_output=True, text=True)
            return completed.returncode, completed.stdout + completed.stderr

        source, branded, signed = folder / "signed.exe", folder / "app.exe", folder / "app2.exe"
        sign(rig.BIN / "launcher.exe", source)
        self.assertEqual(0, verify(source)[0])
        self.assertIn("\nsigned: yes (a certificate table of ", listing(source))
        completed = self.brand(branded, "--from", rig.win_path(source), "--product", "App")
        self.assertIn(f"kolbrand: warning: {rig.win_path(source)}: is signed, and branding "
                      f"changes bytes that its signature covers: {rig.win_path(branded)} is "
                      "written unsigned; sign it after branding", completed.stderr)
        self.assertIn("\nsigned: no\n", listing(branded))
        code, report = verify(branded)
        self.assertNotEqual(0, code)
        self.assertIn("No signature found", report)
        # Its checksum is its own: osslsigncode names a wrong one "invalid", beside the one
        # it calculates.
        self.assertNotIn("invalid PE checksum", report)
        self.assertEqual([f"{pe_checksum(branded.read_bytes()):08X}"],
                         re.findall(r"PE checksum\s*: ([0-9A-F]{8})", report))
        sign(branded, signed)
        code, report = verify(signed)
        self.assertEqual(0, code, report)
        self.assertNotIn("MISMATCH", report)

    def test_version_fields_go_to_the_table_the_translation_names(self):
        # GetFileVersionInfo and VerQueryValue read the table that the Translation names,
        # here the second; a text that holds half a character is kept as it was.
        folder = self.tmp()
        source = rig.install(folder, name="two.exe", runtime=False)
        replace_version(source, version_with_tables(
            {"040704B0": {"ProductName": "Alt", "FileDescription": "Alt"},
             "040904B0": {"CompanyName": "Half \ud800", "ProductName": "Old",
                          "FileDescription": "Old"}},
            (0x409, 1200)))
        self.assertEqual("Old", version_fields(source)["ProductName"])
        branded = folder / "app.exe"
        self.brand(branded, "--from", rig.win_path(source), "--product", "New",
                   "--description", "New")
        fields = version_fields(branded)
        self.assertEqual(("New", "New", "app.exe"), (fields["ProductName"],
                                                     fields["FileDescription"],
                                                     fields["OriginalFilename"]))
        text = listing(branded)
        self.assertIn("  CompanyName: Half <U+D800>\n  ProductName: New\n", text)
        self.assertIn("  FileDescription: New\n", text)

    def test_paths_and_messages_print_as_windows_shows_them(self):
        folder = self.tmp() / "with space"
        folder.mkdir()
        output = folder / "app.exe"
        completed = self.brand(output, "--description", "D", "--product", "P", "--company", "C",
                               "--copyright", "(C)")
        self.assertEqual(f"kolbrand: wrote {rig.win_path(output)}\n",
                         completed.stdout.replace("\r\n", "\n"))
        self.assertEqual("", completed.stderr)
        listed = kolbrand("--list", rig.win_path(output)).stdout
        self.assertEqual(rig.win_path(output), listed.splitlines()[0])
        # A file's name can't forge a line of its own, nor hide a tab or a C1 control.
        bitmap = folder / "A\nKOLBRAND W\t\u0089.bmp"
        bitmap.write_bytes(b"GIF89a" + bytes(100))
        completed = kolbrand(rig.win_path(output), "--splash", f"SPLASHSCREEN1={bitmap}")
        self.assertEqual(1, completed.returncode)
        self.assertIn("A<U+000A>KOLBRAND W<U+0009><U+0089>.bmp: ", completed.stderr)
        self.assertEqual([], [line for line in completed.stderr.splitlines()
                              if not line.startswith("kolbrand: ")])

    def test_an_output_that_names_no_file_of_its_own_is_refused(self):
        folder = self.tmp()
        base = rig.install(folder, name="base.exe", runtime=False)
        before = base.read_bytes()
        stream = ("names a stream of the file before its \":\", not a file of its own: give a "
                  "name without \":\"; not written")
        device = "is the name of a device, not of a file; not written"
        for name, message in (("out.exe:s", stream), ("base.exe::$DATA", stream),
                              ("NUL.exe", device), ("com1", device)):
            with self.subTest(name=name):
                output = rig.win_path(folder) + "\\" + name
                completed = kolbrand(output, "--product", "P")
                self.assertEqual(1, completed.returncode, completed.stderr)
                self.assertIn(f"kolbrand: {output}: {message}", completed.stderr)
                self.assertEqual(["base.exe"], [p.name for p in folder.iterdir()])
                self.assertEqual(before, base.read_bytes())

    def test_a_name_of_250_characters_is_written(self):
        folder = self.tmp()
        output = folder / ("n" * 246 + ".exe")
        self.brand(output, "--product", "Long")
        self.assertEqual([output.name], [p.name for p in folder.iterdir()])
        self.assertEqual(output.name, version_fields(output)["OriginalFilename"])

    def test_usage_errors(self):
        for args, message in ((["--colour", "x"], "unknown option --colour"),
                              ([], "no OUTPUT.exe given")):
            with self.subTest(args=args):
                completed = kolbrand(*args)
                self.assertEqual(2, completed.returncode)
                self.assertIn(message, completed.stderr)
                self.assertIn("usage: kolbrand OUTPUT.exe", completed.stderr)


if __name__ == "__main__":
    rig.main()
