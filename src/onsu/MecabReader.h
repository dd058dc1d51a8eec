#pragma once

#include "onsu/Reader.h"

#include <QByteArray>

#include <memory>

struct mecab_t;

namespace Onsu {

// Words and readings from MeCab with the IPA dictionary (mecab-ipadic-utf8):
// the reading is the eighth field of a word's features, and a word the
// dictionary does not know has none. One tagger, to be used from one thread
// at a time.
class MecabReader : public Reader
{
public:
    // Opens MeCab with its default dictionary (found through /etc/mecabrc),
    // or with the options given ("-r FILE", "-d DIR"). Null when MeCab
    // cannot start or its dictionary is not in UTF-8; error then says why.
    static std::unique_ptr<MecabReader> open(const QByteArray &options = {}, QString *error = nullptr);
    ~MecabReader() override;

    std::vector<Token> words(const QString &text) override;

private:
    explicit MecabReader(mecab_t *tagger);
    mecab_t *m_tagger;
};

} // namespace Onsu
