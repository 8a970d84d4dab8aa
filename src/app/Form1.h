#pragma once

#include <QMainWindow>
#include <QPersistentModelIndex>
#include <QStringList>
#include <functional>
#include <memory>

#include "app/Form1Texts.h"
#include "core/Settings.h"
#include "localization/LanguageTarget.h"
#include "platform/Ui.h"
#include "session/Accounts.h"
#include "session/UserSession.h"

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
}  // namespace core

class EntryListModel;
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

// The main window's components by their designed names: widgets, menus,
// actions, the dialogs it shows and the units it wires to them.
struct Form1Components {
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

    // The dialogs, created once by FormCreate.
    TFormLogin* FormLogin = nullptr;
    TFormAdd* FormAdd = nullptr;
    TFormEdit* FormEdit = nullptr;
    TFormExport* FormExport = nullptr;
    TAboutBox* AboutBox = nullptr;
};

// The main window: the category tree, the entry list, the menus and the
// tray. It shows the logged-in user's session and wires the commands to it
// and to the dialogs; the user's data is the session's.
class TForm1 : public QMainWindow {
    Q_OBJECT

public:
    // executablePath: the program's own path; empty means the running executable.
    // dataFolder: where the settings file, users/ and data/ are; empty means
    // the executable's folder.
    explicit TForm1(const QString& executablePath = QString(),
                    const QString& dataFolder = QString(), QWidget* parent = nullptr);
    ~TForm1() override;

    Form1Components ui;
    Form1Texts texts;
    session::UserSession& session() { return session_; }
    const session::Accounts& accounts() const { return accounts_; }
    bool loggedIn() const { return session_.loggedIn(); }
    bool locked() const { return session_.locked(); }
    bool terminated() const { return terminated_; }

    // The language, "hidden" and the users list, as read and since changed.
    core::ProgramSettings Settings;
    bool HidePasswords = false;
    platform::FontChoice ListFont;
    // The view: the selected category (0: the root) and the entry list's order and current row.
    int SelectedCategoryIndex = 0;
    int SortColumn = -1;
    int SortDirection = -1;
    QPersistentModelIndex CurrentEntry;

    // ---- Start-up and shutdown ------------------------------------------------
    static QString DesignedCaption() { return QStringLiteral("Vorrel 1.8"); }
    QString ProgramSettingsPath() const;
    void FormCreate();

    // ---- Language ---------------------------------------------------------------
    void LoadLanguage(const QString& name);
    // The keys in the order of reading; each target gets the file's value.
    language::Targets LanguageTargets();

    // ---- The view of the session ------------------------------------------------
    void FillEntryList();
    // The entry index of the stored line the row shown at this position was
    // built from; -1 for no such row.
    int FindEntryIndex(int row) const;
    QTreeWidgetItem* CategoryNode(int absoluteIndex) const;
    int SelectedNodeIndex() const;  // -1 when no node is selected
    void SelectNode(int absoluteIndex);
    // The rows selected in the list, top to bottom.
    QList<int> SelectedRows() const;
    void ShowCounts();
    void RefreshCategoryCaptions();
    void TreeViewCatClick();
    void TreeViewCatContextPopup(const QPoint& pos);
    void ListView1DblClick();
    void FormResize();
    // The titles' collation ranks, kept between fills (the benchmark weighs them).
    const TitleOrder& titleOrder() const { return *TitleOrderCache; }

    // ---- Commands a test or the tray reaches directly ----------------------------
    void MHidePasswordsClick();
    void MLockClick();
    bool PMUnlockClick();  // true when unlocked
    void ListView1ColumnClick(int column);
    void MChangePassClick();
    void MCreateKeyFileClick();
    void MCatNewClick();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend class LockedView;
    friend bool reopenFiles(TForm1& form1);
    friend void offerConflictCopies(TForm1& form1);

    void CreateComponents();
    void CreateMenus();
    void WireSession();
    void WireDialogs();
    void ApplyListFont();
    void FormClose();
    void Terminate();
    void MLanguageClick(const QString& name);

    // ---- Login --------------------------------------------------------------
    void ButtonLoginClick(const QString& login, const QByteArray& password);
    void ButtonNewUserClick(const QString& login, const QByteArray& password);
    // The key file the login demands; false: the program ends (unless
    // endOnFailure is off: the files opened again after a change elsewhere).
    bool KeyFileCheck(core::UserLogin& login, bool endOnFailure = true);
    // Before a command that writes: files another program encrypted or
    // decrypted are opened again first, with the password that opens them
    // now. false: the user cancelled, and nothing may be written.
    bool FilesCurrent();
    // Changes from elsewhere, taken once the window is free for them.
    void TakeChangesWhenFree();

    // ---- The view --------------------------------------------------------------
    // The tree rebuilt from the session, the list refilled; the selected
    // category and row kept where they still exist.
    void ShowSession();
    void ShowCategories();
    void ShowSessionState();
    QString NodeCaption(int k, int count) const;
    QString CategoryName(int k) const;
    QByteArray EntryPassword(int index) const;
    void EditSearchChange();
    void ListView1SelectItem(const QItemSelection& selected);
    void SetLockedView(bool locked);
    // The text the user typed, unless it cannot be stored; then the reason
    // was shown and nothing is returned.
    std::optional<QByteArray> StorableText(const QString& text, const QString& what = QString());

    // ---- Commands ----------------------------------------------------------------
    void MFontClick();
    void AAddExecute();
    void AEditExecute();
    void ShowEditDialog();
    void ADeleteExecute();
    void PMCopyLoginClick();
    void PMCopyPasswordClick();
    void PMCopyLinkClick();
    void PMOpenUrlClick();
    void FormKeyDown(QKeyEvent* event);
    void MExportClick();
    void AAboutExecute();
    void MCatRenameClick();
    void MCatDeleteClick();
    void ASaveExecute();
    void ALoadExecute();
    void MRestoreClick();
    void AClearExecute();
    void StTrayIcon1Click();
    void PMTrayAddClick();
    void PMTrayExitClick();

    QString ExecutablePath;
    QString DataDir;  // ends in the separator
    session::Accounts accounts_;
    session::UserSession session_;
    bool terminated_ = false;  // the program was asked to end without saving
    // The collation rank of each title, kept between fills of the list.
    std::unique_ptr<TitleOrder> TitleOrderCache;
    // What the view showed, while locked.
    std::unique_ptr<LockedView> LockedState;
    // The splitter's size when the column widths were last reset: a list
    // resize without a new splitter size is a drag of the splitter.
    QSize ColumnWidthsSplitterSize;
    QTimer* TakeChangesTimer = nullptr;
    QString LastListFile;  // the list file chosen last in the open dialog
};
