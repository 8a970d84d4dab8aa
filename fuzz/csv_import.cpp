// The CSV import: whatever the bytes, the plan holds only lines the vault can
// store, each of nine fields, no entry twice, and only new categories in use.
#include <QSet>
#include <cstdint>

#include "FuzzSupport.h"
#include "core/CsvImport.h"
#include "core/StoredText.h"
#include "platform/CodePage.h"

namespace {

void check(const core::ImportPlan& plan, const core::LineList& existing, bool compatible) {
    if (plan.format == core::ImportFormat::Unknown) {
        FUZZ_CHECK(plan.lines.isEmpty() && plan.duplicates == 0 && plan.notLogins == 0);
    }
    // What makes a duplicate: the title, login and password.
    const auto keyOf = [](const core::PasswordEntry& e) {
        return e[core::Title] + '|' + e[core::Login] + '|' + e[core::Password];
    };
    QSet<QByteArray> seen;
    QSet<QByteArray> categories;
    for (const QByteArray& line : existing) {
        seen.insert(keyOf(core::DecodeRecord(line)));
    }
    for (const QByteArray& line : plan.lines) {
        const QByteArray plain = core::Scramble(line);
        FUZZ_CHECK(plain.count('|') == core::kFieldCount - 1);
        FUZZ_CHECK(!plain.contains('\r') && !plain.contains('\n'));
        if (compatible) {
            for (char byte : plain) {
                FUZZ_CHECK(!core::isForbiddenStoredByte(byte));
            }
        }
        const core::PasswordEntry e = core::DecodeRecord(line);
        const QByteArray key = keyOf(e);
        FUZZ_CHECK(!seen.contains(key));
        seen.insert(key);
        categories.insert(e[core::Category]);
    }
    FUZZ_CHECK(plan.newCategories.size() == plan.newCategoryNames.size());
    QSet<QByteArray> distinct;
    for (const QByteArray& name : plan.newCategories) {
        FUZZ_CHECK(!name.isEmpty() && name != "Work" && categories.contains(name));
        FUZZ_CHECK(!distinct.contains(name));
        distinct.insert(name);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool ready = platform::setStorageCodePage("windows-1252");
    FUZZ_CHECK(ready);
    const QByteArray file = fuzzing::bytes(data, size);
    const core::LineList existing{core::Scramble("Mail|bob|pw1|Work|||||")};
    const core::StorageRules compatible = core::storageRules(platform::Encoding::CodePage);
    check(core::planImport(file, existing, {"Work"}, compatible), existing, true);
    // An encrypted vault: everything but the line format's own characters.
    const core::StorageRules utf8 = core::storageRules(platform::Encoding::Utf8);
    check(core::planImport(file, existing, {"Work"}, utf8), existing, false);
    return 0;
}
