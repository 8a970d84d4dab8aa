// Category counts: every name's count over the stored lines, found in one
// pass, must be what a scan for each name finds. The input's first byte says
// how many of its lines are names; the other lines are the stored lines.
#include <cstdint>
#include <string_view>

#include "FuzzSupport.h"
#include "core/PasswordEntry.h"
#include "core/UserFiles.h"
#include "platform/TextList.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    const platform::TextLines all = platform::parseTextLines(fuzzing::bytes(data + 1, size - 1));
    const qsizetype nameCount = std::min<qsizetype>(data[0], all.size());
    const core::LineList names = all.mid(0, nameCount);
    const core::LineList lines = all.mid(nameCount);
    const QList<int> counts = core::categoryCounts(lines, names);
    FUZZ_CHECK(counts.size() == names.size());
    for (qsizetype k = 0; k < names.size(); ++k) {
        int expected = 0;
        if (!names[k].isEmpty()) {
            const QByteArray scrambled = core::Scramble(names[k]);
            const std::string_view needle(scrambled.constData(), size_t(scrambled.size()));
            for (const QByteArray& line : lines) {
                expected += std::string_view(line.constData(), size_t(line.size())).find(needle) !=
                                    std::string_view::npos
                                ? 1
                                : 0;
            }
        }
        FUZZ_CHECK(counts[k] == expected);
        if (k < 8) {
            FUZZ_CHECK(core::categoryCount(lines, names[k]) == expected);
        }
    }
    return 0;
}
