#include "store/Cp932.h"
#include "store/TextLines.h"

#include <QTest>

// Every notebook file goes through these conversions, so the byte vectors are
// pinned here: a change of converter or of glibc must show up as a failure.
class TestCp932 : public QObject
{
    Q_OBJECT

private slots:
    void encodesToPinnedBytes_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("fullwidth tilde") << u"～"_qs << QByteArray("\x81\x60");
        QTest::newRow("fullwidth hyphen-minus") << u"－"_qs << QByteArray("\x81\x7c");
        QTest::newRow("horizontal bar") << u"―"_qs << QByteArray("\x81\x5c");
        QTest::newRow("NEC circled digit") << u"①"_qs << QByteArray("\x87\x40");
        QTest::newRow("IBM extension") << u"髙"_qs << QByteArray("\xfb\xfc");
        QTest::newRow("trail byte 5C") << u"表ソ"_qs << QByteArray("\x95\x5c\x83\x5c");
        QTest::newRow("halfwidth kana") << u"ｷｰﾜｰﾄﾞ"_qs << QByteArray("\xb7\xb0\xdc\xb0\xc4\xde");
        QTest::newRow("line end") << u"\r\n"_qs << QByteArray("\r\n");
    }

    void encodesToPinnedBytes()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        const Cp932::Encoded e = Cp932::encode(text);
        QVERIFY(e.ok());
        QCOMPARE(e.bytes, bytes);
        const Cp932::Decoded d = Cp932::decode(bytes);
        QVERIFY(d.valid);
        QCOMPARE(d.text, text);
    }

    void refusesCharactersThatCannotComeBack_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qsizetype>("errorPos");
        QTest::addColumn<QString>("described");
        QTest::newRow("yen sign") << u"値¥百"_qs << qsizetype(1) << u"「¥」(U+00A5)"_qs;
        QTest::newRow("overline") << u"‾"_qs << qsizetype(0) << u"「‾」(U+203E)"_qs;
        QTest::newRow("wave dash") << u"春〜夏"_qs << qsizetype(1) << u"「〜」(U+301C)"_qs;
        QTest::newRow("minus sign") << u"ab−"_qs << qsizetype(2) << u"「−」(U+2212)"_qs;
        // a character outside the BMP is reported at its first half
        QTest::newRow("outside the BMP") << u"吉田𠮷野"_qs << qsizetype(2) << u"「𠮷」(U+20BB7)"_qs;
        QTest::newRow("emoji") << u"句😀"_qs << qsizetype(1) << u"「😀」(U+1F600)"_qs;
        QTest::newRow("after an escaped byte") << u"\xdc81𠮷"_qs << qsizetype(1) << u"「𠮷」(U+20BB7)"_qs;
        // a kept damaged byte that would read back as part of something else
        QTest::newRow("damaged lead byte before typed text")
            << u"\xdc81"
               "A"_qs
            << qsizetype(0) << u"「読めないバイト 0x81」"_qs; // 81 41 reads as "、"
        QTest::newRow("damaged lead byte before a second spelling")
            << Cp932::decode("\xee\xee\xbc").text << qsizetype(0)
            << u"「読めないバイト 0xEE」"_qs; // EE FB D8: "＇ﾘ"
        QTest::newRow("escape of a byte that is a character")
            << u"\xdca1"_qs << qsizetype(0) << u"「読めないバイト 0xA1」"_qs; // A1 is "｡"
    }

    void refusesCharactersThatCannotComeBack()
    {
        QFETCH(QString, text);
        QFETCH(qsizetype, errorPos);
        QFETCH(QString, described);
        const Cp932::Encoded e = Cp932::encode(text);
        QCOMPARE(e.errorPos, errorPos);
        QCOMPARE(Cp932::describeCharacter(text, e.errorPos), described);
    }

    void invalidBytesAreCarriedThrough_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        // each byte that is not code page 932 becomes one escape; what follows it is read normally
        QTest::newRow("lead byte before a blank") << QByteArray("\x81\x20") << u"\xdc81 "_qs;
        QTest::newRow("FF between kana") << QByteArray("\x82\xa0\xff\x82\xa2") << u"あ\xdcffい"_qs;
        QTest::newRow("lead byte at the end") << QByteArray("abc\x81") << u"abc\xdc81"_qs;
        QTest::newRow("lead byte before CR LF") << QByteArray("a\x81\r\nb") << u"a\xdc81\r\nb"_qs;
        QTest::newRow("unassigned row 85") << QByteArray("\x85\x40") << u"\xdc85@"_qs;
        QTest::newRow("80 A0 FD") << QByteArray("\x80\xa0\xfd") << u"\xdc80\xdca0\xdcfd"_qs;
    }

    void invalidBytesAreCarriedThrough()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        const Cp932::Decoded d = Cp932::decode(bytes);
        QVERIFY(!d.valid);
        QCOMPARE(d.text, text);
        const Cp932::Encoded e = Cp932::encode(d.text);
        QVERIFY(e.ok());
        QCOMPARE(e.bytes, bytes);
    }

    void secondSpellingsSurviveALoadAndASave_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QByteArray>("canonical");
        QTest::newRow("NEC row 13") << QByteArray("\x87\x90\r\nx\x87\x90y\r\n")
                                    << QStringList{u"≒"_qs, u"x≒y"_qs}
                                    << QByteArray("\x81\xe0\r\nx\x81\xe0y\r\n");
        QTest::newRow("NEC-selected IBM")
            << QByteArray("\xed\x40\r\n\xee\xf9\r\nplain\r\n") << QStringList{u"纊"_qs, u"￢"_qs, u"plain"_qs}
            << QByteArray("\xfa\x5c\r\n\x81\xca\r\nplain\r\n");
        QTest::newRow("with invalid bytes")
            << QByteArray("\x87\x90\r\n\xff\r\n") << QStringList{u"≒"_qs, u"\xdcff"_qs}
            << QByteArray("\x81\xe0\r\n\xff\r\n");
    }

    void secondSpellingsSurviveALoadAndASave()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, lines);
        QFETCH(QByteArray, canonical);
        const DecodedFile d = TextLines::decodeFile(bytes);
        const QStringList read = TextLines::splitLines(d.text);
        QCOMPARE(read, lines);
        QCOMPARE(TextLines::encodeLines(read, d.spellings).bytes, bytes);
        // without the remembered spellings the same text is written the usual way
        QCOMPARE(TextLines::encodeLines(read).bytes, canonical);
        // a line the user has changed loses its old spelling; the others keep theirs
        QStringList edited = read;
        edited[0] += u'!';
        QCOMPARE(TextLines::encodeLines(edited, d.spellings).bytes,
                 Cp932::encode(edited[0]).bytes + bytes.mid(bytes.indexOf('\r')));
    }
};

QTEST_APPLESS_MAIN(TestCp932)
#include "tst_cp932.moc"
