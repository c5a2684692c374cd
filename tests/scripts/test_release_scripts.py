"""Tests of the release scripts: the reproducible zip, the comparison that
names differing bytes, the guide's message check and its HTML form."""
import importlib.machinery
import io
import os
import pathlib
import re
import struct
import subprocess
import tempfile
import types
import unittest
import zipfile

SCRIPTS = pathlib.Path(__file__).resolve().parent.parent.parent / "scripts"


def load(name):
    loader = importlib.machinery.SourceFileLoader(name.replace("-", "_"), str(SCRIPTS / name))
    module = types.ModuleType(loader.name)
    module.__file__ = loader.path
    loader.exec_module(module)
    return module


def run(script, *args, env=None):
    # Through its own first line: guide-html needs Debian's Python and its
    # markdown package.
    return subprocess.run([str(SCRIPTS / script), *map(str, args)], capture_output=True, text=True, env=env)


class MakeZip(unittest.TestCase):
    def setUp(self):
        self.dir = pathlib.Path(tempfile.mkdtemp())
        (self.dir / "b.txt").write_bytes(b"second\n" * 50)
        (self.dir / "a.exe").write_bytes(bytes(range(256)) * 20)

    def test_same_bytes_whatever_the_file_times_modes_zone_and_order(self):
        one, two = self.dir / "one.zip", self.dir / "two.zip"
        date = 1700000000  # 2023-11-14 22:13:20 UTC
        self.assertEqual(run("make-zip", "--date", date, one, self.dir / "a.exe", self.dir / "b.txt").returncode, 0)
        os.utime(self.dir / "a.exe", (1, 1))
        os.chmod(self.dir / "b.txt", 0o600)
        env = dict(os.environ, TZ="Pacific/Kiritimati")
        self.assertEqual(run("make-zip", "--date", date, two, self.dir / "b.txt", self.dir / "a.exe",
                             env=env).returncode, 0)
        self.assertEqual(one.read_bytes(), two.read_bytes())

        infos = zipfile.ZipFile(one).infolist()
        self.assertEqual([i.filename for i in infos], ["a.exe", "b.txt"])
        for info in infos:
            self.assertEqual(info.date_time, (2023, 11, 14, 22, 13, 20))
            self.assertEqual(info.external_attr >> 16, 0o100644)
        self.assertEqual(zipfile.ZipFile(one).read("b.txt"), b"second\n" * 50)

    def test_two_files_of_one_name_are_refused(self):
        (self.dir / "sub").mkdir()
        (self.dir / "sub" / "a.exe").write_bytes(b"other")
        result = run("make-zip", "--date", 0, self.dir / "x.zip", self.dir / "a.exe", self.dir / "sub" / "a.exe")
        self.assertNotEqual(result.returncode, 0)
        self.assertFalse((self.dir / "x.zip").exists())


def tiny_pe(stamp, text):
    """A PE32 image with one section .text holding TEXT."""
    nt, optional_size = 0x40, 0xE0
    table = nt + 24 + optional_size
    raw = 0x200
    image = bytearray(raw + len(text))
    image[0:2] = b"MZ"
    struct.pack_into("<I", image, 0x3C, nt)
    image[nt:nt + 4] = b"PE\0\0"
    struct.pack_into("<HHI", image, nt + 4, 0x14C, 1, stamp)
    struct.pack_into("<H", image, nt + 20, optional_size)
    struct.pack_into("<H", image, nt + 24, 0x10B)
    image[table:table + 8] = b".text\0\0\0"
    struct.pack_into("<II", image, table + 16, len(text), raw)
    image[raw:] = text
    return bytes(image)


class CompareBuilds(unittest.TestCase):
    def compare(self, a, b):
        d = pathlib.Path(tempfile.mkdtemp())
        (d / "a").write_bytes(a)
        (d / "b").write_bytes(b)
        return run("compare-builds", d / "a", d / "b")

    def test_same_files_say_nothing(self):
        image = tiny_pe(5, b"code" * 8)
        result = self.compare(image, image)
        self.assertEqual((result.returncode, result.stdout), (0, ""))

    def test_names_the_header_field_and_the_section_that_differ(self):
        result = self.compare(tiny_pe(5, b"code" * 8), tiny_pe(6, b"code" * 4 + b"/tmp/a/x" + b"code" * 2))
        self.assertEqual(result.returncode, 1)
        self.assertIn("0x00000048-0x00000048 (1 bytes) in COFF header: TimeDateStamp: 05 | 06", result.stdout)
        self.assertIn("0x00000210-0x00000217 (8 bytes) in section .text: 63 6f 64 65 63 6f 64 65 | "
                      "2f 74 6d 70 2f 61 2f 78", result.stdout)
        self.assertIn("2 ranges", result.stdout)

    def test_names_the_zip_entry_and_its_field(self):
        def archive(date_time, text):
            buffer = io.BytesIO()
            with zipfile.ZipFile(buffer, "w") as z:
                z.writestr(zipfile.ZipInfo("Guide.html", date_time), text)
            return buffer.getvalue()

        result = self.compare(archive((2024, 1, 2, 3, 4, 6), b"same"), archive((2024, 1, 2, 3, 4, 8), b"same"))
        self.assertEqual(result.returncode, 1)
        self.assertIn("Guide.html: date_time (2024, 1, 2, 3, 4, 6) | (2024, 1, 2, 3, 4, 8)", result.stdout)


class CheckGuide(unittest.TestCase):
    guide = load("check-guide")

    def test_literals_are_joined_and_comments_and_characters_skipped(self):
        source = ('// "not this"\n'
                  'if (c == \'"\') f("Unable to "  /* "nor this" */\n'
                  '  "write to %s", \'\\\'\');\n'
                  'g("a \\"quoted\\" word\\n\\rnext");\n')
        self.assertEqual(self.guide.literals(source),
                         [(2, "Unable to write to %s"), (4, 'a "quoted" word\n\rnext')])

    def test_placeholders_stand_for_a_short_text_on_one_line(self):
        pattern = self.guide.message_pattern("Cannot delete the profile folder \"%s\": it is a link")
        self.assertTrue(pattern.search('`Cannot delete the profile folder "<folder>": it is a link`'))
        self.assertFalse(pattern.search('Cannot delete the profile folder "x": it is not a link'))
        self.assertFalse(pattern.search('Cannot delete the profile folder "' + "x" * 100 + '": it is a link'))
        self.assertTrue(self.guide.message_pattern("Unable to load %s (error %lu)").search(
            "Unable to load <library> (error <number>)."))

    def test_the_guide_of_this_tree_explains_every_text(self):
        result = run("check-guide")
        self.assertEqual(result.returncode, 0, result.stdout)

    def test_a_text_missing_from_a_guide_is_named_with_its_place(self):
        d = pathlib.Path(tempfile.mkdtemp())
        text = (SCRIPTS.parent / "docs" / "guide.md").read_text(encoding="utf-8")
        (d / "guide.md").write_text(text.replace("Covers cache not found.", "No covers cache."), encoding="utf-8")
        result = run("check-guide", d / "guide.md")
        self.assertEqual(result.returncode, 1)
        self.assertRegex(result.stdout, r"src/UMaintenance\.cpp:\d+: Covers cache not found\.")
        self.assertIn("1 missing", result.stdout)


class GuideHtml(unittest.TestCase):
    def test_pictures_are_held_in_the_page(self):
        d = pathlib.Path(tempfile.mkdtemp())
        (d / "pics").mkdir()
        (d / "pics" / "w.png").write_bytes(b"\x89PNG picture")
        (d / "g.md").write_text("# Title\n\n![A window](pics/w.png)\n\n| a | b |\n|---|---|\n| 1 | 2 |\n")
        self.assertEqual(run("guide-html", d / "g.md", "1.2.3.4", d / "g.html").returncode, 0)
        page = (d / "g.html").read_text()
        self.assertIn('src="data:image/png;base64,iVBORyBwaWN0dXJl"', page)
        self.assertIn("<title>Cantivox Tools 1.2.3.4: player's guide</title>", page)
        self.assertIn("<td>2</td>", page)

    def test_every_link_within_the_guide_leads_to_a_heading(self):
        d = pathlib.Path(tempfile.mkdtemp())
        guide = SCRIPTS.parent / "docs" / "guide.md"
        self.assertEqual(run("guide-html", guide, "1", d / "g.html").returncode, 0)
        page = (d / "g.html").read_text()
        links = set(re.findall(r'href="#([^"]+)"', page))
        self.assertTrue(links)
        self.assertEqual(links - set(re.findall(r'<h\d id="([^"]+)"', page)), set())

    def test_a_release_address_replaces_the_default_one(self):
        d = pathlib.Path(tempfile.mkdtemp())
        default = "https://github.com/cantivox-tools/cantivox-tools/issues"
        (d / "g.md").write_text(f"Report faults at {default}, and ask at {default} for releases.\n")
        (d / "none.md").write_text("No address here.\n")
        ours = "https://example.org/cv/issues"
        self.assertEqual(run("guide-html", d / "g.md", "1", d / "g.html", ours).returncode, 0)
        page = (d / "g.html").read_text()
        self.assertEqual(page.count(ours), 2)
        self.assertNotIn(default, page)
        # A guide that does not name the default would ship without the
        # release's address.
        result = run("guide-html", d / "none.md", "1", d / "none.html", ours)
        self.assertEqual(result.returncode, 1)
        self.assertIn(default, result.stderr)

    def test_a_missing_picture_fails(self):
        d = pathlib.Path(tempfile.mkdtemp())
        (d / "g.md").write_text("![A window](pics/gone.png)\n")
        result = run("guide-html", d / "g.md", "1", d / "g.html")
        self.assertEqual(result.returncode, 1)
        self.assertIn("gone.png", result.stderr)


if __name__ == "__main__":
    unittest.main()
