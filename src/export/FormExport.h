#pragma once

#include <QDialog>
#include <vector>

#include "localization/LanguageTarget.h"

class EntryListModel;
class QPushButton;
class QTreeWidget;

namespace session {
class UserSession;
}

// Writes the entries the list shows to a text file or an HTML page.
class TFormExport : public QDialog {
    Q_OBJECT

public:
    // The rows the list shows, from the session's entries; dataFolder ends
    // in the separator: the save dialog starts in its data/.
    TFormExport(const EntryListModel& model, const session::UserSession& session,
                const QString& dataFolder, QWidget* parent);

    QTreeWidget* ListViewColumns = nullptr;
    QPushButton* ButtonOk = nullptr;
    QPushButton* ButtonCancel = nullptr;
    QString SaveDialog1Filter;
    int SaveDialog1FilterIndex = 1;  // the type chosen last in this run
    // The CSV type, offered after the filter list's own types.
    QString CsvFilter = QStringLiteral("CSV File (*.csv)|*.csv");
    QString ExportFilter() const;

    void FormShow();
    void ButtonOkClick();
    void ButtonCancelClick();
    // The file-name box after the user picked another file type; the CSV
    // type is at csvIndex.
    static QString SaveDialog1TypeChange(int filterIndex, const QString& fileName,
                                         int csvIndex = 3);
    QByteArray WriteTextExport() const;
    QByteArray WriteHtmlExport() const;
    // All nine fields of the shown rows, in UTF-8, as List > Import reads them.
    QByteArray WriteCsvExport() const;

    void AppendLanguageTargets(language::Targets& t);
    // Makes the window at least as large as its texts need; it stays resizable.
    void FitToTexts();

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    const EntryListModel& model_;
    const session::UserSession& session_;
    QString dataFolder_;
};
