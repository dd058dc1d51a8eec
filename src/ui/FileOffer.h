#pragma once

#include <QString>

class QWidget;

// After a file is made for the poet: says what was made and where, asks
// whether to open it, and opens it with the desktop's program for it.
namespace FileOffer {

// question names the file and ends with the question; kind names the file
// in the message shown when no program opens it ("PDFファイル").
void offer(QWidget *parent, const QString &question, const QString &path, const QString &kind,
           const QString &title);

} // namespace FileOffer
