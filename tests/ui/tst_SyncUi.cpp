// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "ui/SyncUi.h"

#include <QApplication>
#include <QLabel>
#include <QTest>

class SyncUiTest : public QObject
{
    Q_OBJECT

private slots:
    void windowStartsWithTheStartUpText()
    {
        SyncUi window;
        QCOMPARE(window.windowTitle(), QStringLiteral("Velmora for Blackberry"));
        QCOMPARE(window.minimumWidth(), 400);
        QCOMPARE(window.maximumWidth(), 400);
        const QList<QLabel*> labels = window.findChildren<QLabel*>();
        QCOMPARE(labels.size(), 2);
        QCOMPARE(labels[0]->text(), QStringLiteral("Please wait while Velmora is started"));
        QVERIFY(labels[1]->text().isEmpty());
    }
};

QTEST_MAIN(SyncUiTest)
#include "tst_SyncUi.moc"
