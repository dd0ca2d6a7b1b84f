#pragma once

#include <QString>

#include <stdexcept>

// Raised by the serial port component when a setting it is given cannot be used (a terminator that is not valid
// #-notation). The text is meant for the user as it is.
class EComError : public std::runtime_error
{
public:
    explicit EComError(const QString &message)
        : std::runtime_error(message.toStdString())
        , m_message(message)
    {
    }

    const QString &message() const { return m_message; }

private:
    QString m_message;
};
