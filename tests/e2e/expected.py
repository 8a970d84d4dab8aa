"""The bytes the program must leave on disk, built independently of its code."""

import os

SCRAMBLE_KEY = 0xB9
KEY_FILE_SIZE = 1048576
ALPHABET = b"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"

CAPTIONS_EN = [b"Title", b"Login", b"Password", b"Category", b"Link", b"Comments",
               b"PIN Code", b"Credit Card", b"Software Serial"]


def scramble(data: bytes) -> bytes:
    return bytes(b ^ SCRAMBLE_KEY for b in data)


CONTAINER_MAGIC = b"VORREL\x00\x1a\x02"  # and the format version


def crlf(lines) -> bytes:
    return b"".join(line + b"\r\n" for line in lines)


class Entry:
    """One entry: the nine fields in stored order."""

    FIELDS = ("title", "login", "password", "category", "link", "comments", "pin", "card",
              "serial")

    def __init__(self, title, login, password, category=b"", link=b"", comments=b"", pin=b"",
                 card=b"", serial=b""):
        self.title, self.login, self.password = title, login, password
        self.category, self.link, self.comments = category, link, comments
        self.pin, self.card, self.serial = pin, card, serial

    def fields(self):
        return [getattr(self, name) for name in self.FIELDS]

    def plain(self) -> bytes:
        return b"|".join(self.fields())


def vault(entries) -> bytes:
    """passwords.dat: one scrambled line per entry, each ended by a plain CR LF."""
    return crlf(scramble(e.plain()) for e in entries)


def account_file(password: bytes) -> bytes:
    return crlf([scramble(password)])


def key_file(password: bytes) -> bytes:
    return scramble(password) + bytes(KEY_FILE_SIZE - len(password))


def program_ini(language=b"English", hidden=False, users=(b"alice",)) -> bytes:
    lines = [b"[Options]", b"Language=" + language, b"hidden=" + (b"1" if hidden else b"0"),
             b"Users=" + str(len(users)).encode()]
    lines += [b"User %d=%s" % (i + 1, u) for i, u in enumerate(users)]
    return crlf(lines)


def user_settings(key=False, key_file_path=b"") -> bytes:
    return crlf([b"[Options]", b"Key=" + (b"1" if key else b"0"), b"KeyFile=" + key_file_path,
                 b"Font Name=MS Sans Serif", b"Font Size=8", b"Font Color=clWindowText"])


def text_export(rows, unchecked=(), captions=CAPTIONS_EN) -> bytes:
    def pick(values):
        return b"".join(v + b"|" for i, v in enumerate(values) if i not in unchecked)
    return crlf([pick(captions)] + [pick(e.fields()) for e in rows])


def _html_escape(text: bytes) -> bytes:
    return (text.replace(b"&", b"&amp;").replace(b"<", b"&lt;").replace(b">", b"&gt;")
            .replace(b'"', b"&quot;"))


def html_export(login, charset, rows, unchecked=(), captions=CAPTIONS_EN) -> bytes:
    def cells(values):
        return b"".join(b"<td>" + _html_escape(v) + b"</td>"
                        for i, v in enumerate(values) if i not in unchecked)
    who = _html_escape(login)
    lines = [b"<html>", b"<head>", b"<meta charset=" + charset + b">",
             b"<title>Passwords of " + who + b"</title>", b"</head>", b"<body>",
             b"<h2 align=center>Passwords of " + who + b":</h2>",
             b"<p><table bgcolor=silver cellpadding=4 cellspacing=1 width=100%>",
             b"<tr>" + cells(captions) + b"</tr>"]
    lines += [b"<tr bgcolor=white>" + cells(e.fields()) + b"</tr>" for e in rows]
    lines += [b"</table>", b"</body>", b"</html>"]
    return crlf(lines)


PRIVATE_FOLDER = 0o700
PRIVATE_FILE = 0o600


def default_mode(folder=False) -> int:
    """What the umask this run inherits makes of a file or folder created for everyone."""
    mask = os.umask(0)
    os.umask(mask)
    return (0o777 if folder else 0o666) & ~mask
