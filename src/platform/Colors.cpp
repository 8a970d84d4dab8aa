#include "platform/Colors.h"

#include "platform/IniFile.h"

namespace platform {

namespace {

struct NamedColor {
    TColor value;
    const char* name;
};

constexpr NamedColor kColors[] = {
    {TColor(0x000000), "clBlack"},
    {TColor(0x000080), "clMaroon"},
    {TColor(0x008000), "clGreen"},
    {TColor(0x008080), "clOlive"},
    {TColor(0x800000), "clNavy"},
    {TColor(0x800080), "clPurple"},
    {TColor(0x808000), "clTeal"},
    {TColor(0x808080), "clGray"},
    {TColor(0xC0C0C0), "clSilver"},
    {TColor(0x0000FF), "clRed"},
    {TColor(0x00FF00), "clLime"},
    {TColor(0x00FFFF), "clYellow"},
    {TColor(0xFF0000), "clBlue"},
    {TColor(0xFF00FF), "clFuchsia"},
    {TColor(0xFFFF00), "clAqua"},
    {TColor(0xFFFFFF), "clWhite"},
    {TColor(0xFF000000u), "clScrollBar"},
    {TColor(0xFF000001u), "clBackground"},
    {TColor(0xFF000002u), "clActiveCaption"},
    {TColor(0xFF000003u), "clInactiveCaption"},
    {TColor(0xFF000004u), "clMenu"},
    {TColor(0xFF000005u), "clWindow"},
    {TColor(0xFF000006u), "clWindowFrame"},
    {TColor(0xFF000007u), "clMenuText"},
    {TColor(0xFF000008u), "clWindowText"},
    {TColor(0xFF000009u), "clCaptionText"},
    {TColor(0xFF00000Au), "clActiveBorder"},
    {TColor(0xFF00000Bu), "clInactiveBorder"},
    {TColor(0xFF00000Cu), "clAppWorkSpace"},
    {TColor(0xFF00000Du), "clHighlight"},
    {TColor(0xFF00000Eu), "clHighlightText"},
    {TColor(0xFF00000Fu), "clBtnFace"},
    {TColor(0xFF000010u), "clBtnShadow"},
    {TColor(0xFF000011u), "clGrayText"},
    {TColor(0xFF000012u), "clBtnText"},
    {TColor(0xFF000013u), "clInactiveCaptionText"},
    {TColor(0xFF000014u), "clBtnHighlight"},
    {TColor(0xFF000015u), "cl3DDkShadow"},
    {TColor(0xFF000016u), "cl3DLight"},
    {TColor(0xFF000017u), "clInfoText"},
    {TColor(0xFF000018u), "clInfoBk"},
};

}  // namespace

QByteArray ColorToString(TColor color) {
    for (const NamedColor& c : kColors) {
        if (c.value == color) {
            return c.name;
        }
    }
    return '$' + QByteArray::number(quint32(color), 16).toUpper().rightJustified(8, '0');
}

std::optional<TColor> StringToColor(const QByteArray& text) {
    for (const NamedColor& c : kColors) {
        if (text.compare(c.name, Qt::CaseInsensitive) == 0) {
            return c.value;
        }
    }
    int value = 0;
    if (parseInteger(text, value)) {
        return TColor(value);
    }
    return std::nullopt;
}

bool isSystemColor(TColor color) {
    return (quint32(color) & 0xFF000000u) == 0xFF000000u;
}

int systemColorIndex(TColor color) {
    return int(quint32(color) & 0x00FFFFFFu);
}

}  // namespace platform
