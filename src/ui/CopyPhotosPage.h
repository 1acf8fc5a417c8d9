// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QString>
#include <QWizardPage>

class QLabel;
class QLineEdit;
class QRadioButton;
class QTimer;

// The user chooses whether to copy a folder of photos to the phone, and which.
class CopyPhotosPage : public QWizardPage
{
    Q_OBJECT
public:
    explicit CopyPhotosPage(QWidget* parent = nullptr);

    int nextId() const override;
    bool isComplete() const override;

    QString selectedPhotosPath() const;
    bool copyPhotos() const;
    void setVolumeCheck(bool on) { mVolumeCheck = on; }
    // The backup page's camera roll is copied anyway: the page says so and
    // offers a folder only as an addition.
    void setCameraRollChosen(bool chosen);

public slots:
    void browseClicked(bool checked);
    void pathChanged();
    void volumeCheckerTick();

private:
    QRadioButton* mDoNotCopyButton = nullptr;
    QRadioButton* mCopyButton = nullptr;
    QLineEdit* mFolderEdit = nullptr;
    QLabel* mStatusLabel = nullptr;
    QTimer* mVolumeTimer = nullptr;
    bool mComplete = false;
    bool mVolumeCheck = false;
    bool mCameraRollChosen = false; // an iPhone's: the BlackBerry words do not fit
    QString mSelectedPhotosPath;
};
