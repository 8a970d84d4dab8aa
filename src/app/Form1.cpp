#include "app/Form1.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>

#include "about/AboutBox.h"
#include "accounts/FormLogin.h"
#include "accounts/LockedView.h"
#include "accounts/VaultCommands.h"
#include "app/FolderWatch.h"
#include "core/KeyFile.h"
#include "export/FormExport.h"
#include "mainwindow/EntryDialogs.h"
#include "mainwindow/EntryListModel.h"
#include "mainwindow/ImportCommand.h"
#include "mainwindow/InactivityWatch.h"
#include "mainwindow/ListView.h"
#include "mainwindow/SecretClipboard.h"
#include "mainwindow/TitleOrder.h"
#include "platform/CodePage.h"
#include "platform/Files.h"
#include "platform/Guard.h"
#include "platform/Places.h"
#include "platform/Widgets.h"
#include "shell/DesktopLock.h"
#include "shell/TrayIcon.h"

TForm1::TForm1(const QString& executablePath, const QString& dataFolder, QWidget* parent)
    : QMainWindow(parent),
      ExecutablePath(executablePath.isEmpty() ? QCoreApplication::applicationFilePath()
                                              : executablePath),
      DataDir(dataFolder.isEmpty() ? platform::ExtractFilePath(ExecutablePath) : dataFolder) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(DesignedCaption());
    setWindowIcon(QApplication::windowIcon());
    TitleOrderCache = std::make_unique<TitleOrder>();
    ListFont.font = QFont(QStringLiteral("MS Sans Serif"), 8);
    ListFont.color = platform::toQColor(platform::clWindowText);
    CreateComponents();
    CreateMenus();
    // The tray icon exists from the start, before the login dialog.
    StTrayIcon1 = new TStTrayIcon(this);
    StTrayIcon1->setObjectName(QStringLiteral("StTrayIcon1"));
    // The inactivity count runs exactly while a user is logged in and unlocked.
    Inactivity =
        new InactivityWatch([this] { return LoggedIn && !Locked; }, [this] { MLockClick(); }, this);
    Clipboard = new SecretClipboard(this);
    // The desktop's screen lock and the machine's sleep lock the program too.
    connect(new DesktopLock(this), &DesktopLock::locked, this, platform::command([this] {
                if (LoggedIn) {
                    MLockClick();
                }
            }));
    Watch = new FolderWatch(*this);
    connect(StTrayIcon1, &TStTrayIcon::OnClick, this,
            platform::command([this] { StTrayIcon1Click(); }));
    connect(StTrayIcon1, &TStTrayIcon::OnDblClick, this,
            platform::command([this] { StTrayIcon1DblClick(); }));
    resize(729, 500);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
}

TForm1::~TForm1() = default;

void TForm1::CreateComponents() {
    Splitter1 = new QSplitter(Qt::Horizontal, this);
    Splitter1->setObjectName(QStringLiteral("Splitter1"));
    Splitter1->setHandleWidth(3);
    Splitter1->setChildrenCollapsible(false);

    PanelLeft = new QWidget(Splitter1);
    PanelLeft->setObjectName(QStringLiteral("PanelLeft"));
    auto* leftLayout = new QVBoxLayout(PanelLeft);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    leftLayout->setSpacing(0);

    TreeViewCat = new TTreeViewCat(PanelLeft);
    leftLayout->addWidget(TreeViewCat, 1);

    PanelSearch = new QWidget(PanelLeft);
    PanelSearch->setObjectName(QStringLiteral("PanelSearch"));
    PanelSearch->setFixedHeight(34);
    auto* searchLayout = new QHBoxLayout(PanelSearch);
    searchLayout->setContentsMargins(4, 4, 4, 4);
    LabelSearch = new QLabel(QStringLiteral("Search:"), PanelSearch);
    LabelSearch->setObjectName(QStringLiteral("LabelSearch"));
    EditSearch = new QLineEdit(PanelSearch);
    EditSearch->setObjectName(QStringLiteral("EditSearch"));
    LabelSearch->setBuddy(EditSearch);
    searchLayout->addWidget(LabelSearch);
    searchLayout->addWidget(EditSearch, 1);
    leftLayout->addWidget(PanelSearch);

    ListModel = new EntryListModel(this);
    ListView1 = new TListView(Splitter1);
    ListView1->setModel(ListModel);
    ListView1->installEventFilter(this);

    Splitter1->addWidget(PanelLeft);
    Splitter1->addWidget(ListView1);
    Splitter1->setStretchFactor(0, 0);
    Splitter1->setStretchFactor(1, 1);
    Splitter1->setSizes({201, 525});
    setCentralWidget(Splitter1);

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(false);
    const int widths[3] = {100, 100, 50};
    for (int i = 0; i < 3; ++i) {
        StatusPanels[i] = new QLabel(StatusBar1);
        StatusPanels[i]->setObjectName(QStringLiteral("StatusBar1Panel%1").arg(i));
        StatusPanels[i]->setMinimumWidth(widths[i]);
        StatusBar1->addWidget(StatusPanels[i]);
    }
    StatusPanels[0]->setText(QStringLiteral(" Passwords:"));
    StatusPanels[1]->setText(QStringLiteral(" Categories:"));
    setStatusBar(StatusBar1);

    connect(TreeViewCat, &TTreeViewCat::clickedAnywhere, this,
            platform::command([this] { TreeViewCatClick(); }));
    connect(TreeViewCat, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        platform::guarded([&] { TreeViewCatContextPopup(pos); });
    });
    connect(TreeViewCat, &TTreeViewCat::doubleClickedAnywhere, this,
            platform::command([this] { MCatRenameClick(); }));
    connect(EditSearch, &QLineEdit::textChanged, this,
            platform::command([this] { EditSearchChange(); }));
    connect(ListView1->header(), &QHeaderView::sectionClicked, this,
            [this](int column) { platform::guarded([&] { ListView1ColumnClick(column); }); });
    connect(ListView1->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this](const QItemSelection& selected) {
                platform::guarded([&] { ListView1SelectItem(selected); });
            });
}

namespace {

QAction* makeAction(QObject* parent, const char* name, const char* caption,
                    const QKeySequence& shortcut = QKeySequence()) {
    auto* action = new QAction(QString::fromLatin1(caption), parent);
    action->setObjectName(QString::fromLatin1(name));
    if (!shortcut.isEmpty()) {
        action->setShortcut(shortcut);
    }
    return action;
}

QMenu* makeMenu(QWidget* parent, const char* name, const char* caption) {
    auto* menu = new QMenu(QString::fromLatin1(caption), parent);
    menu->setObjectName(QString::fromLatin1(name));
    return menu;
}

}  // namespace

void TForm1::CreateMenus() {
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));

    MFile = makeMenu(this, "MFile", "File");
    MChangePass = makeAction(this, "MChangePass", "Change Password");
    MCreateKeyFile = makeAction(this, "MCreateKeyFile", "Create Key File");
    MExit = makeAction(this, "MExit", "Exit");
    MFile->addAction(MChangePass);
    MFile->addAction(MCreateKeyFile);
    MFile->addSeparator();
    MFile->addAction(MExit);
    VaultCommands = new TVaultCommands(*this);

    MCategory = makeMenu(this, "MCategory", "Category");
    MCatNew = makeAction(this, "MCatNew", "New");
    MCatRename = makeAction(this, "MCatRename", "Rename");
    MCatDelete = makeAction(this, "MCatDelete", "Delete");
    MCategory->addActions({MCatNew, MCatRename, MCatDelete});

    MData = makeMenu(this, "MData", "Data");
    AAdd = makeAction(this, "AAdd", "&Add", QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_A));
    AEdit = makeAction(this, "AEdit", "&Edit", QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_E));
    ADelete = makeAction(this, "ADelete", "&Delete", QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_D));
    MData->addActions({AAdd, AEdit, ADelete});

    MList = makeMenu(this, "MList", "List");
    ASave = makeAction(this, "ASave", "&Save", QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_S));
    ALoad = makeAction(this, "ALoad", "&Load", QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_L));
    MRestore =
        makeAction(this, "MRestore", "Restore", QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_B));
    AClear = makeAction(this, "AClear", "&Clear", QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_C));
    MExport = makeAction(this, "MExport", "Export", QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_X));
    MImport = makeAction(this, "MImport", "Import...");
    MList->addActions({ASave, ALoad, MRestore, AClear, MImport, MExport});
    ImportCommand = new TImportCommand(*this);

    MOptions = makeMenu(this, "MOptions", "Options");
    MLanguage = makeMenu(this, "MLanguage", "Language");
    MLangEnglish = makeAction(this, "MLangEnglish", "English");
    MLangRussian = makeAction(this, "MLangRussian", "Russian");
    MLangSChinese = makeAction(this, "MLangSChinese", "Chinese (Simplified)");
    for (QAction* a : {MLangEnglish, MLangRussian, MLangSChinese}) {
        a->setCheckable(true);
        MLanguage->addAction(a);
    }
    MFont = makeAction(this, "MFont", "Set Font");
    MHidePasswords =
        makeAction(this, "MHidePasswords", "Hide Passwords", QKeySequence(Qt::CTRL | Qt::Key_H));
    MHidePasswords->setCheckable(true);
    MLock = makeAction(this, "MLock", "Lock", QKeySequence(Qt::CTRL | Qt::Key_L));
    MOptions->addMenu(MLanguage);
    MOptions->addActions({MFont, MHidePasswords, MLock});

    MHelp = makeMenu(this, "MHelp", "Help");
    MAboutProgram = makeAction(this, "MAboutProgram", "About Program");
    MHelp->addAction(MAboutProgram);

    for (QMenu* m : {MFile, MCategory, MData, MList, MOptions, MHelp}) {
        bar->addMenu(m);
    }

    PopupMenu1 = makeMenu(this, "PopupMenu1", "");
    PMAdd = makeAction(this, "PMAdd", "Add");
    PMEdit = makeAction(this, "PMEdit", "Edit");
    PMDelete = makeAction(this, "PMDelete", "Delete");
    PMCopyToClipboard = makeMenu(this, "PMCopyToClipboard", "Copy To Clipboard");
    PMCopyLogin = makeAction(this, "PMCopyLogin", "Login");
    PMCopyPassword = makeAction(this, "PMCopyPassword", "Password");
    PMCopyLink = makeAction(this, "PMCopyLink", "Link");
    PMOpenUrl = makeAction(this, "PMOpenUrl", "Open Link");
    PMCopyToClipboard->addActions({PMCopyLogin, PMCopyPassword, PMCopyLink});
    PopupMenu1->addActions({PMAdd, PMEdit, PMDelete});
    PopupMenu1->addMenu(PMCopyToClipboard);
    PopupMenu1->addAction(PMOpenUrl);
    ListView1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ListView1, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        PopupMenu1->popup(ListView1->viewport()->mapToGlobal(pos));
    });

    PopupMenu2 = makeMenu(this, "PopupMenu2", "");
    PMCatNew = makeAction(this, "PMCatNew", "New");
    PMCatRename = makeAction(this, "PMCatRename", "Rename");
    PMCatDelete = makeAction(this, "PMCatDelete", "Delete");
    PopupMenu2->addActions({PMCatNew, PMCatRename, PMCatDelete});

    PopupMenuTray = makeMenu(this, "PopupMenuTray", "");
    PMTrayAdd = makeAction(this, "PMTrayAdd", "Add");
    PMUnlock = makeAction(this, "PMUnlock", "Unlock");
    PMTrayExit = makeAction(this, "PMTrayExit", "Exit");
    PMUnlock->setVisible(false);
    PopupMenuTray->addAction(PMTrayAdd);
    PopupMenuTray->addAction(PMUnlock);
    PopupMenuTray->addSeparator();
    PopupMenuTray->addAction(PMTrayExit);

    OpenDialog1Filter =
        QStringLiteral("Passwords List (*.dat)|*.dat|Text Files (*.txt)|*.txt|All Files (*.*)|*.*");
    SaveDialog1Filter = QStringLiteral("Passwords List (*.dat)|*.dat|Text Files (*.txt)|*.txt");

    auto bind = [this](QAction* action, auto handler) {
        connect(action, &QAction::triggered, this, platform::command(handler));
    };
    bind(MExit, [this] { MExitClick(); });
    bind(AAdd, [this] { AAddExecute(); });
    bind(PMAdd, [this] { AAddExecute(); });
    bind(AEdit, [this] { AEditExecute(); });
    bind(PMEdit, [this] { AEditExecute(); });
    bind(ADelete, [this] { ADeleteExecute(); });
    bind(PMDelete, [this] { ADeleteExecute(); });
    bind(PMCopyLogin, [this] { PMCopyLoginClick(); });
    bind(PMCopyPassword, [this] { PMCopyPasswordClick(); });
    bind(PMCopyLink, [this] { PMCopyLinkClick(); });
    bind(PMOpenUrl, [this] { PMOpenUrlClick(); });
    bind(MExport, [this] { MExportClick(); });
    bind(MImport, [this] { ImportCommand->Execute(); });
    bind(MAboutProgram, [this] { AAboutExecute(); });
    connect(ListView1, &TListView::deletePressed, this,
            platform::command([this] { ADeleteExecute(); }));
    connect(ListView1, &TListView::copyPasswordPressed, this,
            platform::command([this] { PMCopyPasswordClick(); }));
    connect(ListView1, &TListView::doubleClickedAnywhere, this,
            platform::command([this] { ListView1DblClick(); }));
    bind(MCreateKeyFile, [this] { MCreateKeyFileClick(); });
    bind(ASave, [this] { ASaveExecute(); });
    bind(ALoad, [this] { ALoadExecute(); });
    bind(MRestore, [this] { MRestoreClick(); });
    bind(AClear, [this] { AClearExecute(); });
    bind(MHidePasswords, [this] { MHidePasswordsClick(); });
    bind(MFont, [this] { MFontClick(); });
    bind(MCatNew, [this] { MCatNewClick(); });
    bind(PMCatNew, [this] { MCatNewClick(); });
    bind(MCatRename, [this] { MCatRenameClick(); });
    bind(PMCatRename, [this] { MCatRenameClick(); });
    bind(MCatDelete, [this] { MCatDeleteClick(); });
    bind(PMCatDelete, [this] { MCatDeleteClick(); });
    bind(MLangEnglish, [this] { MLanguageClick(QStringLiteral("English")); });
    bind(MLangRussian, [this] { MLanguageClick(QStringLiteral("Russian")); });
    bind(MLangSChinese, [this] { MLanguageClick(QStringLiteral("SChinese")); });
    bind(PMTrayExit, [this] { PMTrayExitClick(); });
    bind(PMTrayAdd, [this] { PMTrayAddClick(); });
    bind(PMUnlock, [this] { PMUnlockClick(); });
    bind(MChangePass, [this] { MChangePassClick(); });
    bind(MLock, [this] { MLockClick(); });
}

QString TForm1::ProgramSettingsPath() const {
    return DataDir + platform::settingsFileName(ExecutablePath);
}

void TForm1::FormCreate() {
    platform::setApplicationTitle(windowTitle());
    StTrayIcon1->setHint(windowTitle());

    FormLogin = new TFormLogin(*this);
    FormAdd = new TFormAdd(*this);
    FormEdit = new TFormEdit(*this);
    FormExport = new TFormExport(*this);
    AboutBox = new TAboutBox(this);
    AboutBox->ShowDataFolder(DataDir);

    Settings = core::readProgramSettings(ProgramSettingsPath());
    platform::setStorageCodePage(Settings.codePage);
    TitleOrderCache->clear();  // titles decode in the code page just chosen
    HidePasswords = Settings.hidden;

    SelectedCategoryIndex = 0;
    MHidePasswords->setChecked(HidePasswords);
    if (HidePasswords) {
        ListModel->setMasked(true);
    } else {
        FillEntryList();
    }
    LoadLanguage(Settings.language);
    platform::ui().showModal(FormLogin);
}

void TForm1::FormClose() {
    // Nobody is logged in (the tray's Exit during the login dialog): there is
    // nothing of a user to write, and no user folder to write it to.
    if (!LoggedIn) {
        return;
    }
    Settings.hidden = HidePasswords;
    Settings = core::withUsersOnDisk(ProgramSettingsPath(), Settings, Store->paths().usersFolder);
    core::refusedIn(FileTexts,
                    [this] { core::writeProgramSettings(ProgramSettingsPath(), Settings); });
    SaveSettings();
    if (!FilesCurrent()) {
        // Encrypted or decrypted elsewhere, and no password given: the
        // program may end only when nothing here would be lost.
        if (Store->changedHere(PasswordList, CategoryList.mid(1))) {
            throw platform::PlatformError(FileTexts.notSaved);
        }
        return;
    }
    SaveCategories();
    SavePasswords();
    if (Store->unsaved() && !Store->unsavedKeptAside()) {
        throw platform::PlatformError(FileTexts.notSavedYet);
    }
}

void TForm1::closeEvent(QCloseEvent* event) {
    if (!platform::guarded([this] { FormClose(); })) {
        // A file could not be written: the window stays open so nothing is lost.
        event->ignore();
        return;
    }
    Clipboard->forget();
    event->accept();
    QCoreApplication::quit();
}

void TForm1::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange) {
        return;
    }
    if (isMinimized() && StTrayIcon1->active()) {
        // Minimized to the tray: no taskbar entry while it is there.
        QTimer::singleShot(0, this, [this] {
            if (isMinimized()) {
                hide();
            }
        });
    } else if (!isMinimized() && Locked && !StTrayIcon1->active()) {
        // Without a tray the locked window is brought back through the password.
        QTimer::singleShot(0, this, [this] { platform::guarded([this] { PMUnlockClick(); }); });
    }
}

void TForm1::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    platform::guarded([this] { FormResize(); });
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    // The list gets its new width after the window's own resize, its first
    // showing included; the column widths follow the list's real width then.
    // A drag of the splitter resizes only the list and keeps widths set by hand.
    if (watched == ListView1 && event->type() == QEvent::Resize &&
        Splitter1->size() != ColumnWidthsSplitterSize) {
        ColumnWidthsSplitterSize = Splitter1->size();
        platform::guarded([this] { FormResize(); });
    }
    return QMainWindow::eventFilter(watched, event);
}
