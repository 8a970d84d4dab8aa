// The user's files and the List menu's Save, Load, Restore and Clear.
#include <QFont>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QTreeWidget>

#include "accounts/Reopen.h"
#include "accounts/VaultCommands.h"
#include "app/FolderWatch.h"
#include "app/Form1.h"
#include "mainwindow/EntryListModel.h"
#include "mainwindow/ListView.h"
#include "platform/CodePage.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/TextList.h"
#include "platform/Widgets.h"

void TForm1::OpenStore(std::unique_ptr<core::UserStore> store) {
    Store = std::move(store);
    const core::UserSettings& s = Store->settings();
    ListFont.font = QFont(s.fontName, s.fontSize);
    ListFont.color = platform::toQColor(s.fontColor);
    ApplyListFont();
    try {
        try {
            PasswordList = Store->loadVault();
        } catch (const core::OlderVaultError& e) {
            // An old copy put back over a newer vault: its newer backup is offered.
            if (e.newerBackupPath().isEmpty() ||
                !platform::ui().askOkCancel(
                    e.message() + QLatin1Char('\r') + VaultCommands->StringUseNewerBackup,
                    windowTitle())) {
                throw;
            }
            PasswordList = Store->useBackupAsVault();
        }
        LoadCategories();
        Watch->watch(Store->paths().folder);
    } catch (...) {
        // The user is not opened: the next attempt starts from nothing.
        Store.reset();
        throw;
    }
}

platform::Encoding TForm1::StorageEncoding() const {
    return Store ? Store->encoding() : platform::Encoding::CodePage;
}

void TForm1::ApplyListFont() {
    for (QWidget* w : {static_cast<QWidget*>(TreeViewCat), static_cast<QWidget*>(ListView1),
                       static_cast<QWidget*>(EditSearch)}) {
        platform::applyListFont(w, ListFont.font, ListFont.color);
    }
}

void TForm1::SaveSettings() {
    core::UserSettings& s = Store->settings();
    s.fontName = ListFont.font.family();
    s.fontSize = ListFont.font.pointSize() > 0 ? ListFont.font.pointSize() : 8;
    Store->saveSettings();
}

void TForm1::SavePasswords() {
    StoreWrite([this] { TakeMerged(Store->saveVault(PasswordList), std::nullopt); });
}

void TForm1::StoreWrite(const std::function<void()>& write) {
    try {
        write();
    } catch (...) {
        // The store kept its base: the watch merges the other side's changes
        // into whatever the command leaves in memory, so a retry writes both.
        Watch->changed();
        ShowStoreState();
        throw;
    }
    ShowStoreState();
}

void TForm1::ShowStoreState() {
    if (!Store) {
        return;
    }
    for (const QString& notice : Store->takeNotices()) {
        platform::ui().showMessage(notice);
    }
    if (Store->unsaved()) {
        StatusPanels[2]->setText(FileTexts.unsaved);
    } else if (Store->formatChangedElsewhere()) {
        StatusPanels[2]->setText(FileTexts.changedElsewhereStatus);
    } else if (StatusPanels[2]->text() == FileTexts.unsaved ||
               StatusPanels[2]->text() == FileTexts.changedElsewhereStatus) {
        StatusPanels[2]->clear();
    }
}

bool TForm1::FilesCurrent() {
    if (Store->formatUnchanged()) {
        return true;
    }
    return reopenFiles(*this);
}

QString TForm1::NodeCaption(int k, int count) const {
    const QString name = k == 0 ? StringAllPasswords : CategoryName(k);
    return name + QStringLiteral(" (") + QString::number(count) + QLatin1Char(')');
}

QString TForm1::CategoryName(int k) const {
    return platform::toUi(CategoryList.value(k), StorageEncoding());
}

void TForm1::LoadCategories() {
    ShowCategories(Store->readCategories());
}

void TForm1::ShowCategories(const core::LineList& names) {
    CategoryList = names;
    CategoryList.prepend(platform::fromUi(StringAllPasswords, StorageEncoding()));

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
    StoreWrite(
        [this] { TakeMerged(std::nullopt, Store->saveSortedCategories(CategoryList.mid(1))); });
}

int TForm1::CategoryCount(int k) const {
    if (k < 0 || k >= CategoryList.size()) {
        return 0;
    }
    return core::categoryCount(PasswordList, CategoryList[k]);
}

void TForm1::ASaveExecute() {
    platform::FileDialogRequest request;
    request.initialDir = Store->paths().folderForDialogs();
    request.fileName = QLatin1String(core::kVaultFileName);
    request.filter = SaveDialog1Filter;
    const std::optional<platform::FileDialogResult> chosen = platform::ui().saveFile(request);
    if (!chosen) {
        return;
    }
    Store->saveList(chosen->fileName, PasswordList);
}

void TForm1::ALoadExecute() {
    platform::FileDialogRequest request;
    request.initialDir = Store->paths().folderForDialogs();
    request.fileName = OpenDialog1FileName;
    request.filter = OpenDialog1Filter;
    const std::optional<platform::FileDialogResult> chosen = platform::ui().openFile(request);
    if (!chosen) {
        return;
    }
    OpenDialog1FileName = chosen->fileName;
    // Read first: a file that cannot be read leaves the list as it was, so the
    // next save cannot store an empty vault.
    ReplacePasswordList(Store->loadList(chosen->fileName));
}

void TForm1::MRestoreClick() {
    ReplacePasswordList(Store->readBackup());
}

void TForm1::ReplacePasswordList(core::LineList lines) {
    // Every file is read before anything changes: when one cannot be read,
    // the list, the tree and the rows stay as they were, and the next save
    // cannot store a list the user never saw.
    const core::LineList names = Store->readCategories();
    PasswordList = std::move(lines);
    ShowCategories(names);
    FillEntryList();
}

void TForm1::TakeMerged(const std::optional<core::UserStore::Merged>& lines,
                        const std::optional<core::UserStore::Merged>& names) {
    if (!lines && !names) {
        return;
    }
    const int node = SelectedNodeIndex();
    const QByteArray category = node > 0 ? CategoryList.value(node) : QByteArray();
    const int entry = CurrentEntry.isValid() ? FindEntryIndex(CurrentEntry.row()) : -1;
    const QByteArray current = entry >= 0 ? PasswordList[entry] : QByteArray();
    if (lines) {
        PasswordList = lines->lines;
    }
    if (names) {
        ShowCategories(names->lines);
    } else {
        RefreshCategoryCaptions();
    }
    const int at = node > 0 ? int(CategoryList.indexOf(category, 1)) : 0;
    SelectNode(at > 0 ? at : 0);
    TreeViewCatClick();
    if (entry >= 0) {
        const qsizetype k = PasswordList.indexOf(current);
        for (int r = 0; k >= 0 && r < ListModel->rowCount(); ++r) {
            if (ListModel->row(r).entry == k) {
                const QModelIndex index = ListModel->index(r, 0);
                ListView1->selectionModel()->setCurrentIndex(
                    index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
                break;
            }
        }
    }
    const int count = (lines ? lines->fromElsewhere : 0) + (names ? names->fromElsewhere : 0);
    if (count > 0) {
        StatusPanels[2]->setText(core::pluralForm(FileTexts.mergedIn, count).arg(count));
    }
}

void TForm1::AClearExecute() {
    const core::LineList names = Store->readCategories();
    PasswordList.clear();
    ListModel->clear();
    CurrentEntry = QPersistentModelIndex();
    ShowCategories(names);
    StatusPanels[0]->setText(StringPasswords + QLatin1Char('0'));
}
