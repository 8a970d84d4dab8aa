"""A desktop with a notification area: a first user's whole day with Vorrel."""

import os
import random
import string
import shutil

import expected as ex
from desktop import E2EError, FaultSeen, known_fault, same_pictures, wait_until
from person import MESSAGE_TITLE, Person, memory_holding, secret_forms

LOGIN = "alice"
PASSWORD = b"secret1"
PASSPHRASE = "seven purple otters juggle"  # the encrypted vault's
CHARSET = b"windows-1252"  # the code page of the C locale the program runs in
CHINESE_TITLE = "\u56fd\u5927\u51fa\u5173"  # characters GBK cannot carry
CHINESE_LOGIN = "\u7528\u6237"


class WithTray(Person):
    name = "tray"
    tray = True
    login = LOGIN

    def __init__(self, *args):
        super().__init__(*args)
        self.mail = self.bank = self.forum = None
        self.main = None
        self.keys_dir = os.path.join(os.path.dirname(self.dir), "keys")
        self.stick_dir = os.path.join(os.path.dirname(self.dir), "stick")

    def expect_vault(self, entries):
        self.expect_file(self.user("passwords.dat"), ex.vault(entries))

    def add_entry(self, fill, title="Add Data"):
        """Opens the add dialog, lets fill() work it, presses OK."""
        self.d.activate(self.main)
        self.d.key("ctrl+alt+a")
        dialog = self.d.wait_window(title)
        fill(dialog)
        self.d.key("Tab", "space")  # from Software Serial to OK
        self.d.wait_gone(title)

    def new_category(self, dialog, name):
        """From the Category box: the New button, a name, Enter."""
        self.d.key("Tab", "space")
        self.d.wait_window("New Category")
        self.d.type(name)
        self.d.key("Return")
        self.d.wait_gone("New Category")
        self.wait_active(dialog, "the add dialog to be active again")

    def stored_generated_password(self, index, shown):
        def written():
            entries = self.vault_entries(LOGIN)
            return entries if len(entries) > index else None
        entries = wait_until(written, "line %d of the vault" % (index + 1))
        password = entries[index][2]
        if password != shown:
            raise E2EError("stored password %r is not the %r the add dialog showed"
                           % (password, shown))
        return password

    # ---- steps --------------------------------------------------------------------

    def step_01_first_start(self):
        """first start: the login dialog, and no user exists yet"""
        login = self.start()
        self.screenshot(login, "login-first-start")
        self.d.type(LOGIN)
        self.d.key("shift+Tab")  # the password field comes before the name field
        self.d.type(PASSWORD.decode())
        self.d.key("alt+l")  # Login: nobody of that name yet
        self.answer_message()
        self.wait_active(login, "the login dialog to be active again")
        self.expect_absent("users")
        self.expect_absent("vorrel.ini")

    def step_02_new_user(self):
        """New User creates the account's files and opens the main window"""
        self.d.key("alt+n")
        self.main = self.main_window(LOGIN)
        self.expect_file(self.user("%s.dat" % LOGIN), ex.account_file(PASSWORD))
        self.expect_file(self.user("passwords.dat"), b"")
        self.expect_file(self.user("categories.dat"), b"")
        self.expect_absent(self.user("settings.dat"))
        self.expect_absent("vorrel.ini")

    def step_02b_private_files(self):
        """the account's folder and files are the user's alone; the users folder is not"""
        self.expect_mode("users", ex.default_mode(folder=True))
        self.expect_mode(self.user(""), ex.PRIVATE_FOLDER)
        for name in ("%s.dat" % LOGIN, "passwords.dat", "categories.dat"):
            self.expect_mode(self.user(name), ex.PRIVATE_FILE)

    def step_03_program_icon(self):
        """the main window and the notification area show the program's own icon"""
        icons = self.d.window_icons(self.main)
        for size in (16, 32, 48, 64, 128, 256):
            picture = icons.get((size, size))
            if picture is None:
                raise E2EError("the window icon has no %d px picture: %s"
                               % (size, sorted(icons)))
            png = os.path.join(self.icons, "vorrel-%d.png" % size)
            if not same_pictures(picture, self.d.png_argb(png)):
                raise E2EError("the %d px window icon is not %s" % (size, png))
        self.screenshot(self.d.tray_icon(), "tray-icon")

    def step_04_add_with_new_category(self):
        """add an entry with the generated password and a category made with New"""
        shown = []

        def fill(dialog):
            self.d.type("Mail")
            self.d.key("Tab")
            self.d.type("alice@example.org")
            self.d.key("Tab")  # Password
            shown.append(self.shown_password())
            self.d.key("Tab", "Tab")  # Generate, Category
            self.new_category(dialog, "Work")
            # The new name is in the file at once, before OK.
            self.expect_file(self.user("categories.dat"), b"Work\r\n")
            self.d.key("Tab")
            self.d.type("mail.example.org")
            self.d.key("Tab", "Tab")
            self.d.type("personal box")
            self.d.key("Tab")
            self.d.type("1234")
            self.d.key("Tab")
            self.d.type("4111 1111 1111 1111")
            self.d.key("Tab")
            self.d.type("SN-1")
            self.screenshot(dialog, "add")
        self.add_entry(fill)
        password = self.stored_generated_password(0, shown[0])
        self.mail = ex.Entry(b"Mail", b"alice@example.org", password, b"Work",
                             b"mail.example.org", b"personal box", b"1234",
                             b"4111 1111 1111 1111", b"SN-1")
        self.expect_vault([self.mail])
        self.expect_file(self.user("categories.dat"), b"Work\r\n")

    def step_05_add_second_category(self):
        """a second entry and a second new category; the dialog shows a new password"""
        shown = []

        def fill(dialog):
            self.d.type("Bank")
            self.d.key("Tab")
            self.d.type("alice.b")
            self.d.key("Tab")
            shown.append(self.shown_password(previous=self.mail.password))
            self.d.key("Tab", "Tab")
            self.new_category(dialog, "Home")
            # The dialog's list in its own order; sorted only when the program closes.
            self.expect_file(self.user("categories.dat"), b"Work\r\nHome\r\n")
            self.d.key("Tab")
            self.d.type("https://bank.example.com")
            self.d.key("Tab", "Tab", "Tab")
            self.d.type("0042")
            self.d.key("Tab", "Tab")
        self.add_entry(fill)
        password = self.stored_generated_password(1, shown[0])
        self.bank = ex.Entry(b"Bank", b"alice.b", password, b"Home",
                             b"https://bank.example.com", b"", b"0042")
        self.expect_vault([self.mail, self.bank])

    def step_06_add_typed_password_existing_category(self):
        """a third entry with a typed password and a category picked from the list"""
        def fill(dialog):
            self.d.type("Forum")
            self.d.key("Tab")
            self.d.type("al1ce")
            self.d.key("Tab")
            self.type_field("Forum-pw-3")
            self.d.key("Tab", "Tab")
            self.d.type("W")  # the list opens on Home, the category just shown
            self.d.key("Tab", "Tab")
            self.d.type("forum.example.net")
            self.d.key("Tab", "Tab")
            self.d.type("weekly")
            self.d.key("Tab", "Tab", "Tab")
        self.add_entry(fill)
        self.forum = ex.Entry(b"Forum", b"al1ce", b"Forum-pw-3", b"Work", b"forum.example.net",
                              b"weekly")
        self.expect_vault([self.mail, self.bank, self.forum])
        self.expect_file(self.user("categories.dat"), b"Work\r\nHome\r\n")

    def step_07_sort_and_export_text(self):
        """all entries, sorted by a click on the Login header, exported to a text file"""
        self.d.click(self.main, *self.TREE_ROOT)
        self.click_header(self.main, 1)
        self.screenshot(self.main, "main-en")
        before = self.snapshot()
        self.d.key("ctrl+alt+x")
        dialog = self.d.wait_window("Export Data")
        self.screenshot(dialog, "export")
        _, _, w, h = self.d.geometry(dialog)
        self.d.click(dialog, w - 138, h - 23)  # Ok
        self.d.wait_window("Save As")
        self.type_field("export.txt")
        self.d.key("Return")
        self.d.wait_gone("Save As")
        # Logins in ascending order: al1ce, alice.b, alice@example.org.
        self.expect_file("data/export.txt", ex.text_export([self.forum, self.bank, self.mail]))
        before["data/export.txt"] = self.read("data/export.txt")
        self.expect_unchanged(before, "the text export")

    def step_08_languages(self):
        """Russian and Chinese and back to English, from the Options menu"""
        before = self.snapshot()
        # English menus: Alt+O, Language, the second item.
        self.d.key("alt+o", "l", "Down", "Return")
        self.look_at_language("ru", "Добавление записи", "Изменение записи", "О программе",
                              "Экспорт данных", "Сохранить как", about_by_mouse=True)
        # The Russian menus have no Latin access keys: the mouse opens the first
        # menu and the arrows walk to Options, open Language, go to the third item.
        self.d.activate(self.main)
        self.click_first_menu(self.main)
        self.d.key("Right", "Right", "Right", "Right", "Right", "Down", "Down", "Return")
        self.look_at_language("zh", "添加数据", "编辑数据", "关于本程序", "导出数据", "另存为",
                              about_by_mouse=False)
        self.d.activate(self.main)
        self.d.key("alt+o", "l", "Return")  # 选项(&O) > 语言(&L) > English
        self.d.key("ctrl+alt+a")
        self.d.wait_window("Add Data")
        self.cancel_entry_dialog("Add Data")
        self.expect_unchanged(before, "switching languages")

    def look_at_language(self, code, add_title, edit_title, about_title, export_title,
                         save_title, about_by_mouse):
        self.d.activate(self.main)
        self.d.key("ctrl+alt+a")
        dialog = self.d.wait_window(add_title)
        self.screenshot(dialog, "add-" + code)
        self.cancel_entry_dialog(add_title)
        self.wait_active(self.main, "the main window to be active again")
        self.screenshot(self.main, "main-" + code)
        self.click_row(self.main, 0)
        self.d.key("ctrl+alt+e")
        edit = self.d.wait_window(edit_title)
        self.screenshot(edit, "edit-" + code)
        self.cancel_entry_dialog(edit_title)
        self.wait_active(self.main, "the main window to be active again")
        if about_by_mouse:
            self.click_first_menu(self.main)
            self.d.key("Left", "Return")  # from the first menu round to Help
        else:
            self.d.key("alt+h", "Return")
        about = self.d.wait_window(about_title)
        self.screenshot(about, "about-" + code)
        self.d.key("Return")
        self.d.wait_gone(about_title)
        # The export window, then Qt's own save dialog in the same language.
        self.wait_active(self.main, "the main window to be active again")
        self.d.key("ctrl+alt+x")
        export = self.d.wait_window(export_title)
        self.screenshot(export, "export-" + code)
        _, _, w, h = self.d.geometry(export)
        self.d.click(export, w - 138, h - 23)  # Ok
        save = self.d.wait_window(save_title)
        self.screenshot(save, "save-as-" + code)
        self.d.key("Escape")
        self.d.wait_gone(save_title)

    def step_09_hide_and_export_html(self):
        """hidden passwords (Ctrl+H), the opposite order, an HTML export without one column"""
        self.d.activate(self.main)
        self.d.key("ctrl+h")
        self.click_header(self.main, 1)  # the same header again: descending
        self.screenshot(self.main, "main-hidden")
        self.d.key("ctrl+alt+x")
        dialog = self.d.wait_window("Export Data")
        self.d.click(dialog, 47, 36)  # the first column's name
        self.d.key("Down", "Down", "Down", "Down", "Down", "space")  # Comments off
        _, _, w, h = self.d.geometry(dialog)
        self.d.click(dialog, w - 138, h - 23)
        save = self.d.wait_window("Save As")
        # The file type box follows the name box; the name follows the type.
        self.d.key("Tab", "Down", "shift+Tab")
        self.screenshot(save, "export-save-as")
        self.type_field("export.html")
        self.d.key("Return")
        self.d.wait_gone("Save As")
        # The real passwords, not the asterisks the list shows.
        self.expect_file("data/export.html",
                         ex.html_export(LOGIN.encode(), CHARSET,
                                        [self.mail, self.bank, self.forum], unchecked={5}))

    def step_10_copy_password(self):
        """the list's context menu copies the real password of a hidden row, and a login"""
        self.d.activate(self.main)
        self.copy_from_context_menu(self.main, 0, 1)
        self.expect_clipboard(self.mail.password)
        self.copy_from_context_menu(self.main, 2, 0)
        self.expect_clipboard(self.forum.login)

    def step_11_search_and_edit(self):
        """the search box finds a row; Ctrl+Alt+E edits it in place"""
        self.click_search(self.main)
        self.d.type("fo")
        self.d.key("ctrl+alt+e")
        dialog = self.d.wait_window("Edit Data")
        self.screenshot(dialog, "edit")
        self.d.key(*["Tab"] * 8)  # Name to Comments
        self.type_field("weekly digest")
        self.d.key("Tab", "Tab", "Tab", "Tab", "space")  # to OK
        self.d.wait_gone("Edit Data")
        self.forum.comments = b"weekly digest"
        # Its line stays where it was; the hidden password is kept, not the mask.
        self.expect_vault([self.mail, self.bank, self.forum])

    def step_12_delete(self):
        """Delete asks first; the vault reaches the disk when the program closes"""
        before = self.snapshot()
        self.d.activate(self.main)
        self.click_row(self.main, 0)  # Bank: the list is in Title order again
        self.d.key("Delete")
        box = self.d.wait_window("Delete Entries")
        self.screenshot(box, "delete-question")
        self.d.key("Return")
        self.d.wait_gone("Delete Entries")
        self.wait_active(self.main, "the main window to be active again")
        self.expect_unchanged(before, "deleting")

    def step_13_lock(self):
        """Ctrl+L hides the window at once"""
        self.d.activate(self.main)
        self.d.key("ctrl+l")
        wait_until(lambda: not self.d.viewable(self.main), "the locked window to go")

    def open_unlock_box(self):
        self.open_tray_menu()
        self.d.key("Down", "Down", "Return")  # Add, Unlock
        return self.d.wait_window("Unlock Vorrel")

    def step_14_unlock_box_hides_the_password(self):
        """the unlock box does not show the password typed into it; Cancel keeps it locked"""
        before = self.snapshot()
        unlock = self.open_unlock_box()
        try:
            self.d.type("abc123")
            first = self.d.captures(unlock)
            self.type_field("xyz789")
            second = self.d.captures(unlock)
            self.screenshot(unlock, "unlock-typed")
        finally:
            self.d.key("Escape")
            self.d.wait_gone("Unlock Vorrel")
        wait_until(lambda: not self.d.viewable(self.main), "the window to stay hidden")
        self.expect_unchanged(before, "a cancelled unlock")
        if not first & second:
            raise FaultSeen("two different passwords of one length look different")

    def step_15_unlock_from_tray(self):
        """the tray menu's Unlock takes a wrong, then the right password"""
        before = self.snapshot()
        self.open_unlock_box()
        self.d.type("wrong1")
        self.d.key("Return")
        self.answer_message()
        unlock = self.d.wait_window("Unlock Vorrel")
        self.screenshot(unlock, "unlock")
        self.d.type(PASSWORD.decode())
        self.d.key("Return")
        self.d.wait_gone("Unlock Vorrel")
        wait_until(lambda: self.d.viewable(self.main), "the unlocked window")
        self.wait_active(self.main, "the unlocked window to be active")
        if self.left_strip_colours(self.main) < 3:
            raise E2EError("the unlocked window shows no category tree")
        self.expect_unchanged(before, "locking and unlocking")

    def open_tray_menu(self):
        self.d.click_for_menu(self.d.tray_icon(), 8, 8, button=3)

    def step_16_minimize_to_tray(self):
        """minimized, the window leaves for the tray; a click on the icon brings it back"""
        self.d.minimize(self.main)
        wait_until(lambda: not self.d.viewable(self.main), "the window to go to the tray")
        self.d.click(self.d.tray_icon(), 8, 8)
        wait_until(lambda: self.d.viewable(self.main), "the window to come back")
        wait_until(lambda: self.d.wm_state(self.main) == "Normal", "a normal window")
        self.wait_active(self.main, "the restored window to be active")

    def step_17_about(self):
        """Help > About Program"""
        self.d.key("alt+h", "Return")
        about = self.d.wait_window("About Program")
        self.screenshot(about, "about")
        self.d.key("Return")
        self.d.wait_gone("About Program")

    def step_18_exit(self):
        """File > Exit writes the settings, the sorted categories and the vault"""
        self.exit_by_menu(self.main)
        self.expect_file("vorrel.ini", ex.program_ini(hidden=True))
        self.expect_file(self.user("settings.dat"), ex.user_settings())
        self.expect_file(self.user("categories.dat"), b"Home\r\nWork\r\n")
        self.expect_vault([self.mail, self.forum])
        self.expect_absent(self.user("passwords.dat.bak"))
        self.expect_mode(self.user("settings.dat"), ex.PRIVATE_FILE)
        self.expect_mode("data/export.html", ex.PRIVATE_FILE)
        # Every account reads the list of users and adds its own.
        self.expect_mode("vorrel.ini", ex.default_mode())

    def step_19_log_in_again(self):
        """a later start offers the user; a wrong password, then the right one"""
        self.start()
        self.d.type("nope1")
        self.d.key("Return")
        self.answer_message()
        self.type_field(PASSWORD.decode())
        self.d.key("Return")
        self.main = self.main_window(LOGIN)
        self.screenshot(self.main, "main-after-login")
        # The list shows what was stored: Forum then Mail, by Title.
        self.copy_from_context_menu(self.main, 0, 0)
        self.expect_clipboard(self.forum.login)
        # The vault as found at the login is kept beside it.
        self.expect_file(self.user("passwords.dat.bak"), ex.vault([self.mail, self.forum]))

    def step_20_create_key_file(self):
        """File > Create Key File writes the key; the settings name it at exit"""
        os.makedirs(self.keys_dir, exist_ok=True)
        key = os.path.join(self.keys_dir, "alice.vrx")
        self.d.activate(self.main)
        self.d.key("alt+f", "Down", "Return")
        self.d.wait_window("Save As")
        self.type_field(key)
        self.d.key("Return")
        self.d.wait_gone("Save As")
        wait_until(lambda: os.path.exists(key), "the key file")
        with open(key, "rb") as f:
            if f.read() != ex.key_file(PASSWORD):
                raise E2EError("the key file is not the scrambled password padded to 1 MiB")
        self.exit_by_menu(self.main)
        self.expect_file(self.user("settings.dat"),
                         ex.user_settings(key=True, key_file_path=key.encode()))

    def log_in_with_key(self, password=PASSWORD.decode()):
        self.start()
        self.d.type(password)
        self.d.key("Return")

    def step_21_key_file_in_place(self):
        """with the key file where it was made, the login asks for nothing more"""
        before = self.snapshot()
        self.log_in_with_key()
        self.main = self.main_window(LOGIN)
        if self.d.find(MESSAGE_TITLE):
            raise E2EError("a message box came up although the key file is in place")
        self.exit_by_menu(self.main)
        for rel in ("vorrel.ini", self.user("settings.dat"), self.user("passwords.dat"),
                    self.user("categories.dat")):
            self.expect_file(rel, before[rel])

    def step_22_key_file_moved(self):
        """a moved key file is asked for, picked in the open dialog, and remembered"""
        os.makedirs(self.stick_dir, exist_ok=True)
        moved = os.path.join(self.stick_dir, "alice.vrx")
        shutil.move(os.path.join(self.keys_dir, "alice.vrx"), moved)
        self.log_in_with_key()
        self.answer_message()  # the key file of this account was not found
        self.d.wait_window("Open")
        self.type_field(moved)
        self.d.key("Return")
        self.main = self.main_window(LOGIN)
        self.exit_by_menu(self.main)
        self.expect_file(self.user("settings.dat"),
                         ex.user_settings(key=True, key_file_path=moved.encode()))

    def step_23_wrong_key_file(self):
        """another account's key file ends the program and nothing is written"""
        moved = os.path.join(self.stick_dir, "alice.vrx")
        with open(moved, "wb") as f:
            f.write(ex.key_file(b"other22"))
        before = self.snapshot()
        self.log_in_with_key()
        self.answer_message()  # this key file does not belong to this account
        self.expect_exit()
        self.expect_unchanged(before, "a login with a wrong key file")

    def step_24_login_in_other_languages(self):
        """the login dialog in Russian and Chinese, whole; Enter on the focused Exit ends it"""
        for language, code, title in (("Russian", "ru", "Вход"), ("SChinese", "zh", "登录")):
            ini = self.read("vorrel.ini").replace(b"Language=English", b"Language=" + language.encode())
            with open(self.path("vorrel.ini"), "wb") as f:
                f.write(ini)
            before = self.snapshot()
            login = self.start(title)
            self.screenshot(login, "login-" + code)
            self.d.key("shift+Tab", "Return")  # from the password field back to Exit
            self.expect_exit()
            self.expect_unchanged(before, "a start ended with Exit")
            with open(self.path("vorrel.ini"), "wb") as f:
                f.write(ini.replace(b"Language=" + language.encode(), b"Language=English"))

    def step_25_encrypt_vault(self):
        """Encrypt Vault takes a passphrase typed twice, a random key file for the old one"""
        with open(os.path.join(self.stick_dir, "alice.vrx"), "wb") as f:
            f.write(ex.key_file(PASSWORD))
        self.log_in_with_key()
        self.main = self.main_window(LOGIN)
        self.d.activate(self.main)
        self.d.key("alt+f", "Down", "Down", "Return")
        box = self.d.wait_window("Encrypt Vault")
        self.d.type(PASSWORD.decode())
        self.d.key("Return")
        # The passphrase dialog bears the same title.
        dialog = wait_until(lambda: next((w for w in self.d.find("Encrypt Vault") if w != box),
                                         None), "the passphrase dialog")
        self.d.activate(dialog)
        self.give_new_passphrase(PASSPHRASE)
        self.d.wait_window("Encrypt Vault")  # the old key file no longer applies: a new one?
        self.d.key("Return")
        random_key = os.path.join(self.stick_dir, "alice-random.vrx")
        self.d.wait_window("Save As")
        self.type_field(random_key)
        self.d.key("Return")
        self.d.wait_gone("Save As")
        wait_until(lambda: os.path.exists(random_key), "the new key file")
        self.wait_active(self.main, "the main window to be active again")
        with open(random_key, "rb") as f:
            data = f.read()
        if len(data) != ex.KEY_FILE_SIZE or data == ex.key_file(PASSWORD):
            raise E2EError("the new key file is not a random one")
        for rel in ("passwords.dat", "passwords.dat.bak", "categories.dat"):
            data = self.read(self.user(rel)) or b""
            if not data.startswith(ex.CONTAINER_MAGIC):
                raise E2EError("%s is not encrypted: %r" % (rel, data[:16]))
        account = self.read(self.user("%s.dat" % LOGIN)) or b""
        if not account.startswith(b"VORREL-ENCRYPTED 2\r\n") or ex.scramble(PASSWORD) in account:
            raise E2EError("the password file does not hold the wrapped key alone")

        def fill(dialog):
            self.d.type(CHINESE_TITLE)
            self.d.key("Tab")
            self.d.type(CHINESE_LOGIN)
            self.d.key(*["Tab"] * 10)  # to Software Serial
        self.add_entry(fill)
        self.exit_by_menu(self.main)

    def step_26_log_in_to_the_encrypted_vault(self):
        """the encrypted vault opens with passphrase and key file, Chinese title shown"""
        self.log_in_with_key(PASSPHRASE)
        self.main = self.main_window(LOGIN)
        if self.d.find(MESSAGE_TITLE):
            raise E2EError("a message box came up at the login of the encrypted vault")
        self.screenshot(self.main, "main-encrypted-chinese")
        # Sorted by title, the Chinese one comes last, after Forum and Mail.
        self.copy_from_context_menu(self.main, 2, 0)
        self.expect_clipboard(CHINESE_LOGIN.encode())
        self.exit_by_menu(self.main)

    def step_27_screen_lock(self):
        """the desktop's screen lock locks the program; locked, an encrypted vault leaves no password and no passphrase in its memory; the passphrase brings it back"""
        self.d.start_session_bus()
        self.log_in_with_key(PASSPHRASE)
        self.main = self.main_window(LOGIN)
        # Thirty entries with passwords found nowhere else, imported: titles
        # that sort first, so the unlocked list shows one at the top.
        passwords = ["Kq%02d-%s" % (i, "".join(random.choice(string.ascii_letters + string.digits)
                                                for _ in range(14))) for i in range(30)]
        csv = os.path.join(self.dir, "data", "bulk.csv")
        with open(csv, "w") as f:
            f.write("url,username,password,totp,extra,name,grouping,fav\n")
            for i, pw in enumerate(passwords):
                f.write("https://bulk%02d.example,bulk%02d,%s,,,Aa%02d,,0\n" % (i, i, pw, i))
        self.d.activate(self.main)
        self.d.key("alt+l", "Down", "Down", "Down", "Down", "Return")  # List > Import...
        self.d.wait_window("Open")
        self.type_field(csv)
        self.d.key("Return")
        self.d.wait_window("Import")
        self.d.key("Return")
        self.d.wait_gone("Import")
        self.wait_active(self.main, "the main window after the import")
        os.remove(csv)
        self.d.lock_screen()
        wait_until(lambda: not self.d.viewable(self.main), "the locked window to go")
        # The entries the vault held before (read from the file at login) as well.
        secrets = {"password %d" % i: pw for i, pw in enumerate(passwords)}
        secrets.update({"Mail's password": self.mail.password.decode(),
                        "Forum's password": self.forum.password.decode(),
                        "passphrase": PASSPHRASE})
        needles = {}
        for name, secret in secrets.items():
            for form, data in secret_forms(secret).items():
                needles["%s %s" % (name, form)] = data
        found = memory_holding(self.app.pid, needles)
        if found:
            raise E2EError("locked, the program's memory still holds %s" % ", ".join(
                "%s (%dx)" % item for item in sorted(found.items())))
        self.open_unlock_box()
        self.d.type(PASSPHRASE)
        self.d.key("Return")
        self.d.wait_gone("Unlock Vorrel")
        wait_until(lambda: self.d.viewable(self.main), "the unlocked window")
        self.copy_from_context_menu(self.main, 0, 0)
        self.expect_clipboard(b"bulk00")
        self.exit_by_menu(self.main)
