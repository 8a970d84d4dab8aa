// The stored line of an entry: decoding, splitting and the field spans.
#include <cstdint>

#include "FuzzSupport.h"
#include "core/PasswordEntry.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray line = fuzzing::bytes(data, size);
    const core::PasswordEntry decoded = core::DecodeRecord(line);
    const QByteArray plain = core::Scramble(line);
    FUZZ_CHECK(core::Scramble(plain) == line);
    FUZZ_CHECK(core::SplitRecord(plain) == decoded);

    // The spans lie in the line, in order, and give the split's fields.
    const core::FieldSpans spans = core::splitSpans(plain.constData(), plain.size());
    qsizetype previousEnd = 0;
    for (int f = 0; f < core::kFieldCount; ++f) {
        const qint32 start = spans.start[size_t(f)];
        const qint32 length = spans.length[size_t(f)];
        FUZZ_CHECK(start >= 0 && length >= 0 && start + qsizetype(length) <= plain.size());
        FUZZ_CHECK(f == 0 || start >= previousEnd);
        previousEnd = start + length;
        FUZZ_CHECK(plain.mid(start, length) == decoded[f]);
        FUZZ_CHECK(!decoded[f].contains('|'));
    }
    // Scrambling maps each byte alone: the scrambled separator splits the
    // stored line exactly where "|" splits the plain one.
    const core::FieldSpans stored =
        core::splitSpans(line.constData(), line.size(), char('|' ^ core::kScrambleKey));
    FUZZ_CHECK(stored.start == spans.start && stored.length == spans.length);

    // Encoding the split gives a line that splits into the same fields.
    const QByteArray encoded = core::EncodeRecord(decoded);
    FUZZ_CHECK(core::DecodeRecord(encoded) == decoded);
    // A line of exactly nine fields comes back byte for byte.
    if (plain.count('|') == core::kFieldCount - 1) {
        FUZZ_CHECK(encoded == line);
    }
    return 0;
}
