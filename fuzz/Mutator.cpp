#include "Mutator.h"

#include <algorithm>

namespace {

// Bytes that end lines, fields, quotes, placeholders, tags, entities and frames, and the extremes.
constexpr char kInterestingBytes[] = {'\0', '\xff', '\r', '\n', ';', '"', '%', '<', '>', '&', '#', '=', '[', ']',
                                      '\t', ',', '-', '+', '.', ' ', '\'', '\x02', '\x03', '\x7f', '\x80', '0', '9'};

// Valid and broken UTF-8, a byte-order mark and Windows-1250 letters.
const QList<QByteArray> &utf8Fragments()
{
    static const QList<QByteArray> fragments = {
        QByteArrayLiteral("\xc3\xa1"),         QByteArrayLiteral("\xc5\x91"),     QByteArrayLiteral("\xe2\x82\xac"),
        QByteArrayLiteral("\xf0\x9f\x98\x80"), QByteArrayLiteral("\x80"),         QByteArrayLiteral("\xe2\x82"),
        QByteArrayLiteral("\xc0\xaf"),         QByteArrayLiteral("\xef\xbb\xbf"), QByteArrayLiteral("\xed\xa0\x80"),
        QByteArrayLiteral("\xf5\xfb\xe1"),     QByteArrayLiteral("\xf4\x90\x80\x80"), QByteArrayLiteral("\xe2\x80\xa8"),
        QByteArrayLiteral("\xc2\xa0"),         QByteArrayLiteral("\xef\xbf\xbe"),
    };
    return fragments;
}

} // namespace

Mutator::Mutator(std::uint64_t seed, QList<QByteArray> seeds, QList<QByteArray> dictionary, qsizetype maxSize)
    : m_rng(seed)
    , m_seeds(std::move(seeds))
    , m_dictionary(std::move(dictionary))
    , m_maxSize(maxSize)
{
    if (m_seeds.isEmpty())
        m_seeds.append(QByteArray());
}

QByteArray Mutator::next()
{
    QByteArray data = m_rng.oneIn(8) ? generate() : m_seeds.at(qsizetype(m_rng.below(m_seeds.size())));
    // Mostly few edits, so that the input keeps enough of its form to reach deep; now and then many.
    const int edits = m_rng.oneIn(4) ? 1 + int(m_rng.below(32)) : 1 + int(m_rng.below(4));
    for (int i = 0; i < edits; ++i)
        mutate(data);
    if (data.size() > m_maxSize)
        data.truncate(m_maxSize);
    return data;
}

QByteArray Mutator::token()
{
    switch (m_rng.below(4)) {
    case 0:
        if (!m_dictionary.isEmpty())
            return m_dictionary.at(qsizetype(m_rng.below(m_dictionary.size())));
        [[fallthrough]];
    case 1:
        return QByteArray(1, kInterestingBytes[m_rng.below(sizeof kInterestingBytes)]);
    case 2:
        return utf8Fragments().at(qsizetype(m_rng.below(utf8Fragments().size())));
    default:
        return QByteArray(1, char(m_rng.below(256)));
    }
}

QByteArray Mutator::generate()
{
    QByteArray data;
    const qsizetype length = qsizetype(m_rng.below(std::min<qsizetype>(m_maxSize, 512)));
    while (data.size() < length) {
        if (m_rng.oneIn(3))
            data += char(' ' + m_rng.below(95));
        else
            data += token();
    }
    return data;
}

void Mutator::mutate(QByteArray &data)
{
    const auto position = [&](qsizetype extra) { return qsizetype(m_rng.below(std::uint64_t(data.size() + extra))); };
    switch (m_rng.below(10)) {
    case 0: // flip a bit
        if (!data.isEmpty())
            data[position(0)] ^= char(1 << m_rng.below(8));
        break;
    case 1: // overwrite a byte
        if (!data.isEmpty())
            data[position(0)] = kInterestingBytes[m_rng.below(sizeof kInterestingBytes)];
        break;
    case 2: // insert a token
    case 3:
        data.insert(position(1), token());
        break;
    case 4: { // delete a range
        if (data.isEmpty())
            break;
        const qsizetype at = position(0);
        data.remove(at, qsizetype(1 + m_rng.below(std::uint64_t(std::min<qsizetype>(data.size() - at, 64)))));
        break;
    }
    case 5: { // splice: the head of this input, the tail of another seed
        const QByteArray &other = m_seeds.at(qsizetype(m_rng.below(m_seeds.size())));
        data = data.left(position(1)) + other.mid(qsizetype(m_rng.below(std::uint64_t(other.size() + 1))));
        break;
    }
    case 6: { // repeat a chunk
        if (data.isEmpty())
            break;
        const qsizetype at = position(0);
        const QByteArray chunk = data.mid(at, qsizetype(1 + m_rng.below(16)));
        data.insert(at, chunk.repeated(qsizetype(1 + m_rng.below(m_rng.oneIn(8) ? 1000 : 8))));
        break;
    }
    case 7: // a long run of one byte
        data.insert(position(1), QByteArray(qsizetype(1 + m_rng.below(m_rng.oneIn(4) ? 8192 : 64)),
                                            kInterestingBytes[m_rng.below(sizeof kInterestingBytes)]));
        break;
    case 8: // cut short
        data.truncate(position(1));
        break;
    default: { // swap two bytes
        if (data.size() < 2)
            break;
        std::swap(data[position(0)], data[position(0)]);
        break;
    }
    }
}
