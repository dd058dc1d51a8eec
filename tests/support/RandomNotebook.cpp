#include "support/RandomNotebook.h"

#include "store/Cp932.h"

#include <algorithm>
#include <numeric>

namespace {

// The characters of a range of codes: single bytes, or every trail byte
// after each lead byte.
QString charactersOf(int first, int last, bool pairs)
{
    QString out;
    for (int code = first; code <= last; ++code) {
        for (int trail = pairs ? 0x40 : -1; trail <= (pairs ? 0xFC : -1); ++trail) {
            QByteArray bytes(1, char(code));
            if (pairs)
                bytes.append(char(trail));
            const Cp932::Decoded d = Cp932::decode(bytes);
            if (d.valid && d.text.size() == 1)
                out.append(d.text);
        }
    }
    return out;
}

struct Pools
{
    QString ascii = charactersOf(0x20, 0x7E, false);
    QString controls = charactersOf(0x00, 0x1F, false).remove(u'\r').remove(u'\n');
    QString halfWidthKana = charactersOf(0xA1, 0xDF, false);
    QString kanaAndSymbols = charactersOf(0x81, 0x84, true);
    QString kanji = charactersOf(0x88, 0x9F, true) + charactersOf(0xE0, 0xEA, true);
    QString necRow13 = charactersOf(0x87, 0x87, true);
    // The IBM extensions, and the NEC-selected copies of them that read as the same characters.
    QString ibm = charactersOf(0xFA, 0xFC, true) + charactersOf(0xED, 0xEE, true);
    QString blanks = QStringLiteral(" \t　");

    static const Pools &get()
    {
        static const Pools pools;
        return pools;
    }
};

} // namespace

int RandomNotebook::between(int low, int high)
{
    return std::uniform_int_distribution<int>(low, high)(m_rng);
}

bool RandomNotebook::chance(int percent)
{
    return between(1, 100) <= percent;
}

QChar RandomNotebook::character()
{
    const Pools &p = Pools::get();
    const int roll = between(1, 100);
    const QString &pool = roll <= 35   ? p.kanji
                          : roll <= 62 ? p.kanaAndSymbols
                          : roll <= 76 ? p.ascii
                          : roll <= 81 ? p.halfWidthKana
                          : roll <= 87 ? p.necRow13
                          : roll <= 93 ? p.ibm
                          : roll <= 99 ? p.blanks
                                       : p.controls;
    return pool[between(0, int(pool.size()) - 1)];
}

QString RandomNotebook::line(int maxLength)
{
    QString s;
    const int n = between(0, maxLength);
    s.reserve(n);
    for (int i = 0; i < n; ++i)
        s.append(character());
    return s;
}

QString RandomNotebook::memo(int maxLines)
{
    QStringList lines;
    const int n = between(0, maxLines);
    for (int i = 0; i < n; ++i) {
        QString l = chance(20) ? QString() : line(30);
        if (chance(30))
            l += chance(50) ? QStringLiteral("  ") : QStringLiteral("　");
        lines.append(l);
    }
    return lines.join(u'\n');
}

QDateTime RandomNotebook::dateTime()
{
    return QDateTime(QDate(between(1990, 2049), between(1, 12), between(1, 28)),
                     QTime(between(0, 23), between(0, 59), between(0, 59)));
}

QMap<qint64, QString> RandomNotebook::fill(Notebook &nb, const Size &size)
{
    const QStringList &defaults = DataFiles::defaultCategories();
    NotebookContents c;
    c.category_list.assign(1, QString());
    for (int i = 0; i < size.categories; ++i)
        c.category_list.push_back(chance(10) ? defaults[between(0, int(defaults.size()) - 1)]
                                             : line(between(1, 20)));

    // Unique memo numbers in a random order, as reordering leaves them.
    std::vector<qint64> numbers(std::size_t(size.haiku));
    qint64 next = between(0, 1000);
    for (qint64 &n : numbers)
        n = next += between(1, 3);
    std::shuffle(numbers.begin(), numbers.end(), m_rng);

    c.haiku_list.assign(1, Haiku_record());
    c.haiku_list.reserve(std::size_t(size.haiku) + 1);
    for (int i = 0; i < size.haiku; ++i) {
        Haiku_record r;
        const QDateTime created = dateTime();
        r.date_text = chance(80) ? DataFiles::shortDate(created.date()) : line(12);
        const int categories = int(c.category_list.size()) - 1;
        r.category =
            chance(80) && categories > 0 ? c.category_list[std::size_t(between(1, categories))] : line(10);
        r.poem = line(chance(2) ? 0 : 30);
        r.memo_no = NumberText(double(numbers[std::size_t(i)])).text();
        r.created_stamp = DataFiles::timeStamp(created, true);
        r.updated_stamp = chance(50) ? r.created_stamp : DataFiles::timeStamp(dateTime(), true);
        r.locked = chance(30) ? QStringLiteral("YES") : QStringLiteral("NO");
        c.haiku_list.push_back(r);
    }

    for (std::size_t k = 0; k < kKeywordSlots; ++k)
        c.keyword_list[k] = chance(50) ? line(10) : QString();

    Settings &s = c.settings;
    s = Settings();
    s.last_memo_no = NumberText(double(next + between(0, 5)));
    s.window_state = NumberText(between(0, 2));
    s.window_top = NumberText(between(-2000, 12000) + (chance(20) ? 0.5 : 0));
    s.window_left = NumberText(between(-2000, 20000));
    s.window_height = NumberText(between(3000, 12000));
    s.window_width = NumberText(between(5000, 20000) + (chance(20) ? 0.25 : 0));
    s.list_height = NumberText(between(500, 8000));
    const QStringList fonts{QStringLiteral("ＭＳ 明朝"), QStringLiteral("ＭＳ ゴシック"), line(10)};
    s.tate_font = fonts[between(0, 2)];
    s.print_font = fonts[between(0, 2)];
    s.spare_setting_a = chance(70) ? QStringLiteral("全部") : line(8);
    s.spare_setting_b = chance(70) ? QStringLiteral("更新日") : line(8);
    s.spare_setting_c = NumberText(between(-100, 100));
    s.lock_password = chance(50) ? QString() : line(12);

    nb.replaceContents(std::move(c));

    QMap<qint64, QString> memos;
    for (int i = 0; i < size.memos && size.haiku > 0; ++i)
        memos.insert(numbers[std::size_t(between(0, size.haiku - 1))], memo(8));
    return memos;
}
