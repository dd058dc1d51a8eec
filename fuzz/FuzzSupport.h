#pragma once

#include "store/TextLines.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

#include <cstddef>
#include <cstdint>

// What the fuzz targets share. A broken promise aborts, so that libFuzzer
// keeps the input and the ordinary regression test fails on it as well.
#define FUZZ_CHECK(cond) ((cond) ? void(0) : FuzzSupport::fail(#cond, __FILE__, __LINE__))

namespace FuzzSupport {

[[noreturn]] void fail(const char *what, const char *file, int line);
// The input being run, named in the report of a failed check (the
// regression test sets it; libFuzzer names its inputs itself).
void setInputName(const QString &name);

inline QByteArrayView view(const uint8_t *data, size_t size)
{
    return QByteArrayView(reinterpret_cast<const char *>(data), qsizetype(size));
}

// The lines of a file as bytes: CR LF, LF or CR ends a line, as the readers have it.
QList<QByteArray> byteLines(QByteArrayView bytes);

// Checks that lines written back through the notebook's line encoder give
// every line its bytes again. A line whose text was read under two spellings
// comes back in one of them, and still reads as the same text.
void checkLinesComeBack(QByteArrayView original, const QStringList &lines, const Spellings &spellings);

} // namespace FuzzSupport
