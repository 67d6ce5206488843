#pragma once
// The formulas of free-value GM2 global parameters: they turn the value of a message into
// the real-world value shown beside it ("val*0.122" Hz). A formula holds the placeholder
// `val` exactly once, numbers with "." as decimal point, the operators + - * / ^ and
// round brackets. Operators have no precedence: "1+2*val" is (1+2)*val. A minus directly
// before a number or `val` at the start, after an operator or after an open bracket is
// its sign. Blanks are not allowed.
// Thread contract: pure functions, callable from any thread.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velisto {

// Caption of the formula messages and the hint the parameter dialog shows beside the field.
inline constexpr std::string_view kFormulaCaption = "Global parameter control free value formula";
inline constexpr std::string_view kFormulaHint = "There is no operator order, use brackets.";

struct FormulaCheck {
    // The first rule the formula breaks, scanning left to right; empty when accepted.
    std::string error;

    bool accepted() const { return error.empty(); }
    // The message boxes of the check, in order: a refused formula gives its error and then
    // "Formula not accepted."; an accepted one gives "Formula ok." when the user asked for
    // the check and nothing when the check ran on accepting the parameter.
    std::vector<std::string> messages(bool explicitCheck) const;
};

FormulaCheck checkFormula(std::string_view formula);

// The formula's value for val. std::nullopt when checkFormula refuses the text, and when
// any step gives no finite number: division by zero, a negative base with a fractional
// exponent, 0 to a negative power, overflow. Bracket depth is limited only by the text's
// length (no recursion).
std::optional<double> evaluateFormula(std::string_view formula, double val);

} // namespace velisto
