#pragma once

#include <QByteArray>
#include <optional>

namespace platform {

// A colour as the stored settings know it: 0x00BBGGRR for a plain colour, or
// a system colour, 0xFF000000 + its index (clWindowText = 0xFF000008).
using TColor = qint32;

constexpr TColor clSystemColor = TColor(0xFF000000u);
constexpr TColor clWindowText = TColor(0xFF000008u);

// The colour's name when it has one (the 16 basic and 25 system colours),
// else "$" and eight upper-case hexadecimal digits.
QByteArray ColorToString(TColor color);
// A colour name (any letter case) or a number; nothing for anything else.
std::optional<TColor> StringToColor(const QByteArray& text);

bool isSystemColor(TColor color);
int systemColorIndex(TColor color);  // 0..24 for the known system colours

}  // namespace platform
