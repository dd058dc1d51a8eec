#include "onsu/MecabReader.h"

#include "store/OnDemandLibrary.h"

#include <QList>

#include <mecab.h>

namespace Onsu {

namespace {

// MeCab is loaded the first time a reader opens, on the counter's own
// thread: linked to the program, it would be loaded at every start, before
// the window, for a count shown only in the entry window.
struct Mecab
{
    decltype(&mecab_new2) create = nullptr;
    decltype(&mecab_strerror) lastError = nullptr;
    decltype(&mecab_dictionary_info) dictionary = nullptr;
    decltype(&mecab_sparse_tonode2) parse = nullptr;
    decltype(&mecab_destroy) destroy = nullptr;
    QString failure; // why MeCab could not be loaded; empty when it was
};

const Mecab &mecab()
{
    static const Mecab loaded = [] {
        Mecab m;
        OnDemandLibrary library(QStringLiteral("mecab"), 2);
        library.resolve("mecab_new2", m.create);
        library.resolve("mecab_strerror", m.lastError);
        library.resolve("mecab_dictionary_info", m.dictionary);
        library.resolve("mecab_sparse_tonode2", m.parse);
        library.resolve("mecab_destroy", m.destroy);
        m.failure = library.failure;
        return m;
    }();
    return loaded;
}

// A word that belongs to the one before it, by its part of speech: 助詞,
// 助動詞 and 記号 as a whole, and the suffixes (接尾) and dependent words
// (非自立) of any part.
bool leans(const QList<QByteArray> &features)
{
    const QByteArray pos = features.value(0);
    const QByteArray sub = features.value(1);
    return pos == "助詞" || pos == "助動詞" || pos == "記号" || sub == "接尾" || sub == "非自立";
}

} // namespace

std::unique_ptr<MecabReader> MecabReader::open(const QByteArray &options, QString *error)
{
    const Mecab &m = mecab();
    if (!m.failure.isEmpty()) {
        if (error)
            *error = QStringLiteral("MeCab cannot be loaded: %1").arg(m.failure);
        return nullptr;
    }
    mecab_t *tagger = m.create(options.constData());
    if (!tagger) {
        // MeCab keeps no reason for most failures to start.
        const QString reason = QString::fromLocal8Bit(m.lastError(nullptr));
        if (error)
            *error = reason.isEmpty() ? QStringLiteral("MeCab cannot start with its dictionary") : reason;
        return nullptr;
    }
    // The words are handed over in UTF-8; a dictionary in another code would
    // read them as other characters.
    const mecab_dictionary_info_t *info = m.dictionary(tagger);
    const QByteArray charset = info && info->charset ? QByteArray(info->charset).toLower() : QByteArray();
    if (charset != "utf-8" && charset != "utf8") {
        if (error)
            *error =
                QStringLiteral("MeCab's dictionary is in %1, not UTF-8").arg(QString::fromLatin1(charset));
        m.destroy(tagger);
        return nullptr;
    }
    return std::unique_ptr<MecabReader>(new MecabReader(tagger));
}

MecabReader::MecabReader(mecab_t *tagger) : m_tagger(tagger) {}

MecabReader::~MecabReader()
{
    mecab().destroy(m_tagger);
}

std::vector<Token> MecabReader::words(const QString &text)
{
    std::vector<Token> words;
    const QByteArray utf8 = text.toUtf8();
    for (const mecab_node_t *node = mecab().parse(m_tagger, utf8.constData(), std::size_t(utf8.size())); node;
         node = node->next) {
        if (node->stat == MECAB_BOS_NODE || node->stat == MECAB_EOS_NODE)
            continue;
        Token t;
        t.surface = QString::fromUtf8(node->surface, node->length);
        const QList<QByteArray> features = QByteArray(node->feature).split(',');
        // Known words carry 品詞,細分類1-3,活用型,活用形,原形,読み,発音; a word
        // the dictionary does not know stops after 原形.
        const QByteArray reading = features.value(7);
        if (reading != "*")
            t.reading = QString::fromUtf8(reading);
        t.leans = leans(features);
        words.push_back(std::move(t));
    }
    return words;
}

} // namespace Onsu
