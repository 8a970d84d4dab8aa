"""What a person does with Vorrel, and the checks of what reached the disk."""

import os
import time

import expected as ex
from desktop import DEFAULT_TIMEOUT, E2EError, wait_until

CAPTION = "Vorrel 1.8"
MESSAGE_TITLE = CAPTION  # message boxes carry the program's caption


def memory_holding(pid, needles):
    """The needles (name -> bytes) found in the process's writable memory,
    with how often; read from /proc as its parent may (root, or a process
    left dumpable)."""
    found = {}
    with open("/proc/%d/maps" % pid) as maps, open("/proc/%d/mem" % pid, "rb", 0) as mem:
        for line in maps:
            span, perms = line.split()[:2]
            if "w" not in perms:
                continue
            start, end = (int(x, 16) for x in span.split("-"))
            try:
                mem.seek(start)
                chunk = mem.read(end - start)
            except (OSError, ValueError, OverflowError):
                continue  # [vvar] and the like cannot be read
            for name, needle in needles.items():
                n = chunk.count(needle)
                if n:
                    found[name] = found.get(name, 0) + n
    return found


def secret_forms(text):
    """A secret as it may lie in memory: UTF-8, UTF-16 and scrambled."""
    utf8 = text.encode("utf-8")
    return {"utf-8": utf8, "utf-16": text.encode("utf-16-le"),
            "scrambled": bytes(b ^ 0xB9 for b in utf8)}


def describe_difference(actual, wanted):
    if actual is None:
        return "the file does not exist"
    n = next((i for i, (a, b) in enumerate(zip(actual, wanted)) if a != b),
             min(len(actual), len(wanted)))
    return ("%d bytes, %d wanted; first difference at byte %d: %r instead of %r"
            % (len(actual), len(wanted), n, actual[max(0, n - 16):n + 24],
               wanted[max(0, n - 16):n + 24]))


class Person:
    """Works one program directory on one desktop."""

    # Where things are inside the main window (729 x 500 at start), from its
    # top-left corner, with the list's 8 pt font: rows 13 pixels high.
    FIRST_MENU = (14, 9)
    TREE_ROOT = (60, 26)
    HEADER_Y = 28
    LIST_LEFT = 205
    FIRST_ROW_Y = 43
    ROW_PITCH = 13

    def __init__(self, desktop, program_dir, shots, icons, log):
        self.d = desktop
        self.icons = icons
        self.dir = program_dir
        self.shots = shots
        self.log = log
        self.app = None

    login = None  # the user the scenario works as

    # ---- files ----------------------------------------------------------------

    def user(self, rel):
        """A file of the scenario's user, relative to the program directory."""
        return "users/%s/%s" % (self.login, rel)

    def path(self, rel):
        return os.path.join(self.dir, rel)

    def expect_mode(self, rel, wanted):
        """The permission bits of a file or folder, as another account sees them."""
        mode = os.stat(self.path(rel)).st_mode & 0o7777
        if mode != wanted:
            raise E2EError("%s has the mode %o, %o wanted" % (rel, mode, wanted))

    def read(self, rel):
        try:
            with open(self.path(rel), "rb") as f:
                return f.read()
        except FileNotFoundError:
            return None

    def expect_file(self, rel, wanted, timeout=DEFAULT_TIMEOUT):
        """Waits until the file holds exactly the wanted bytes."""
        deadline = time.monotonic() + timeout
        while True:
            actual = self.read(rel)
            if actual == wanted:
                return
            if time.monotonic() > deadline:
                raise E2EError("%s: %s" % (rel, describe_difference(actual, wanted)))
            time.sleep(0.05)

    def expect_absent(self, rel):
        if os.path.exists(self.path(rel)):
            raise E2EError("%s exists, but nothing should have written it" % rel)

    def snapshot(self):
        files = {}
        for root, _, names in os.walk(self.dir):
            for n in names:
                p = os.path.join(root, n)
                with open(p, "rb") as f:
                    files[os.path.relpath(p, self.dir)] = f.read()
        return files

    def expect_unchanged(self, before, what):
        after = self.snapshot()
        if after != before:
            changed = sorted(k for k in set(before) | set(after) if before.get(k) != after.get(k))
            raise E2EError("%s changed files: %s" % (what, ", ".join(changed)))

    def vault_entries(self, login):
        """The stored entries, decoded: lists of nine fields."""
        data = self.read("users/%s/passwords.dat" % login) or b""
        if data and not data.endswith(b"\r\n"):
            raise E2EError("passwords.dat does not end with CR LF: %r" % data[-4:])
        lines = data.split(b"\r\n")[:-1]
        return [ex.scramble(line).split(b"|") for line in lines]

    # ---- pictures ---------------------------------------------------------------

    def screenshot(self, wid, name):
        return self.d.screenshot(wid, os.path.join(self.shots, name + ".png"))

    def screenshot_as_seen(self, wid, name):
        """The window's place on the screen, with whatever lies over it."""
        return self.d.screenshot(wid, os.path.join(self.shots, name + ".png"), as_seen=True)

    # ---- the program ---------------------------------------------------------

    def start(self, login_title="Login"):
        self.app = self.d.launch(self.dir)
        return self.d.wait_window(login_title)

    def main_window(self, login):
        return self.d.wait_window("%s - %s" % (CAPTION, login))

    def expect_exit(self):
        code = self.app.wait_exit()
        if code != 0:
            raise E2EError("the program ended with code %d" % code)

    def exit_by_menu(self, main):
        """File > Exit: the menu's last command, after Change Password, Create
        Key File and the one of Encrypt Vault and Decrypt Vault that is
        enabled (keys skip the disabled one)."""
        self.d.activate(main)
        self.d.key("alt+f")
        self.d.key("Down", "Down", "Down", "Return")
        self.expect_exit()

    def answer_message(self):
        """Presses OK in the program's message box."""
        box = self.d.wait_window(MESSAGE_TITLE)
        self.d.key("Return")
        wait_until(lambda: box not in self.d.find(MESSAGE_TITLE), "the message box to close")

    def give_new_passphrase(self, passphrase):
        """Types the new passphrase and its repetition into Encrypt Vault's
        dialog, which has the focus, and waits for the vault to be encrypted."""
        self.d.type(passphrase)
        self.d.key("Tab")
        self.d.type(passphrase)
        self.d.key("Return")
        self.d.wait_gone("Encrypt Vault")
        self.answer_message()  # the vault is encrypted

    # ---- the main window -------------------------------------------------------

    def row_point(self, row):
        return (self.LIST_LEFT + 30, self.FIRST_ROW_Y + row * self.ROW_PITCH)

    def click_row(self, main, row, button=1):
        x, y = self.row_point(row)
        self.d.click(main, x, y, button)

    def column_width(self, main):
        # Every column gets a sixth of the list's width less 20.
        _, _, w, _ = self.d.geometry(main)
        list_width = w - self.LIST_LEFT
        return (list_width - 20) // 6

    def click_header(self, main, column):
        width = self.column_width(main)
        self.d.click(main, self.LIST_LEFT + width * column + width // 2, self.HEADER_Y)

    def click_search(self, main):
        _, _, _, h = self.d.geometry(main)
        self.d.click(main, 126, h - 36)

    def click_first_menu(self, main):
        """Opens the menu bar's first menu with the mouse; no item is chosen yet."""
        self.d.click(main, *self.FIRST_MENU)
        self.d.wait_menu()

    def left_strip_colours(self, main):
        """The colours of a strip of the window's left part below the menu bar,
        where the category tree lies and no centred dialog reaches."""
        _, _, _, h = self.d.geometry(main)
        return self.d.colours(main, 4, 30, 120, h - 80)

    def copy_from_context_menu(self, main, row, item):
        """Right-clicks a row and picks Copy To Clipboard > Login (0), Password (1) or Link (2)."""
        self.click_row(main, row, button=3)
        self.d.wait_menu()
        self.d.key("Down", "Down", "Down", "Down", "Right", *(["Down"] * item), "Return")

    def expect_clipboard(self, wanted):
        wait_until(lambda: self.d.clipboard() == wanted, "the clipboard to hold %r" % wanted,
                   timeout=10)

    # ---- entry dialogs ---------------------------------------------------------
    # The focus order: Name, Login, Password, Generate, Category, New, Website, ->,
    # Comments, PIN Code, Credit Card, Software Serial, OK, Cancel.

    def shown_password(self, previous=None):
        """The generated password the focused field shows, read through the
        clipboard: ten letters or digits, another one every time."""
        self.d.key("ctrl+a", "ctrl+c")

        def copied():
            text = self.d.clipboard()
            if len(text) == 10 and all(c in ex.ALPHABET for c in text) and text != previous:
                return text
            return None
        password = wait_until(copied, "the shown password on the clipboard", timeout=10)
        # Copied as a secret, and never on the selection any program may read.
        if b"x-kde-passwordManagerHint" not in self.d.clipboard(target="TARGETS"):
            raise E2EError("the copied password is not marked as a secret")
        if self.d.clipboard("primary") == password:
            raise E2EError("the selected password is on the primary selection")
        return password

    def type_field(self, text):
        """Replaces the focused field's text."""
        self.d.key("ctrl+a")
        if text:
            self.d.type(text)
        else:
            self.d.key("BackSpace")

    def cancel_entry_dialog(self, title):
        # From the Name field one step back is Cancel.
        self.d.key("shift+Tab", "space")
        self.d.wait_gone(title)

    def wait_active(self, wid, what):
        wait_until(lambda: self.d.active_window() == wid, what)
