#!/usr/bin/env python3
"""tandrel-pack publish: the tree it writes, what it refuses, and that it repeats itself.

usage: publish_test.py <tandrel-pack>
"""
import hashlib
import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest

PACK = None
BASE = "http://127.0.0.1:18080"


def make_client(root, name="client", big=False):
    folder = os.path.join(root, name)
    os.makedirs(os.path.join(folder, "uninstall"))
    os.makedirs(os.path.join(folder, "data"))
    with open(os.path.join(folder, "TandrelGame.exe"), "wb") as f:
        # 1.5 MiB when big: the size rounds up to 2 MB.
        f.write(b"MZ" + bytes(range(256)) * (6144 if big else 1))
    with open(os.path.join(folder, "uninstall", "TandrelUninstall.exe"), "wb") as f:
        f.write(b"MZ uninstaller")
    with open(os.path.join(folder, "data", "中文.txt"), "wb") as f:
        f.write("你好".encode("gbk"))
    with open(os.path.join(folder, "readme.txt"), "wb") as f:
        f.write(b"read me")
    return folder


def publish_args(folder, root, **overrides):
    values = {
        "--base-url": BASE + "/",
        "--game": "Tandrel",
        "--exe": "TandrelGame.exe",
        "--title": "Tandrel 游戏大厅",
        "--licence": BASE + "/licence.html",
        "--uninst": "TandrelUninstall.exe",
        "--publisher": "坦德尔网络",
        "--contact": "客服 400-000-0000",
    }
    values.update(overrides)
    args = [PACK, "publish", folder, "-o", root]
    for key, value in values.items():
        if value is not None:
            args += [key, value]
    return args


def run(args):
    return subprocess.run(args, stdout=subprocess.PIPE, stderr=subprocess.PIPE)


def read_ini(path):
    """Sections of a GBK INI file as {section: {key: value}}, keys as written."""
    with open(path, "rb") as f:
        raw = f.read()
    assert b"\r\n" in raw and b"\n" not in raw.replace(b"\r\n", b""), "lines must end with CRLF"
    text = raw.decode("gbk")  # strict: every byte must be GBK
    sections, current = {}, None
    for line in text.split("\r\n"):
        if not line or line.startswith(";"):
            continue
        m = re.fullmatch(r"\[(.+)\]", line)
        if m:
            current = sections.setdefault(m.group(1), {})
            continue
        key, sep, value = line.partition("=")
        assert sep and current is not None, "stray line %r" % line
        current[key] = value
    return sections


def tree(root):
    files = {}
    for dirpath, _, names in os.walk(root):
        for name in names:
            path = os.path.join(dirpath, name)
            with open(path, "rb") as f:
                files[os.path.relpath(path, root)] = f.read()
    return files


class PublishTest(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.mkdtemp(prefix="publish-test-")
        self.addCleanup(shutil.rmtree, self.tmp)

    def test_tree_holds_the_installers_keys_and_a_package_it_can_unpack(self):
        client = make_client(self.tmp, big=True)
        www = os.path.join(self.tmp, "www")
        result = run(publish_args(client, www, **{"--version": "1.2.3"}))
        self.assertEqual(result.returncode, 0, result.stderr.decode())

        setup = read_ini(os.path.join(www, "update", "online_setup.txt"))
        self.assertEqual(list(setup), ["setup", "config"])
        self.assertEqual(setup["setup"], {
            "gamename": "Tandrel",
            "exefilename": "TandrelGame.exe",
            "ProductTitle": "Tandrel 游戏大厅",
            "size": "2",
            "urlAgreement": BASE + "/licence.html",
            "uninstname": "TandrelUninstall.exe",
            "Publisher": "坦德尔网络",
            "Contact": "客服 400-000-0000",
        })
        list_url = setup["config"]["1.0"]
        self.assertEqual(setup["config"], {"1.0": list_url, "other": list_url})
        m = re.fullmatch(re.escape(BASE) + r"/update/(list-([0-9a-f]{16})\.ini)", list_url)
        self.assertTrue(m, list_url)
        list_path = os.path.join(www, "update", m.group(1))
        with open(list_path, "rb") as f:
            self.assertEqual(hashlib.md5(f.read()).hexdigest()[:16], m.group(2))

        entry = read_ini(list_path)["list0"]
        package = entry["destfile"]
        self.assertRegex(package, r"^Tandrel-[0-9a-f]{16}\.pkg$")
        self.assertEqual(entry, {"action": "3", "srcfile": BASE + "/update/" + package,
                                 "destfile": package, "cmd": "DEC"})
        package_path = os.path.join(www, "update", package)
        with open(package_path, "rb") as f:
            self.assertEqual(hashlib.md5(f.read()).hexdigest()[:16], package[8:24])
        self.assertEqual(sorted(os.listdir(os.path.join(www, "update"))),
                         sorted(["online_setup.txt", m.group(1), package]))
        with open(os.path.join(www, "update", "online_setup.txt"), "rb") as f:
            self.assertIn(b"release 1.2.3", f.read())

        # The installer's own extraction code reads what publish wrote.
        out = os.path.join(self.tmp, "unpacked")
        result = run([PACK, "unpack", package_path, "-C", out])
        self.assertEqual(result.returncode, 0, result.stderr.decode())
        expected = {k.lower(): v for k, v in tree(client).items()}
        self.assertEqual(tree(out), expected)

    def test_size_is_rounded_up_to_whole_megabytes(self):
        cases = [(0, "1"), (1, "1"), (1 << 20, "1"), ((1 << 20) + 1, "2")]
        for extra, size in cases:
            with self.subTest(bytes=extra):
                root = os.path.join(self.tmp, "s%d" % extra)
                folder = os.path.join(root, "c")
                os.makedirs(os.path.join(folder, "uninstall"))
                with open(os.path.join(folder, "g.exe"), "wb") as f:
                    f.write(b"\0" * extra)
                open(os.path.join(folder, "uninstall", "u.exe"), "wb").close()
                www = os.path.join(root, "www")
                result = run(publish_args(folder, www, **{"--exe": "g.exe", "--uninst": "u.exe"}))
                self.assertEqual(result.returncode, 0, result.stderr.decode())
                setup = read_ini(os.path.join(www, "update", "online_setup.txt"))
                self.assertEqual(setup["setup"]["size"], size)

    def test_same_input_gives_the_same_tree(self):
        client = make_client(self.tmp)
        renamed = os.path.join(self.tmp, "elsewhere")
        shutil.copytree(client, renamed)
        trees = []
        for folder, www in [(client, "www1"), (client, "www2"), (renamed, "www3")]:
            result = run(publish_args(folder, os.path.join(self.tmp, www)))
            self.assertEqual(result.returncode, 0, result.stderr.decode())
            trees.append(tree(os.path.join(self.tmp, www)))
        self.assertEqual(trees[0], trees[1])
        self.assertEqual(trees[0], trees[2])
        # A changed file gives a new package and list, under new names.
        with open(os.path.join(client, "readme.txt"), "ab") as f:
            f.write(b"!")
        self.assertEqual(run(publish_args(client, os.path.join(self.tmp, "www4"))).returncode, 0)
        changed = tree(os.path.join(self.tmp, "www4"))
        self.assertEqual(len(set(trees[0]) & set(changed)), 1)  # only online_setup.txt

    def test_refuses_what_the_installer_would_fail_on(self):
        client = make_client(self.tmp)
        os.makedirs(os.path.join(client, "deep"))
        long_name = "x" * 236 + ".dat"
        with open(os.path.join(client, "deep", long_name), "wb") as f:
            f.write(b"x")
        cases = [
            ("missing program", {"--exe": "Missing.exe"}),
            ("program is not an exe", {"--exe": "readme.txt"}),
            ("program in a subfolder", {"--exe": "data\\TandrelGame.exe"}),
            ("missing uninstaller", {"--uninst": "Nope.exe"}),
            ("title of 260 bytes", {"--title": "t" * 260}),
            ("title of 130 Chinese characters", {"--title": "游" * 130}),
            ("emoji", {"--publisher": "Tandrel \U0001F3B2"}),
            ("line break", {"--contact": "a\nb"}),
            ("trailing blank", {"--title": "Tandrel "}),
            ("quoted", {"--title": '"Tandrel"'}),
            ("empty", {"--contact": ""}),
            ("missing title", {"--title": None}),
            ("base without scheme", {"--base-url": "127.0.0.1:18080"}),
            ("base is a path", {"--base-url": "/update"}),
            ("base with ftp", {"--base-url": "ftp://127.0.0.1"}),
            ("base without host", {"--base-url": "http://"}),
            ("relative licence", {"--licence": "licence.html"}),
            ("game with separator", {"--game": "a\\b"}),
            ("game climbing", {"--game": ".."}),
            ("default folder too long", {"--game": "g" * 245}),
        ]
        for label, overrides in cases:
            with self.subTest(label):
                www = os.path.join(self.tmp, "www-" + re.sub(r"\W", "_", label))
                result = run(publish_args(client, www, **overrides))
                self.assertEqual(result.returncode, 2, result.stderr.decode())
                self.assertTrue(result.stderr, "a refusal says why")
                self.assertFalse(os.path.exists(os.path.join(www, "update", "online_setup.txt")))

        # The long name fits the package but not C:\Program Files\Tandrel\deep\...
        www = os.path.join(self.tmp, "www-long-path")
        result = run(publish_args(client, www))
        self.assertEqual(result.returncode, 2, result.stderr.decode())
        self.assertIn(b"too long", result.stderr)
        os.remove(os.path.join(client, "deep", long_name))

        # At the limit is still fine.
        result = run(publish_args(client, os.path.join(self.tmp, "www-259"), **{"--title": "t" * 259}))
        self.assertEqual(result.returncode, 0, result.stderr.decode())

    def test_not_a_folder_is_refused_and_an_unwritable_root_fails(self):
        result = run(publish_args(os.path.join(self.tmp, "nothing"), os.path.join(self.tmp, "www")))
        self.assertEqual(result.returncode, 2)
        client = make_client(self.tmp)
        blocker = os.path.join(self.tmp, "file")
        open(blocker, "wb").close()
        result = run(publish_args(client, blocker))
        self.assertEqual(result.returncode, 1, result.stderr.decode())


if __name__ == "__main__":
    PACK = os.path.abspath(sys.argv.pop(1))
    unittest.main(verbosity=2)
