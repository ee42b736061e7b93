#include "settings/integer_validator.h"
#include "settings/text_forms.h"

#include <gtest/gtest.h>

namespace {

struct ValidatorCase {
    const char* text;
    QValidator::State state;
};

void PrintTo(const ValidatorCase& c, std::ostream* os) { *os << '"' << c.text << '"'; }

class IntegerValidatorTest : public ::testing::TestWithParam<ValidatorCase> {};

// Acceptable exactly when the text converts; unfinished beginnings may stay
// while typing; nothing else gets in.
TEST_P(IntegerValidatorTest, TakesWhatConverts)
{
    QString text = QString::fromUtf8(GetParam().text);
    int pos = static_cast<int>(text.size());
    TIntegerValidator validator;
    EXPECT_EQ(validator.validate(text, pos), GetParam().state);
    std::int32_t value = 0;
    EXPECT_EQ(TryStrToInt(text, value), GetParam().state == QValidator::Acceptable);
}

INSTANTIATE_TEST_SUITE_P(Texts, IntegerValidatorTest, ::testing::Values(
    ValidatorCase{"5000", QValidator::Acceptable},
    ValidatorCase{"  -12", QValidator::Acceptable},
    ValidatorCase{"+7", QValidator::Acceptable},
    ValidatorCase{"$1f", QValidator::Acceptable},
    ValidatorCase{"-0X10", QValidator::Acceptable},
    ValidatorCase{"x10", QValidator::Acceptable},
    ValidatorCase{"2147483647", QValidator::Acceptable},
    ValidatorCase{"-2147483648", QValidator::Acceptable},
    ValidatorCase{"$FFFFFFFF", QValidator::Acceptable},
    ValidatorCase{"", QValidator::Intermediate},
    ValidatorCase{"   ", QValidator::Intermediate},
    ValidatorCase{"-", QValidator::Intermediate},
    ValidatorCase{" +$", QValidator::Intermediate},
    ValidatorCase{"0x", QValidator::Intermediate},
    ValidatorCase{"-X", QValidator::Intermediate},
    ValidatorCase{"2147483648", QValidator::Invalid},
    ValidatorCase{"-2147483649", QValidator::Invalid},
    ValidatorCase{"$100000000", QValidator::Invalid},
    ValidatorCase{"12a", QValidator::Invalid},
    ValidatorCase{"12 ", QValidator::Invalid},
    ValidatorCase{"1 2", QValidator::Invalid},
    ValidatorCase{"\t5", QValidator::Invalid},
    ValidatorCase{"--5", QValidator::Invalid},
    ValidatorCase{"1e3", QValidator::Invalid},
    ValidatorCase{"0x0x", QValidator::Invalid},
    ValidatorCase{"\xd9\xa3", QValidator::Invalid}, // an Arabic-Indic digit three
    ValidatorCase{"fast", QValidator::Invalid}));

} // namespace
