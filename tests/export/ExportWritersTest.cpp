#include <gtest/gtest.h>

#include "QtPrinters.h"
#include "export/ExportWriters.h"
#include "platform/TextList.h"

using exporting::ExportColumns;
using exporting::ExportRow;

namespace {
ExportColumns columns(std::initializer_list<int> unchecked = {}) {
    const char* captions[] = {"Title",    "Login",    "Password",    "Category",       "Link",
                              "Comments", "PIN Code", "Credit Card", "Software Serial"};
    ExportColumns c;
    for (int i = 0; i < 9; ++i) {
        c[size_t(i)] = {captions[i], true};
    }
    for (int i : unchecked) {
        c[size_t(i)].checked = false;
    }
    return c;
}
ExportRow row(std::initializer_list<const char*> fields) {
    ExportRow r;
    int i = 0;
    for (const char* f : fields) {
        r[size_t(i++)] = f;
    }
    return r;
}
// The writers return whole files.
QByteArray file(const QByteArray& bytes) {
    return bytes;
}
const char* const kHead =
    "<html>\r\n<head>\r\n<meta charset=windows-1252>\r\n<title>Passwords of bob</title>\r\n"
    "</head>\r\n<body>\r\n<h2 align=center>Passwords of bob:</h2>\r\n"
    "<p><table bgcolor=silver cellpadding=4 cellspacing=1 width=100%>\r\n";
const char* const kTail = "</table>\r\n</body>\r\n</html>\r\n";
}  // namespace

TEST(TextExport, HeaderAndRowsWithABarAfterEveryField) {
    EXPECT_EQ(
        file(exporting::textExport(
            columns(), {row({"a", "u", "p", "c", "l", "m", "1", "2", "3"}), row({"b"})})),
        QByteArray(
            "Title|Login|Password|Category|Link|Comments|PIN Code|Credit Card|Software Serial|\r\n"
            "a|u|p|c|l|m|1|2|3|\r\nb|||||||||\r\n"));
    EXPECT_EQ(file(exporting::textExport(columns(), {})),
              QByteArray("Title|Login|Password|Category|Link|Comments|PIN Code|Credit "
                         "Card|Software Serial|\r\n"));
}

TEST(TextExport, UncheckedColumnsAreLeftOut) {
    EXPECT_EQ(
        file(exporting::textExport(columns({0, 3, 4, 5, 6, 7, 8}), {row({"a", "u", "p", "c"})})),
        QByteArray("Login|Password|\r\nu|p|\r\n"));
    EXPECT_EQ(
        file(exporting::textExport(columns({0, 1, 2, 3, 4, 5, 6, 7, 8}), {row({"a"}), row({"b"})})),
        QByteArray("\r\n\r\n\r\n"));
    // Texts go out unchanged, a "|" inside a field too.
    EXPECT_EQ(file(exporting::textExport(columns({1, 2, 3, 4, 5, 6, 7, 8}), {row({"x|y"})})),
              QByteArray("Title|\r\nx|y|\r\n"));
}

TEST(HtmlExport, ExactPage) {
    EXPECT_EQ(file(exporting::htmlExport("bob", "windows-1252", columns({2, 3, 4, 5, 6, 7, 8}),
                                         {row({"Mail", "me"})})),
              QByteArray(kHead) +
                  "<tr><td>Title</td><td>Login</td></tr>\r\n"
                  "<tr bgcolor=white><td>Mail</td><td>me</td></tr>\r\n" +
                  kTail);
    EXPECT_EQ(file(exporting::htmlExport("bob", "windows-1252", columns(), {})),
              QByteArray(kHead) +
                  "<tr><td>Title</td><td>Login</td><td>Password</td><td>Category</td><td>Link</td>"
                  "<td>Comments</td><td>PIN Code</td><td>Credit Card</td><td>Software "
                  "Serial</td></tr>\r\n" +
                  kTail);
    EXPECT_EQ(file(exporting::htmlExport("bob", "windows-1252",
                                         columns({0, 1, 2, 3, 4, 5, 6, 7, 8}), {row({"a"})})),
              QByteArray(kHead) + "<tr></tr>\r\n<tr bgcolor=white></tr>\r\n" + kTail);
}

TEST(HtmlExport, HostileTextIsEscaped) {
    const QList<QByteArray> lines = platform::parseTextLines(exporting::htmlExport(
        "bob", "GBK", columns({2, 3, 4, 5, 6, 7, 8}),
        {row({"<script>alert(1)</script>", "<img src=x onerror=\"steal()\"> & co"})}));
    EXPECT_EQ(lines[2], QByteArray("<meta charset=GBK>"));
    EXPECT_EQ(lines[9],
              QByteArray("<tr bgcolor=white><td>&lt;script&gt;alert(1)&lt;/script&gt;</td>"
                         "<td>&lt;img src=x onerror=&quot;steal()&quot;&gt; &amp; co</td></tr>"));
}
