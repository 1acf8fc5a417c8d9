// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "app/Constants.h"
#include "model/Track.h"
#include "model/TrackList.h"
#include "ui/DeleteTracksConfirm.h"
#include "ui/ExceptionReportNotice.h"
#include "ui/SyncWarningDialog.h"
#include "ui/UsbEjectWarning.h"

#include "support/SongTrack.h"
#include "support/UrlRecorder.h"
#include "ui/ModalAnswerer.h"

#include <QCheckBox>
#include <QDesktopServices>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QTest>
#include <QUrl>

namespace {

Track namedTrack(const QString& name, int number)
{
    Track track = songTrack(QStringLiteral("/music/") + name + QStringLiteral(".mp3"), number);
    track.setTrackName(name);
    return track;
}

QStringList listedNames(QWidget* dialog)
{
    QStringList names;
    const auto* list = dialog->findChild<QListWidget*>();
    for (int row = 0; list && row < list->count(); ++row)
        names.append(list->item(row)->text());
    return names;
}

// Runs the dialog modally and lets answer act on it; returns exec()'s result.
int runModally(QDialog& dialog, ModalAnswerer::Answer answer)
{
    ModalAnswerer answerer;
    answerer.expect(std::move(answer));
    return dialog.exec();
}

} // namespace

class DialogsTest : public QObject
{
    Q_OBJECT

private slots:
    void deleteConfirmResult_data();
    void deleteConfirmResult();
    void deleteConfirmListsTracksInOrder();
    void syncWarningFlagFollowsTheBox_data();
    void syncWarningFlagFollowsTheBox();
    void syncWarningTextPerKind();
    void syncWarningLinkOpensTheHelpPage();
    void syncWarningWithNoTracks();
    void usbEjectResult_data();
    void usbEjectResult();
    void exceptionReportNoticeCarriesTheReport();
};

void DialogsTest::deleteConfirmResult_data()
{
    QTest::addColumn<bool>("tick");
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("expected");
    QTest::newRow("yes") << false << "Yes" << 1;
    QTest::newRow("yes and always") << true << "Yes" << 2;
    QTest::newRow("no") << false << "No" << 0;
    // The box alone must not turn a refusal into a deletion.
    QTest::newRow("ticked then no") << true << "No" << 0;
    QTest::newRow("escape") << true << QString() << 0;
}

void DialogsTest::deleteConfirmResult()
{
    QFETCH(bool, tick);
    QFETCH(QString, button);
    QFETCH(int, expected);
    TrackList tracks;
    tracks.addTrack(namedTrack(QStringLiteral("Gone"), 1));
    DeleteTracksConfirm dialog(tracks);
    const int result = runModally(dialog, [&](QWidget* shown) {
        shown->findChild<QCheckBox*>()->setChecked(tick);
        if (button.isEmpty())
            QTest::keyClick(shown, Qt::Key_Escape);
        else
            ModalAnswerer::clickButton(shown, button);
    });
    QCOMPARE(result, expected);
}

void DialogsTest::deleteConfirmListsTracksInOrder()
{
    TrackList tracks;
    tracks.addTrack(namedTrack(QStringLiteral("Zulu"), 1));
    tracks.addTrack(namedTrack(QStringLiteral("Alpha"), 2));
    tracks.addTrack(namedTrack(QStringLiteral("Mike"), 3));
    DeleteTracksConfirm dialog(tracks);
    QCOMPARE(listedNames(&dialog), (QStringList{"Zulu", "Alpha", "Mike"}));
    QCOMPARE(dialog.findChild<QCheckBox*>()->text(), QStringLiteral("Always delete tracks without warning"));
    QVERIFY(!dialog.findChild<QCheckBox*>()->isChecked());
}

void DialogsTest::syncWarningFlagFollowsTheBox_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QList<bool>>("clicks");
    QTest::addColumn<bool>("closeWithEscape");
    QTest::addColumn<bool>("expected");
    QTest::newRow("not copied, untouched") << 1 << QList<bool>{} << false << false;
    QTest::newRow("not copied, ticked") << 0 << QList<bool>{true} << false << true;
    QTest::newRow("no space, ticked") << 2 << QList<bool>{true} << false << true;
    QTest::newRow("drm, ticked and unticked") << 4 << QList<bool>{true, false} << false << false;
    QTest::newRow("drm, ticked then escape") << 4 << QList<bool>{true} << true << true;
}

void DialogsTest::syncWarningFlagFollowsTheBox()
{
    QFETCH(int, kind);
    QFETCH(QList<bool>, clicks);
    QFETCH(bool, closeWithEscape);
    QFETCH(bool, expected);
    QWidget parent;
    const QList<Track> tracks{namedTrack(QStringLiteral("Song"), 1)};
    SyncWarningDialog dialog(&parent, tracks, kind);
    runModally(dialog, [&](QWidget* shown) {
        auto* box = shown->findChild<QCheckBox*>();
        for (bool tick : clicks)
            box->setChecked(tick);
        if (closeWithEscape)
            QTest::keyClick(shown, Qt::Key_Escape);
        else
            ModalAnswerer::clickButton(shown, QStringLiteral("OK"));
    });
    QCOMPARE(dialog.dontShowAgain(), expected);
}

void DialogsTest::syncWarningTextPerKind()
{
    const QString notCopied = SyncWarningDialog::textForKind(0);
    QVERIFY(notCopied.startsWith(QStringLiteral("<p>It was not possible to copy the following tracks")));
    QVERIFY(notCopied.contains(Constants::helpBaseUrl() + QStringLiteral("/blog/files/copyfailed.htm")));
    QCOMPARE(SyncWarningDialog::textForKind(1), notCopied);
    QCOMPARE(SyncWarningDialog::textForKind(2), notCopied);
    const QString drm = SyncWarningDialog::textForKind(4);
    QVERIFY(drm.startsWith(QStringLiteral("<p>Some of your tracks are copy protected")));
    QVERIFY(drm.contains(Constants::helpBaseUrl() + QStringLiteral("/blog/files/drm.htm")));
    QVERIFY(SyncWarningDialog::textForKind(3).isEmpty());
    QVERIFY(SyncWarningDialog::textForKind(-1).isEmpty());

    // The label shows the same text, and the dialog keeps its fixed width.
    QWidget parent;
    SyncWarningDialog dialog(&parent, QList<Track>{}, 4);
    QCOMPARE(dialog.findChild<QLabel*>()->text(), drm);
    QCOMPARE(dialog.minimumWidth(), 400);
    QCOMPARE(dialog.maximumWidth(), 400);
    // So long names wrap inside it instead of being cut at its edge.
    QVERIFY(dialog.findChild<QListWidget*>()->wordWrap());
}

void DialogsTest::syncWarningLinkOpensTheHelpPage()
{
    UrlRecorder recorder;
    QWidget parent;
    SyncWarningDialog dialog(&parent, QList<Track>{}, 1);
    emit dialog.findChild<QLabel*>()->linkActivated(Constants::helpBaseUrl()
                                                    + QStringLiteral("/blog/files/copyfailed.htm"));
    QCOMPARE(recorder.mUrls,
             QList<QUrl>{QUrl(Constants::helpBaseUrl() + QStringLiteral("/blog/files/copyfailed.htm"))});
}

void DialogsTest::syncWarningWithNoTracks()
{
    QWidget parent;
    TrackList none;
    SyncWarningDialog dialog(&parent, none, 4);
    QVERIFY(listedNames(&dialog).isEmpty());
    QCOMPARE(runModally(dialog, ModalAnswerer::clicking(QStringLiteral("OK"))), int(QDialog::Accepted));
    QVERIFY(!dialog.dontShowAgain());
}

void DialogsTest::usbEjectResult_data()
{
    QTest::addColumn<bool>("tick");
    QTest::addColumn<bool>("escape");
    QTest::addColumn<int>("expected");
    QTest::newRow("ok") << false << false << 0;
    QTest::newRow("ticked, ok") << true << false << 1;
    QTest::newRow("ticked, escape") << true << true << 0;
}

void DialogsTest::usbEjectResult()
{
    QFETCH(bool, tick);
    QFETCH(bool, escape);
    QFETCH(int, expected);
    UsbEjectWarning reminder;
    QCOMPARE(reminder.windowTitle(), Constants::applicationTitle());
    QVERIFY(reminder.findChild<QLabel*>()->text().contains(Constants::helpBaseUrl()
                                                           + QStringLiteral("/blog/files/usbeject.htm")));
    const int result = runModally(reminder, [&](QWidget* shown) {
        shown->findChild<QCheckBox*>()->setChecked(tick);
        if (escape)
            QTest::keyClick(shown, Qt::Key_Escape);
        else
            ModalAnswerer::clickButton(shown, QStringLiteral("OK"));
    });
    QCOMPARE(result, expected);
}

void DialogsTest::exceptionReportNoticeCarriesTheReport()
{
    const QString report = QStringLiteral("Exception: EXCEPTION_ACCESS_VIOLATION\r\n") + QString(66, QLatin1Char('-'));
    QString details;
    ModalAnswerer answerer;
    answerer.expect([&details](QWidget* box) {
        details = qobject_cast<QMessageBox*>(box)->detailedText();
        ModalAnswerer::clickButton(box, QStringLiteral("OK"));
    });
    showExceptionReportNotice(nullptr, report);
    // The box shows the report's CR LF line ends as plain line breaks.
    QCOMPARE(details, QString(report).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    QCOMPARE(answerer.pending(), 0);
    QVERIFY(answerer.unexpected().isEmpty());
}

QTEST_MAIN(DialogsTest)
#include "tst_Dialogs.moc"
