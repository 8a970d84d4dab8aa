#include "export/FormExport.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <cstring>

#include "core/UserFiles.h"
#include "export/ExportWriters.h"
#include "localization/LanguageTargets.h"
#include "mainwindow/EntryListModel.h"
#include "platform/CodePage.h"
#include "platform/Files.h"
#include "platform/Guard.h"
#include "platform/TextList.h"
#include "platform/Widgets.h"
#include "session/UserSession.h"

namespace {

// The CSV type comes after the types of the language's filter list.
int csvFilterIndex(const QString& filter) {
    return int(filter.count(QLatin1Char('|')) + 1) / 2 + 1;
}

QString extensionFor(int filterIndex, int csvIndex) {
    if (filterIndex == csvIndex) {
        return QStringLiteral(".csv");
    }
    switch (filterIndex) {
        case 1:
            return QStringLiteral(".txt");
        case 2:
            return QStringLiteral(".htm");
        default:
            return QString();
    }
}

// The checked columns, and the rows as the list shows them with the stored
// password in place of the mask, fetched one at a time.
struct ExportSource {
    exporting::ExportColumns columns;
    exporting::RowSource rowAt;
    int rowCount = 0;
    exporting::ExportEncoding encoding;
};

// csv: every field whatever the check list says, always in UTF-8.
void collect(const EntryListModel& model, const session::UserSession& session,
             const QTreeWidget* choice, const QStringList& otherTexts, ExportSource& source,
             bool csv = false) {
    QStringList captions;
    for (int c = 0; c < core::kFieldCount && c < choice->topLevelItemCount(); ++c) {
        const QTreeWidgetItem* item = choice->topLevelItem(c);
        source.columns[size_t(c)].checked = csv || item->checkState(0) == Qt::Checked;
        if (source.columns[size_t(c)].checked) {
            captions << item->text(0);
        }
    }
    source.encoding =
        exporting::chooseExportEncoding(captions + otherTexts, session.textEncoding());
    source.encoding.utf8 = source.encoding.utf8 || csv;
    for (int c = 0; c < core::kFieldCount && c < choice->topLevelItemCount(); ++c) {
        source.columns[size_t(c)].caption = source.encoding.text(choice->topLevelItem(c)->text(0));
    }
    const bool needPasswords = model.masked() && source.columns[core::Password].checked;
    source.rowCount = model.rowCount();
    source.rowAt = [&model, &session, &source, needPasswords, plain = QByteArray()](
                       int r, exporting::ExportRow& out) mutable {
        const EntryRow& row = model.row(r);
        // One buffer unscrambles every row in turn; the cells are views into
        // it, used before the next row is asked for.
        plain.resize(row.line.size());
        std::memcpy(plain.data(), row.line.constData(), size_t(row.line.size()));
        core::scrambleInPlace(plain.data(), plain.size());
        for (int c = 0; c < core::kFieldCount; ++c) {
            out[size_t(c)] = QByteArray::fromRawData(plain.constData() + row.spans.start[size_t(c)],
                                                     row.fieldSize(c));
        }
        if (needPasswords) {
            // The stored password of the row's own entry.
            out[core::Password] = session.entryPassword(row.entry);
        }
        if (source.encoding.utf8) {
            for (QByteArray& field : out) {
                field = source.encoding.field(field);
            }
        }
    };
}

}  // namespace

TFormExport::TFormExport(const EntryListModel& model, const session::UserSession& session,
                         const QString& dataFolder, QWidget* parent)
    : QDialog(parent), model_(model), session_(session), dataFolder_(dataFolder) {
    setObjectName(QStringLiteral("FormExport"));
    setWindowTitle(QStringLiteral("Export Data"));
    setModal(true);
    ListViewColumns = new QTreeWidget(this);
    ListViewColumns->setObjectName(QStringLiteral("ListViewColumns"));
    ListViewColumns->setColumnCount(1);
    ListViewColumns->setHeaderLabels({QStringLiteral("Columns")});
    ListViewColumns->setRootIsDecorated(false);
    ListViewColumns->setUniformRowHeights(true);
    ButtonOk = new QPushButton(QStringLiteral("Ok"), this);
    ButtonOk->setObjectName(QStringLiteral("ButtonOk"));
    ButtonCancel = new QPushButton(QStringLiteral("Cancel"), this);
    ButtonCancel->setObjectName(QStringLiteral("ButtonCancel"));
    ButtonOk->setAutoDefault(false);
    ButtonCancel->setAutoDefault(false);
    SaveDialog1Filter = QStringLiteral("Text File (*.txt)|*.txt|HTML File (*.html)|*.html");

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ButtonOk);
    buttons->addWidget(ButtonCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(ListViewColumns);
    layout->addLayout(buttons);
    resize(260, 300);
    FitToTexts();

    connect(ButtonOk, &QPushButton::clicked, this, platform::command([this] { ButtonOkClick(); }));
    connect(ButtonCancel, &QPushButton::clicked, this,
            platform::command([this] { ButtonCancelClick(); }));
}

void TFormExport::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    platform::guarded([this] { FormShow(); });
}

void TFormExport::keyPressEvent(QKeyEvent* event) {
    if (!platform::pressFocusedButton(this, event)) {
        QDialog::keyPressEvent(event);
    }
}

void TFormExport::FormShow() {
    ListViewColumns->clear();
    for (int c = 0; c < EntryListModel::kColumns; ++c) {
        auto* item = new QTreeWidgetItem(QStringList{model_.columnCaption(c)});
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
        item->setCheckState(0, Qt::Checked);
        ListViewColumns->addTopLevelItem(item);
    }
}

void TFormExport::ButtonCancelClick() {
    reject();
}

QString TFormExport::SaveDialog1TypeChange(int filterIndex, const QString& fileName, int csvIndex) {
    const QString ext = extensionFor(filterIndex, csvIndex);
    if (ext.isEmpty()) {
        return fileName;
    }
    return platform::ChangeFileExt(fileName, ext);
}

QByteArray TFormExport::WriteTextExport() const {
    ExportSource source;
    collect(model_, session_, ListViewColumns, {}, source);
    return source.encoding.fileStart() +
           exporting::textExport(source.columns, source.rowCount, source.rowAt);
}

QByteArray TFormExport::WriteHtmlExport() const {
    ExportSource source;
    collect(model_, session_, ListViewColumns, {session_.login()}, source);
    return exporting::htmlExport(source.encoding.text(session_.login()), source.encoding.charset(),
                                 source.columns, source.rowCount, source.rowAt);
}

QByteArray TFormExport::WriteCsvExport() const {
    // Always UTF-8 without a byte-order mark: what other programs' import
    // wizards read best, and every character comes through.
    ExportSource source;
    collect(model_, session_, ListViewColumns, {}, source, true);
    return exporting::csvExport(source.rowCount, source.rowAt);
}

QString TFormExport::ExportFilter() const {
    return SaveDialog1Filter + QLatin1Char('|') + CsvFilter;
}

void TFormExport::ButtonOkClick() {
    // The window goes first; the save dialog then stands on its own.
    accept();
    platform::FileDialogRequest request;
    request.initialDir = dataFolder_ + QStringLiteral("data");
    const int csvIndex = csvFilterIndex(SaveDialog1Filter);
    request.fileName = QStringLiteral("Passwords") + extensionFor(SaveDialog1FilterIndex, csvIndex);
    request.filter = ExportFilter();
    request.filterIndex = SaveDialog1FilterIndex;
    request.onTypeChange = [csvIndex](int filterIndex, const QString& fileName) {
        return SaveDialog1TypeChange(filterIndex, fileName, csvIndex);
    };
    const std::optional<platform::FileDialogResult> chosen = platform::ui().saveFile(request);
    if (!chosen) {
        return;
    }
    SaveDialog1FilterIndex = chosen->filterIndex;
    QByteArray file;
    if (SaveDialog1FilterIndex == 1) {
        file = WriteTextExport();
    } else if (SaveDialog1FilterIndex == 2) {
        file = WriteHtmlExport();
    } else if (SaveDialog1FilterIndex == csvIndex) {
        file = WriteCsvExport();
    }
    platform::writeFile(chosen->fileName, file);
}

void TFormExport::FitToTexts() {
    platform::fitToTexts(this, QSize(260, 300), false);
}

void TFormExport::AppendLanguageTargets(language::Targets& t) {
    t.push_back(language::windowCaption("FormExport->Caption", this));
    t.push_back(language::caption("FormExport->ButtonCancel->Caption", ButtonCancel));
    QTreeWidget* list = ListViewColumns;
    t.push_back({"FormExport->ListViewColumns->Column[0]->Caption",
                 [list] { return list->headerItem()->text(0); },
                 [list](const QString& s) { list->headerItem()->setText(0, s); }});
    t.push_back(language::text("FormExport->SaveDialog1->Filter", SaveDialog1Filter));
}
