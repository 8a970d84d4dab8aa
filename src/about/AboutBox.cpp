#include "about/AboutBox.h"

#include <QApplication>
#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "localization/LanguageTargets.h"
#include "platform/Files.h"
#include "platform/Guard.h"
#include "platform/Widgets.h"

namespace {

QLabel* makeLabel(QWidget* parent, const char* name, const QString& text, const QColor& color,
                  bool bold) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, color);
    label->setPalette(p);
    if (bold) {
        QFont f = label->font();
        f.setBold(true);
        label->setFont(f);
    }
    return label;
}

const QColor kNavy(0, 0, 0x80);
const QColor kBlue(0, 0, 0xFF);
const QColor kTeal(0, 0x80, 0x80);
const QColor kRed(0xFF, 0, 0);

}  // namespace

TAboutBox::TAboutBox(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("About Program"));
    setModal(true);

    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel1->setLineWidth(2);
    Panel1->setMouseTracking(true);

    ProgramIcon = new QLabel(Panel1);
    ProgramIcon->setObjectName(QStringLiteral("ProgramIcon"));
    QIcon icon = QApplication::windowIcon();
    if (icon.isNull()) {
        icon = style()->standardIcon(QStyle::SP_DesktopIcon);
    }
    ProgramIcon->setPixmap(icon.pixmap(32, 32));
    ProgramIcon->setFixedSize(32, 32);
    ProgramIcon->setScaledContents(true);

    LabelTitle = makeLabel(Panel1, "LabelTitle", QStringLiteral("Vorrel 1.8"), kNavy, true);
    LabelAbout =
        makeLabel(Panel1, "LabelAbout", QStringLiteral("easy passwords manager"), kBlue, false);
    LabelAuthor = makeLabel(Panel1, "LabelAuthor", QStringLiteral("The Vorrel team"), kNavy, true);
    LabelEmail = makeLabel(Panel1, "LabelEmail", QStringLiteral("E-mail: team@vorrel.example.org"),
                           kTeal, true);
    LabelEmail->setWordWrap(true);
    LabelSite =
        makeLabel(Panel1, "LabelSite", QStringLiteral("https://vorrel.example.org/"), kBlue, false);
    QFont underlined = LabelSite->font();
    underlined.setUnderline(true);
    LabelSite->setFont(underlined);
    LabelSite->setMouseTracking(true);
    LabelSite->installEventFilter(this);
    LabelDataTitle =
        makeLabel(Panel1, "LabelDataTitle", QStringLiteral("Your data folder:"), kNavy, false);
    LabelData = makeLabel(Panel1, "LabelData", QString(), kNavy, false);
    LabelData->setTextInteractionFlags(Qt::TextSelectableByMouse);  // to be copied
    Panel1->installEventFilter(this);

    auto* header = new QHBoxLayout;
    header->addWidget(ProgramIcon, 0, Qt::AlignTop);
    auto* titles = new QVBoxLayout;
    titles->addWidget(LabelTitle);
    titles->addWidget(LabelAbout);
    header->addLayout(titles, 1);
    auto* panelLayout = new QVBoxLayout(Panel1);
    panelLayout->addLayout(header);
    panelLayout->addWidget(LabelAuthor);
    panelLayout->addWidget(LabelEmail);
    // As wide as its text: the link reacts only over the address itself.
    panelLayout->addWidget(LabelSite, 0, Qt::AlignLeft);
    panelLayout->addWidget(LabelDataTitle);
    panelLayout->addWidget(LabelData);

    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->addWidget(Panel1);
    layout->addWidget(OKButton, 0, Qt::AlignHCenter);
    FitToTexts();
}

void TAboutBox::FitToTexts() {
    platform::fitToTexts(this, QSize(275, 162));
}

void TAboutBox::ShowDataFolder(const QString& folder) {
    LabelData->setText(platform::fullNativePath(platform::withoutTrailingSeparator(folder)));
    FitToTexts();
}

void TAboutBox::setSiteColor(const QColor& color) {
    QPalette p = LabelSite->palette();
    p.setColor(QPalette::WindowText, color);
    LabelSite->setPalette(p);
}

void TAboutBox::LabelSiteMouseMove() {
    LabelSite->setCursor(Qt::PointingHandCursor);
    setSiteColor(kRed);
}

void TAboutBox::Panel1MouseMove() {
    setSiteColor(kBlue);
}

void TAboutBox::LabelSiteMouseDown() {
    platform::ui().shellOpen(LabelSite->text());
}

bool TAboutBox::eventFilter(QObject* watched, QEvent* event) {
    if (watched == LabelSite && event->type() == QEvent::MouseMove) {
        platform::guarded([this] { LabelSiteMouseMove(); });
        return true;
    } else if (watched == LabelSite && event->type() == QEvent::MouseButtonPress) {
        platform::guarded([this] { LabelSiteMouseDown(); });
        return true;
    } else if (watched == Panel1 && event->type() == QEvent::MouseMove) {
        // Only where no label or icon lies: moves over a label reach the
        // panel too, passed on by the label.
        const QPoint at = static_cast<QMouseEvent*>(event)->position().toPoint();
        if (!Panel1->childAt(at)) {
            platform::guarded([this] { Panel1MouseMove(); });
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TAboutBox::AppendLanguageTargets(language::Targets& t) {
    t.push_back(language::windowCaption("AboutBox->Caption", this));
    t.push_back(language::caption("AboutBox->LabelAbout->Caption", LabelAbout));
    t.push_back(language::caption("AboutBox->LabelAuthor->Caption", LabelAuthor));
    t.push_back(language::caption("AboutBox->LabelSite->Caption", LabelSite));
}
