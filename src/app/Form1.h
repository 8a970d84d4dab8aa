#pragma once

#include <QMainWindow>
#include <QPersistentModelIndex>
#include <QStringList>
#include <functional>
#include <memory>

#include "core/Settings.h"
#include "core/UserFiles.h"
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
class VaultSession;
}
namespace platform {
class IniFile;
}

class EntryListModel;
class TAboutBox;
class TFormAdd;
class TFormEdit;
class TFormExport;
class TFormLogin;
class TListView;
class TitleOrder;
class TStTrayIcon;
class TTreeViewCat;

// The main window. It owns the whole state of the run: the program
// directory, the logged-in user and their lists, the flags and the message
// strings; every other window works on it through the operations below.
class TForm1 : public QMainWindow {
    Q_OBJECT

public:
    // executablePath: the program's own path; empty means the running executable.
    explicit TForm1(const QString& executablePath = QString(), QWidget* parent = nullptr);
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
    QAction* MEncryptVault = nullptr;
    QAction* MDecryptVault = nullptr;
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

    QTimer* Timer1 = nullptr;
    TStTrayIcon* StTrayIcon1 = nullptr;
    QTimer* ClipboardTimer = nullptr;  // empties the clipboard after a Copy Password

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
    QString ProgramDir;  // ends in the separator
    QString CurrentLogin;
    QByteArray AccountPassword;  // plain, in memory only
    QString VaultPath;
    QString CategoriesPath;
    QString LanguageName;
    bool HidePasswords = false;
    int UsersCount = 0;
    QStringList UserList;
    int UsersRead = 0;            // names of UserList read from the file
    int UsersSkipped = 0;         // names past the bound, never read, kept in the file
    core::LineList CategoryList;  // item 0: the root label, never stored
    core::LineList PasswordList;  // scrambled lines; position = entry index
    bool UseKeyFile = false;
    QString KeyFilePath;
    int SelectedCategoryIndex = 0;
    int InactivityCounter = 0;
    bool LoggedIn = false;
    bool Locked = false;
    QByteArray KeyBuffer;  // 1,048,576 bytes
    platform::FontChoice ListFont;
    platform::TColor ListFontColor = platform::clWindowText;  // as stored
    bool Terminated = false;  // the program was asked to end without saving

    // The entry list's own state.
    int SortColumn = -1;
    int SortDirection = -1;
    QPersistentModelIndex CurrentEntry;

    // The keys of an encrypted user's vault; none for a compatible vault.
    // PendingVault: during a login, between the password and the key file.
    std::unique_ptr<core::VaultSession> Vault;
    std::unique_ptr<core::VaultSession> PendingVault;

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

    // The encrypted vault's texts, from the language file's "Messages" section.
    QString StringEncryptVault = QStringLiteral("Encrypt Vault...");
    QString StringDecryptVault = QStringLiteral("Decrypt Vault...");
    QString StringVaultPassword = QStringLiteral("Account password:");
    QString StringVaultEncrypted = QStringLiteral(
        "The vault is encrypted. Only this program opens it now, with your password (and key "
        "file).");
    QString StringVaultDecrypted =
        QStringLiteral("The vault is decrypted: it is stored in the compatible format again.");
    QString StringKeyFileDropped =
        QStringLiteral("The key file is no longer demanded; create a new one if you want one.");
    // "%1": the entry's title or the category's name; "%2": the character.
    QString StringCannotDecrypt = QStringLiteral(
        "\"%1\" holds the character %2, which an unencrypted vault cannot store. Nothing was "
        "changed.");

    // ---- Start-up and shutdown -------------------------------------------------
    static QString DesignedCaption() { return QStringLiteral("Vorrel 1.8"); }
    QString ProgramSettingsPath() const;
    core::UserPaths UserPaths() const;
    void FormCreate();
    void FormClose();

    // ---- Language ----------------------------------------------------------
    void LoadLanguage(const QString& name);
    // The keys in the order of reading; each target gets the file's value.
    struct LanguageTarget {
        QByteArray key;
        std::function<QString()> get;
        std::function<void(const QString&)> set;
    };
    std::vector<LanguageTarget> LanguageTargets();
    // The texts the key list has no place for, read from the section "Messages".
    std::vector<LanguageTarget> ExtraLanguageTargets();
    // The language file: from the working directory, else beside the executable.
    QString LanguageFilePath(const QString& name) const;
    void MLangEnglishClick();
    void MLangRussianClick();
    void MLangSChineseClick();

    // ---- User files ---------------------------------------------------------
    void LoadSettings();
    void SaveSettings();
    void LoadPasswords();
    void SavePasswords();
    void LoadCategories();
    // CategoryList and the tree from names already read.
    void ShowCategories(const core::LineList& names);
    // Load and Restore: the lines read, then the category file, then both shown.
    void ReplacePasswordList(core::LineList lines);
    void SaveCategories();
    int CategoryCount(int k) const;
    void ASaveExecute();
    void ALoadExecute();
    void MRestoreClick();
    void AClearExecute();

    // ---- Key file (the check runs at login) -----------------------------------
    bool KeyFileCheck();  // false: the program ends
    void MCreateKeyFileClick();
    bool KeyFileMatches(const QString& path);
    void Terminate();

    // ---- Encrypted vault ------------------------------------------------------
    void CreateVaultMenu();
    void UpdateVaultMenu();
    void LoadVaultTexts(const platform::IniFile& ini);
    // The login of an encrypted user once the password matched: the key file
    // when demanded, the data key, UTF-8 storage. false: the program ends.
    bool OpenEncryptedVault(std::unique_ptr<core::VaultSession> pending);
    // Back to no vault keys and the compatible code page (a new login attempt).
    void CloseVault();
    void MEncryptVaultClick();
    void MDecryptVaultClick();
    // The masked account-password box; false when cancelled or wrong.
    bool AskAccountPassword(const QString& title);
    core::LineList ReadCategoryFile();
    void WriteCategoryFile(const core::LineList& names);

    // ---- Password change, lock and unlock, tray --------------------------------
    void MChangePassClick();
    void MLockClick();
    bool PMUnlockClick();  // true when unlocked
    void ApplicationEvents1Deactivate();
    void ApplicationEvents1Activate();
    void Timer1Timer();
    void StTrayIcon1Click();
    void StTrayIcon1DblClick();
    void PMTrayAddClick();
    void PMTrayExitClick();
    void SetLockedView(bool locked);
    bool Unlocking = false;
    // A login has opened the user: the inactivity count starts.
    void UserOpened();
    // The inactivity count runs exactly while a user is logged in and unlocked.
    void UpdateInactivityTimer();
    // Seconds without input to the program after which it locks itself.
    static constexpr int kInactivityLimit = 300;

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
    // The password the program put on the clipboard last, until it is emptied.
    QString ClipboardSecret;
    static constexpr int kClipboardSeconds = 30;
    void ClipboardTimerTimer();
    // Empties the clipboard, but only while it still holds that password: a
    // newer copy of the user's own is never touched.
    void ClearSecretClipboard();
    void FormKeyDown(QKeyEvent* event);
    void MExitClick();
    void MExportClick();
    void MImportClick();  // mainwindow/ImportCommand.cpp
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
    void ShowCannotStore(QChar bad, const QString& what);

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
