#include "StartupInput.h"

StartupInput StartupInput::split(QByteArrayView input)
{
    StartupInput in;
    if (input.isEmpty()) {
        in.switches = 0xFF;
        return in;
    }
    in.switches = static_cast<unsigned char>(input[0]);
    QByteArray *sections[kSections] = {&in.ini, &in.dat, &in.cat, &in.key, &in.memo};
    const QByteArrayView separator(kSeparator);
    QByteArrayView rest = input.sliced(1);
    int reached = 0;
    for (; reached < kSections; ++reached) {
        const qsizetype end = reached + 1 < kSections ? rest.indexOf(separator) : -1;
        *sections[reached] = (end < 0 ? rest : rest.first(end)).toByteArray();
        if (end < 0)
            break;
        rest = rest.sliced(end + separator.size());
    }
    // Files past the last section the input reaches do not exist.
    for (int s = reached + 1; s < kSections; ++s)
        in.switches |= static_cast<unsigned char>(1u << s);
    return in;
}

QByteArray StartupInput::join() const
{
    QByteArray out(1, char(switches));
    out += ini + kSeparator + dat + kSeparator + cat + kSeparator + key + kSeparator + memo;
    return out;
}
