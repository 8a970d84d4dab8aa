#include <gtest/gtest.h>

#include "core/PasswordEntry.h"

using core::DecodeRecord;
using core::EncodeRecord;
using core::PasswordEntry;
using core::Scramble;
using core::SplitRecord;

namespace {
PasswordEntry entry(std::initializer_list<const char*> fields) {
    PasswordEntry e;
    int i = 0;
    for (const char* f : fields) {
        e[i++] = f;
    }
    return e;
}
}  // namespace

TEST(Scramble, IsItsOwnInverseForEveryByteAndKeepsTheLength) {
    QByteArray all;
    for (int b = 0; b < 256; ++b) {
        all.append(char(b));
    }
    const QByteArray once = Scramble(all);
    EXPECT_EQ(once.size(), 256);
    EXPECT_EQ(Scramble(once), all);
    for (int b = 0; b < 256; ++b) {
        EXPECT_EQ(uchar(once[b]), uchar(b ^ 0xB9));
    }
    EXPECT_EQ(Scramble(QByteArray()), QByteArray());
}

TEST(EncodeRecord, JoinsWithEightSeparatorsThenScrambles) {
    const PasswordEntry e = entry({"Mail", "bob", "pw", "Work", "http://x", "c", "1", "2", "3"});
    const QByteArray stored = EncodeRecord(e);
    EXPECT_EQ(Scramble(stored), QByteArray("Mail|bob|pw|Work|http://x|c|1|2|3"));
    EXPECT_EQ(stored.count(char('|' ^ 0xB9)), 8);
    EXPECT_EQ(Scramble(EncodeRecord(PasswordEntry())), QByteArray("||||||||"));
}

TEST(DecodeRecord, RoundTripsEveryStorableEntry) {
    const PasswordEntry samples[] = {
        PasswordEntry(),
        entry({"Mail", "bob", "pw", "Work", "http://x", "c", "1", "2", "3"}),
        entry({"", "", "pass", "", "", "", "", "", "serial"}),
        entry({"\xe9t\xe9", "\xd6\xd0", "\x01\x7f\xff", "", "", "long comment with spaces", "", "",
               ""}),
    };
    for (const PasswordEntry& e : samples) {
        EXPECT_EQ(DecodeRecord(EncodeRecord(e)), e);
    }
}

TEST(DecodeRecord, SplitRules) {
    // Three parts: Title, Login, Password and six empty fields.
    EXPECT_EQ(SplitRecord("a|b|c"), entry({"a", "b", "c"}));
    // No separator: empty Title, the whole text is the Login.
    EXPECT_EQ(SplitRecord("abc"), entry({"", "abc"}));
    // Ten parts: the tenth is dropped.
    EXPECT_EQ(SplitRecord("1|2|3|4|5|6|7|8|9|10"),
              entry({"1", "2", "3", "4", "5", "6", "7", "8", "9"}));
    EXPECT_EQ(SplitRecord("1|2|3|4|5|6|7|8|9|10|11|12")[core::SoftwareSerial], QByteArray("9"));
    // Empty line and separators only.
    EXPECT_EQ(SplitRecord(""), PasswordEntry());
    EXPECT_EQ(SplitRecord("||||||||"), PasswordEntry());
    EXPECT_EQ(SplitRecord("|"), PasswordEntry());
    EXPECT_EQ(SplitRecord("t|"), entry({"t"}));
}

TEST(DecodeRecord, BarInCommentsShiftsTheLaterFields) {
    const PasswordEntry e = entry({"T", "L", "P", "C", "K", "left|right", "pin", "card", "serial"});
    const PasswordEntry d = DecodeRecord(EncodeRecord(e));
    EXPECT_EQ(d[core::Comments], QByteArray("left"));
    EXPECT_EQ(d[core::PinCode], QByteArray("right"));
    EXPECT_EQ(d[core::CreditCard], QByteArray("pin"));
    EXPECT_EQ(d[core::SoftwareSerial], QByteArray("card"));
}

TEST(DecodeRecord, SpansMatchTheCopies) {
    for (const QByteArray& plain :
         {QByteArray("a|bb|ccc"), QByteArray("x"), QByteArray(""), QByteArray("|||||||||||")}) {
        const core::FieldSpans s = core::splitSpans(plain.constData(), plain.size());
        const PasswordEntry e = SplitRecord(plain);
        for (int f = 0; f < core::kFieldCount; ++f) {
            EXPECT_EQ(plain.mid(s.start[size_t(f)], s.length[size_t(f)]), e[f])
                << plain.constData();
        }
    }
}
