#pragma once

#include <QLineEdit>

#include <optional>

// Numeric edit box for weights, percentages, prices, port and ticket numbers. It filters typed characters
// (digits, backspace, one decimal separator, a leading minus) and always stands right-aligned.
class TNumEdit : public QLineEdit
{
    Q_OBJECT
    Q_PROPERTY(bool PermitirNeg READ permitirNeg WRITE setPermitirNeg)
    Q_PROPERTY(bool PermitirDec READ permitirDec WRITE setPermitirDec)

public:
    explicit TNumEdit(QWidget *parent = nullptr);

    bool permitirNeg() const { return m_permitirNeg; }
    void setPermitirNeg(bool on) { m_permitirNeg = on; }
    bool permitirDec() const { return m_permitirDec; }
    void setPermitirDec(bool on) { m_permitirDec = on; }

    // The text read as a number with the program's decimal comma; nothing when it is not a number.
    std::optional<double> value() const;

    // Whether a typed character is taken, and what it becomes (a "." turns into the decimal comma).
    std::optional<QChar> acceptTyped(QChar c) const;

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    bool m_permitirNeg = false;
    bool m_permitirDec = false;
};
