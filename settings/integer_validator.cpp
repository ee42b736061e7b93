#include "settings/integer_validator.h"

#include "settings/text_forms.h"

#include <QRegularExpression>

TIntegerValidator::TIntegerValidator(QObject* parent)
    : QValidator(parent)
{
}

QValidator::State TIntegerValidator::validate(QString& input, int& /*pos*/) const
{
    std::int32_t value = 0;
    if (TryStrToInt(input, value))
        return Acceptable;
    static const QRegularExpression unfinished(QStringLiteral("^ *[+-]?(\\$|[xX]|0[xX])?$"));
    return unfinished.match(input).hasMatch() ? Intermediate : Invalid;
}

void TIntegerValidator::fixup(QString& input) const
{
    std::int32_t value = 0;
    if (!TryStrToInt(input, value))
        input = m_fallback;
}
