// The List menu's Save, Load, Restore and Clear.
#include <QLabel>

#include "app/Form1.h"
#include "mainwindow/EntryListModel.h"
#include "platform/Widgets.h"

void TForm1::ASaveExecute() {
    platform::FileDialogRequest request;
    request.initialDir = session_.paths().folderForDialogs();
    request.fileName = QLatin1String(core::kVaultFileName);
    request.filter = texts.SaveDialog1Filter;
    const std::optional<platform::FileDialogResult> chosen = platform::ui().saveFile(request);
    if (!chosen) {
        return;
    }
    session_.saveList(chosen->fileName);
}

void TForm1::ALoadExecute() {
    platform::FileDialogRequest request;
    request.initialDir = session_.paths().folderForDialogs();
    request.fileName = LastListFile;
    request.filter = texts.OpenDialog1Filter;
    const std::optional<platform::FileDialogResult> chosen = platform::ui().openFile(request);
    if (!chosen) {
        return;
    }
    LastListFile = chosen->fileName;
    // Read first: a file that cannot be read leaves the list as it was, so the
    // next save cannot store an empty vault.
    session_.load(chosen->fileName);
    ShowCategories();
    FillEntryList();
}

void TForm1::MRestoreClick() {
    session_.restore();
    ShowCategories();
    FillEntryList();
}

void TForm1::AClearExecute() {
    session_.clear();
    ui.ListModel->clear();
    CurrentEntry = QPersistentModelIndex();
    ShowCategories();
    ui.StatusPanels[0]->setText(texts.StringPasswords + QLatin1Char('0'));
}
