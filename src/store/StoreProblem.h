#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// Something the notebook could not do, in words for the user, and what kind
// of thing it was, so that a window can choose what to say around it.
struct StoreProblem
{
    enum class Kind {
        Write,          // a file could not be written; the old one is whole
        Conflict,       // someone else changed the file: theirs stays, ours is in savedAs
        MemoWrite,      // a memo file could not be written
        MemoDelete,     // a memo file could not be deleted
        MemoNumbers,    // every memo number has been handed out
        HaikuLimit,     // the notebook holds as many haiku as it can
        CategoryLimit,  // the category list is full
        CategoryExists, // a category of that name is already there
        Unstorable,     // a value the files cannot hold
        NotFound,       // the haiku asked for is not in the notebook
        Folder,         // a folder of the notebook could not be made
        History,        // an earlier state could not be kept, read or brought back
    };
    StoreProblem(QString file_, QString message_, QString savedAs_ = {})
        : kind(savedAs_.isEmpty() ? Kind::Write : Kind::Conflict), file(std::move(file_)),
          message(std::move(message_)), savedAs(std::move(savedAs_))
    {
    }
    StoreProblem(Kind kind_, QString file_, QString message_)
        : kind(kind_), file(std::move(file_)), message(std::move(message_))
    {
    }
    Kind kind;
    QString file;    // the file name, "haiku.dat"
    QString message; // a full Japanese sentence naming the file and the cause
    // Set when the file had been changed by someone else (another computer
    // through a sync program): their file was left as it is and what we had
    // to write was saved beside it under this name. Nothing is lost.
    QString savedAs;
};

struct StartupReport
{
    // An existing file could not be read. Nothing has been written and the
    // program must end without saving, or it would overwrite what it never read.
    QString fatal;
    // Files kept aside because they held bytes that are not code page 932,
    // and conflict copies that a sync program left beside the haiku file.
    QStringList notices;
    // Default files that could not be written; the notebook is in memory all the same.
    QList<StoreProblem> problems;
};

// A memo file as read: a file that is not there is an empty memo, but one
// that is there and cannot be read (no permission, a folder in its place) is
// said to be so, since writing over it would lose what it holds.
struct MemoFile
{
    enum class State { Read, Missing, Unreadable };
    State state = State::Missing;
    QString text;    // the memo when read
    QString problem; // for Unreadable: a Japanese sentence naming the file and the cause
};
