#pragma once

// An edit for a whole number in the settings file's form (see TryStrToInt):
// it takes only what converts, and the beginnings of it while typing.

#include <QValidator>

class TIntegerValidator : public QValidator {
    Q_OBJECT
public:
    explicit TIntegerValidator(QObject* parent = nullptr);

    // Acceptable: converts. Intermediate: blanks, a sign or a hexadecimal
    // prefix still waiting for digits. Invalid: anything else, a number out
    // of range included, since more digits cannot bring it back.
    State validate(QString& input, int& pos) const override;

    // What an unfinished text falls back to when the edit is left.
    QString fallback() const { return m_fallback; }
    void setFallback(const QString& text) { m_fallback = text; }
    void fixup(QString& input) const override;

private:
    QString m_fallback;
};
