// The language loader of the real main window: the input is the language
// file, served through the file layer, and every caption, menu and message
// of the window and its dialogs takes what the file gives.
#include <QApplication>
#include <QDialog>
#include <cstdint>
#include <memory>

#include "FuzzSupport.h"
#include "about/AboutBox.h"
#include "accounts/FormLogin.h"
#include "app/Form1.h"
#include "export/FormExport.h"
#include "mainwindow/EntryDialogs.h"
#include "platform/CodePage.h"
#include "platform/Ui.h"

namespace {

// No box ever opens: every question is cancelled.
class NullUi : public platform::Ui {
public:
    void showMessage(const QString&) override {}
    bool inputQuery(const QString&, const QString&, QString&, bool) override { return false; }
    bool askOkCancel(const QString&, const QString&) override { return false; }
    std::optional<platform::FileDialogResult> openFile(
        const platform::FileDialogRequest&) override {
        return std::nullopt;
    }
    std::optional<platform::FileDialogResult> saveFile(
        const platform::FileDialogRequest&) override {
        return std::nullopt;
    }
    bool chooseFont(platform::FontChoice&) override { return false; }
    void shellOpen(const QString&) override {}
    void clearClipboard() override {}
    void setClipboardText(const QString&) override {}
    void showError(const QString&) override {}
    int showModal(QDialog*) override { return QDialog::Rejected; }
    bool trayAvailable() override { return false; }
    void cancelModals() override {}
    void allowModals() override {}
    QString clipboardText() override { return QString(); }
};

NullUi g_ui;
fuzzing::MemoryFileSystem g_files;
TForm1* g_form = nullptr;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "fuzz_language";
    static char* argv[] = {name, nullptr};
    static QApplication app(argc, argv);
    platform::setUi(&g_ui);
    platform::setFileSystem(&g_files);
    platform::setStorageCodePage("windows-1252");
    // The window and its dialogs as the start-up makes them, from an empty
    // settings file; the login box is cancelled at once.
    g_form = new TForm1(QStringLiteral("/fuzz/vorrel"));
    g_files.reset(QByteArray());
    g_form->FormCreate();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    g_files.reset(fuzzing::bytes(data, size));
    g_form->LoadLanguage(QStringLiteral("English"));
    // What the texts are used for: counts, captions, filters and messages.
    g_form->ShowCounts();
    (void)platform::qtFilters(g_form->texts.OpenDialog1Filter);
    (void)platform::qtFilters(g_form->texts.SaveDialog1Filter);
    (void)platform::qtFilters(g_form->ui.FormExport->SaveDialog1Filter);
    (void)g_form->session().unstorable(QStringLiteral("a|b") + g_form->texts.StringPasswords);
    for (const language::Target& target : g_form->LanguageTargets()) {
        (void)target.get();
    }
    return 0;
}
