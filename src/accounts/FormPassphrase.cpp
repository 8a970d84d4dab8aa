#include "accounts/FormPassphrase.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/EncryptedVault.h"
#include "platform/Guard.h"
#include "platform/Widgets.h"

QString PassphraseTexts::strength(core::PassphraseStrength s) const {
    switch (s) {
        case core::PassphraseStrength::VeryWeak:
            return veryWeak;
        case core::PassphraseStrength::Weak:
            return weak;
        case core::PassphraseStrength::Good:
            return good;
        case core::PassphraseStrength::Strong:
            return strong;
        case core::PassphraseStrength::None:
            break;
    }
    return QString();
}

TFormPassphrase::TFormPassphrase(const PassphraseTexts& texts, const QString& title,
                                 const QByteArray& currentPassword, const QString& login,
                                 QWidget* parent)
    : QDialog(parent), texts_(texts), current_(currentPassword), login_(login) {
    setObjectName(QStringLiteral("FormPassphrase"));
    setWindowTitle(title);
    setModal(true);
    LabelIntro = new QLabel(texts.intro, this);
    LabelIntro->setObjectName(QStringLiteral("LabelIntro"));
    LabelIntro->setWordWrap(true);
    EditPassphrase = new QLineEdit(this);
    EditPassphrase->setObjectName(QStringLiteral("EditPassphrase"));
    EditConfirm = new QLineEdit(this);
    EditConfirm->setObjectName(QStringLiteral("EditConfirm"));
    for (QLineEdit* edit : {EditPassphrase, EditConfirm}) {
        platform::setPasswordChar(edit);
        edit->setMaxLength(int(core::kMaxPassphraseLength) + 1);
    }
    StrengthBar = new QProgressBar(this);
    StrengthBar->setObjectName(QStringLiteral("StrengthBar"));
    StrengthBar->setRange(0, int(core::PassphraseStrength::Strong));
    StrengthBar->setValue(0);
    StrengthBar->setTextVisible(false);
    StrengthBar->setMaximumHeight(8);
    LabelStrength = new QLabel(this);
    LabelStrength->setObjectName(QStringLiteral("LabelStrength"));
    LabelStrength->setWordWrap(true);
    CheckBoxKeep = new QCheckBox(texts.keep, this);
    CheckBoxKeep->setObjectName(QStringLiteral("CheckBoxKeep"));
    // The compatible rules let 4 letters through: only a password that
    // already meets the passphrase rule may stay.
    CheckBoxKeep->setEnabled(core::passphraseProblem(QString::fromUtf8(currentPassword)) ==
                             core::PassphraseProblem::None);
    ButtonOk = new QPushButton(texts.ok, this);
    ButtonOk->setObjectName(QStringLiteral("ButtonOk"));
    ButtonOk->setDefault(true);
    ButtonCancel = new QPushButton(texts.cancel, this);
    ButtonCancel->setObjectName(QStringLiteral("ButtonCancel"));

    auto* fields = new QFormLayout;
    fields->addRow(texts.passphrase, EditPassphrase);
    fields->addRow(texts.confirm, EditConfirm);
    fields->addRow(QString(), StrengthBar);
    fields->addRow(QString(), LabelStrength);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ButtonOk);
    buttons->addWidget(ButtonCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(LabelIntro);
    layout->addLayout(fields);
    layout->addWidget(CheckBoxKeep);
    layout->addLayout(buttons);
    resize(420, sizeHint().height());

    connect(EditPassphrase, &QLineEdit::textChanged, this, [this] { UpdateStrength(); });
    connect(CheckBoxKeep, &QCheckBox::toggled, this, [this](bool keep) {
        EditPassphrase->setEnabled(!keep);
        EditConfirm->setEnabled(!keep);
        UpdateStrength();
    });
    connect(ButtonOk, &QPushButton::clicked, this, platform::command([this] { ButtonOkClick(); }));
    connect(ButtonCancel, &QPushButton::clicked, this, &QDialog::reject);
    UpdateStrength();
}

void TFormPassphrase::keyPressEvent(QKeyEvent* event) {
    if (!platform::pressFocusedButton(this, event)) {
        QDialog::keyPressEvent(event);
    }
}

void TFormPassphrase::UpdateStrength() {
    const bool keep = CheckBoxKeep->isChecked();
    const core::PassphraseStrength s = core::passphraseStrength(
        keep ? QString::fromUtf8(current_) : EditPassphrase->text(), {login_});
    StrengthBar->setValue(int(s));
    LabelStrength->setText(texts_.strength(s));
}

void TFormPassphrase::ButtonOkClick() {
    if (CheckBoxKeep->isChecked()) {
        Passphrase = current_;
    } else {
        const QString text = EditPassphrase->text();
        if (core::passphraseProblem(text) != core::PassphraseProblem::None) {
            platform::ui().showMessage(texts_.rule);
            EditPassphrase->setFocus();
            return;
        }
        if (EditConfirm->text() != text) {
            platform::ui().showMessage(texts_.mismatch);
            EditConfirm->clear();
            EditConfirm->setFocus();
            return;
        }
        Passphrase = text.toUtf8();
    }
    // The passphrase stays in no widget once it is taken.
    EditPassphrase->clear();
    EditConfirm->clear();
    accept();
}
