#include "onsu/Counter.h"

#include "onsu/MecabReader.h"
#include "onsu/Onsu.h"

#include <QMetaObject>

namespace Onsu {

Counter::Counter(Loader loader, QObject *parent) : QObject(parent), m_loader(std::move(loader)) {}

Counter::~Counter()
{
    if (m_loading.joinable())
        m_loading.join();
}

Counter &Counter::shared()
{
    static Counter counter(
        [](QString *error) -> std::unique_ptr<Reader> { return MecabReader::open({}, error); });
    return counter;
}

void Counter::load()
{
    {
        std::lock_guard lock(m_mutex);
        if (m_state != State::Idle)
            return;
        m_state = State::Loading;
    }
    m_loading = std::thread([this] {
        QString error;
        std::unique_ptr<Reader> reader = m_loader(&error);
        {
            std::lock_guard lock(m_mutex);
            m_reader = std::move(reader);
            m_error = m_reader ? QString() : error;
            m_state = State::Loaded;
        }
        QMetaObject::invokeMethod(this, &Counter::ready, Qt::QueuedConnection);
    });
}

bool Counter::isLoaded() const
{
    std::lock_guard lock(m_mutex);
    return m_state == State::Loaded;
}

QString Counter::loadError() const
{
    std::lock_guard lock(m_mutex);
    return m_error;
}

QString Counter::line(const QString &poem) const
{
    std::lock_guard lock(m_mutex);
    if (m_state != State::Loaded)
        return {};
    return describe(count(poem, m_reader.get()));
}

} // namespace Onsu
