#pragma once

#include <QLibrary>
#include <QString>

// A system library loaded the first time it is needed instead of linked, so
// that it costs nothing at start-up. Its functions are looked up by name;
// failure says why the library, or the first function missing, could not
// be had. The library stays loaded for the life of the process.
class OnDemandLibrary
{
public:
    OnDemandLibrary(const QString &name, int version) : m_library(name, version)
    {
        if (!m_library.load())
            failure = m_library.errorString();
    }

    template <typename Function> void resolve(const char *name, Function &function)
    {
        function = failure.isEmpty() ? reinterpret_cast<Function>(m_library.resolve(name)) : nullptr;
        if (!function && failure.isEmpty())
            failure = m_library.errorString();
    }

    QString failure; // empty while everything was found

private:
    QLibrary m_library;
};
