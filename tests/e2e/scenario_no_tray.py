"""A desktop without a notification area: locking minimizes the window instead."""

import os
import re

import expected as ex
from desktop import E2EError, wait_until
from person import CAPTION, Person

LOGIN = "bob"
PASSWORD = b"hunter22"
# Passwords that fit both formats' rules (10 to 15 letters and digits).
PASSPHRASE = "Purple7Otters"
NEW_PASSPHRASE = "Seven8Otters1"


class WithoutTray(Person):
    name = "no-tray"
    tray = False
    login = LOGIN

    def __init__(self, *args):
        super().__init__(*args)
        self.main = None
        self.wiki = None

    def bring_back(self):
        """What a taskbar button does: asks the window manager to show the window."""
        self.d.xdotool("windowactivate", self.main, check=False)

    def expect_locked_out_of_sight(self):
        wait_until(lambda: self.d.wm_state(self.main) == "Iconic", "the window to be minimized")
        wait_until(lambda: not self.d.viewable(self.main), "the window to be out of sight")

    def add_entry(self, main, title):
        """Ctrl+Alt+A in the window: a title, a login, the generated password."""
        self.d.activate(main)
        self.d.key("ctrl+alt+a")
        self.d.wait_window("Add Data")
        self.d.type(title)
        self.d.key("Tab")
        self.d.type("bob")
        self.d.key(*["Tab"] * 11, "space")  # Login to OK; no category exists
        self.d.wait_gone("Add Data")

    def log_in_again(self, known=(), login=LOGIN, new_user=False, password=PASSWORD.decode()):
        """One more program logs in (the last user is offered); its process and
        main window, told apart from the windows already known."""
        self.start()
        if login != LOGIN:
            self.d.key("Tab", "ctrl+a")  # from the password to the name
            self.d.type(login)
            self.d.key("shift+Tab")
        self.d.type(password)
        self.d.key("alt+n" if new_user else "Return")
        title = "%s - %s" % (CAPTION, login)
        wid = wait_until(lambda: next((w for w in self.d.find(title) if w not in known), None),
                         "the main window of the program started last")
        self.d.activate(wid)
        return self.app, wid

    def step_01_new_user_and_entry(self):
        """no tray icon is shown; a new user adds an entry"""
        self.start()
        if [w for w in self.d.windows_of_class("vorrel") if w[2] <= 64 and self.d.viewable(w[0])]:
            raise E2EError("a tray icon was shown on a desktop without a notification area")
        self.d.type(LOGIN)
        self.d.key("shift+Tab")
        self.d.type(PASSWORD.decode())
        self.d.key("alt+n")
        self.main = self.main_window(LOGIN)
        self.d.key("ctrl+alt+a")
        self.d.wait_window("Add Data")
        self.d.type("Wiki")
        self.d.key("Tab")
        self.d.type("bob")
        self.d.key("Tab")
        shown = self.shown_password()
        self.d.key(*["Tab"] * 10, "space")  # Password to OK; no category exists
        self.d.wait_gone("Add Data")
        entries = wait_until(lambda: self.vault_entries(LOGIN), "the vault's line")
        if len(entries) != 1 or entries[0][2] != shown:
            raise E2EError("the vault does not hold the one entry with its generated password")
        self.wiki = ex.Entry(b"Wiki", b"bob", entries[0][2])
        self.expect_file(self.user("passwords.dat"), ex.vault([self.wiki]))

    def step_02_lock_minimizes(self):
        """Ctrl+L minimizes the window with its contents hidden"""
        self.wait_active(self.main, "the main window to be active")
        self.d.key("ctrl+l")
        self.expect_locked_out_of_sight()

    def step_03_cancel_keeps_it_locked(self):
        """brought back, it asks for the password first; Cancel sends it away again"""
        self.bring_back()
        unlock = self.d.wait_window("Unlock Vorrel")
        wait_until(lambda: self.d.viewable(self.main), "the locked window to show")
        if self.left_strip_colours(self.main) != 1:
            raise E2EError("the locked window shows its contents")
        self.screenshot_as_seen(self.main, "locked-without-tray")
        self.screenshot(unlock, "unlock-without-tray")
        self.d.key("Escape")
        self.d.wait_gone("Unlock Vorrel")
        self.expect_locked_out_of_sight()

    def step_04_wrong_then_right_password(self):
        """the same unlock box takes a wrong, then the right password"""
        before = self.snapshot()
        self.bring_back()
        self.d.wait_window("Unlock Vorrel")
        self.d.type("wrong1")
        self.d.key("Return")
        self.answer_message()
        self.d.wait_window("Unlock Vorrel")
        self.d.type(PASSWORD.decode())
        self.d.key("Return")
        self.d.wait_gone("Unlock Vorrel")
        wait_until(lambda: self.d.wm_state(self.main) == "Normal", "a normal window")
        wait_until(lambda: self.d.viewable(self.main), "the unlocked window")
        wait_until(lambda: self.left_strip_colours(self.main) >= 3,
                   "the unlocked window to show its contents", timeout=5)
        self.expect_unchanged(before, "locking and unlocking")

    def step_05_exit(self):
        """File > Exit writes this desktop's files as everywhere"""
        self.exit_by_menu(self.main)
        self.expect_file("vorrel.ini", ex.program_ini(users=(b"bob",)))
        self.expect_file(self.user("settings.dat"), ex.user_settings())
        self.expect_file(self.user("categories.dat"), b"")
        self.expect_file(self.user("passwords.dat"), ex.vault([self.wiki]))
        self.expect_file(self.user("%s.dat" % LOGIN), ex.account_file(PASSWORD))

    def step_05b_no_bus_no_word(self):
        """with no bus to hear the desktop on, the program said not a word about it"""
        with open(os.path.join(self.d.work_dir, "vorrel.log"), "rb") as f:
            said = f.read()
        if re.search(rb"d-?bus", said, re.IGNORECASE):
            raise E2EError("the program spoke of the missing bus: %r" % said)

    def step_06_two_programs_one_account(self):
        """two programs logged in as bob each add an entry: all survive, whichever exits first"""
        titles = [b"Wiki"]
        for first_out in (0, 1):
            programs = []
            for _ in range(2):
                programs.append(self.log_in_again(known=[w for _, w in programs]))
            for i, (_, main) in enumerate(programs):
                title = "Round%d%s" % (first_out, "AB"[i])
                self.add_entry(main, title)
                titles.append(title.encode())
            for i in (first_out, 1 - first_out):
                self.app, main = programs[i]
                self.exit_by_menu(main)
            got = sorted(e[0] for e in self.vault_entries(LOGIN))
            if got != sorted(titles):
                raise E2EError("the vault holds %r, %r wanted" % (got, sorted(titles)))

    def step_07_users_list_with_two_programs(self):
        """a user another program creates meanwhile stays in the users list"""
        bob = self.log_in_again()
        self.app, carol = self.log_in_again(known=[bob[1]], login="carol", new_user=True)
        self.exit_by_menu(carol)
        self.app, main = bob
        self.exit_by_menu(main)
        self.expect_file("vorrel.ini", ex.program_ini(users=(b"bob", b"carol")))

    def answer_box(self, title, text, other_than=()):
        """Types text into the box titled title (not one of the windows named) and presses OK."""
        box = wait_until(lambda: next((w for w in self.d.find(title) if w not in other_than),
                                      None), "the box %r" % title)
        self.d.activate(box)
        self.d.type(text)
        self.d.key("Return")
        wait_until(lambda: box not in self.d.find(title), "the box %r to close" % title)

    def change_password(self, main, reopen_with, new_password):
        """File > Change Password in a window whose files another program
        converted: first the password that opens them now, then the new one."""
        self.d.activate(main)
        self.d.key("alt+f", "Return")
        self.answer_box("%s - %s" % (CAPTION, LOGIN), reopen_with, other_than=(main,))
        self.answer_box("Change Account Password", new_password)
        self.wait_active(main, "the main window after the password change")

    def step_08_format_changed_by_another_program(self):
        """a vault encrypted, then decrypted by another program: each time the password change asks for the password that opens it now, and nothing is lost"""
        self.app, a = self.log_in_again()
        b_app, b = self.log_in_again(known=[a])
        self.add_entry(b, "FromB")
        self.d.activate(b)
        self.d.key("alt+f", "Down", "Down", "Return")  # Encrypt Vault
        self.answer_box("Encrypt Vault", PASSWORD.decode())
        self.d.wait_window("Encrypt Vault")  # the passphrase dialog
        self.give_new_passphrase(PASSPHRASE)
        self.app = b_app
        self.exit_by_menu(b)
        if not self.read(self.user("passwords.dat")).startswith(ex.CONTAINER_MAGIC):
            raise E2EError("the other program did not encrypt the vault")
        # The first program, still compatible: its password change asks for
        # the passphrase, then takes the encrypted rules; no compatible copy
        # of the list lands beside the encrypted vault.
        self.change_password(a, PASSPHRASE, NEW_PASSPHRASE)
        self.add_entry(a, "FromA")
        self.exit_by_menu(a)
        if [n for n in os.listdir(self.path(self.user(""))) if "unsaved" in n]:
            raise E2EError("a copy of the list was written beside the encrypted vault")
        # The new passphrase opens the vault; while one program holds it
        # open, another decrypts it, and the first's password change follows.
        c_app, c = self.log_in_again(password=NEW_PASSPHRASE)
        self.app, d = self.log_in_again(known=[c], password=NEW_PASSPHRASE)
        d_app = self.app
        self.app = c_app
        self.d.activate(c)
        self.d.key("alt+f", "Down", "Down", "Return")  # Decrypt Vault
        self.answer_box("Decrypt Vault", NEW_PASSPHRASE)
        self.d.wait_window("Decrypt Vault")
        self.d.key("Return")  # lists saved while encrypted will not open: decrypt anyway
        self.answer_message()  # the vault is decrypted
        self.exit_by_menu(c)
        self.app = d_app
        self.change_password(d, NEW_PASSPHRASE, PASSWORD.decode())
        self.exit_by_menu(d)
        self.expect_file(self.user("%s.dat" % LOGIN), ex.account_file(PASSWORD))
        got = sorted(e[0] for e in self.vault_entries(LOGIN))
        for title in (b"Wiki", b"FromA", b"FromB"):
            if got.count(title) != 1:
                raise E2EError("the vault holds %r: %r not once" % (got, title))
