#include "store/Cp932.h"

#include <cerrno>
#include <cstring>
#include <iconv.h>

namespace {

// One converter per direction and thread; opening one costs far more than a
// short conversion.
class Converter
{
public:
    Converter(const char *to, const char *from) : m_cd(iconv_open(to, from)) {}
    ~Converter()
    {
        if (m_cd != reinterpret_cast<iconv_t>(-1))
            iconv_close(m_cd);
    }
    Converter(const Converter &) = delete;
    Converter &operator=(const Converter &) = delete;

    iconv_t handle()
    {
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr); // back to the initial state
        return m_cd;
    }

private:
    iconv_t m_cd;
};

iconv_t decoder()
{
    thread_local Converter c("UTF-16LE", "CP932");
    return c.handle();
}

iconv_t encoder()
{
    thread_local Converter c("CP932", "UTF-16LE");
    return c.handle();
}

bool isLoneSurrogateAt(QStringView text, qsizetype i)
{
    const QChar c = text[i];
    if (c.isHighSurrogate())
        return i + 1 >= text.size() || !text[i + 1].isLowSurrogate();
    if (c.isLowSurrogate())
        return i == 0 || !text[i - 1].isHighSurrogate();
    return false;
}

// Characters glibc maps to a byte that reads back as another character.
bool isRefusedOutright(char16_t u)
{
    return u == 0x00A5 || u == 0x203E;
}

// Encodes a run of text that holds no escaped bytes. Returns the index of the
// first character iconv cannot convert, or -1.
qsizetype encodeRun(QStringView run, QByteArray &out)
{
    if (run.isEmpty())
        return -1;
    iconv_t cd = encoder();
    char *in = reinterpret_cast<char *>(const_cast<QChar *>(run.data()));
    size_t inLeft = size_t(run.size()) * 2;
    const qsizetype start = out.size();
    out.resize(start + run.size() * 2); // never more than two bytes a character
    char *dst = out.data() + start;
    size_t outLeft = size_t(run.size()) * 2;
    const char *inBegin = in;
    if (iconv(cd, &in, &inLeft, &dst, &outLeft) == size_t(-1)) {
        out.resize(dst - out.data());
        return (in - inBegin) / 2;
    }
    out.resize(dst - out.data());
    return -1;
}

} // namespace

Cp932::Decoded Cp932::decode(QByteArrayView bytes)
{
    Decoded result;
    QString &text = result.text;
    text.resize(bytes.size()); // one byte or two make one UTF-16 unit
    char *in = const_cast<char *>(bytes.data());
    size_t inLeft = size_t(bytes.size());
    char *outBegin = reinterpret_cast<char *>(text.data());
    char *out = outBegin;
    size_t outLeft = size_t(text.size()) * 2;
    iconv_t cd = decoder();
    while (inLeft > 0) {
        if (iconv(cd, &in, &inLeft, &out, &outLeft) != size_t(-1))
            break;
        if (errno != EILSEQ && errno != EINVAL)
            break; // E2BIG cannot happen: the output has room for every byte
        // Not valid code page 932: keep the byte itself as an escape.
        const auto b = static_cast<unsigned char>(*in);
        const char16_t escaped = char16_t(0xDC00 + b);
        std::memcpy(out, &escaped, 2);
        out += 2;
        outLeft -= 2;
        ++in;
        --inLeft;
        result.valid = false;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    text.resize((out - outBegin) / 2);
    return result;
}

Cp932::Encoded Cp932::encodeUnverified(QStringView text)
{
    Encoded result;
    QByteArray &out = result.bytes;
    out.reserve(text.size() * 2);

    // Refuse what iconv would take but map one-way, and stray surrogates that
    // are not escaped bytes; carry escaped bytes through.
    qsizetype runStart = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = text[i].unicode();
        if (u < 0x80)
            continue;
        if (isRefusedOutright(u)) {
            result.errorPos = i;
            return result;
        }
        if (!isLoneSurrogateAt(text, i))
            continue;
        if (!isEscapedByte(text[i])) {
            result.errorPos = i;
            return result;
        }
        const qsizetype bad = encodeRun(text.mid(runStart, i - runStart), out);
        if (bad >= 0) {
            result.errorPos = runStart + bad;
            return result;
        }
        out.append(char(u - 0xDC00));
        runStart = i + 1;
    }
    const qsizetype bad = encodeRun(text.mid(runStart), out);
    if (bad >= 0)
        result.errorPos = runStart + bad;
    return result;
}

Cp932::Encoded Cp932::encode(QStringView text)
{
    Encoded result = encodeUnverified(text);
    if (!result.ok())
        return result;
    const QByteArray &out = result.bytes;

    // iconv accepts a few characters that come back as others ("〜" U+301C is
    // written as 81 60, which is "～" U+FF5E). Read the bytes back to be sure
    // every character survives. Plain ASCII always does.
    bool ascii = true;
    for (QChar c : text) {
        if (c.unicode() >= 0x80) {
            ascii = false;
            break;
        }
    }
    if (!ascii) {
        const QString back = decode(out).text;
        const qsizetype n = qMin(back.size(), text.size());
        qsizetype i = 0;
        while (i < n && back[i] == text[i])
            ++i;
        if (i < n || back.size() != text.size()) {
            // a surrogate pair is reported at its first half
            if (i > 0 && i < text.size() && text[i].isLowSurrogate())
                --i;
            result.errorPos = qMin(i, text.size() - 1);
        }
    }
    return result;
}

QString Cp932::characterAt(QStringView text, qsizetype pos)
{
    if (pos < 0 || pos >= text.size())
        return {};
    if (text[pos].isHighSurrogate() && pos + 1 < text.size() && text[pos + 1].isLowSurrogate())
        return text.mid(pos, 2).toString();
    return QString(text[pos]);
}

QString Cp932::describeCharacter(QStringView text, qsizetype pos)
{
    const QString ch = characterAt(text, pos);
    if (ch.isEmpty())
        return {};
    const char32_t code = ch.size() == 2 ? QChar::surrogateToUcs4(ch[0], ch[1]) : ch[0].unicode();
    const QString hex = QStringLiteral("%1").arg(uint(code), 4, 16, QLatin1Char('0')).toUpper();
    return QStringLiteral("「%1」(U+%2)").arg(ch, hex);
}
