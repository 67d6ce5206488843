#include "midi/Formula.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace velisto {
namespace {

std::string errorOf(std::string_view formula) { return checkFormula(formula).error; }

TEST(FormulaTest, DefaultSlotPathFormulasGiveTheirRealWorldValues)
{
    EXPECT_NEAR(*evaluateFormula("2.71828^((val-40)*0.025)", 40), 1.0, 1e-12);
    EXPECT_NEAR(*evaluateFormula("2.71828^((val-40)*0.025)", 0), std::pow(2.71828, -1.0), 1e-12);
    EXPECT_NEAR(*evaluateFormula("2.71828^((val-40)*0.025)", 127), std::pow(2.71828, 2.175), 1e-12);
    EXPECT_NEAR(*evaluateFormula("val*0.122", 127), 15.494, 1e-9);
    EXPECT_NEAR(*evaluateFormula("(val+1)/3.2", 127), 40.0, 1e-9);
    EXPECT_NEAR(*evaluateFormula("(val+1)/3.2", 0), 0.3125, 1e-12);
    EXPECT_NEAR(*evaluateFormula("val*0.763", 100), 76.3, 1e-9);
    EXPECT_NEAR(*evaluateFormula("val*0.787", 127), 99.949, 1e-9);
}

TEST(FormulaTest, OperatorsRunLeftToRightAndBracketsGroup)
{
    EXPECT_DOUBLE_EQ(*evaluateFormula("1+2*val", 5), 15.0);
    EXPECT_DOUBLE_EQ(*evaluateFormula("1+(2*val)", 5), 11.0);
    EXPECT_DOUBLE_EQ(*evaluateFormula("2^3^val", 2), 64.0) << "(2^3)^2, not 2^(3^2)";
    EXPECT_DOUBLE_EQ(*evaluateFormula("val-1-1", 10), 8.0);
    EXPECT_DOUBLE_EQ(*evaluateFormula("val/2/5", 100), 10.0);
    EXPECT_DOUBLE_EQ(*evaluateFormula("((((val))))", 7), 7.0);
    EXPECT_DOUBLE_EQ(*evaluateFormula("(1+val)*(2+3)", 1), 10.0);
    EXPECT_DOUBLE_EQ(*evaluateFormula("10-(val-(1-2))", 3), 6.0);
    EXPECT_DOUBLE_EQ(*evaluateFormula(".5+val", 1), 1.5);
    EXPECT_DOUBLE_EQ(*evaluateFormula("5.+val", 1), 6.0);
    EXPECT_DOUBLE_EQ(*evaluateFormula("val", -3.25), -3.25);
}

TEST(FormulaTest, MinusIsASignBeforeANumberAtTheStartAfterAnOperatorOrOpenBracket)
{
    EXPECT_DOUBLE_EQ(*evaluateFormula("-val", 3), -3.0);
    EXPECT_DOUBLE_EQ(*evaluateFormula("-val", -3), 3.0);
    EXPECT_DOUBLE_EQ(*evaluateFormula("2*-val", 3), -6.0);
    EXPECT_DOUBLE_EQ(*evaluateFormula("val--2", 3), 5.0);
    EXPECT_DOUBLE_EQ(*evaluateFormula("(-2)*val", 3), -6.0);
    EXPECT_DOUBLE_EQ(*evaluateFormula("-2^2+val", 0), 4.0) << "the sign belongs to the number";
    EXPECT_DOUBLE_EQ(*evaluateFormula("-.5*val", 2), -1.0);
    // Before a bracket or another operator a minus is an operator, and misplaced there.
    EXPECT_EQ(errorOf("-(val)"), "Operator - unexpected.");
    EXPECT_EQ(errorOf("--val"), "Operator - unexpected.");
    EXPECT_EQ(errorOf("2*-(val)"), "Operator - unexpected.");
}

TEST(FormulaTest, EachRuleHasItsMessage)
{
    const std::string placeholder = "Use placeholder 'val' exactly one time";
    EXPECT_EQ(errorOf(""), placeholder);
    EXPECT_EQ(errorOf("va"), placeholder);
    EXPECT_EQ(errorOf("2..3"), placeholder);
    EXPECT_EQ(errorOf("val val"), placeholder);
    EXPECT_EQ(errorOf("valval"), placeholder);
    EXPECT_EQ(errorOf("VAL*2"), placeholder) << "the placeholder is lower case";

    EXPECT_EQ(errorOf("val*x"), "Instead of 'x' number, decimal point, bracket or operator expected.");
    EXPECT_EQ(errorOf("val * 2"), "Instead of ' ' number, decimal point, bracket or operator expected.");
    EXPECT_EQ(errorOf("val,5"), "Instead of ',' number, decimal point, bracket or operator expected.");
    EXPECT_EQ(errorOf("val+va"), "Instead of 'v' number, decimal point, bracket or operator expected.");
    EXPECT_EQ(errorOf("val*\xC3\xA4"), "Instead of '\xC3\xA4' number, decimal point, bracket or operator expected.")
        << "a UTF-8 character is shown whole";

    EXPECT_EQ(errorOf("*val"), "Operator * unexpected.");
    EXPECT_EQ(errorOf("val+*2"), "Operator * unexpected.");
    EXPECT_EQ(errorOf("(+val)"), "Operator + unexpected.");
    EXPECT_EQ(errorOf("val^^2"), "Operator ^ unexpected.");

    EXPECT_EQ(errorOf("2(val)"), "Unexpected open bracket.");
    EXPECT_EQ(errorOf("val(2)"), "Unexpected open bracket.");
    EXPECT_EQ(errorOf("(val)(2)"), "Unexpected open bracket.");

    EXPECT_EQ(errorOf("(val"), "Uneven brackets.");
    EXPECT_EQ(errorOf("val)"), "Uneven brackets.");
    EXPECT_EQ(errorOf("((val)"), "Uneven brackets.");
    EXPECT_EQ(errorOf(")val("), "Uneven brackets.");

    EXPECT_EQ(errorOf("val+"), "Operand missing.");
    EXPECT_EQ(errorOf("(val+)"), "Operand missing.");
    EXPECT_EQ(errorOf("val*()"), "Operand missing.");
    EXPECT_EQ(errorOf("val+."), "Operand missing.");
    EXPECT_EQ(errorOf("val-"), "Operand missing.");
}

TEST(FormulaTest, AnOperandRightAfterAnotherOneAsksForAnOperator)
{
    EXPECT_EQ(errorOf("val*2..3"), "Instead of '.' operator or closing bracket expected.");
    EXPECT_EQ(errorOf("val2"), "Instead of '2' operator or closing bracket expected.");
    EXPECT_EQ(errorOf("2val"), "Instead of 'val' operator or closing bracket expected.");
    EXPECT_EQ(errorOf("(val)3"), "Instead of '3' operator or closing bracket expected.");
}

TEST(FormulaTest, TheFirstBrokenRuleFromTheLeftIsReported)
{
    EXPECT_EQ(errorOf("val+*x"), "Operator * unexpected.");
    EXPECT_EQ(errorOf("val*x+*"), "Instead of 'x' number, decimal point, bracket or operator expected.");
    EXPECT_EQ(errorOf("(val+"), "Operand missing.") << "the missing operand is met before the end";
}

TEST(FormulaTest, MessageSequenceOfTheDialog)
{
    const FormulaCheck refused = checkFormula("val+");
    EXPECT_FALSE(refused.accepted());
    EXPECT_EQ(refused.messages(true), (std::vector<std::string>{"Operand missing.", "Formula not accepted."}));
    EXPECT_EQ(refused.messages(false), (std::vector<std::string>{"Operand missing.", "Formula not accepted."}));

    const FormulaCheck accepted = checkFormula("val*0.122");
    EXPECT_TRUE(accepted.accepted());
    EXPECT_EQ(accepted.messages(true), (std::vector<std::string>{"Formula ok."}));
    EXPECT_TRUE(accepted.messages(false).empty());
}

TEST(FormulaTest, NoNumberWhereTheArithmeticHasNone)
{
    EXPECT_FALSE(evaluateFormula("1/val", 0).has_value());
    EXPECT_FALSE(evaluateFormula("val/(1-1)", 5).has_value());
    EXPECT_FALSE(evaluateFormula("val^0.5", -4).has_value()) << "negative base, fractional exponent";
    EXPECT_FALSE(evaluateFormula("val^-1", 0).has_value());
    EXPECT_FALSE(evaluateFormula("10^val", 400).has_value()) << "overflow";
    EXPECT_FALSE(evaluateFormula("val*" + std::string(400, '9'), 1).has_value()) << "a number beyond double";
    EXPECT_DOUBLE_EQ(*evaluateFormula("val+0." + std::string(400, '0') + "1", 1), 1.0) << "a tiny fraction is 0";
    EXPECT_TRUE(checkFormula("1/val").accepted()) << "the check is about form, not about one value";
    // A formula the check refuses never gives a value.
    for (const char* refused : {"", "2", "val val", "val+", "(val", "val*x", "val2"})
        EXPECT_FALSE(evaluateFormula(refused, 1).has_value()) << refused;
}

TEST(FormulaTest, DeepNestingCostsNoStack)
{
    constexpr std::size_t kDepth = 300'000;
    const std::string nested = std::string(kDepth, '(') + "val" + std::string(kDepth, ')');
    EXPECT_TRUE(checkFormula(nested).accepted());
    EXPECT_DOUBLE_EQ(*evaluateFormula(nested, 2.5), 2.5);
    EXPECT_EQ(errorOf(std::string(kDepth, '(') + "val"), "Uneven brackets.");
}

} // namespace
} // namespace velisto
