// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
// The iPhone backup dialog against stand-ins for libimobiledevice's programs
// (tests/data/imobiledevice, first on PATH); $SCENARIO picks the phones' state.
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
} // namespace

class TestIphoneBackupDialog : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void showsProgressAndAdvice_data();
    void showsProgressAndAdvice();
    void chosenIphoneIsBackedUpAndListed_data();
    void chosenIphoneIsBackedUpAndListed();
};

void TestIphoneBackupDialog::initTestCase()
{
    qputenv("PATH", QByteArray(VELMORA_TEST_DATA_DIR "/imobiledevice:") + qgetenv("PATH"));
    qputenv("CALLS", "/dev/null");
}

void TestIphoneBackupDialog::showsProgressAndAdvice_data()
{
    QTest::addColumn<QString>("advice");
    QTest::addColumn<QList<int>>("progress");
    QTest::newRow("ok") << "The iPhone has been backed up." << QList<int>{0, 10, 50, 100};
    QTest::newRow("locked") << "The iPhone is locked. Unlock it" << QList<int>{0};
    QTest::newRow("untrusted") << "tap \"Trust\" when it asks" << QList<int>{0};
    QTest::newRow("encrypted") << "The iPhone has been backed up." << QList<int>{0, 10, 50, 100};
}

void TestIphoneBackupDialog::showsProgressAndAdvice()
{
    QFETCH(QString, advice);
    QFETCH(QList<int>, progress);
    qputenv("SCENARIO", QTest::currentDataTag());
    QTemporaryDir root;
    IphoneBackupDialog dialog;
    QList<int> shown;
    connect(dialog.findChild<QProgressBar*>(), &QProgressBar::valueChanged, this,
            [&shown](int value) { shown.append(value); });
    QSignalSpy finished(dialog.runner(), &IphoneBackupRunner::finished);
    dialog.startBackup(root.path());
    QVERIFY(finished.wait(20000));
    const QString said = dialog.findChild<QLabel*>(QStringLiteral("backupAdvice"))->text();
    QVERIFY2(said.contains(advice), qPrintable(said));
    QCOMPARE(shown, progress);
    const bool made = progress.size() > 1;
    QCOMPARE(dialog.backupFolder().isEmpty(), !made);
    QCOMPARE(dialog.findChild<QPushButton*>(QStringLiteral("retryBackup"))->isEnabled(), !made);
}

void TestIphoneBackupDialog::chosenIphoneIsBackedUpAndListed_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::newRow("two") << QStringList{QStringLiteral("Anna's iPhone"), QStringLiteral("Ben's iPhone")};
    // A phone that does not tell its name is offered by its id.
    QTest::newRow("two-unnamed") << QStringList{kFirstUdid, kSecondUdid};
}

// "Back Up an iPhone Now" on the backup page: the user picks the second
// iPhone, and its new backup is listed and chosen.
void TestIphoneBackupDialog::chosenIphoneIsBackedUpAndListed()
{
    QFETCH(QStringList, names);
    qputenv("SCENARIO", QTest::currentDataTag());
    FakeUsbMachine machine;
    QVERIFY(machine.isValid());
    DeviceBackupPage page;
    ModalAnswerer answerer;
    QStringList offered;
    answerer.expect([&offered](QWidget* dialog) {
        auto* choice = dialog->findChild<QComboBox*>(QStringLiteral("iphoneChoice"));
        auto* close = dialog->findChild<QPushButton*>(QStringLiteral("closeBackup"));
        if (QTest::qWaitFor([choice] { return choice->isVisible(); }, 20000)) {
            for (int i = 0; i < choice->count(); ++i)
                offered.append(choice->itemText(i));
            choice->setCurrentIndex(1);
            dialog->findChild<QPushButton*>(QStringLiteral("backUpChosen"))->click();
            if (!QTest::qWaitFor([close] { return close->text() == QStringLiteral("Close"); }, 20000))
                qWarning("the backup did not end");
        }
        // A run still going is cancelled by the first click; the next one closes.
        for (int i = 0; i < 2 && dialog->isVisible(); ++i)
            close->click();
    });
    page.findChild<QPushButton*>(QStringLiteral("backUpIphone"))->click();
    QCOMPARE(answerer.pending(), 0);
    QCOMPARE(offered, names);
    QCOMPARE(page.selectedBackupPath(),
             QDir::cleanPath(Constants::iphoneBackupFolderPath() + QLatin1Char('/') + kSecondUdid));
    QVERIFY(page.findChild<QListWidget*>(QStringLiteral("backupList"))
                ->currentItem()
                ->text()
                .startsWith(QStringLiteral("Test iPhone  (iPhone backup")));
}

QTEST_MAIN(TestIphoneBackupDialog)
#include "tst_IphoneBackupDialog.moc"
