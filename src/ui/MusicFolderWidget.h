// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QString>
#include <QWidget>

class QLineEdit;
class QPushButton;

// The music folder on the wizard's music page: shows the folder the library
// reads and lets the user pick another one.
class MusicFolderWidget : public QWidget
{
    Q_OBJECT
public:
    explicit MusicFolderWidget(QWidget* parent = nullptr);

    QString folder() const;
    void setFolder(const QString& folder);

public slots:
    // Takes the folder as if the user had picked it; an empty or missing folder is ignored.
    void chooseFolder(const QString& folder);

signals:
    void folderChosen(const QString& folder);

private:
    void browse();

    QLineEdit* mFolderEdit = nullptr;
    QPushButton* mChangeButton = nullptr;
};
