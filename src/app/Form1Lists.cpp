// The user's files and the List menu's Save, Load, Restore and Clear.
#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QTreeWidget>

#include "app/Form1.h"
#include "core/EncryptedVault.h"
#include "mainwindow/EntryListModel.h"
#include "mainwindow/ListView.h"
#include "platform/CodePage.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/TextList.h"
#include "platform/Widgets.h"

void TForm1::LoadSettings() {
    const core::UserSettings s = core::readUserSettings(UserPaths().settings);
    UseKeyFile = s.key;
    KeyFilePath = s.keyFile;
    ListFont.font = QFont(s.fontName, s.fontSize);
    ListFontColor = s.fontColor;
    ListFont.color = platform::toQColor(s.fontColor);
    ApplyListFont();
}

void TForm1::ApplyListFont() {
    for (QWidget* w : {static_cast<QWidget*>(TreeViewCat), static_cast<QWidget*>(ListView1),
                       static_cast<QWidget*>(EditSearch)}) {
        platform::applyListFont(w, ListFont.font, ListFont.color);
    }
}

void TForm1::SaveSettings() {
    core::UserSettings s;
    s.key = UseKeyFile;
    s.keyFile = KeyFilePath;
    s.fontName = ListFont.font.family();
    s.fontSize = ListFont.font.pointSize() > 0 ? ListFont.font.pointSize() : 8;
    s.fontColor = ListFontColor;
    core::writeUserSettings(UserPaths().settings, s);
}

void TForm1::LoadPasswords() {
    PasswordList = Vault ? core::loadPasswordsWithBackup(VaultPath, UserPaths().backup, *Vault)
                         : core::loadPasswordsWithBackup(VaultPath, UserPaths().backup);
}

void TForm1::SavePasswords() {
    if (Vault) {
        core::writeEntryFile(VaultPath, *Vault, core::crypto::FileKind::Vault, PasswordList);
        return;
    }
    platform::saveTextList(VaultPath, PasswordList);
}

core::LineList TForm1::ReadCategoryFile() {
    if (Vault) {
        return core::readCategoryFile(CategoriesPath, *Vault);
    }
    // A plain text file that users may edit: an editor's byte-order mark is skipped.
    return platform::parseTextLines(platform::withoutUtf8Bom(platform::readFile(CategoriesPath)));
}

void TForm1::WriteCategoryFile(const core::LineList& names) {
    if (Vault) {
        core::writeCategoryFile(CategoriesPath, *Vault, names);
        return;
    }
    platform::saveTextList(CategoriesPath, names);
}

QString TForm1::NodeCaption(int k, int count) const {
    const QString name = k == 0 ? StringAllPasswords : CategoryName(k);
    return name + QStringLiteral(" (") + QString::number(count) + QLatin1Char(')');
}

QString TForm1::CategoryName(int k) const {
    return platform::toUi(CategoryList.value(k));
}

void TForm1::LoadCategories() {
    ShowCategories(ReadCategoryFile());
}

void TForm1::ShowCategories(const core::LineList& names) {
    CategoryList = names;
    CategoryList.prepend(platform::fromUi(StringAllPasswords));

    const QList<int> counts = core::categoryCounts(PasswordList, names);
    TreeViewCat->clear();
    auto* root = new QTreeWidgetItem(QStringList{NodeCaption(0, int(PasswordList.size()))});
    QList<QTreeWidgetItem*> children;
    children.reserve(names.size());
    for (int i = 1; i < CategoryList.size(); ++i) {
        children.append(new QTreeWidgetItem(QStringList{NodeCaption(i, counts[i - 1])}));
    }
    root->addChildren(children);
    TreeViewCat->addTopLevelItem(root);
    TreeViewCat->setCurrentItem(root);
    TreeViewCat->expandAll();
}

void TForm1::SaveCategories() {
    // The list in memory keeps its root label and order: if a later step of
    // the close fails, the window stays usable and a second close writes the
    // same file again.
    if (Vault) {
        core::saveSortedCategories(CategoriesPath, *Vault, CategoryList.mid(1));
        return;
    }
    core::saveSortedCategories(CategoriesPath, CategoryList.mid(1));
}

int TForm1::CategoryCount(int k) const {
    if (k < 0 || k >= CategoryList.size()) {
        return 0;
    }
    return core::categoryCount(PasswordList, CategoryList[k]);
}

void TForm1::ASaveExecute() {
    platform::FileDialogRequest request;
    request.initialDir = UserPaths().folderForDialogs();
    request.fileName = QLatin1String(core::kVaultFileName);
    request.filter = SaveDialog1Filter;
    const std::optional<platform::FileDialogResult> chosen = platform::ui().saveFile(request);
    if (!chosen) {
        return;
    }
    if (Vault) {
        // Under the same data key: only this user's encrypted vault loads it.
        core::writeEntryFile(chosen->fileName, *Vault, core::crypto::FileKind::List, PasswordList);
        return;
    }
    platform::saveTextList(chosen->fileName, PasswordList);
}

void TForm1::ALoadExecute() {
    platform::FileDialogRequest request;
    request.initialDir = UserPaths().folderForDialogs();
    request.fileName = OpenDialog1FileName;
    request.filter = OpenDialog1Filter;
    const std::optional<platform::FileDialogResult> chosen = platform::ui().openFile(request);
    if (!chosen) {
        return;
    }
    OpenDialog1FileName = chosen->fileName;
    // Read first: a file that cannot be read leaves the list as it was, so the
    // next save cannot store an empty vault.
    core::LineList loaded;
    if (Vault) {
        // An encrypted list of this user, or a compatible one (converted).
        using core::crypto::FileKind;
        loaded = core::readEntryFile(chosen->fileName, *Vault,
                                     {FileKind::List, FileKind::Vault, FileKind::Backup}, true);
    } else {
        const QByteArray bytes = platform::readFile(chosen->fileName);
        if (core::crypto::isContainer(bytes)) {
            throw platform::PlatformError(core::encryptedListText(chosen->fileName));
        }
        loaded = platform::parseTextLines(bytes);
    }
    ReplacePasswordList(std::move(loaded));
}

void TForm1::MRestoreClick() {
    ReplacePasswordList(Vault ? core::readEntryFile(UserPaths().backup, *Vault,
                                                    {core::crypto::FileKind::Backup},
                                                    Vault->converting())
                              : platform::loadTextList(UserPaths().backup));
}

void TForm1::ReplacePasswordList(core::LineList lines) {
    // Every file is read before anything changes: when one cannot be read,
    // the list, the tree and the rows stay as they were, and the next save
    // cannot store a list the user never saw.
    const core::LineList names = ReadCategoryFile();
    PasswordList = std::move(lines);
    ShowCategories(names);
    FillEntryList();
}

void TForm1::AClearExecute() {
    const core::LineList names = ReadCategoryFile();
    PasswordList.clear();
    ListModel->clear();
    CurrentEntry = QPersistentModelIndex();
    ShowCategories(names);
    StatusPanels[0]->setText(StringPasswords + QLatin1Char('0'));
}
