#pragma once

#include <QByteArray>
#include <QByteArrayView>

// The input of the start-up fuzz target: a byte of switches, then the bytes
// of "haiku.ini", "haiku.dat", "bunrui.dat", "kensaku.dat" and one memo file,
// each separated from the next by two bytes that no code page 932 file holds.
// Sections the input does not reach are files that do not exist.
class StartupInput
{
public:
    enum Switch : unsigned char {
        NoSettings = 0x01,
        NoHaiku = 0x02,
        NoCategories = 0x04,
        NoKeywords = 0x08,
        NoMemo = 0x10,
        // All three bits: "haiku.dat" repeated past 64 KiB, so that start-up
        // reads it in two halves. Rarely set by chance: such runs are slow.
        LargeHaiku = 0xE0,
    };
    static constexpr int kSections = 5;
    static constexpr char kSeparator[] = "\xFF\xFE";

    unsigned char switches = 0;
    QByteArray ini, dat, cat, key, memo;

    bool isSet(Switch s) const { return (switches & s) == s; }

    static StartupInput split(QByteArrayView input);
    QByteArray join() const;
};
