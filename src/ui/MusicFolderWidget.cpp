// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "ui/MusicFolderWidget.h"

#include "app/TraceLog.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

MusicFolderWidget::MusicFolderWidget(QWidget* parent) : QWidget(parent)
{
    TraceScope trace("MusicFolderWidget::MusicFolderWidget");
    mFolderEdit = new QLineEdit(this);
    mFolderEdit->setObjectName(QStringLiteral("musicFolderEdit"));
    mFolderEdit->setReadOnly(true);
    mChangeButton = new QPushButton(QStringLiteral("Change..."), this);
    mChangeButton->setObjectName(QStringLiteral("musicFolderButton"));

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new QLabel(QStringLiteral("Music folder:"), this));
    layout->addWidget(mFolderEdit, 1);
    layout->addWidget(mChangeButton);
    connect(mChangeButton, &QPushButton::clicked, this, &MusicFolderWidget::browse);
}

QString MusicFolderWidget::folder() const
{
    return mFolderEdit->text();
}

void MusicFolderWidget::setFolder(const QString& folder)
{
    mFolderEdit->setText(QDir::toNativeSeparators(folder));
}

void MusicFolderWidget::browse()
{
    TraceScope trace("MusicFolderWidget::browse");
    const QString start = QFileInfo(folder()).isDir() ? folder() : QDir::homePath();
    chooseFolder(QFileDialog::getExistingDirectory(this, QStringLiteral("Select Music Folder"), start,
                                                   QFileDialog::ShowDirsOnly));
}

void MusicFolderWidget::chooseFolder(const QString& folder)
{
    TraceScope trace("MusicFolderWidget::chooseFolder");
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        return;
    const QString clean = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    if (clean == this->folder())
        return;
    setFolder(clean);
    emit folderChosen(clean);
}
