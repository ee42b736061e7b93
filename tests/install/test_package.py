#!/usr/bin/env python3
"""The Debian package made by CPack: its name, control fields (with the
dependencies that dpkg-shlibdeps computed), its contents, and its desktop
entry and AppStream file as the desktop's own validators see them."""

import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "e2e"))
import harness  # noqa: E402
from harness import Failure, check  # noqa: E402

TOOLS = ("cpack", "dpkg-deb", "dpkg-shlibdeps", "desktop-file-validate", "appstreamcli", "readelf")
APP_ID = "example.quillfen.Bimbalo"
ICON_SIZES = (16, 22, 24, 32, 48, 64, 128, 256)


def run(command, **kwargs):
    r = subprocess.run(command, capture_output=True, text=True, **kwargs)
    check(r.returncode == 0, "%s failed:\n%s%s" % (" ".join(command), r.stdout, r.stderr))
    return r.stdout


def png_size(path):
    with open(path, "rb") as f:
        head = f.read(24)
    check(head[:8] == b"\x89PNG\r\n\x1a\n", path + " is no PNG")
    return struct.unpack(">II", head[16:24])


def main():
    missing = [t for t in TOOLS if shutil.which(t) is None]
    if missing:
        print("SKIP: missing " + ", ".join(missing))
        return harness.SKIP
    build = os.environ["BIMBALO_BUILD_DIR"]
    version = os.environ["BIMBALO_VERSION"]
    arch = run(["dpkg", "--print-architecture"]).strip()

    out = tempfile.mkdtemp(prefix="bimbalo-package-")
    try:
        run(["cpack", "-G", "DEB", "-B", out, "--config", os.path.join(build, "CPackConfig.cmake")], cwd=build)
        deb = os.path.join(out, "bimbalo_%s_%s.deb" % (version, arch))
        check(os.path.isfile(deb), "no %s among %s" % (os.path.basename(deb), os.listdir(out)))

        fields = {}
        for name in ("Package", "Version", "Architecture", "Maintainer", "Section", "Priority", "Homepage",
                     "Depends", "Recommends", "Description"):
            fields[name] = run(["dpkg-deb", "-f", deb, name]).strip()
        print("\n".join("%s: %s" % item for item in fields.items()))
        check(fields["Package"] == "bimbalo" and fields["Version"] == version and fields["Architecture"] == arch,
              "wrong name, version or architecture")
        check("Quillfen" in fields["Maintainer"] and "@" in fields["Maintainer"], "no maintainer with an address")
        check(fields["Section"] and fields["Homepage"].startswith("https://"), "no section or homepage")
        description = fields["Description"].splitlines()
        check(len(description) > 2 and not description[0].lower().startswith("bimbalo"),
              "the description has no summary of its own or no long part")
        depends = {d.split()[0] for d in re.split(r"\s*[,|]\s*", fields["Depends"]) if d}
        # From the binaries: Qt, SDL, the picture and sound libraries, the C library.
        for package in ("libc6", "libqt6widgets6", "libqt6help6", "libsdl2-2.0-0", "libturbojpeg0", "libpng16-16",
                        "libsndfile1", "libx11-6", "libqt6sql6-sqlite", "libwebp7", "libwebpdemux2", "libgif7",
                        "libheif1", "libavformat59", "libavcodec59", "libswresample4", "libavutil57"):
            check(package in depends, package + " missing from Depends")
        check(re.search(r"libc6 \(>= [0-9.]+\)", fields["Depends"]), "Depends has no computed versions")

        listing = run(["dpkg-deb", "-c", deb]).splitlines()
        files = {}
        for line in listing:
            parts = line.split(None, 5)
            files[parts[5].split(" -> ")[0].lstrip(".")] = (parts[0], parts[1])
        expected = ["/usr/bin/bimbalo", "/usr/lib/bimbalo/libbimbalohook.so", "/usr/share/bimbalo/bimbalo.qch",
                    "/usr/share/bimbalo/datasets/cat.jpg", "/usr/share/bimbalo/datasets/cat.wav",
                    "/usr/share/applications/%s.desktop" % APP_ID, "/usr/share/metainfo/%s.metainfo.xml" % APP_ID,
                    "/usr/share/icons/hicolor/scalable/apps/bimbalo.svg", "/usr/share/man/man1/bimbalo.1.gz",
                    "/usr/share/doc/bimbalo/copyright", "/usr/share/doc/bimbalo/changelog.gz"]
        expected += ["/usr/share/bimbalo/translations/bimbalo_%s.qm" % language for language in ("de", "fr", "es", "ru")]
        expected += ["/usr/share/icons/hicolor/%dx%d/apps/bimbalo.png" % (s, s) for s in ICON_SIZES]
        for path in expected:
            check(path in files, path + " is not in the package")
        for path, (mode, owner) in files.items():
            check(owner == "root/root", "%s is owned by %s" % (path, owner))
            check(not path.startswith("/usr/local") and not re.search(r"\.(py|sh|md)$", path), "stray file " + path)
            check(not mode.startswith("d") or mode == "drwxr-xr-x", "folder %s is %s" % (path, mode))
        check(files["/usr/bin/bimbalo"][0] == "-rwxr-xr-x", "the program is not executable by all")
        check(files["/usr/lib/bimbalo/libbimbalohook.so"][0] == "-rw-r--r--", "the lock library is executable")

        root = os.path.join(out, "root")
        run(["dpkg-deb", "-x", deb, root])
        for binary in ("usr/bin/bimbalo", "usr/lib/bimbalo/libbimbalohook.so"):
            sections = run(["readelf", "-S", "-W", os.path.join(root, binary)])
            check(".symtab" not in sections and ".debug_info" not in sections, binary + " is not stripped")
            check("RUNPATH" not in run(["readelf", "-d", os.path.join(root, binary)]), binary + " keeps a RUNPATH")
        for size in ICON_SIZES:
            got = png_size(os.path.join(root, "usr/share/icons/hicolor/%dx%d/apps/bimbalo.png" % (size, size)))
            check(got == (size, size), "the %d icon is %dx%d" % (size, got[0], got[1]))
        print(run(["desktop-file-validate", os.path.join(root, "usr/share/applications/%s.desktop" % APP_ID)]))
        print(run(["appstreamcli", "validate", "--no-net", os.path.join(root, "usr/share/metainfo/%s.metainfo.xml" % APP_ID)]))
        if shutil.which("lintian"):
            r = subprocess.run(["lintian", "--fail-on", "error", deb], capture_output=True, text=True)
            print("lintian:\n" + r.stdout + r.stderr)
            check(r.returncode == 0, "lintian finds errors")
        print("PASS")
        return 0
    except Failure as e:
        print("FAIL: %s" % e)
        return 1
    finally:
        shutil.rmtree(out, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
