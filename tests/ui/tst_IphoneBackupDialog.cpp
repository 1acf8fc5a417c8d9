// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
// The iPhone backup dialog driven against stand-ins for libimobiledevice's
// programs (tests/data/imobiledevice, first on PATH): $SCENARIO picks the
// phone's state, every call is noted in $CALLS.
#include "ModalAnswerer.h"
#include "support/FakeUsbMachine.h"

#include "app/Constants.h"
#include "transfer/IphoneBackupRunner.h"
#include "ui/DeviceBackupPage.h"
#include "ui/IphoneBackupDialog.h"

#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {
const QString kFirstUdid = QStringLiteral("00008030-001A2B3C4D5E802E");
const QString kSecondUdid = QStringLiteral("00008101-000E15A83C08001E");

QString textOf(QWidget* dialog, const char* name)
{
    return dialog->findChild<QLabel*>(QLatin1String(name))->text();
}
} // namespace

class TestIphoneBackupDialog : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void showsProgressAndAdvice_data();
    void showsProgressAndAdvice();
    void severalIphonesAreChosenByName_data();
    void severalIphonesAreChosenByName();
    void newBackupIsListedOnThePage();

private:
    // Runs the dialog's backup to its end; the progress bar's values in order.
    QList<int> runBackup(IphoneBackupDialog& dialog, const QString& scenario);
    QString calls() const;

    QTemporaryDir mRoot;
};

void TestIphoneBackupDialog::initTestCase()
{
    qputenv("PATH", QByteArray(VELMORA_TEST_DATA_DIR "/imobiledevice:") + qgetenv("PATH"));
    qputenv("CALLS", mRoot.filePath(QStringLiteral("calls.txt")).toUtf8());
}

QString TestIphoneBackupDialog::calls() const
{
    QFile file(mRoot.filePath(QStringLiteral("calls.txt")));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

QList<int> TestIphoneBackupDialog::runBackup(IphoneBackupDialog& dialog, const QString& scenario)
{
    qputenv("SCENARIO", scenario.toUtf8());
    QFile::remove(mRoot.filePath(QStringLiteral("calls.txt")));
    QList<int> values;
    connect(dialog.findChild<QProgressBar*>(), &QProgressBar::valueChanged, this,
            [&values](int value) { values.append(value); });
    QSignalSpy finished(dialog.runner(), &IphoneBackupRunner::finished);
    dialog.startBackup(mRoot.filePath(QStringLiteral("backups")));
    if (finished.isEmpty())
        finished.wait(20000);
    return values;
}

void TestIphoneBackupDialog::showsProgressAndAdvice_data()
{
    QTest::addColumn<QString>("advice");
    QTest::addColumn<bool>("madeBackup");
    QTest::newRow("ok") << "The iPhone has been backed up." << true;
    QTest::newRow("locked") << "The iPhone is locked. Unlock it" << false;
    QTest::newRow("untrusted") << "tap \"Trust\" when it asks" << false;
    QTest::newRow("encrypted") << "untick \"Encrypt local backup\"" << false;
}

void TestIphoneBackupDialog::showsProgressAndAdvice()
{
    QFETCH(QString, advice);
    QFETCH(bool, madeBackup);
    IphoneBackupDialog dialog;
    const QList<int> values = runBackup(dialog, QString::fromLatin1(QTest::currentDataTag()));
    QVERIFY2(textOf(&dialog, "backupAdvice").contains(advice), qPrintable(textOf(&dialog, "backupAdvice")));
    QCOMPARE(dialog.backupFolder().isEmpty(), !madeBackup);
    QCOMPARE(dialog.findChild<QPushButton*>(QStringLiteral("retryBackup"))->isEnabled(), !madeBackup);
    QCOMPARE(dialog.findChild<QPushButton*>(QStringLiteral("closeBackup"))->text(), QStringLiteral("Close"));
    if (madeBackup) {
        // The figures idevicebackup2 printed, then the end.
        QCOMPARE(values, (QList<int>{0, 10, 50, 100}));
        QCOMPARE(textOf(&dialog, "backupStep"), QStringLiteral("Backup complete"));
    } else {
        QCOMPARE(values, QList<int>{0});
    }
}

void TestIphoneBackupDialog::severalIphonesAreChosenByName_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::newRow("two") << QStringList{QStringLiteral("Anna's iPhone"), QStringLiteral("Ben's iPhone")};
    // A phone that does not say its name is told by its id.
    QTest::newRow("two-unnamed") << QStringList{kFirstUdid, kSecondUdid};
}

void TestIphoneBackupDialog::severalIphonesAreChosenByName()
{
    QFETCH(QStringList, names);
    IphoneBackupDialog dialog;
    qputenv("SCENARIO", QTest::currentDataTag());
    QFile::remove(mRoot.filePath(QStringLiteral("calls.txt")));
    auto* choice = dialog.findChild<QComboBox*>(QStringLiteral("iphoneChoice"));
    QSignalSpy asked(dialog.runner(), &IphoneBackupRunner::choiceNeeded);
    dialog.startBackup(mRoot.filePath(QStringLiteral("backups")));
    QVERIFY(asked.wait(20000));
    QVERIFY(choice->isVisibleTo(&dialog));
    QCOMPARE(choice->count(), 2);
    QCOMPARE((QStringList{choice->itemText(0), choice->itemText(1)}), names);
    QVERIFY(!calls().contains(QStringLiteral("idevicepair")));

    choice->setCurrentIndex(1);
    QSignalSpy finished(dialog.runner(), &IphoneBackupRunner::finished);
    dialog.findChild<QPushButton*>(QStringLiteral("backUpChosen"))->click();
    QVERIFY(finished.wait(20000));
    QCOMPARE(dialog.backupFolder(), mRoot.filePath(QStringLiteral("backups/")) + kSecondUdid);
    QVERIFY(calls().contains(QStringLiteral("idevicebackup2 -u ") + kSecondUdid));
    QVERIFY(!choice->isVisibleTo(&dialog));
}

// "Back Up an iPhone Now" on the backup page: the backup made is listed and chosen.
void TestIphoneBackupDialog::newBackupIsListedOnThePage()
{
    FakeUsbMachine machine;
    QVERIFY(machine.isValid());
    qputenv("SCENARIO", "ok");
    DeviceBackupPage page;
    ModalAnswerer answerer;
    answerer.expect([](QWidget* dialog) {
        auto* close = dialog->findChild<QPushButton*>(QStringLiteral("closeBackup"));
        QTRY_COMPARE_WITH_TIMEOUT(close->text(), QStringLiteral("Close"), 20000);
        close->click();
    });
    page.findChild<QPushButton*>(QStringLiteral("backUpIphone"))->click();
    QVERIFY(answerer.unexpected().isEmpty());
    QCOMPARE(answerer.pending(), 0);
    const QString made = QDir::cleanPath(Constants::iphoneBackupFolderPath() + QLatin1Char('/') + kFirstUdid);
    QCOMPARE(page.selectedBackupPath(), made);
    QVERIFY(page.findChild<QListWidget*>(QStringLiteral("backupList"))
                ->currentItem()
                ->text()
                .startsWith(QStringLiteral("Test iPhone  (iPhone backup")));
}

QTEST_MAIN(TestIphoneBackupDialog)
#include "tst_IphoneBackupDialog.moc"
