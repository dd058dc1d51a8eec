#pragma once

#include "onsu/Reader.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace Onsu {

// Counts poems for the windows. The dictionary is loaded on a second thread
// when first asked for, so that nothing waits for it: until it is there a
// poem has no count line, and ready() says when it has come. A dictionary
// that cannot be loaded leaves the count to the kana alone.
class Counter : public QObject
{
    Q_OBJECT
public:
    // Gives the reader, or null with the reason in error.
    using Loader = std::function<std::unique_ptr<Reader>(QString *error)>;

    explicit Counter(Loader loader, QObject *parent = nullptr);
    ~Counter() override;

    // The program's counter, over MeCab's default dictionary.
    static Counter &shared();

    // Starts loading the dictionary, the first time only.
    void load();
    // Loading has ended, with or without a dictionary.
    bool isLoaded() const;
    // Why there is no dictionary; empty when there is one or loading has not ended.
    QString loadError() const;

    // The count line for poem (see Onsu::describe); empty until loading has ended.
    QString line(const QString &poem) const;

signals:
    // Loading has ended; delivered in the counter's own thread.
    void ready();

private:
    enum class State { Idle, Loading, Loaded };

    Loader m_loader;
    std::thread m_loading;
    mutable std::mutex m_mutex; // guards the three below; the reader is used by one thread at a time
    State m_state = State::Idle;
    std::unique_ptr<Reader> m_reader;
    QString m_error;
};

} // namespace Onsu
