#include "mainwindow/ImportPreview.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/Widgets.h"

namespace {

// More names than anyone reads would only slow the window down.
constexpr int kNamesShown = 500;

}  // namespace

QString TFormImport::characterName(QChar c) {
    const QString code =
        QStringLiteral("U+") +
        QString::number(c.unicode(), 16).toUpper().rightJustified(4, QLatin1Char('0'));
    if (!c.isPrint() || c.isSurrogate()) {
        return code;
    }
    return QLatin1Char('"') + c + QStringLiteral("\" (") + code + QLatin1Char(')');
}

TFormImport::TFormImport(const core::ImportPlan& plan, const ImportTexts& texts, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("FormImport"));
    setWindowTitle(texts.title);
    setModal(true);
    LabelSummary = new QLabel(
        texts.summary.arg(core::importFormatName(plan.format)).arg(plan.lines.size()), this);
    LabelSummary->setObjectName(QStringLiteral("LabelSummary"));
    LabelSummary->setWordWrap(true);

    QStringList details;
    if (!plan.newCategories.isEmpty()) {
        details << texts.categories.arg(plan.newCategoryNames.join(QStringLiteral(", ")));
    }
    if (plan.duplicates > 0) {
        details << texts.duplicates.arg(plan.duplicates);
    }
    if (!plan.unstorable.isEmpty()) {
        details << texts.unstorable.arg(plan.unstorable.size());
        for (int i = 0; i < plan.unstorable.size() && i < kNamesShown; ++i) {
            const core::UnstorableEntry& u = plan.unstorable[i];
            details << QStringLiteral("    ") +
                           texts.character.arg(u.title, characterName(u.character));
        }
        if (plan.unstorable.size() > kNamesShown) {
            details << QStringLiteral("    ...");
        }
    }
    for (auto [count, text] : {std::pair<int, const QString*>{plan.lineBreaks, &texts.lineBreaks},
                               {plan.totpLeftOut, &texts.totp},
                               {plan.notLogins, &texts.notLogins}}) {
        if (count > 0) {
            details << text->arg(count);
        }
    }
    MemoDetails = new QPlainTextEdit(details.join(QLatin1Char('\n')), this);
    MemoDetails->setObjectName(QStringLiteral("MemoDetails"));
    MemoDetails->setReadOnly(true);
    MemoDetails->setLineWrapMode(QPlainTextEdit::NoWrap);

    ButtonOk = new QPushButton(texts.ok, this);
    ButtonOk->setObjectName(QStringLiteral("ButtonOk"));
    ButtonOk->setEnabled(!plan.lines.isEmpty());
    ButtonCancel = new QPushButton(texts.cancel, this);
    ButtonCancel->setObjectName(QStringLiteral("ButtonCancel"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ButtonOk);
    buttons->addWidget(ButtonCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(LabelSummary);
    layout->addWidget(MemoDetails, 1);
    layout->addLayout(buttons);
    resize(480, 320);
    connect(ButtonOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(ButtonCancel, &QPushButton::clicked, this, &QDialog::reject);
}
