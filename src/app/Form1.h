#pragma once

#include <QMainWindow>
#include <QPersistentModelIndex>
#include <QStringList>
#include <functional>
#include <memory>

#include "core/Settings.h"
#include "core/UserFiles.h"
#include "core/UserStore.h"
#include "platform/CodePage.h"
#include "platform/Ui.h"

class QAction;
class QItemSelection;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QMenu;
class QSplitter;
class QStatusBar;
class QTimer;
class QTreeWidgetItem;

namespace core {
class UserLogin;
class UserStore;
}  // namespace core

class EntryListModel;
class FolderWatch;
class InactivityWatch;
class LockedView;
class SecretClipboard;
class TAboutBox;
class TFormAdd;
class TFormEdit;
class TFormExport;
class TFormLogin;
class TImportCommand;
class TListView;
class TitleOrder;
class TStTrayIcon;
class TTreeViewCat;
class TVaultCommands;

// The main window. It owns the whole state of the run: the program
// directory, the logged-in user and their lists, the flags and the message
// strings; every other window works on it through the operations below.
class TForm1 : public QMainWindow {
    Q_OBJECT

public:
    // executablePath: the program's own path; empty means the running executable.
    // dataFolder: where the settings file, users/ and data/ are; empty means
    // the executable's folder.
    explicit TForm1(const QString& executablePath = QString(),
                    const QString& dataFolder = QString(), QWidget* parent = nullptr);
    ~TForm1() override;

    // ---- Components ---------------------------------------------------------
    QWidget* PanelLeft = nullptr;
    TTreeViewCat* TreeViewCat = nullptr;
    QWidget* PanelSearch = nullptr;
    QLabel* LabelSearch = nullptr;
    QLineEdit* EditSearch = nullptr;
    QSplitter* Splitter1 = nullptr;
    TListView* ListView1 = nullptr;
    EntryListModel* ListModel = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    QLabel* StatusPanels[3] = {};

    QMenu* MFile = nullptr;
    QAction* MChangePass = nullptr;
    QAction* MCreateKeyFile = nullptr;
    QAction* MExit = nullptr;
    QMenu* MCategory = nullptr;
    QAction* MCatNew = nullptr;
    QAction* MCatRename = nullptr;
    QAction* MCatDelete = nullptr;
    QMenu* MData = nullptr;
    QAction* AAdd = nullptr;
    QAction* AEdit = nullptr;
    QAction* ADelete = nullptr;
    QMenu* MList = nullptr;
    QAction* ASave = nullptr;
    QAction* ALoad = nullptr;
    QAction* MRestore = nullptr;
    QAction* AClear = nullptr;
    QAction* MImport = nullptr;
    QAction* MExport = nullptr;
    QMenu* MOptions = nullptr;
    QMenu* MLanguage = nullptr;
    QAction* MLangEnglish = nullptr;
    QAction* MLangRussian = nullptr;
    QAction* MLangSChinese = nullptr;
    QAction* MFont = nullptr;
    QAction* MHidePasswords = nullptr;
    QAction* MLock = nullptr;
    QMenu* MHelp = nullptr;
    QAction* MAboutProgram = nullptr;

    QMenu* PopupMenu1 = nullptr;  // the list's context menu
    QAction* PMAdd = nullptr;
    QAction* PMEdit = nullptr;
    QAction* PMDelete = nullptr;
    QMenu* PMCopyToClipboard = nullptr;
    QAction* PMCopyLogin = nullptr;
    QAction* PMCopyPassword = nullptr;
    QAction* PMCopyLink = nullptr;
    QAction* PMOpenUrl = nullptr;

    QMenu* PopupMenu2 = nullptr;  // the category tree's context menu
    QAction* PMCatNew = nullptr;
    QAction* PMCatRename = nullptr;
    QAction* PMCatDelete = nullptr;

    QMenu* PopupMenuTray = nullptr;
    QAction* PMTrayAdd = nullptr;
    QAction* PMUnlock = nullptr;
    QAction* PMTrayExit = nullptr;

    TStTrayIcon* StTrayIcon1 = nullptr;
    // File > Encrypt Vault and Decrypt Vault.
    TVaultCommands* VaultCommands = nullptr;
    // List > Import.
    TImportCommand* ImportCommand = nullptr;
    // Locks the program after five minutes without input (its timer is Timer1).
    InactivityWatch* Inactivity = nullptr;
    // A copied password, forgotten after a while (its timer is ClipboardTimer).
    SecretClipboard* Clipboard = nullptr;
    // Takes in what other programs change in the user's folder.
    FolderWatch* Watch = nullptr;

    // The list commands' file dialogs: their filters and the last name chosen.
    QString OpenDialog1Filter;
    QString SaveDialog1Filter;
    QString OpenDialog1FileName;

    // ---- The dialogs, created once by FormCreate -----------------------------
    TFormLogin* FormLogin = nullptr;
    TFormAdd* FormAdd = nullptr;
    TFormEdit* FormEdit = nullptr;
    TFormExport* FormExport = nullptr;
    TAboutBox* AboutBox = nullptr;

    // ---- Application state ---------------------------------------------------
    QString ExecutablePath;
    QString DataDir;  // the data folder; ends in the separator
    QString CurrentLogin;
    QByteArray AccountPassword;  // plain, in memory only
    // The language, "hidden" and the users list, as read and since changed.
    core::ProgramSettings Settings;
    bool HidePasswords = false;
    core::LineList CategoryList;  // item 0: the root label, never stored
    core::LineList PasswordList;  // scrambled lines; position = entry index
    int SelectedCategoryIndex = 0;
    bool LoggedIn = false;
    bool Locked = false;
    platform::FontChoice ListFont;
    bool Terminated = false;  // the program was asked to end without saving

    // The entry list's own state.
    int SortColumn = -1;
    int SortDirection = -1;
    QPersistentModelIndex CurrentEntry;

    // Every read and write of the logged-in user's files; none before a login.
    std::unique_ptr<core::UserStore> Store;
    // How the lines in memory are encoded (the code page before a login).
    platform::Encoding StorageEncoding() const;
    // Why a file was not read, in the interface's words.
    core::FileTexts FileTexts;

    // The collation rank of each title, kept between fills of the list.
    std::unique_ptr<TitleOrder> TitleOrderCache;

    // ---- Message strings, filled only by LoadLanguage --------------------------
    QString StringPasswords;
    QString StringCategories;
    QString StringDeleteAsk;
    QString StringDeleteTitle;
    QString StringSelectField;
    QString StringChangeAccountPassword;
    QString StringNewPassword;
    QString StringEnterCorrectPassword;
    QString StringAllPasswords;
    QString StringNewCategory;
    QString StringInputTitle;
    QString StringChangeCategory;
    QString StringUnlock;
    QString StringInputPassword;
    QString StringWrongPassword;
    QString StringKeyFileNotFound;
    QString StringWrongKeyFile;
    // Why a typed text cannot be stored; "%1" names the character. Read from
    // the language file's "Messages" section when it has one.
    QString StringCannotStore = QStringLiteral("The character %1 cannot be stored.");
    // A new account password with characters the login dialog cannot take.
    QString StringPasswordCharacters = QStringLiteral(
        "The password may hold only the letters A-Z, a-z and the digits 0-9, as the login "
        "dialog takes no other characters.");
    // The description of the key-file dialogs' one file type.
    QString StringKeyFileFilter = QStringLiteral("Key File");

    // ---- Start-up and shutdown -------------------------------------------------
    static QString DesignedCaption() { return QStringLiteral("Vorrel 1.8"); }
    QString ProgramSettingsPath() const;
    void FormCreate();
    void FormClose();

    // ---- Language ----------------------------------------------------------
    void LoadLanguage(const QString& name);
    // The keys in the order of reading; each target gets the file's value.
    // The texts the key list has no place for are in the section "Messages".
    struct LanguageTarget {
        QByteArray key;
        std::function<QString()> get;
        std::function<void(const QString&)> set;
        const char* section = "Interface";
    };
    std::vector<LanguageTarget> LanguageTargets();
    // Language > English, Russian or Chinese.
    void MLanguageClick(const QString& name);

    // ---- User files ---------------------------------------------------------
    // The logged-in user's store: its list font shown, its lists read.
    void OpenStore(std::unique_ptr<core::UserStore> store);
    void SaveSettings();
    void SavePasswords();
    // Every write of the vault or category file: afterwards the status bar
    // tells whether something is not saved yet, and what the store found
    // is shown; a failed write leaves the other side's changes to the watch.
    void StoreWrite(const std::function<void()>& write);
    void ShowStoreState();
    // Before a command that writes: files another program encrypted or
    // decrypted are opened again first, with the password that opens them
    // now. false: the user cancelled, and nothing may be written.
    bool FilesCurrent();
    void LoadCategories();
    // CategoryList and the tree from names already read.
    void ShowCategories(const core::LineList& names);
    // Load and Restore: the lines read, then the category file, then both shown.
    void ReplacePasswordList(core::LineList lines);
    // A write merged changes made elsewhere: the lists take the merged ones,
    // the view keeps its category and row where they still exist.
    void TakeMerged(const std::optional<core::UserStore::Merged>& lines,
                    const std::optional<core::UserStore::Merged>& names);
    void SaveCategories();
    int CategoryCount(int k) const;
    void ASaveExecute();
    void ALoadExecute();
    void MRestoreClick();
    void AClearExecute();

    // ---- Key file (the check runs at login) -----------------------------------
    // The key file the login demands; false: the program ends (unless
    // endOnFailure is off: the files opened again after a change elsewhere).
    bool KeyFileCheck(core::UserLogin& login, bool endOnFailure = true);
    void MCreateKeyFileClick();
    void Terminate();

    // ---- Password change, lock and unlock, tray --------------------------------
    void MChangePassClick();
    void MLockClick();
    bool PMUnlockClick();  // true when unlocked
    void StTrayIcon1Click();
    void StTrayIcon1DblClick();
    void PMTrayAddClick();
    void PMTrayExitClick();
    void SetLockedView(bool locked);
    // What the view showed, while locked.
    std::unique_ptr<LockedView> LockedState;

    // ---- Entry list ---------------------------------------------------------
    void FillEntryList();
    void ShowCounts();
    // The entry index of the stored line the row shown at this position was
    // built from; -1 for no such row.
    int FindEntryIndex(int row) const;
    QByteArray EntryPassword(int index) const;
    void EditSearchChange();
    void ListView1ColumnClick(int column);
    void ListView1SelectItem(const QItemSelection& selected);
    void MHidePasswordsClick();
    void FormResize();
    void MFontClick();
    // The rows selected in the list, top to bottom.
    QList<int> SelectedRows() const;

    // ---- Entries: add, edit, delete, generator --------------------------------
    QByteArray GeneratePassword() const;
    void AAddExecute();
    void AEditExecute();
    void ListView1DblClick();
    void ShowEditDialog();
    void ADeleteExecute();
    void DeleteSelectedEntries();

    // ---- Clipboard, links and keys ------------------------------------------
    void PMCopyLoginClick();
    void PMCopyPasswordClick();
    void PMCopyLinkClick();
    void PMOpenUrlClick();
    void FormKeyDown(QKeyEvent* event);
    void MExitClick();
    void MExportClick();
    void AAboutExecute();

    // ---- Category tree ------------------------------------------------------
    void RefreshCategoryCaptions();
    void TreeViewCatClick();
    void TreeViewCatContextPopup(const QPoint& pos);
    void MCatNewClick();
    void MCatRenameClick();
    void MCatDeleteClick();
    QTreeWidgetItem* CategoryNode(int absoluteIndex) const;
    int SelectedNodeIndex() const;  // -1 when no node is selected
    void SelectNode(int absoluteIndex);
    QString CategoryName(int k) const;

    // The text the user typed, unless it cannot be stored; then the reason
    // was shown and nothing is returned.
    std::optional<QByteArray> StorableText(const QString& text, const QString& what = QString());
    // The same check for a text read as stored bytes (a category from the file).
    bool StorableBytes(const QByteArray& bytes, const QString& what = QString());

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The splitter's size when the column widths were last reset: a list
    // resize without a new splitter size is a drag of the splitter.
    QSize ColumnWidthsSplitterSize;
    void CreateComponents();
    void CreateMenus();
    void ApplyListFont();
    QString NodeCaption(int k, int count) const;
};
