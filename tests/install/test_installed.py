#!/usr/bin/env python3
"""The program installed into a prefix that its user cannot write, as any
system-wide install is, run by a normal user: the settings go to
$XDG_CONFIG_HOME/bimbalo/bimbalo.ini, the first run shows the installed
sample slides, and the lock library is found in lib/bimbalo."""

import os
import shutil
import signal
import stat
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "e2e"))
import harness  # noqa: E402
from harness import Failure, check, wait_for  # noqa: E402


def make_read_only(top):
    for folder, dirs, files in os.walk(top):
        for name in files:
            path = os.path.join(folder, name)
            if not os.path.islink(path):
                os.chmod(path, os.stat(path).st_mode & ~0o222)
        os.chmod(folder, 0o555)


def main():
    build = os.environ["BIMBALO_BUILD_DIR"]
    as_user = []
    if os.geteuid() == 0:
        if shutil.which("runuser") is None:
            print("SKIP: runuser is missing")
            return harness.SKIP
        user = harness.session_user()
        as_user = [shutil.which("runuser"), "-p", "-u", user.pw_name, "--"]

    root = tempfile.mkdtemp(prefix="bimbalo-install-")
    failed = True
    try:
        os.chmod(root, 0o755)
        prefix = os.path.join(root, "prefix")
        r = subprocess.run(["cmake", "--install", build, "--prefix", prefix], capture_output=True, text=True)
        check(r.returncode == 0, "cmake --install failed:\n" + r.stdout + r.stderr)
        program = os.path.join(prefix, "bin", "bimbalo")
        samples = os.path.join(prefix, "share", "bimbalo", "datasets")
        for path in (program, os.path.join(prefix, "lib", "bimbalo", "libbimbalohook.so"),
                     os.path.join(prefix, "share", "bimbalo", "bimbalo.qch"), os.path.join(samples, "cat.jpg")):
            check(os.path.isfile(path), "not installed: " + path)
        make_read_only(prefix)
        program_env = {"PATH": "/usr/bin:/bin", "QT_QPA_PLATFORM": "offscreen"}

        # The installed program finds its translations: --help in German, and in English without.
        english = subprocess.run([program, "--help"], env=dict(program_env, LANG="C"), capture_output=True,
                                 text=True, timeout=60)
        german = subprocess.run([program, "--help"], env=dict(program_env, LANG="de_DE.UTF-8"), capture_output=True,
                                text=True, timeout=60)
        check(english.returncode == 0 and german.returncode == 0, "--help failed:\n" + english.stderr + german.stderr)
        check("picture-and-sound slide show" in english.stdout, "--help is not English under LANG=C:\n" + english.stdout)
        check("picture-and-sound slide show" not in german.stdout and "Bimbalo" in german.stdout,
              "the installed program did not speak German under LANG=de_DE.UTF-8:\n" + german.stdout)

        home = os.path.join(root, "home")
        runtime = os.path.join(root, "runtime")
        for folder in (home, runtime):
            os.mkdir(folder, 0o700)
            if as_user:
                os.chown(folder, user.pw_uid, user.pw_gid)
        config = os.path.join(home, "config")  # not there yet: the program makes it
        env = {"PATH": "/usr/bin:/bin", "HOME": home, "XDG_CONFIG_HOME": config, "XDG_RUNTIME_DIR": runtime,
               "QT_QPA_PLATFORM": "offscreen", "SDL_AUDIODRIVER": "dummy"}

        # The lock self-test: the library loads (the keyboard itself cannot be
        # held offscreen), and nothing is written.
        r = subprocess.run(as_user + [program, "--check-lock"], env=env, capture_output=True, text=True, timeout=60)
        print("--check-lock said:\n" + r.stdout + r.stderr)
        keyboard = [line for line in r.stdout.splitlines() if line.startswith("keyboard:")]
        check(len(keyboard) == 1, "no keyboard line from --check-lock")
        check("lock library" not in keyboard[0], "the lock library was not loaded: " + keyboard[0])
        check(not os.path.exists(config), "--check-lock wrote " + config)

        # A first start writes the settings at once, then waits in its main window.
        settings = os.path.join(config, "bimbalo", "bimbalo.ini")
        log = open(os.path.join(root, "program.log"), "w+")
        process = subprocess.Popen(as_user + [program], env=env, stdout=log, stderr=subprocess.STDOUT)
        try:
            wait_for("the settings file", lambda: os.path.exists(settings) or process.poll() is not None, 60)
        finally:
            if process.poll() is None:
                process.send_signal(signal.SIGTERM)
            process.wait(timeout=30)
        log.seek(0)
        output = log.read()
        print("the program said:\n" + output)
        check(os.path.exists(settings), "no settings file at " + settings)
        check("Cannot create file" not in output, "the program could not write its settings")
        with open(settings, "rb") as f:
            text = f.read().decode("utf-8", "replace")
        check(("\r\nle_folder=%s\r\n" % samples) in text, "the first run does not show the installed samples:\n" + text)
        check(stat.S_IMODE(os.stat(os.path.dirname(settings)).st_mode) == 0o700,
              "the settings folder is not private")
        if as_user:
            check(os.stat(settings).st_uid == user.pw_uid, "the settings file is not the user's")
        check(not os.path.exists(os.path.join(prefix, "bin", "bimbalo.ini")), "settings written beside the program")
        failed = False
        print("PASS")
        return 0
    except Failure as e:
        print("FAIL: %s" % e)
        return 1
    finally:
        for folder, dirs, files in os.walk(root):
            os.chmod(folder, 0o755)
        if failed and os.environ.get("BIMBALO_KEEP"):
            print("kept " + root)
        else:
            shutil.rmtree(root, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
