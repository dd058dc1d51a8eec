#include "store/DataFiles.h"

#include "store/LargeBuffer.h"
#include "store/TextLines.h"

#include <QHash>

namespace DataFiles {

Settings parseSettings(const QStringList &lines, const Settings &defaults)
{
    Settings s = defaults;
    const auto n = lines.size();
    auto number = [&](int i, NumberText &field) {
        if (i < n)
            field = NumberText::fromText(lines[i]);
    };
    auto text = [&](int i, QString &field) {
        if (i < n)
            field = lines[i];
    };
    number(0, s.last_memo_no);
    number(1, s.window_state);
    number(2, s.window_top);
    number(3, s.window_left);
    number(4, s.window_height);
    number(5, s.window_width);
    number(6, s.list_height);
    text(7, s.tate_font);
    text(8, s.spare_setting_a);
    text(9, s.print_font);
    text(10, s.spare_setting_b);
    number(11, s.spare_setting_c);
    text(12, s.lock_password);
    s.extra_lines = n > kSettingsLines ? lines.mid(kSettingsLines) : QStringList();
    return s;
}

QStringList settingsLines(const Settings &s)
{
    QStringList lines{
        s.last_memo_no.text(),  s.window_state.text(), s.window_top.text(),  s.window_left.text(),
        s.window_height.text(), s.window_width.text(), s.list_height.text(), s.tate_font,
        s.spare_setting_a,      s.print_font,          s.spare_setting_b,    s.spare_setting_c.text(),
        s.lock_password,
    };
    lines += s.extra_lines;
    return lines;
}

namespace {

// Categories repeat from haiku to haiku; sharing one string for each keeps
// thirty thousand records small and quick to load.
class Interner
{
public:
    QString get(QStringView value)
    {
        const auto it = m_seen.constFind(value);
        if (it != m_seen.constEnd())
            return *it;
        QString s = value.toString();
        m_seen.insert(QStringView(s), s); // the key views the stored string itself
        return s;
    }

private:
    QHash<QStringView, QString> m_seen;
};

} // namespace

std::vector<Haiku_record> parseHaiku(QStringView text, bool borrow, qsizetype reserveFor)
{
    // Borrowed, a field is a view into text made a string without copying:
    // no allocation for each of the 120 000 fields of a large notebook.
    auto field = [borrow](QStringView line) {
        return borrow && !line.isEmpty() ? QString::fromRawData(line.data(), line.size()) : line.toString();
    };
    std::vector<Haiku_record> list;
    list.reserve(std::size_t(std::max(text.size(), reserveFor) / 64 + 2));
    LargeBuffer::preferHugePages(list.data(), list.capacity() * sizeof(Haiku_record));
    list.emplace_back(); // index 0 is never used
    Interner shared;
    const QString &no = Haiku_record::lockedNo;
    const QString &yes = Haiku_record::lockedYes;
    int at = 0; // the field of the record that this line holds
    const Haiku_record *previous = nullptr;
    TextLines::forEachLine(text, [&](QStringView line) {
        if (at == 0) {
            list.emplace_back();
            previous = list.size() > 2 ? &list[list.size() - 2] : nullptr;
        }
        Haiku_record &r = list.back();
        switch (at) {
        // Neighbours often share a date and a category: try the previous record first.
        case 0:
            r.date_text = previous && line == previous->date_text ? previous->date_text : field(line);
            break;
        case 1:
            r.category = previous && line == previous->category ? previous->category : shared.get(line);
            break;
        case 5: r.updated_stamp = line == r.created_stamp ? r.created_stamp : field(line); break;
        case 6: r.locked = line == no ? no : line == yes ? yes : line.toString(); break;
        default: r.*kRecordFields[at] = field(line); break;
        }
        at = (at + 1) % kRecordLines;
    });
    return list;
}

int cutRecordLines(qsizetype haikuFileLines)
{
    return int(haikuFileLines % kRecordLines);
}

QStringList haikuLines(const std::vector<Haiku_record> &list)
{
    QStringList lines;
    lines.reserve(qsizetype(list.size()) * kRecordLines);
    forEachHaikuLine(list, [&lines](const QString &line) { lines.append(line); });
    return lines;
}

const QStringList &defaultCategories()
{
    static const QStringList list{
        QStringLiteral("全部"),
        QStringLiteral("未発表(自己評価Ａ)"),
        QStringLiteral("未発表(自己評価Ｂ)"),
        QStringLiteral("未発表(自己評価Ｃ)"),
        QStringLiteral("推敲未完"),
        QStringLiteral("投句済（入選）"),
        QStringLiteral("投句済（選無し）"),
        QStringLiteral("好きな句（新年）"),
        QStringLiteral("好きな句（春）"),
        QStringLiteral("好きな句（夏）"),
        QStringLiteral("好きな句（秋）"),
        QStringLiteral("好きな句（冬）"),
        QStringLiteral("吟行記録"),
        QStringLiteral("資料類"),
        QStringLiteral("その他"),
    };
    return list;
}

std::array<QString, kKeywordSlots> parseKeywords(const QStringList &lines, QStringList *extra)
{
    std::array<QString, kKeywordSlots> keywords;
    for (int i = 0; i < kKeywordSlots && i < lines.size(); ++i)
        keywords[std::size_t(i)] = lines[i];
    if (extra)
        *extra = lines.size() > kKeywordSlots ? lines.mid(kKeywordSlots) : QStringList();
    return keywords;
}

qint64 memoNumber(QStringView text)
{
    const double v = TextLines::numericValue(text);
    // Written so that NaN fails the test too.
    if (!(v >= 0 && v <= double(kMemoNoLimit)))
        return 0;
    return qint64(v);
}

QString memoFileName(qint64 memo_no)
{
    const qint64 n = memo_no < 0 || memo_no > kMemoNoLimit ? 0 : memo_no;
    return QLatin1String("m1") + QString::number(n).rightJustified(6, QLatin1Char('0')) +
           QLatin1String(".txt");
}

QString memoFromFile(const QString &fileText)
{
    QString text = fileText;
    if (text.endsWith(QLatin1String("\r\n")))
        text.chop(2);
    else if (text.endsWith(QLatin1Char('\n')) || text.endsWith(QLatin1Char('\r')))
        text.chop(1);
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

QString memoToFile(const QString &memo)
{
    QString text = memo;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    return text + QLatin1String("\r\n");
}

QString timeStamp(const QDateTime &t, bool coded)
{
    QString s = t.toString(QStringLiteral("yy/MM/dd HH:mm:ss"));
    if (coded && !s.isEmpty() && s[0] >= u'0' && s[0] <= u'4')
        s[0] = QChar(u'a' + (s[0].unicode() - u'0'));
    return s;
}

QString shortDate(const QDate &d)
{
    return d.toString(QStringLiteral("yyyy/MM/dd"));
}

const QStringList &welcomeMemoLines()
{
    static const QStringList lines{
        QStringLiteral("この度は、【ユリモカ】をご利用下さいまして"),
        QStringLiteral("まことにありがとうございます。"),
        QStringLiteral("ご質問がございましたら、下記でお受け致しますので、宜しくお願い致します。"),
        QString(),
        QStringLiteral("電子メール：yurimoka@example.jp"),
        QStringLiteral("ＦＡＸ：ご質問は電子メールでお願い致します"),
        QStringLiteral("郵便：ご質問は電子メールでお願い致します"),
        QString(),
        QStringLiteral("ユリモカ開発チーム"),
    };
    return lines;
}

} // namespace DataFiles
