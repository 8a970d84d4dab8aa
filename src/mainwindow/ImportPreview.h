#pragma once

#include <QDialog>
#include <QString>

#include "core/CsvImport.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;

// The words of the import, replaced from the language file's "Messages".
struct ImportTexts {
    QString filter = QStringLiteral("CSV Files (*.csv)|*.csv|All Files (*.*)|*.*");
    QString unknown = QStringLiteral(
        "The first row of the file names no format Vorrel can import. Columns found: %1");
    QString title = QStringLiteral("Import");
    QString ok = QStringLiteral("Import");
    QString cancel = QStringLiteral("Cancel");
    QString summary = QStringLiteral("Format: %1. Entries to import: %2.");
    QString categories = QStringLiteral("Categories to create: %1");
    QString duplicates = QStringLiteral("Duplicates of existing entries, skipped: %1");
    QString unstorable = QStringLiteral("Entries your vault cannot store, skipped: %1");
    QString character = QStringLiteral("%1: the character %2");
    QString lineBreaks = QStringLiteral("Notes whose line breaks became \" / \": %1");
    QString totp = QStringLiteral("TOTP secrets left out: %1");
    QString notLogins = QStringLiteral("Rows that are not logins, skipped: %1");
};

// What an import would do, shown before anything changes; OK imports.
class TFormImport : public QDialog {
    Q_OBJECT

public:
    TFormImport(const core::ImportPlan& plan, const ImportTexts& texts, QWidget* parent);

    QLabel* LabelSummary = nullptr;
    QPlainTextEdit* MemoDetails = nullptr;
    QPushButton* ButtonOk = nullptr;
    QPushButton* ButtonCancel = nullptr;

    // A character as the preview names it: itself in quotes and its code.
    static QString characterName(QChar c);
};
