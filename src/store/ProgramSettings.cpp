#include "store/ProgramSettings.h"

#include <QFileInfo>
#include <QSettings>

namespace {

const QString kVertical = QStringLiteral("print/vertical");
const QString kCategory = QStringLiteral("booklet/category");
const QString kOrder = QStringLiteral("booklet/order");
const QString kPageSize = QStringLiteral("booklet/pageSize");
const QString kTitle = QStringLiteral("booklet/title");
const QString kPoet = QStringLiteral("booklet/poet");
const QString kDates = QStringLiteral("booklet/dates");
const QString kRange = QStringLiteral("booklet/range");
const QString kFrom = QStringLiteral("booklet/from");
const QString kTo = QStringLiteral("booklet/to");

const QString kByDate = QStringLiteral("date");
const QString kNotebookOrder = QStringLiteral("notebook");

QString sizeName(ProgramSettings::PageSize size)
{
    switch (size) {
    case ProgramSettings::PageSize::B6: return QStringLiteral("B6");
    case ProgramSettings::PageSize::A4: return QStringLiteral("A4");
    case ProgramSettings::PageSize::A5: break;
    }
    return QStringLiteral("A5");
}

// A value written by hand or damaged reads as the default.
bool flag(const QSettings &s, const QString &key, bool fallback)
{
    const QString v = s.value(key).toString();
    return v == QLatin1String("true") ? true : v == QLatin1String("false") ? false : fallback;
}

QString text(const QSettings &s, const QString &key, const QString &fallback)
{
    const QVariant v = s.value(key);
    // A list (a value with a comma in a file written by hand) is not one text.
    return v.typeId() == QMetaType::QString ? v.toString() : fallback;
}

} // namespace

ProgramSettings::ProgramSettings(const QString &folder)
{
    m_path = folder.endsWith(QLatin1Char('/')) ? folder + fileName : folder + QLatin1Char('/') + fileName;
    const QFileInfo info(m_path);
    // A folder or a pipe by that name is neither read (a pipe would never
    // answer) nor replaced.
    if (info.exists() && !info.isFile()) {
        m_usable = false;
        return;
    }
    if (!info.exists())
        return;
    const QSettings s(m_path, QSettings::IniFormat);
    verticalPrint = flag(s, kVertical, verticalPrint);
    booklet.category = text(s, kCategory, booklet.category);
    booklet.byDate = text(s, kOrder, kNotebookOrder) == kByDate;
    const QString size = text(s, kPageSize, QString());
    for (PageSize p : {PageSize::A5, PageSize::B6, PageSize::A4})
        if (size == sizeName(p))
            booklet.pageSize = p;
    booklet.title = text(s, kTitle, booklet.title);
    booklet.poet = text(s, kPoet, booklet.poet);
    booklet.withDates = flag(s, kDates, booklet.withDates);
    booklet.from = QDate::fromString(text(s, kFrom, QString()), Qt::ISODate);
    booklet.to = QDate::fromString(text(s, kTo, QString()), Qt::ISODate);
    // A range is only kept whole: two dates, in order.
    booklet.dateRange = flag(s, kRange, false) && booklet.from.isValid() && booklet.to.isValid() &&
                        booklet.from <= booklet.to;
}

bool ProgramSettings::save() const
{
    if (!m_usable)
        return false;
    QSettings s(m_path, QSettings::IniFormat);
    s.setValue(kVertical, verticalPrint);
    s.setValue(kCategory, booklet.category);
    s.setValue(kOrder, booklet.byDate ? kByDate : kNotebookOrder);
    s.setValue(kPageSize, sizeName(booklet.pageSize));
    s.setValue(kTitle, booklet.title);
    s.setValue(kPoet, booklet.poet);
    s.setValue(kDates, booklet.withDates);
    s.setValue(kRange, booklet.dateRange);
    s.setValue(kFrom, booklet.from.toString(Qt::ISODate));
    s.setValue(kTo, booklet.to.toString(Qt::ISODate));
    // QSettings replaces the file through a temporary one: a failed write
    // leaves the old file as it was. A format error only says that the old
    // file had lines it could not read; the new one is written all the same.
    s.sync();
    return s.status() != QSettings::AccessError;
}
