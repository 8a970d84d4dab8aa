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
#include "accounts/VaultCommands.h"
#include "app/LockedView.h"
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
      DataDir(dataFolder.isEmpty() ? platform::ExtractFilePath(ExecutablePath) : dataFolder),
      accounts_(DataDir) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(DesignedCaption());
    setWindowIcon(QApplication::windowIcon());
    TitleOrderCache = std::make_unique<TitleOrder>();
    ListFont.font = QFont(QStringLiteral("MS Sans Serif"), 8);
    ListFont.color = platform::toQColor(platform::clWindowText);
    CreateComponents();
    CreateMenus();
    // The tray icon exists from the start, before the login dialog.
    ui.StTrayIcon1 = new TStTrayIcon(this, ui.PopupMenuTray, [this] { return loggedIn(); });
    ui.StTrayIcon1->setObjectName(QStringLiteral("StTrayIcon1"));
    // The inactivity count runs exactly while a user is logged in and unlocked.
    ui.Inactivity = new InactivityWatch([this] { return loggedIn() && !locked(); },
                                        [this] { MLockClick(); }, this);
    ui.Clipboard = new SecretClipboard(this);
    // The desktop's screen lock and the machine's sleep lock the program too.
    connect(new DesktopLock(this), &DesktopLock::locked, this, platform::command([this] {
                if (loggedIn()) {
                    MLockClick();
                }
            }));
    connect(ui.StTrayIcon1, &TStTrayIcon::OnClick, this,
            platform::command([this] { StTrayIcon1Click(); }));
    connect(ui.StTrayIcon1, &TStTrayIcon::OnDblClick, this,
            platform::command([this] { StTrayIcon1Click(); }));
    WireSession();
    resize(729, 500);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
}

TForm1::~TForm1() = default;

void TForm1::CreateComponents() {
    ui.Splitter1 = new QSplitter(Qt::Horizontal, this);
    ui.Splitter1->setObjectName(QStringLiteral("Splitter1"));
    ui.Splitter1->setHandleWidth(3);
    ui.Splitter1->setChildrenCollapsible(false);

    ui.PanelLeft = new QWidget(ui.Splitter1);
    ui.PanelLeft->setObjectName(QStringLiteral("PanelLeft"));
    auto* leftLayout = new QVBoxLayout(ui.PanelLeft);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    leftLayout->setSpacing(0);

    ui.TreeViewCat = new TTreeViewCat(ui.PanelLeft);
    leftLayout->addWidget(ui.TreeViewCat, 1);

    ui.PanelSearch = new QWidget(ui.PanelLeft);
    ui.PanelSearch->setObjectName(QStringLiteral("PanelSearch"));
    ui.PanelSearch->setFixedHeight(34);
    auto* searchLayout = new QHBoxLayout(ui.PanelSearch);
    searchLayout->setContentsMargins(4, 4, 4, 4);
    ui.LabelSearch = new QLabel(QStringLiteral("Search:"), ui.PanelSearch);
    ui.LabelSearch->setObjectName(QStringLiteral("LabelSearch"));
    ui.EditSearch = new QLineEdit(ui.PanelSearch);
    ui.EditSearch->setObjectName(QStringLiteral("EditSearch"));
    ui.LabelSearch->setBuddy(ui.EditSearch);
    searchLayout->addWidget(ui.LabelSearch);
    searchLayout->addWidget(ui.EditSearch, 1);
    leftLayout->addWidget(ui.PanelSearch);

    ui.ListModel = new EntryListModel(this);
    ui.ListView1 = new TListView(ui.Splitter1);
    ui.ListView1->setModel(ui.ListModel);
    ui.ListView1->installEventFilter(this);

    ui.Splitter1->addWidget(ui.PanelLeft);
    ui.Splitter1->addWidget(ui.ListView1);
    ui.Splitter1->setStretchFactor(0, 0);
    ui.Splitter1->setStretchFactor(1, 1);
    ui.Splitter1->setSizes({201, 525});
    setCentralWidget(ui.Splitter1);

    ui.StatusBar1 = new QStatusBar(this);
    ui.StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    ui.StatusBar1->setSizeGripEnabled(false);
    const int widths[3] = {100, 100, 50};
    for (int i = 0; i < 3; ++i) {
        ui.StatusPanels[i] = new QLabel(ui.StatusBar1);
        ui.StatusPanels[i]->setObjectName(QStringLiteral("StatusBar1Panel%1").arg(i));
        ui.StatusPanels[i]->setMinimumWidth(widths[i]);
        ui.StatusBar1->addWidget(ui.StatusPanels[i]);
    }
    ui.StatusPanels[0]->setText(QStringLiteral(" Passwords:"));
    ui.StatusPanels[1]->setText(QStringLiteral(" Categories:"));
    setStatusBar(ui.StatusBar1);

    connect(ui.TreeViewCat, &TTreeViewCat::clickedAnywhere, this,
            platform::command([this] { TreeViewCatClick(); }));
    connect(ui.TreeViewCat, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        platform::guarded([&] { TreeViewCatContextPopup(pos); });
    });
    connect(ui.TreeViewCat, &TTreeViewCat::doubleClickedAnywhere, this,
            platform::command([this] { MCatRenameClick(); }));
    connect(ui.EditSearch, &QLineEdit::textChanged, this,
            platform::command([this] { EditSearchChange(); }));
    connect(ui.ListView1->header(), &QHeaderView::sectionClicked, this,
            [this](int column) { platform::guarded([&] { ListView1ColumnClick(column); }); });
    connect(ui.ListView1->selectionModel(), &QItemSelectionModel::selectionChanged, this,
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

    ui.MFile = makeMenu(this, "MFile", "File");
    ui.MChangePass = makeAction(this, "MChangePass", "Change Password");
    ui.MCreateKeyFile = makeAction(this, "MCreateKeyFile", "Create Key File");
    ui.MExit = makeAction(this, "MExit", "Exit");
    ui.MFile->addAction(ui.MChangePass);
    ui.MFile->addAction(ui.MCreateKeyFile);
    ui.MFile->addSeparator();
    ui.MFile->addAction(ui.MExit);
    ui.VaultCommands =
        new TVaultCommands(session_, ui.MFile, ui.MCreateKeyFile, texts.StringWrongPassword,
                           texts.StringPasswordCharacters, this);
    ui.VaultCommands->FilesCurrent = [this] { return FilesCurrent(); };
    connect(ui.VaultCommands, &TVaultCommands::converted, this, [this] { ShowSession(); });
    connect(ui.VaultCommands, &TVaultCommands::keyFileWanted, this,
            [this] { MCreateKeyFileClick(); });

    ui.MCategory = makeMenu(this, "MCategory", "Category");
    ui.MCatNew = makeAction(this, "MCatNew", "New");
    ui.MCatRename = makeAction(this, "MCatRename", "Rename");
    ui.MCatDelete = makeAction(this, "MCatDelete", "Delete");
    ui.MCategory->addActions({ui.MCatNew, ui.MCatRename, ui.MCatDelete});

    ui.MData = makeMenu(this, "MData", "Data");
    ui.AAdd = makeAction(this, "AAdd", "&Add", QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_A));
    ui.AEdit = makeAction(this, "AEdit", "&Edit", QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_E));
    ui.ADelete =
        makeAction(this, "ADelete", "&Delete", QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_D));
    ui.MData->addActions({ui.AAdd, ui.AEdit, ui.ADelete});

    ui.MList = makeMenu(this, "MList", "List");
    ui.ASave = makeAction(this, "ASave", "&Save", QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_S));
    ui.ALoad = makeAction(this, "ALoad", "&Load", QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_L));
    ui.MRestore =
        makeAction(this, "MRestore", "Restore", QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_B));
    ui.AClear = makeAction(this, "AClear", "&Clear", QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_C));
    ui.MExport =
        makeAction(this, "MExport", "Export", QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_X));
    ui.MImport = makeAction(this, "MImport", "Import...");
    ui.MList->addActions({ui.ASave, ui.ALoad, ui.MRestore, ui.AClear, ui.MImport, ui.MExport});
    ui.ImportCommand = new TImportCommand(session_, DataDir, ui.MImport, this);
    ui.ImportCommand->BeforeCommand = [this] {
        // As every command that opens a window: the texts are read anew.
        if (!FilesCurrent()) {
            return false;
        }
        LoadLanguage(Settings.language);
        return true;
    };
    connect(ui.ImportCommand, &TImportCommand::imported, this, [this] { ShowSession(); });

    ui.MOptions = makeMenu(this, "MOptions", "Options");
    ui.MLanguage = makeMenu(this, "MLanguage", "Language");
    ui.MLangEnglish = makeAction(this, "MLangEnglish", "English");
    ui.MLangRussian = makeAction(this, "MLangRussian", "Russian");
    ui.MLangSChinese = makeAction(this, "MLangSChinese", "Chinese (Simplified)");
    for (QAction* a : {ui.MLangEnglish, ui.MLangRussian, ui.MLangSChinese}) {
        a->setCheckable(true);
        ui.MLanguage->addAction(a);
    }
    ui.MFont = makeAction(this, "MFont", "Set Font");
    ui.MHidePasswords =
        makeAction(this, "MHidePasswords", "Hide Passwords", QKeySequence(Qt::CTRL | Qt::Key_H));
    ui.MHidePasswords->setCheckable(true);
    ui.MLock = makeAction(this, "MLock", "Lock", QKeySequence(Qt::CTRL | Qt::Key_L));
    ui.MOptions->addMenu(ui.MLanguage);
    ui.MOptions->addActions({ui.MFont, ui.MHidePasswords, ui.MLock});

    ui.MHelp = makeMenu(this, "MHelp", "Help");
    ui.MAboutProgram = makeAction(this, "MAboutProgram", "About Program");
    ui.MHelp->addAction(ui.MAboutProgram);

    for (QMenu* m : {ui.MFile, ui.MCategory, ui.MData, ui.MList, ui.MOptions, ui.MHelp}) {
        bar->addMenu(m);
    }

    ui.PopupMenu1 = makeMenu(this, "PopupMenu1", "");
    ui.PMAdd = makeAction(this, "PMAdd", "Add");
    ui.PMEdit = makeAction(this, "PMEdit", "Edit");
    ui.PMDelete = makeAction(this, "PMDelete", "Delete");
    ui.PMCopyToClipboard = makeMenu(this, "PMCopyToClipboard", "Copy To Clipboard");
    ui.PMCopyLogin = makeAction(this, "PMCopyLogin", "Login");
    ui.PMCopyPassword = makeAction(this, "PMCopyPassword", "Password");
    ui.PMCopyLink = makeAction(this, "PMCopyLink", "Link");
    ui.PMOpenUrl = makeAction(this, "PMOpenUrl", "Open Link");
    ui.PMCopyToClipboard->addActions({ui.PMCopyLogin, ui.PMCopyPassword, ui.PMCopyLink});
    ui.PopupMenu1->addActions({ui.PMAdd, ui.PMEdit, ui.PMDelete});
    ui.PopupMenu1->addMenu(ui.PMCopyToClipboard);
    ui.PopupMenu1->addAction(ui.PMOpenUrl);
    ui.ListView1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ui.ListView1, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        ui.PopupMenu1->popup(ui.ListView1->viewport()->mapToGlobal(pos));
    });

    ui.PopupMenu2 = makeMenu(this, "PopupMenu2", "");
    ui.PMCatNew = makeAction(this, "PMCatNew", "New");
    ui.PMCatRename = makeAction(this, "PMCatRename", "Rename");
    ui.PMCatDelete = makeAction(this, "PMCatDelete", "Delete");
    ui.PopupMenu2->addActions({ui.PMCatNew, ui.PMCatRename, ui.PMCatDelete});

    ui.PopupMenuTray = makeMenu(this, "PopupMenuTray", "");
    ui.PMTrayAdd = makeAction(this, "PMTrayAdd", "Add");
    ui.PMUnlock = makeAction(this, "PMUnlock", "Unlock");
    ui.PMTrayExit = makeAction(this, "PMTrayExit", "Exit");
    ui.PMUnlock->setVisible(false);
    ui.PopupMenuTray->addAction(ui.PMTrayAdd);
    ui.PopupMenuTray->addAction(ui.PMUnlock);
    ui.PopupMenuTray->addSeparator();
    ui.PopupMenuTray->addAction(ui.PMTrayExit);

    auto bind = [this](QAction* action, auto handler) {
        connect(action, &QAction::triggered, this, platform::command(handler));
    };
    bind(ui.MExit, [this] { close(); });
    bind(ui.AAdd, [this] { AAddExecute(); });
    bind(ui.PMAdd, [this] { AAddExecute(); });
    bind(ui.AEdit, [this] { AEditExecute(); });
    bind(ui.PMEdit, [this] { AEditExecute(); });
    bind(ui.ADelete, [this] { ADeleteExecute(); });
    bind(ui.PMDelete, [this] { ADeleteExecute(); });
    bind(ui.PMCopyLogin, [this] { PMCopyLoginClick(); });
    bind(ui.PMCopyPassword, [this] { PMCopyPasswordClick(); });
    bind(ui.PMCopyLink, [this] { PMCopyLinkClick(); });
    bind(ui.PMOpenUrl, [this] { PMOpenUrlClick(); });
    bind(ui.MExport, [this] { MExportClick(); });
    bind(ui.MImport, [this] { ui.ImportCommand->Execute(); });
    bind(ui.MAboutProgram, [this] { AAboutExecute(); });
    connect(ui.ListView1, &TListView::deletePressed, this,
            platform::command([this] { ADeleteExecute(); }));
    connect(ui.ListView1, &TListView::copyPasswordPressed, this,
            platform::command([this] { PMCopyPasswordClick(); }));
    connect(ui.ListView1, &TListView::doubleClickedAnywhere, this,
            platform::command([this] { ListView1DblClick(); }));
    bind(ui.MCreateKeyFile, [this] { MCreateKeyFileClick(); });
    bind(ui.ASave, [this] { ASaveExecute(); });
    bind(ui.ALoad, [this] { ALoadExecute(); });
    bind(ui.MRestore, [this] { MRestoreClick(); });
    bind(ui.AClear, [this] { AClearExecute(); });
    bind(ui.MHidePasswords, [this] { MHidePasswordsClick(); });
    bind(ui.MFont, [this] { MFontClick(); });
    bind(ui.MCatNew, [this] { MCatNewClick(); });
    bind(ui.PMCatNew, [this] { MCatNewClick(); });
    bind(ui.MCatRename, [this] { MCatRenameClick(); });
    bind(ui.PMCatRename, [this] { MCatRenameClick(); });
    bind(ui.MCatDelete, [this] { MCatDeleteClick(); });
    bind(ui.PMCatDelete, [this] { MCatDeleteClick(); });
    bind(ui.MLangEnglish, [this] { MLanguageClick(QStringLiteral("English")); });
    bind(ui.MLangRussian, [this] { MLanguageClick(QStringLiteral("Russian")); });
    bind(ui.MLangSChinese, [this] { MLanguageClick(QStringLiteral("SChinese")); });
    bind(ui.PMTrayExit, [this] { PMTrayExitClick(); });
    bind(ui.PMTrayAdd, [this] { PMTrayAddClick(); });
    bind(ui.PMUnlock, [this] { PMUnlockClick(); });
    bind(ui.MChangePass, [this] { MChangePassClick(); });
    bind(ui.MLock, [this] { MLockClick(); });
}

QString TForm1::ProgramSettingsPath() const {
    return DataDir + platform::settingsFileName(ExecutablePath);
}

void TForm1::FormCreate() {
    platform::setApplicationTitle(windowTitle());
    ui.StTrayIcon1->setHint(windowTitle());

    ui.FormLogin = new TFormLogin(accounts_, this);
    ui.FormAdd = new TFormAdd(session_, texts.EntryDialogs, this);
    ui.FormEdit = new TFormEdit(session_, texts.EntryDialogs, this);
    ui.FormExport = new TFormExport(*ui.ListModel, session_, DataDir, this);
    ui.AboutBox = new TAboutBox(this);
    ui.AboutBox->ShowDataFolder(DataDir);
    WireDialogs();

    Settings = core::readProgramSettings(ProgramSettingsPath());
    platform::setStorageCodePage(Settings.codePage);
    TitleOrderCache->clear();  // titles decode in the code page just chosen
    HidePasswords = Settings.hidden;

    SelectedCategoryIndex = 0;
    ui.MHidePasswords->setChecked(HidePasswords);
    if (HidePasswords) {
        ui.ListModel->setMasked(true);
    } else {
        FillEntryList();
    }
    LoadLanguage(Settings.language);
    ui.FormLogin->Users = Settings.users;
    platform::ui().showModal(ui.FormLogin);
}

void TForm1::FormClose() {
    // Nobody is logged in (the tray's Exit during the login dialog): there is
    // nothing of a user to write, and no user folder to write it to.
    if (!loggedIn()) {
        return;
    }
    Settings.hidden = HidePasswords;
    Settings = core::withUsersOnDisk(ProgramSettingsPath(), Settings, session_.paths().usersFolder);
    core::refusedIn(texts.Files,
                    [this] { core::writeProgramSettings(ProgramSettingsPath(), Settings); });
    if (!session_.isOpen()) {
        return;  // locked: the lock wrote the user's files, and holds nothing of them
    }
    session_.settings().fontName = ListFont.font.family();
    session_.settings().fontSize = ListFont.font.pointSize() > 0 ? ListFont.font.pointSize() : 8;
    session_.saveSettings();
    if (!FilesCurrent()) {
        // Encrypted or decrypted elsewhere, and no password given: the
        // program may end only when nothing here would be lost.
        if (session_.changedHere()) {
            throw platform::PlatformError(texts.Files.notSaved);
        }
        return;
    }
    session_.saveAll();
}

void TForm1::closeEvent(QCloseEvent* event) {
    if (!platform::guarded([this] { FormClose(); })) {
        // A file could not be written: the window stays open so nothing is lost.
        event->ignore();
        return;
    }
    ui.Clipboard->forget();
    event->accept();
    QCoreApplication::quit();
}

void TForm1::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange) {
        return;
    }
    if (isMinimized() && ui.StTrayIcon1->active()) {
        // Minimized to the tray: no taskbar entry while it is there.
        QTimer::singleShot(0, this, [this] {
            if (isMinimized()) {
                hide();
            }
        });
    } else if (!isMinimized() && locked() && !ui.StTrayIcon1->active()) {
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
    if (watched == ui.ListView1 && event->type() == QEvent::Resize &&
        ui.Splitter1->size() != ColumnWidthsSplitterSize) {
        ColumnWidthsSplitterSize = ui.Splitter1->size();
        platform::guarded([this] { FormResize(); });
    }
    return QMainWindow::eventFilter(watched, event);
}
