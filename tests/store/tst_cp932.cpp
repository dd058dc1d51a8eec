#include "store/Cp932.h"
#include "store/TextLines.h"

#include <QTest>

#include <iconv.h>

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

    // A large haiku file is decoded and its lines counted as its pieces
    // arrive: cut anywhere, the bytes give the text and the count they give
    // whole.
    void piecesReadAsTheWhole_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("kana and ASCII") << QByteArray("ab\x82\xa0\x82\xa2"
                                                      "cd\r\n\x8d\xf7\r\n");
        QTest::newRow("a lead byte whose pair is not a character") << QByteArray("\x81\x20\x82\xa0");
        QTest::newRow("an invalid pair whose second byte leads a pair")
            << QByteArray("\x85\x82\xa0x"); // 85 82 is no character; 82 A0 is あ
        QTest::newRow("lead bytes one after another") << QByteArray("\x82\x82\x82\xa0");
        QTest::newRow("a lead byte at the end") << QByteArray("abc\x82");
        QTest::newRow("a second spelling") << QByteArray("x\x87\x90y");
        QTest::newRow("CR LF, a lone CR, a lone LF") << QByteArray("a\r\nb\rc\nd");
        QTest::newRow("CR at the end") << QByteArray("a\r\n\r");
        QTest::newRow("CR CR LF") << QByteArray("\r\r\n");
        QTest::newRow("only LF") << QByteArray("\n");
        QTest::newRow("no line end") << QByteArray("\x82\xa0");
        QTest::newRow("empty") << QByteArray();
    }

    void piecesReadAsTheWhole()
    {
        QFETCH(QByteArray, bytes);
        const Cp932::Decoded whole = Cp932::decode(bytes);
        for (qsizetype size = 1; size <= qMax<qsizetype>(bytes.size(), 1); ++size) {
            Cp932::PieceDecoder decoder(size);
            TextLines::LineCounter lines;
            for (qsizetype at = 0; at < bytes.size(); at += size) {
                decoder.feed(QByteArrayView(bytes).sliced(at, qMin(size, bytes.size() - at)));
                lines.feed(QByteArrayView(bytes).sliced(at, qMin(size, bytes.size() - at)));
            }
            const Cp932::Decoded pieces = decoder.finish();
            const QByteArray where = "pieces of " + QByteArray::number(size);
            QVERIFY2(pieces.text == whole.text, where);
            QVERIFY2(pieces.valid == whole.valid, where);
            QVERIFY2(pieces.secondSpellings == whole.secondSpellings, where);
            QVERIFY2(lines.lines() == TextLines::splitLines(whole.text).size(), where);
        }
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

    // Every double-byte code glibc's own converter reads as one character
    // reads as that character here, and goes back to the very same bytes
    // (a second spelling through the spellings a file remembers).
    void everyDoubleByteCodeComesBack_data()
    {
        QTest::addColumn<int>("firstLead");
        QTest::addColumn<int>("lastLead");
        QTest::addColumn<int>("codes"); // how many the converter knows in these rows
        QTest::newRow("symbols, kana, Greek and Cyrillic") << 0x81 << 0x84 << 524;
        QTest::newRow("NEC special characters") << 0x87 << 0x87 << 83;
        QTest::newRow("kanji level 1 and 2") << 0x88 << 0x9E << 4187;
        QTest::newRow("lead byte 9F") << 0x9F << 0x9F << 188;
        QTest::newRow("kanji level 2 from E0") << 0xE0 << 0xEA << 1980;
        QTest::newRow("NEC-selected IBM extensions") << 0xED << 0xEE << 374;
        QTest::newRow("user-defined area") << 0xF0 << 0xF9 << 1880;
        QTest::newRow("IBM extensions") << 0xFA << 0xFC << 388;
    }

    void everyDoubleByteCodeComesBack()
    {
        QFETCH(int, firstLead);
        QFETCH(int, lastLead);
        QFETCH(int, codes);
        iconv_t reference = iconv_open("UTF-16LE", "CP932");
        QVERIFY(reference != reinterpret_cast<iconv_t>(-1));
        int known = 0;
        for (int lead = firstLead; lead <= lastLead; ++lead) {
            for (int trail = 0x40; trail <= 0xFC; ++trail) {
                QByteArray pair(2, 0);
                pair[0] = char(lead);
                pair[1] = char(trail);
                iconv(reference, nullptr, nullptr, nullptr, nullptr);
                char *in = const_cast<char *>(pair.constData());
                char16_t out[4];
                char *o = reinterpret_cast<char *>(out);
                size_t inLeft = 2, outLeft = sizeof out;
                if (iconv(reference, &in, &inLeft, &o, &outLeft) == size_t(-1) || outLeft != sizeof out - 2)
                    continue; // no character of the code page
                ++known;
                const QString expected{QChar(out[0])};
                const Cp932::Decoded d = Cp932::decode(pair);
                QVERIFY2(d.valid && d.text == expected, qPrintable(QString::number(lead * 256 + trail, 16)));
                const QByteArray line = pair + "\r\n";
                const DecodedFile file = TextLines::decodeFile(line);
                QVERIFY2(TextLines::encodeLines(TextLines::splitLines(file.text), file.spellings).bytes ==
                             line,
                         qPrintable(QString::number(lead * 256 + trail, 16)));
                if (!d.secondSpellings)
                    QCOMPARE(Cp932::encode(expected).bytes, pair);
            }
        }
        iconv_close(reference);
        QCOMPARE(known, codes);
    }

    // A refused character with a look-alike the code page holds: the
    // refusal offers it, and the look-alike really is stored and read back.
    void refusedCharacterNamesItsTwin_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("twin"); // empty: none to offer
        QTest::addColumn<QByteArray>("twinBytes");
        QTest::newRow("wave dash") << u"春〜夏"_qs << u"～"_qs << QByteArray("\x81\x60");
        QTest::newRow("minus sign") << u"−"_qs << u"－"_qs << QByteArray("\x81\x7c");
        QTest::newRow("double vertical line") << u"‖"_qs << u"∥"_qs << QByteArray("\x81\x61");
        QTest::newRow("cent sign") << u"¢"_qs << u"￠"_qs << QByteArray("\x81\x91");
        QTest::newRow("pound sign") << u"£"_qs << u"￡"_qs << QByteArray("\x81\x92");
        QTest::newRow("not sign") << u"¬"_qs << u"￢"_qs << QByteArray("\x81\xca");
        QTest::newRow("em dash") << u"—"_qs << u"―"_qs << QByteArray("\x81\x5c");
        QTest::newRow("yen sign") << u"¥"_qs << u"￥"_qs << QByteArray("\x81\x8f");
        QTest::newRow("overline") << u"‾"_qs << u"￣"_qs << QByteArray("\x81\x50");
        QTest::newRow("outside the BMP") << u"𠮷"_qs << QString() << QByteArray();
        QTest::newRow("emoji") << u"😀"_qs << QString() << QByteArray();
    }

    void refusedCharacterNamesItsTwin()
    {
        QFETCH(QString, text);
        QFETCH(QString, twin);
        QFETCH(QByteArray, twinBytes);
        const Cp932::Encoded e = Cp932::encode(text);
        QVERIFY(!e.ok());
        const QString refused = text.mid(e.errorPos, text[e.errorPos].isHighSurrogate() ? 2 : 1);
        if (twin.isEmpty()) {
            QCOMPARE(Cp932::twinAdvice(text, e.errorPos), QString());
            return;
        }
        QCOMPARE(Cp932::twinAdvice(text, e.errorPos),
                 u"「%1」の代わりに「%2」を使えば保存できます。"_qs.arg(refused, twin));
        QCOMPARE(Cp932::encode(twin).bytes, twinBytes);
        QCOMPARE(Cp932::decode(twinBytes).text, twin);
    }
};

QTEST_APPLESS_MAIN(TestCp932)
#include "tst_cp932.moc"
