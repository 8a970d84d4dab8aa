"""The installed program: the Debian package unpacked, started from an unrelated
folder with a fresh home, as a menu entry starts it."""

import os
import subprocess

import expected as ex
from desktop import E2EError
from person import Person

LOGIN = "carol"
PASSWORD = "hunter22"


def tree(folder):
    """Every folder and file below folder, the files with their bytes."""
    found = {}
    for top, dirs, files in os.walk(folder):
        for d in dirs:
            found[os.path.relpath(os.path.join(top, d), folder) + "/"] = None
        for f in files:
            with open(os.path.join(top, f), "rb") as data:
                found[os.path.relpath(os.path.join(top, f), folder)] = data.read()
    return found


class Installed(Person):
    name = "installed"
    tray = False
    login = LOGIN
    from_package = True  # the program folder is the unpacked package's root

    def __init__(self, desktop, root, *args):
        super().__init__(desktop, root, *args)
        self.root = root
        self.bin = os.path.join(root, "usr", "bin")
        self.cwd = os.path.join(desktop.work_dir, "elsewhere")
        os.makedirs(self.cwd)
        # What the file checks read: the person's own data folder.
        self.dir = os.path.join(desktop.env["HOME"], ".local", "share", "vorrel")

    def start(self, login_title="Login"):
        self.app = self.d.launch(self.bin, cwd=self.cwd)
        return self.d.wait_window(login_title)

    def without_display(self, argv, env=()):
        env = dict({k: v for k, v in self.d.env.items() if k != "DISPLAY"}, **dict(env))
        r = subprocess.run(argv, env=env, cwd=self.cwd, capture_output=True, timeout=20)
        if r.returncode != 0:
            raise E2EError("%s ended with %d: %r" % (" ".join(argv), r.returncode, r.stderr))
        return r.stdout.decode()

    def step_01_help_version_and_manual(self):
        """--help and --version print and end without a display; man shows the page"""
        exe = os.path.join(self.bin, "vorrel")
        if self.without_display([exe, "--version"]) != "vorrel 1.8\n":
            raise E2EError("--version does not print the version")
        if self.dir not in self.without_display([exe, "--help"]):
            raise E2EError("--help does not name the data folder %s" % self.dir)
        page = self.without_display(["man", "-P", "cat", "vorrel"], env={
            "MANPATH": os.path.join(self.root, "usr", "share", "man"), "MANWIDTH": "80"})
        if "vorrel - password manager" not in page:
            raise E2EError("man vorrel does not show the page: %r" % page[:200])
        self.expect_absent(".")

    def step_02_new_user_and_entry(self):
        """a new user's entry goes to the home's data folder, private; nothing else is written"""
        package = tree(self.root)
        self.start()
        self.d.type(LOGIN)
        self.d.key("shift+Tab")
        self.d.type(PASSWORD)
        self.d.key("alt+n")
        main = self.main_window(LOGIN)
        self.d.key("ctrl+alt+a")
        self.d.wait_window("Add Data")
        self.d.type("Wiki")
        self.d.key("Tab")
        self.d.type("carol")
        self.d.key(*["Tab"] * 11, "space")  # Login to OK; no category exists
        self.d.wait_gone("Add Data")
        self.exit_by_menu(main)

        entries = self.vault_entries(LOGIN)
        if [e[:2] for e in entries] != [[b"Wiki", b"carol"]]:
            raise E2EError("the vault holds %r" % entries)
        self.expect_file(self.user("%s.dat" % LOGIN), ex.account_file(PASSWORD.encode()))
        for rel in (".", "users/" + LOGIN):
            self.expect_mode(rel, 0o700)
        for name in os.listdir(self.path("users/" + LOGIN)):
            self.expect_mode(self.user(name), 0o600)
        if tree(self.root) != package or os.listdir(self.cwd):
            raise E2EError("the program wrote beside itself or into the working folder")
