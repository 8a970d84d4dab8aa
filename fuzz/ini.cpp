// INI files: the reader and writer, and the settings files read and written
// through them. The input is the file, served through the file layer.
#include <algorithm>
#include <cstdint>

#include "FuzzSupport.h"
#include "core/Settings.h"
#include "platform/CodePage.h"
#include "platform/IniFile.h"

namespace {

fuzzing::MemoryFileSystem g_files;

const char* const kSections[] = {"Options", "options", "Interface", "Messages", "", "[", "x y"};
const char* const kKeys[] = {"Language",        "hidden",     "Users",   "User 1",
                             "Font Size",       "Font Color", "KeyFile", "MFile->Caption",
                             "StringPasswords", "",           "=",       ";"};

// Whether a text comes back from a settings file as it was written: the
// format drops blanks and one pair of quotes around a value, and cuts it.
bool iniCarries(const QString& text) {
    const QByteArray bytes = platform::encodeSettingText(text);
    if (bytes.isEmpty()) {
        return true;
    }
    const char first = bytes.front();
    const char last = bytes.back();
    const bool blankEnds = first == ' ' || first == '\t' || last == ' ' || last == '\t';
    const bool quoted = bytes.size() >= 2 && (first == '"' || first == '\'') && last == first;
    return !blankEnds && !quoted && bytes.size() <= platform::IniFile::kMaxValueBytes;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    platform::setFileSystem(&g_files);
    platform::setStorageCodePage("windows-1252");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray input = fuzzing::bytes(data, size);
    g_files.reset(input);
    {
        const platform::IniFile ini(QStringLiteral("fuzz.ini"));
        for (const char* section : kSections) {
            for (const char* key : kKeys) {
                const std::optional<QByteArray> value = ini.value(section, key);
                FUZZ_CHECK(!value || value->size() <= platform::IniFile::kMaxValueBytes);
                FUZZ_CHECK(ini.readString(section, key, "default") == value.value_or("default"));
                if (value) {
                    (void)platform::decodeSettingText(*value);
                    int parsed = 0;
                    (void)platform::parseInteger(*value, parsed);
                }
                (void)ini.readInteger(section, key, -7);
                (void)ini.readBool(section, key, true);
            }
        }
    }
    {
        // A key written is read back as written, and the other keys keep their values.
        platform::IniFile ini(QStringLiteral("fuzz.ini"));
        const std::optional<QByteArray> languageBefore = ini.value("Interface", "Language");
        ini.writeString("Options", "Users", "5");
        ini.writeInteger("Fuzz Section", "Count", -12);
        ini.updateFile();
        FUZZ_CHECK(g_files.written.has_value());
        const platform::IniFile again(QStringLiteral("fuzz.ini"));
        FUZZ_CHECK(again.value("Options", "Users") == QByteArray("5"));
        FUZZ_CHECK(again.readInteger("Fuzz Section", "Count", 0) == -12);
        FUZZ_CHECK(again.value("Interface", "Language") == languageBefore);
    }
    // The settings files: read, written back and read again to the same values.
    g_files.reset(input);
    const core::ProgramSettings program = core::readProgramSettings(QStringLiteral("vorrel.ini"));
    // At most kMaxUsers names are read; the count stays as the file gives it.
    FUZZ_CHECK(program.users.size() == std::clamp(program.usersCount, 0, core::kMaxUsers));
    core::writeProgramSettings(QStringLiteral("vorrel.ini"), program);
    const core::ProgramSettings programAgain =
        core::readProgramSettings(QStringLiteral("vorrel.ini"));
    FUZZ_CHECK(programAgain.usersCount == program.usersCount);
    FUZZ_CHECK(programAgain.hidden == program.hidden);
    FUZZ_CHECK(!iniCarries(program.language) || programAgain.language == program.language);
    for (int i = 0; i < program.users.size(); ++i) {
        FUZZ_CHECK(!iniCarries(program.users[i]) || programAgain.users[i] == program.users[i]);
    }

    g_files.reset(input);
    const core::UserSettings user = core::readUserSettings(QStringLiteral("settings.dat"));
    FUZZ_CHECK(user.fontSize >= 1 && user.fontSize <= core::kMaxFontSize);
    core::writeUserSettings(QStringLiteral("settings.dat"), user);
    const core::UserSettings userAgain = core::readUserSettings(QStringLiteral("settings.dat"));
    FUZZ_CHECK(userAgain.key == user.key);
    FUZZ_CHECK(userAgain.fontSize == user.fontSize);
    FUZZ_CHECK(userAgain.fontColor == user.fontColor);
    FUZZ_CHECK(!iniCarries(user.fontName) || userAgain.fontName == user.fontName);
    FUZZ_CHECK(!iniCarries(user.keyFile) || userAgain.keyFile == user.keyFile);
    return 0;
}
