// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "ui/CopyPhotosPage.h"

#include "app/TraceLog.h"
#include "ui/WizardSupport.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QTimer>

CopyPhotosPage::CopyPhotosPage(QWidget* parent) : QWizardPage(parent)
{
    TraceScope trace("CopyPhotosPage::CopyPhotosPage");
    setTitle(QStringLiteral("Copy Photos"));
    applyWizardWatermark(this);

    mDoNotCopyButton = new QRadioButton(QStringLiteral("Do not copy photos"), this);
    mDoNotCopyButton->setObjectName(QStringLiteral("doNotCopyPhotos"));
    mDoNotCopyButton->setChecked(true);
    mCopyButton = new QRadioButton(QStringLiteral("Copy photos from:"), this);
    mCopyButton->setObjectName(QStringLiteral("copyPhotosFrom"));
    mFolderEdit = new QLineEdit(this);
    mFolderEdit->setObjectName(QStringLiteral("photoFolder"));
    mFolderEdit->setText(QStandardPaths::writableLocation(QStandardPaths::PicturesLocation) + QDir::separator()
                         + QStringLiteral("Blackberry"));
    auto* browseButton = new QPushButton(QStringLiteral("Browse"), this);
    browseButton->setObjectName(QStringLiteral("browsePhotos"));
    mStatusLabel = newRichTextLabel(QString(), this);
    mStatusLabel->setObjectName(QStringLiteral("photoStatus"));
    // Kept for its tick slot; there is nothing to poll.
    mVolumeTimer = new QTimer(this);

    auto* layout = new QGridLayout(this);
    layout->addWidget(mDoNotCopyButton, 0, 0, 1, 2);
    layout->addWidget(mCopyButton, 1, 0, 1, 2);
    layout->addWidget(mFolderEdit, 2, 0);
    layout->addWidget(browseButton, 2, 1);
    layout->addWidget(mStatusLabel, 3, 0, 1, 2);
    layout->setRowStretch(4, 1);

    connect(mDoNotCopyButton, &QRadioButton::clicked, this, &CopyPhotosPage::pathChanged);
    connect(mCopyButton, &QRadioButton::clicked, this, &CopyPhotosPage::pathChanged);
    connect(mFolderEdit, &QLineEdit::textChanged, this, &CopyPhotosPage::pathChanged);
    connect(browseButton, &QPushButton::clicked, this, &CopyPhotosPage::browseClicked);
    connect(mVolumeTimer, &QTimer::timeout, this, &CopyPhotosPage::volumeCheckerTick);
    pathChanged();
}

void CopyPhotosPage::setCameraRollChosen(bool chosen)
{
    mCameraRollChosen = chosen;
    mDoNotCopyButton->setText(chosen ? QStringLiteral("Copy only the camera roll of the iPhone backup")
                                     : QStringLiteral("Do not copy photos"));
    mCopyButton->setText(chosen ? QStringLiteral("Also copy photos from:") : QStringLiteral("Copy photos from:"));
    setSubTitle(chosen ? QStringLiteral("The camera roll of the iPhone backup is copied to the phone. You can add a "
                                        "folder of photos as well.")
                       : QString());
    pathChanged();
}

int CopyPhotosPage::nextId() const
{
    TraceScope trace("CopyPhotosPage::nextId");
    return WizardPageId::kConnectDevice;
}

bool CopyPhotosPage::isComplete() const
{
    TraceScope trace("CopyPhotosPage::isComplete");
    return mComplete;
}

QString CopyPhotosPage::selectedPhotosPath() const
{
    TraceScope trace("CopyPhotosPage::selectedPhotosPath");
    return mSelectedPhotosPath;
}

bool CopyPhotosPage::copyPhotos() const
{
    TraceScope trace("CopyPhotosPage::copyPhotos");
    return mCopyButton->isChecked();
}

void CopyPhotosPage::browseClicked(bool)
{
    TraceScope trace("CopyPhotosPage::browseClicked");
    const QString folder = QFileDialog::getExistingDirectory(this, QStringLiteral("Select Photo Folder"),
                                                             QDir::homePath(), QFileDialog::ShowDirsOnly);
    if (!folder.isEmpty())
        mFolderEdit->setText(folder);
}

void CopyPhotosPage::pathChanged()
{
    TraceScope trace("CopyPhotosPage::setComplete");
    const QString folder = mFolderEdit->text();
    // A long path shows its end, where the folder's own name is; the whole path is in the tooltip.
    mFolderEdit->setToolTip(folder);
    if (!mFolderEdit->hasFocus())
        mFolderEdit->setCursorPosition(int(folder.size()));
    // An empty text would name the working folder, which is not a choice the user made.
    mComplete = mDoNotCopyButton->isChecked() || (!folder.isEmpty() && QFileInfo(folder).isDir());
    if (mComplete)
        mStatusLabel->clear();
    else if (mCameraRollChosen)
        mStatusLabel->setText(QStringLiteral("The above folder cannot be found. Click the Browse button to select "
                                             "a folder of photos."));
    else
        mStatusLabel->setText(QStringLiteral("The above folder cannot be found. Click the Browse button to select "
                                             "your Blackberry photos folder or click ")
                              + helpLink(QStringLiteral("/blog/files/blackberry_photos.html"))
                              + QStringLiteral(" for more information on how to transfer Blackberry photos to your ")
                              + QStringLiteral("PC") + QStringLiteral("."));
    emit completeChanged();
    mSelectedPhotosPath = folder;
}

void CopyPhotosPage::volumeCheckerTick()
{
    TraceScope trace("CopyPhotosPage::volumeCheckerTick");
}
