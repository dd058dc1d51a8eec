#pragma once

#include <QString>

#include <functional>

class QWidget;

// Every message box of the program goes through here, so that tests can read
// what would have been shown and give the answer.
namespace MessageBoxes {

enum class Icon { None, Information, Warning, Critical };
enum class Buttons { Ok, YesNo };
enum class Answer { Ok, Yes, No };

struct Request
{
    QString text;
    QString title;
    Icon icon = Icon::None;
    Buttons buttons = Buttons::Ok;
    // The button Enter presses. A question whose はい destroys something
    // makes it いいえ, so that an Enter alone never destroys.
    Answer defaultAnswer = Answer::Yes;
};

// The title of the program's message boxes.
inline const QString programTitle = QStringLiteral("【ユリモカ】Ver.1.2");

Answer show(QWidget *parent, const Request &request);

// Shorthand for a question whose はい destroys something: いいえ is the default.
inline Answer askBeforeDestroying(QWidget *parent, const QString &text, const QString &title = programTitle,
                                  Icon icon = Icon::Warning)
{
    return show(parent, {text, title, icon, Buttons::YesNo, Answer::No});
}

// Shorthand for a notice with an OK button.
inline void notify(QWidget *parent, const QString &text, const QString &title = programTitle,
                   Icon icon = Icon::None)
{
    show(parent, {text, title, icon, Buttons::Ok});
}

using Handler = std::function<Answer(const Request &)>;
// Replaces the real message box (tests); an empty handler restores it.
void setHandler(Handler handler);

} // namespace MessageBoxes
