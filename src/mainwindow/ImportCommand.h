#pragma once

#include <QObject>
#include <vector>

#include "app/Form1.h"
#include "mainwindow/ImportPreview.h"

// List > Import...: a CSV file from a browser or another password manager,
// previewed, then its entries and categories added and the vault written once.
class TImportCommand : public QObject {
    Q_OBJECT

public:
    explicit TImportCommand(TForm1& form1);

    ImportTexts Texts;
    QString FileName;  // the file chosen last in this run

    void Execute();
    void AppendLanguageTargets(std::vector<TForm1::LanguageTarget>& t);

private:
    void Apply(const core::ImportPlan& plan);

    TForm1& form1_;
};
