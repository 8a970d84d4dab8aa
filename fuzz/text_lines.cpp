// Text files as lists of lines: reading, writing and the first line.
#include <cstdint>

#include "FuzzSupport.h"
#include "platform/TextList.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray text = fuzzing::bytes(data, size);
    const platform::TextLines lines = platform::parseTextLines(text);
    qsizetype total = 0;
    for (const QByteArray& line : lines) {
        FUZZ_CHECK(!line.contains('\r') && !line.contains('\n') && !line.contains('\0'));
        total += line.size() + 2;
    }
    // Written and read again: the same lines, each ended by CR LF.
    const QByteArray joined = platform::joinTextLines(lines);
    FUZZ_CHECK(joined.size() == total);
    FUZZ_CHECK(platform::parseTextLines(joined) == lines);
    FUZZ_CHECK(platform::joinTextLines(platform::parseTextLines(joined)) == joined);
    // The first line is the reader's first line, and there is one exactly
    // when the reader finds any line.
    const std::optional<QByteArray> first = platform::firstTextLine(text);
    FUZZ_CHECK(first.has_value() == !lines.isEmpty());
    if (first) {
        FUZZ_CHECK(*first == lines.first());
    }
    return 0;
}
