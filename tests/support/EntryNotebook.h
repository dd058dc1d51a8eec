#pragma once

// A notebook opened in a shown main window, for the tests of entering,
// correcting and deleting haiku: its files as code page 932 bytes, its
// message boxes and dialogs played by the test, and Japanese typed the way an
// input method hands it over.

#include "ui/ListGrid.h"
#include "mainwin/Main_form.h"
#include "store/Cp932.h"
#include "store/Notebook.h"
#include "support/Controls.h"
#include "support/DialogDriver.h"
#include "support/Folders.h"
#include "support/MessageRecorder.h"
#include "ui/VerticalLabel.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>

namespace entry {

using folders::bytesOf;
using folders::snapshot;
using folders::Tree;

inline QByteArray sjis(const QString &text)
{
    const Cp932::Encoded e = Cp932::encode(text);
    if (!e.ok())
        qFatal("not code page 932");
    return e.bytes;
}

inline void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        qFatal("cannot write a test file");
}

struct Haiku
{
    QString date, category, poem;
    int memo;
    QString locked = QStringLiteral("NO");
    QString memoText; // the memo file's text, CR LF ends included
};

// The haiku of the notebook the tests open, in notebook order. The first and
// the third have the same poem; the second is locked (password 秘密).
inline QList<Haiku> standardHaiku()
{
    return {
        {u"2026/04/01"_qs, u"好きな句（春）"_qs, u"古池や蛙飛びこむ水の音"_qs, 3, u"NO"_qs,
         u"池のほとり\r\n二行目\r\n"_qs},
        {u"2026/04/02"_qs, u"推敲未完"_qs, u"ひっそりとコーヒーの湯気"_qs, 7, u"YES"_qs,
         u"秘密のメモ\r\n"_qs},
        {u"2026/04/03"_qs, u"好きな句（春）"_qs, u"古池や蛙飛びこむ水の音"_qs, 5, u"NO"_qs,
         u"二つ目の池\r\n"_qs},
        {u"2026/04/04"_qs, u"吟行記録"_qs, u"春の海ひねもすのたりかな"_qs, 9, u"NO"_qs, u"海のメモ\r\n"_qs},
    };
}

inline void writeNotebook(const QString &dir, const QList<Haiku> &haiku = standardHaiku())
{
    QDir().mkpath(dir + u"/memo1"_qs);
    QString dat;
    for (const Haiku &h : haiku) {
        dat += u"%1\r\n%2\r\n%3\r\n %4 \r\nc6/01/02 03:04:05\r\nc6/01/02 03:04:05\r\n%5\r\n"_qs
                   .arg(h.date, h.category, h.poem)
                   .arg(h.memo)
                   .arg(h.locked);
        writeBytes(dir + u"/memo1/"_qs + DataFiles::memoFileName(h.memo), sjis(h.memoText));
    }
    writeBytes(dir + u"/haiku.dat"_qs, sjis(dat));
    writeBytes(dir + u"/bunrui.dat"_qs, sjis(u"全部\r\n好きな句（春）\r\n推敲未完\r\n吟行記録\r\n"_qs));
    writeBytes(dir + u"/kensaku.dat"_qs, QByteArray("\r\n").repeated(20));
    writeBytes(dir + u"/haiku.ini"_qs,
               sjis(u" 9 \r\n 0 \r\n 1500 \r\n 1200 \r\n 7500 \r\n 10500 \r\n 2295 \r\nＭＳ 明朝\r\n全部\r\n"
                    "ＭＳ 明朝\r\n更新日\r\n 0 \r\n秘密\r\n"_qs));
}

// The haiku file as records of seven lines.
inline QList<QStringList> haikuOnDisk(const QString &dir)
{
    const QStringList lines = Cp932::decode(bytesOf(dir + u"/haiku.dat"_qs)).text.split(u"\r\n"_qs);
    QList<QStringList> records;
    for (qsizetype i = 0; i + 7 <= lines.size(); i += 7)
        records.append(lines.mid(i, 7));
    return records;
}

inline QString memoOnDisk(const QString &dir, int memo)
{
    return Cp932::decode(bytesOf(dir + u"/memo1/"_qs + DataFiles::memoFileName(memo))).text;
}

// Text as an input method hands it over: a conversion shown while it is
// composed, then committed.
inline void commit(QWidget *w, const QString &text)
{
    if (auto *combo = qobject_cast<QComboBox *>(w))
        w = combo->lineEdit();
    QInputMethodEvent composing(text, {});
    QCoreApplication::sendEvent(w, &composing);
    QInputMethodEvent done;
    done.setCommitString(text);
    QCoreApplication::sendEvent(w, &done);
}

inline void press(QWidget *w, Qt::Key key)
{
    QTest::keyClick(w, key);
}

// Grid row r (rows counted with the heading) made current and selected, as a
// click would leave it.
inline void selectRow(QWidget &form, int r)
{
    auto *grid = ctl<ListGrid>(form, "Grid1");
    grid->setRow(r);
    grid->setSelectedRows(r, r);
}

struct Opened
{
    explicit Opened(const QList<Haiku> &haiku = standardHaiku()) : nb(dir.path())
    {
        writeNotebook(dir.path(), haiku);
        loaded = form.Form_Load();
        form.show();
        exposed = QTest::qWaitForWindowExposed(&form);
    }
    QString file(const QString &name) const { return dir.filePath(name); }
    QString title() const { return form.windowTitle(); }
    ListGrid *grid() { return ctl<ListGrid>(form, "Grid1"); }
    QString memoShown() { return ctl<QPlainTextEdit>(form, "Text2")->toPlainText(); }
    QString poemShown() { return ctl<VerticalLabel>(form, "Label3")->text(); }
    QString hint() { return ctl<QLineEdit>(form, "Text1")->text(); }
    QStringList listedPoems()
    {
        QStringList p;
        for (int r = 1; r + 1 < grid()->rows(); ++r)
            p << gridCell(grid(), r, 2);
        return p;
    }

    QTemporaryDir dir;
    MessageRecorder messages;
    DialogDriver driver;
    Notebook nb;
    Main_form form{nb};
    bool loaded = false;
    bool exposed = false;
};

} // namespace entry
