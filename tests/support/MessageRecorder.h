#pragma once

#include "ui/MessageBoxes.h"

#include <QList>

#include <functional>

// Stands in for the message boxes while a test runs: keeps every request and
// answers from a queue (OK or Yes when the queue is empty).
class MessageRecorder
{
public:
    MessageRecorder()
    {
        MessageBoxes::setHandler([this](const MessageBoxes::Request &r) {
            shown.append(r);
            if (onShow)
                onShow(r);
            if (!answers.isEmpty())
                return answers.takeFirst();
            return r.buttons == MessageBoxes::Buttons::YesNo ? MessageBoxes::Answer::Yes
                                                             : MessageBoxes::Answer::Ok;
        });
    }
    ~MessageRecorder() { MessageBoxes::setHandler({}); }
    MessageRecorder(const MessageRecorder &) = delete;
    MessageRecorder &operator=(const MessageRecorder &) = delete;

    QList<MessageBoxes::Request> shown;
    QList<MessageBoxes::Answer> answers;
    // Called as each message is shown, to look at the windows behind it.
    std::function<void(const MessageBoxes::Request &)> onShow;
};
