// Velmora - moves a user's phone data to an Android phone. Licensed under the GPL v3.
#include "transfer/android/VCardText.h"

#include <QRandomGenerator>
#include <QtTest>

namespace {

// The rules one step after another: cleaned text, UTF-8, then the escapes,
// a line break of CR LF counted once.
QByteArray stepByStep(const QString& text)
{
    const QByteArray utf8 = VCardText::cleaned(text).toUtf8();
    QByteArray out;
    for (qsizetype i = 0; i < utf8.size(); ++i) {
        const char c = utf8.at(i);
        if (c == '\\' || c == ',' || c == ';') {
            out.append('\\').append(c);
        } else if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < utf8.size() && utf8.at(i + 1) == '\n')
                ++i;
            out.append("\\n");
        } else {
            out.append(c);
        }
    }
    return out;
}

// Text of the units that need care, in any order: escapes, line breaks with
// dropped controls between them, multi-byte characters, surrogate halves
// with and without their partner, noncharacters.
QString awkwardText(QRandomGenerator& random)
{
    static const char16_t units[] = {u'a', u',', u';', u'\\',  u'\r',  u'\n',  u'\t',  0x01,
                                     0x7F, u'é', u'€', 0xD83D, 0xDE00, 0xFFFE, 0xFFFF, u' '};
    QString text;
    const int length = int(random.bounded(12));
    for (int i = 0; i < length; ++i)
        text.append(QChar(units[random.bounded(int(std::size(units)))]));
    return text;
}

} // namespace

class TestVCardEscaping : public QObject
{
    Q_OBJECT

private slots:
    void escapesInOnePassAsStepByStep();
    void foldsInPlaceAsAppendFolded();
};

void TestVCardEscaping::escapesInOnePassAsStepByStep()
{
    QRandomGenerator random(27);
    for (int round = 0; round < 20000; ++round) {
        const QString text = awkwardText(random);
        QByteArray appended("X:");
        VCardText::appendEscaped(appended, text);
        QCOMPARE(appended, "X:" + stepByStep(text));
    }
}

void TestVCardEscaping::foldsInPlaceAsAppendFolded()
{
    // Lines around the 75 octets, of one- and multi-byte characters, after
    // other lines already in the card.
    for (const QString& unit : {QStringLiteral("a"), QStringLiteral("é"), QStringLiteral("€😀")}) {
        for (int length = 60; length < 200; ++length) {
            const QByteArray line = "NOTE:" + unit.repeated(length).toUtf8().left(length);
            QByteArray expected("BEGIN:VCARD\r\n");
            VCardText::appendFolded(expected, line);
            QByteArray folded("BEGIN:VCARD\r\n");
            const qsizetype start = folded.size();
            folded.append(line);
            VCardText::foldLine(folded, start);
            QCOMPARE(folded, expected);
        }
    }
}

QTEST_GUILESS_MAIN(TestVCardEscaping)
#include "tst_VCardEscaping.moc"
