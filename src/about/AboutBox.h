#pragma once

#include <QDialog>
#include <vector>

#include "localization/LanguageTarget.h"

class QFrame;
class QLabel;
class QPushButton;

// The program's information window; its web address opens when pressed.
class TAboutBox : public QDialog {
    Q_OBJECT

public:
    explicit TAboutBox(QWidget* parent);

    QFrame* Panel1 = nullptr;
    QLabel* ProgramIcon = nullptr;
    QLabel* LabelTitle = nullptr;
    QLabel* LabelAbout = nullptr;
    QLabel* LabelAuthor = nullptr;
    QLabel* LabelEmail = nullptr;
    QLabel* LabelSite = nullptr;
    // Where the data folder is: a title, then the path.
    QLabel* LabelDataTitle = nullptr;
    QLabel* LabelData = nullptr;
    QPushButton* OKButton = nullptr;

    void ShowDataFolder(const QString& folder);

    void LabelSiteMouseMove();
    void Panel1MouseMove();
    void LabelSiteMouseDown();
    void AppendLanguageTargets(language::Targets& t);
    // Sizes the box to its texts, never below its design size.
    void FitToTexts();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setSiteColor(const QColor& color);
};
