#pragma once

#include "Rng.h"

#include <QByteArray>
#include <QList>

#include <cstdint>

// Makes the inputs of a fuzz run: mostly seeds from real files changed by a few random edits, sometimes text
// built from nothing but the bytes and tokens parsers trip over.
class Mutator
{
public:
    Mutator(std::uint64_t seed, QList<QByteArray> seeds, QList<QByteArray> dictionary, qsizetype maxSize);

    QByteArray next();

private:
    QByteArray generate();
    void mutate(QByteArray &data);
    QByteArray token();

    Rng m_rng;
    QList<QByteArray> m_seeds;
    QList<QByteArray> m_dictionary;
    qsizetype m_maxSize;
};
