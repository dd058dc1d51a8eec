#pragma once

#include <QDate>
#include <QString>

// The program's own settings, the ones the four data files and haiku.ini do
// not hold: "yurimoka.ini" in the notebook folder, UTF-8, INI format. The
// data files keep their formats byte for byte; everything newer lives here.
// A file that is missing, damaged or not a file at all gives the defaults,
// and a value that makes no sense gives its own default: nothing here is
// worth refusing to start or to print for.
class ProgramSettings
{
public:
    static inline const QString fileName = QStringLiteral("yurimoka.ini");

    // Reads folder/yurimoka.ini (folder as the notebook keeps it, with or
    // without its final "/").
    explicit ProgramSettings(const QString &folder);

    // The print window prints in vertical writing.
    bool verticalPrint = false;

    // The booklet's last choices.
    enum class PageSize { A5, B6, A4 };
    struct Booklet
    {
        QString category = QStringLiteral("全部");
        bool byDate = false; // false: the notebook's own order
        PageSize pageSize = PageSize::A5;
        QString title = QStringLiteral("句集");
        QString poet;
        bool withDates = true;
        // Only the haiku dated from..to (both included) when set.
        bool dateRange = false;
        QDate from;
        QDate to;
    };
    Booklet booklet;

    // Writes the file. False when it could not be written: the settings are
    // then lost at the end of the run, and nothing else is touched.
    bool save() const;

    QString path() const { return m_path; }

private:
    QString m_path;
    bool m_usable = true; // false when something other than a file has the name
};
