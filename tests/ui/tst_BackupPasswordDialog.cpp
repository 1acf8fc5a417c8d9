// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
// The password asked for an encrypted backup: tried off the window's thread,
// a wrong one said plainly and tried again, only a right one accepted.
#include "support/IphoneBackupBuilder.h"
#include "transfer/iphone/BackupPasswords.h"
#include "ui/BackupPasswordDialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

class TestBackupPasswordDialog : public QObject
{
    Q_OBJECT

private slots:
    void wrongThenRightPassword();
    void passwordsAreHeldPerBackup();
};

void TestBackupPasswordDialog::wrongThenRightPassword()
{
    QTemporaryDir temp;
    IphoneBackupBuilder builder;
    builder.addFile(QStringLiteral("HomeDomain"), QStringLiteral("Library/SMS/sms.db"), "x");
    builder.setPassword("open sesame", 2000);
    QVERIFY(builder.write(temp.path(), IphoneBackupBuilder::Manifest::Database));
    BackupPasswordDialog dialog(temp.path());
    dialog.show();
    auto* field = dialog.findChild<QLineEdit*>(QStringLiteral("backupPassword"));
    QCOMPARE(field->echoMode(), QLineEdit::Password);
    auto* ok = dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
    QSignalSpy checked(&dialog, &BackupPasswordDialog::checked);

    field->setText(QStringLiteral("open sesam"));
    ok->click();
    // While the key is made the bar shows the wait and nothing can be clicked twice.
    QVERIFY(!field->isEnabled());
    QVERIFY(dialog.findChild<QProgressBar*>(QStringLiteral("keyProgress"))->isVisible());
    QVERIFY(checked.wait(20000));
    QVERIFY(checked.last().first().toInt() != 0);
    QVERIFY(dialog.isVisible());
    QVERIFY(dialog.findChild<QLabel*>(QStringLiteral("passwordStatus"))
                ->text()
                .contains(QStringLiteral("The password does not open this backup")));
    QVERIFY(field->text().isEmpty() && field->isEnabled());
    QVERIFY(dialog.password().isEmpty());

    field->setText(QStringLiteral("open sesame"));
    ok->click();
    QVERIFY(checked.wait(20000));
    QCOMPARE(checked.last().first().toInt(), 0);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(dialog.password(), QByteArray("open sesame"));
}

void TestBackupPasswordDialog::passwordsAreHeldPerBackup()
{
    BackupPasswords::remember(QStringLiteral("/backups/a/"), "one");
    BackupPasswords::remember(QStringLiteral("/backups/b"), "two");
    BackupPasswords::remember(QStringLiteral("/backups/a"), "three");
    QCOMPARE(BackupPasswords::passwordFor(QStringLiteral("/backups/a")), QByteArray("three"));
    QCOMPARE(BackupPasswords::passwordFor(QStringLiteral("/backups/b/")), QByteArray("two"));
    BackupPasswords::forget(QStringLiteral("/backups/b"));
    QVERIFY(BackupPasswords::passwordFor(QStringLiteral("/backups/b")).isEmpty());
}

QTEST_MAIN(TestBackupPasswordDialog)
#include "tst_BackupPasswordDialog.moc"
