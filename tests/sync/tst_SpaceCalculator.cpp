// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "devices/UsbMSDevice.h"
#include "support/SyncTestHome.h"
#include "sync/SpaceCalculator.h"

#include <QtTest>

namespace {

// A phone whose storage figures the test decides.
class SizedPhone : public UsbMSDevice
{
public:
    explicit SizedPhone(const QString& root) : UsbMSDevice(root, QStringLiteral("sized"), true) {}
    bool IsMounted() override { return mMounted; }
    int GetStorageCapacity(qint64& bytes) override
    {
        bytes = mCapacity;
        return mCapacityResult;
    }
    int GetFreeStorageSpace(qint64& bytes) override
    {
        bytes = mFree;
        return mFreeResult;
    }

    bool mMounted = true;
    qint64 mCapacity = 0;
    qint64 mFree = 0;
    int mCapacityResult = 0;
    int mFreeResult = 0;
};

constexpr qint64 kMB = 1024 * 1024;

} // namespace

class tst_SpaceCalculator : public QObject
{
    Q_OBJECT

private slots:
    void figures_data();
    void figures();
    void spaceCheckAlwaysPasses();
};

void tst_SpaceCalculator::figures_data()
{
    QTest::addColumn<bool>("mounted");
    QTest::addColumn<int>("capacityResult");
    QTest::addColumn<int>("freeResult");
    QTest::addColumn<int>("expectedResult");
    QTest::addColumn<qint64>("expectedUsed");
    QTest::addColumn<qint64>("expectedFree");
    // -1 / -2 stand for the caller's values left untouched.
    QTest::newRow("mounted") << true << 0 << 0 << 0 << 5000 * kMB << 3000 * kMB;
    QTest::newRow("not mounted") << false << 0 << 0 << 0 << qint64(-1) << qint64(-2);
    QTest::newRow("capacity fails") << true << -7 << 0 << -7 << qint64(-1) << qint64(-2);
    QTest::newRow("free space fails") << true << 0 << -9 << -9 << 8000 * kMB << qint64(0);
}

void tst_SpaceCalculator::figures()
{
    QFETCH(bool, mounted);
    QFETCH(int, capacityResult);
    QFETCH(int, freeResult);
    QFETCH(int, expectedResult);
    QFETCH(qint64, expectedUsed);
    QFETCH(qint64, expectedFree);
    SyncTestHome env;
    SizedPhone phone(env.phoneRoot());
    phone.mMounted = mounted;
    phone.mCapacity = 8000 * kMB;
    phone.mFree = 3000 * kMB;
    phone.mCapacityResult = capacityResult;
    phone.mFreeResult = freeResult;

    qint64 used = -1;
    qint64 free = -2;
    QCOMPARE(SpaceCalculator(phone, used, free), expectedResult);
    QCOMPARE(used, expectedUsed);
    QCOMPARE(free, expectedFree);
}

void tst_SpaceCalculator::spaceCheckAlwaysPasses()
{
    SyncTestHome env;
    SizedPhone phone(env.phoneRoot());
    // Without a settings file, and with a configured phone.
    QVERIFY(spaceCheck(phone));
    env.configurePhone();
    SizedPhone configured(env.phoneRoot());
    QVERIFY(spaceCheck(configured));
}

QTEST_GUILESS_MAIN(tst_SpaceCalculator)
#include "tst_SpaceCalculator.moc"
