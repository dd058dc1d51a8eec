#include "ui/FileOffer.h"

#include "ui/MessageBoxes.h"

#include <QDesktopServices>
#include <QDir>
#include <QUrl>

void FileOffer::offer(QWidget *parent, const QString &question, const QString &path, const QString &kind,
                      const QString &title)
{
    const MessageBoxes::Answer open = MessageBoxes::show(
        parent, {question, title, MessageBoxes::Icon::Information, MessageBoxes::Buttons::YesNo});
    if (open == MessageBoxes::Answer::Yes && !QDesktopServices::openUrl(QUrl::fromLocalFile(path))) {
        MessageBoxes::notify(parent,
                             QStringLiteral("%1を開くプログラムが見つかりませんでした。\n%2")
                                 .arg(kind, QDir::toNativeSeparators(path)),
                             title, MessageBoxes::Icon::Warning);
    }
}
