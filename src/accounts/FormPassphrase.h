#pragma once

#include <QByteArray>
#include <QDialog>
#include <QString>

#include "core/PassphraseStrength.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

// The words of the passphrase dialog, replaced from the language file's "Messages".
struct PassphraseTexts {
    QString intro = QStringLiteral(
        "Choose the passphrase that will open the encrypted vault: 10 to 128 characters, spaces "
        "and any letters allowed. A few unrelated words make a strong one.");
    QString passphrase = QStringLiteral("New passphrase:");
    QString confirm = QStringLiteral("Type it again:");
    QString keep = QStringLiteral("Keep my current password");
    QString ok = QStringLiteral("OK");
    QString cancel = QStringLiteral("Cancel");
    QString mismatch =
        QStringLiteral("The two passphrases differ. Type the same passphrase in both boxes.");
    QString veryWeak = QStringLiteral(
        "Very weak: someone with a copy of your files could guess it within an hour.");
    QString weak =
        QStringLiteral("Weak: it could be guessed within days or months. Add a few more words.");
    QString good = QStringLiteral("Good: guessing it would take years.");
    QString strong = QStringLiteral("Strong: guessing it would take far longer than a lifetime.");
    // The rule of an encrypted user's password, shown when OK finds it broken.
    QString rule;

    QString strength(core::PassphraseStrength s) const;
};

// Encrypt Vault's new passphrase, typed twice, with a strength meter. The
// current password may be kept instead when it already meets the rule.
class TFormPassphrase : public QDialog {
    Q_OBJECT

public:
    TFormPassphrase(const PassphraseTexts& texts, const QString& title,
                    const QByteArray& currentPassword, const QString& login, QWidget* parent);

    QLabel* LabelIntro = nullptr;
    QLineEdit* EditPassphrase = nullptr;
    QLineEdit* EditConfirm = nullptr;
    QProgressBar* StrengthBar = nullptr;
    QLabel* LabelStrength = nullptr;
    QCheckBox* CheckBoxKeep = nullptr;
    QPushButton* ButtonOk = nullptr;
    QPushButton* ButtonCancel = nullptr;

    // Taken by OK, as UTF-8: the new passphrase or the current password.
    QByteArray Passphrase;

    void ButtonOkClick();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void UpdateStrength();

    const PassphraseTexts& texts_;
    const QByteArray& current_;
    QString login_;
};
