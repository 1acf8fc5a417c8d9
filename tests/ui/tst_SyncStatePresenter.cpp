// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "ui/SyncStatePresenter.h"

#include "sync/MusicSync.h"
#include "sync/SyncState.h"
#include "ui/EndOfRunText.h"

#include <QTest>

using namespace SyncState;
using Mode = SyncStateView::Mode;
using Panel = SyncStateView::Panel;

Q_DECLARE_METATYPE(SyncStateView::Mode)
Q_DECLARE_METATYPE(SyncStateView::Panel)

// Runs without a QApplication: the window's texts need no display.
class SyncStatePresenterTest : public QObject
{
    Q_OBJECT

private slots:
    void viewOfEachKindOfState_data()
    {
        QTest::addColumn<int>("state");
        QTest::addColumn<int>("previous");
        QTest::addColumn<Mode>("mode");
        QTest::addColumn<Panel>("panel");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("detail");
        QTest::addColumn<bool>("endOfRun");
        const QString ready = QStringLiteral("A phone is connected and is ready to be synchronized");
        const QString complete = QStringLiteral("Phone synchronization is complete");
        QTest::newRow("no phone") << int(StateNoPhone) << int(StateReady) << Mode::Idle << Panel::IdleGauge
                                  << "Connect your phone to the PC"
                                  << "If your phone is already connected then click Help" << false;
        QTest::newRow("ready shows the phone")
            << int(StateReady) << int(StateNoPhone) << Mode::Idle << Panel::PhoneGauge << ready << "Pixel" << false;
        // The result of a run stays until the phone changes.
        QTest::newRow("ready after a run") << int(StateReady) << int(StateComplete) << Mode::Unchanged
                                           << Panel::PhoneGauge << QString() << QString() << false;
        QTest::newRow("ready after a busy state") << int(StateReady) << int(StateCopying) << Mode::Unchanged
                                                  << Panel::PhoneGauge << QString() << QString() << false;
        QTest::newRow("complete") << int(StateComplete) << int(StateCopying) << Mode::Idle << Panel::PhoneGauge
                                  << complete << QString() << true;
        QTest::newRow("complete with errors") << int(StateCompleteWithErrors) << int(StateCopying) << Mode::Idle
                                              << Panel::PhoneGauge << complete << "Errors detected" << true;
        QTest::newRow("not configured") << int(StateNotConfigured) << int(StateStarting) << Mode::OpenWizard
                                        << Panel::PhoneGauge << QString() << QString() << false;
        QTest::newRow("settings error") << int(StateSettingsError) << int(StateStarting) << Mode::OpenWizard
                                        << Panel::IdleGauge << QString() << QString() << false;
        QTest::newRow("preparing") << int(StatePreparing) << int(StateComplete) << Mode::Busy << Panel::ProgressBar
                                   << "Preparing to synchronize" << QString() << false;
        QTest::newRow("cancelled") << int(StateCancelled) << int(StatePreparing) << Mode::Idle << Panel::PhoneGauge
                                   << "Phone synchronization was cancelled" << QString() << false;
        QTest::newRow("copying") << int(StateCopying) << int(StatePreparing) << Mode::Copying << Panel::ProgressBar
                                 << "Copying tracks to the phone" << QString() << false;
        QTest::newRow("cancelling") << int(StateCancelling) << int(StateCopying) << Mode::Busy << Panel::ProgressBar
                                    << "Cancelling"
                                    << "Please Wait" << false;
        QTest::newRow("unused") << int(StateUnused) << int(StateReady) << Mode::Unchanged << Panel::Unchanged
                                << QString() << QString() << false;
    }

    void viewOfEachKindOfState()
    {
        QFETCH(int, state);
        QFETCH(int, previous);
        QFETCH(Mode, mode);
        QFETCH(Panel, panel);
        QFETCH(QString, status);
        QFETCH(QString, detail);
        QFETCH(bool, endOfRun);
        const SyncStateView view = SyncStatePresenter::present(state, previous, QStringLiteral("Pixel"));
        QCOMPARE(view.mode, mode);
        QCOMPARE(view.panel, panel);
        QCOMPARE(view.status, status);
        QCOMPARE(view.detail, detail);
        QCOMPARE(view.endOfRun, endOfRun);
        // A run's start, whether the first after start-up or a later one.
        QCOMPARE(view.clearsSummary, state == StateStarting || state == StatePreparing);
    }

    // The import help names the files the run wrote, not every kind there is.
    void endOfRunHelpsOnlyWithTheFilesWritten()
    {
        MusicSyncOutcome outcome;
        BackupConversionResult& transfer = outcome.dataTransfer;
        transfer.calendarIcs.path = QStringLiteral("/phone/Download/Velmora/calendar.ics");
        transfer.calendarIcs.count = 2;
        // Asked for, but the backup held none.
        transfer.smsBackup.path = QStringLiteral("/phone/Download/Velmora/sms-20261210000000.xml");
        transfer.smsBackup.count = 0;
        const QString calendarOnly = EndOfRunText::html(outcome);
        QVERIFY(calendarOnly.contains(QStringLiteral("calendar.ics")));
        QVERIFY(!calendarOnly.contains(QStringLiteral("contacts.vcf")));
        QVERIFY(!calendarOnly.contains(QStringLiteral("sms-...xml")));

        transfer.callLog.path = QStringLiteral("/phone/Download/Velmora/calls-20261210000000.xml");
        transfer.callLog.count = 5;
        QVERIFY(EndOfRunText::html(outcome).contains(QStringLiteral("calls-...xml")));
        transfer = BackupConversionResult();
        QVERIFY(EndOfRunText::html(outcome).isEmpty());
    }
};

QTEST_GUILESS_MAIN(SyncStatePresenterTest)
#include "tst_SyncStatePresenter.moc"
