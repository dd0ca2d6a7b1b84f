#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>

// One parser under fuzzing: how to feed it an input, and the real inputs to start from.
struct FuzzTarget {
    QString name;
    QList<QByteArray> seeds;
    QList<QByteArray> dictionary; // tokens the parser gives meaning to
    qsizetype maxSize = 4096;
    // Runs one input; decides everything from the input's bytes, so a printed input reproduces its finding.
    // folder is a private temporary folder (with a trailing "/") for parsers that read files.
    std::function<void(const QByteArray &input, const QString &folder)> run;
};

// Every target, in the order "all" runs them.
QList<FuzzTarget> fuzzTargets();

// A property the parser must keep does not hold: prints the target, what failed and the input (hex), and ends the
// program with exit code 1.
[[noreturn]] void propertyFailed(const QString &what);

// Targets per folder.
QList<FuzzTarget> scaleTargets();
QList<FuzzTarget> dataTargets();
QList<FuzzTarget> printTargets();
QList<FuzzTarget> recordTargets();
QList<FuzzTarget> weighingTargets();

// A file of the source tree (real templates, lists and documents that seed the corpus); empty when absent.
QByteArray sourceFile(const QString &relativePath);
