// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#pragma once

#include <QString>

class QLabel;
class QWidget;
class QWizardPage;

// Small pieces every page of the set-up wizard shares.

// Page ids of the wizard. 8 is not used.
namespace WizardPageId {
constexpr int kIntro = 0;
constexpr int kEula = 1;
constexpr int kConnectDevice = 2;
constexpr int kCopyPhotos = 3;
constexpr int kMusic = 4;
constexpr int kPodcasts = 5;
constexpr int kConvertToMp3 = 6;
constexpr int kDeviceBackup = 7;
constexpr int kConclusion = 9;
} // namespace WizardPageId

// A link labelled "here" to a page of the help site.
QString helpLink(const QString& pagePath);
// A word-wrapped rich-text label whose links open in the user's browser.
QLabel* newRichTextLabel(const QString& html, QWidget* parent);
// Makes the compiled-in images and texts of the wizard available; may be called often.
void registerWizardResources();
// Every page carries the same watermark image.
void applyWizardWatermark(QWizardPage* page);
// A critical message box titled with the application's title.
void showCriticalMessage(QWidget* parent, const QString& text);
// A warning message box titled with the application's title.
void showWarningMessage(QWidget* parent, const QString& text);
