#pragma once

#include "OverwriteAnswer.h"

#include <QString>

#include <functional>

class QWidget;

// The program's standard message boxes. Every box goes through one hook so tests can answer or record them
// without a modal wait.

struct MessageRequest {
    enum class Kind { Information, Question, Overwrite, Error };
    Kind kind = Kind::Information;
    QString caption;
    QString text; // as shown, with the trailing line breaks
};

// Returns the button the user pressed: for a question true = OK; for the overwrite question the answer index.
using MessageHook = std::function<int(const MessageRequest &)>;
void setMessageHook(MessageHook hook); // an empty hook restores the real boxes

void uzenet(const QString &text);
bool kerdes(const QString &text);
OverwriteAnswer feluliraskerdes();
// An error box with its own caption (fatal start-up errors that do not go through uzenet).
void hibauzenet(const QString &caption, const QString &text);
