// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "sync/SyncController.h"

#include "devices/Device.h"
#include "devices/DeviceList.h"
#include "settings/SettingsStore.h"
#include "sync/MusicSync.h"
#include "sync/MusicSyncThread.h"
#include "sync/SyncState.h"

#include "support/EngineQuestion.h"
#include "support/FakeUsbPhoneMachine.h"
#include "support/SyncTestLibrary.h"

#include <QPointer>
#include <QSignalSpy>
#include <QTest>

#include <memory>

namespace {

constexpr int kRunTimeoutMs = 60000;
using Phone = FakeUsbPhoneMachine::Phone;
using Question = SyncController::PhoneQuestion;

struct Rig
{
    explicit Rig(Phone phone = Phone::Mounted) : machine(phone)
    {
        auto testLibrary = std::make_unique<SyncTestLibrary>();
        library = testLibrary.get();
        controller = std::make_unique<SyncController>(machine.environment(std::move(testLibrary)));
    }

    // Refreshes until the mounted checker has answered for the phone.
    bool phoneListed(bool mounted)
    {
        DeviceList* list = controller->deviceList();
        list->RefreshDevices();
        return list->DeviceIsConnected() && list->ConnectedDevice()->IsMounted() == mounted;
    }

    FakeUsbPhoneMachine machine;
    SyncTestLibrary* library = nullptr;
    std::unique_ptr<SyncController> controller;
};

} // namespace

class SyncControllerTest : public QObject
{
    Q_OBJECT

private slots:
    void runOnUsbPhoneEndsCompleteAndKeepsItsEngine();
    void phoneThatCannotBeSyncedStartsNothing_data();
    void phoneThatCannotBeSyncedStartsNothing();
    void retiringReleasesAnEngineWaitingForAnAnswer();
    void engineKeepsItsPhoneAfterTheListDropsIt();
    void questionsAreTurnedOffPerPhone();
};

void SyncControllerTest::runOnUsbPhoneEndsCompleteAndKeepsItsEngine()
{
    Rig rig;
    rig.machine.home().configurePhone();
    QTRY_VERIFY(rig.phoneListed(true));
    QSignalSpy progress(rig.controller.get(), &SyncController::progress);

    QCOMPARE(rig.controller->start(false), SyncController::StartResult::Started);
    MusicSync* engine = rig.controller->musicSync();
    QVERIFY(engine);
    QTRY_VERIFY_WITH_TIMEOUT(!progress.isEmpty() && progress.last().at(0).toInt() == SyncState::StateComplete,
                             kRunTimeoutMs);
    rig.controller->waitForRunEnd();
    QVERIFY(engine->thread()->isFinished());
    // Kept for the warnings that follow the run; the next start replaces it.
    QCOMPARE(rig.controller->musicSync(), engine);

    QPointer<MusicSyncThread> firstThread(engine->thread());
    QCOMPARE(rig.controller->start(false), SyncController::StartResult::Started);
    QVERIFY(firstThread.isNull());
    QTRY_VERIFY_WITH_TIMEOUT(rig.controller->musicSync()->thread()->isFinished(), kRunTimeoutMs);
}

void SyncControllerTest::phoneThatCannotBeSyncedStartsNothing_data()
{
    QTest::addColumn<int>("phone");
    QTest::addColumn<bool>("configured");
    QTest::addColumn<int>("expected");
    QTest::newRow("no phone") << int(Phone::None) << true << int(SyncController::StartResult::NoPhone);
    QTest::newRow("not mounted") << int(Phone::Unreachable) << true << int(SyncController::StartResult::NotMounted);
    QTest::newRow("not configured") << int(Phone::Mounted) << false << int(SyncController::StartResult::NotConfigured);
}

void SyncControllerTest::phoneThatCannotBeSyncedStartsNothing()
{
    QFETCH(int, phone);
    QFETCH(bool, configured);
    QFETCH(int, expected);
    const auto kind = static_cast<Phone>(phone);
    Rig rig(kind);
    if (configured)
        rig.machine.home().configurePhone();
    if (kind != Phone::None)
        QTRY_VERIFY(rig.phoneListed(kind == Phone::Mounted));
    QCOMPARE(int(rig.controller->start(false)), expected);
    QVERIFY(!rig.controller->musicSync());
}

void SyncControllerTest::retiringReleasesAnEngineWaitingForAnAnswer()
{
    Rig rig;
    rig.machine.addTrack(*rig.library, qint64(1) << 60);
    QTRY_VERIFY(rig.phoneListed(true));
    rig.library->holdScanning();
    QCOMPARE(rig.controller->start(false), SyncController::StartResult::Started);
    QPointer<MusicSyncThread> thread(rig.controller->musicSync()->thread());
    // No events are handled meanwhile: the engine asks about the space and
    // waits for an answer that never comes, as when the program quits.
    QVERIFY(waitUntilEngineAsksAboutSpace(*rig.controller->musicSync(), *rig.controller, *rig.library, kRunTimeoutMs));
    QVERIFY(thread && thread->isRunning());
    rig.controller->retireEngine();
    QVERIFY(thread.isNull());
    QVERIFY(!rig.controller->musicSync());
}

void SyncControllerTest::engineKeepsItsPhoneAfterTheListDropsIt()
{
    Rig rig;
    rig.machine.home().configurePhone();
    QTRY_VERIFY(rig.phoneListed(true));
    DeviceList* list = rig.controller->deviceList();
    const DeviceHandle handle = list->handleOf(list->ConnectedDevice());
    QVERIFY(handle && handle.parent());

    rig.machine.unplug();
    list->RefreshDevices();
    QVERIFY(!list->DeviceIsConnected());
    // Still a whole object: the sanitizer build would report a freed one.
    QCOMPARE(handle.device()->UniqueDeviceId(), QString::fromLatin1(SyncTestHome::kPhoneId));
    QVERIFY(!list->handleOf(handle.device()));
}

void SyncControllerTest::questionsAreTurnedOffPerPhone()
{
    Rig rig(Phone::None);
    const QString phone = QStringLiteral("PHONE-A");
    const QString other = QStringLiteral("PHONE-B");
    for (const QString& id : {phone, other})
        rig.controller->settings().change(
            [&id](SyncSettings& settings) { settings.setConfig(id, false, 0, {}, {}, id); });
    const QList<Question> questions{Question::DeleteTracks, Question::DrmTracks, Question::NotCopiedTracks,
                                    Question::UsbEject};
    for (int turnedOff = 0; turnedOff < questions.size(); ++turnedOff) {
        rig.controller->stopAsking(questions[turnedOff], phone);
        for (int i = 0; i < questions.size(); ++i) {
            QCOMPARE(rig.controller->asks(questions[i], phone), i > turnedOff);
            QVERIFY(rig.controller->asks(questions[i], other));
        }
    }
    // Each answer reached the settings file.
    SettingsStore stored;
    QCOMPARE(stored.reload(), 0);
    QVERIFY(stored.read([&phone](const SyncSettings& s) {
        return s.deleteWithoutWarning(phone) && s.skipDrmWarning(phone) && s.skipNotCopiedWarning(phone)
               && s.skipUsbEjectWarning(phone);
    }));
}

QTEST_GUILESS_MAIN(SyncControllerTest)
#include "tst_SyncController.moc"
