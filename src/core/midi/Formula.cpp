#include "midi/Formula.h"

#include <charconv>
#include <cmath>
#include <system_error>

namespace velisto {
namespace {

constexpr std::string_view kPlaceholder = "val";

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isOperator(char c) { return c == '+' || c == '-' || c == '*' || c == '/' || c == '^'; }

int placeholderCount(std::string_view text)
{
    int count = 0;
    for (std::size_t at = text.find(kPlaceholder); at != std::string_view::npos;
         at = text.find(kPlaceholder, at + kPlaceholder.size()))
        ++count;
    return count;
}

// The character at i as the user typed it: a whole UTF-8 sequence, so that a message never
// shows half a character.
std::string_view characterAt(std::string_view text, std::size_t i)
{
    const auto lead = static_cast<unsigned char>(text[i]);
    std::size_t length = 1;
    if (lead >= 0xF0 && lead < 0xF8)
        length = 4;
    else if (lead >= 0xE0 && lead < 0xF0)
        length = 3;
    else if (lead >= 0xC0 && lead < 0xE0)
        length = 2;
    for (std::size_t k = 1; k < length; ++k) {
        if (i + k >= text.size() || (static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
            return text.substr(i, k);
    }
    return text.substr(i, length);
}

std::string invalidCharacter(std::string_view c)
{
    return "Instead of '" + std::string(c) + "' number, decimal point, bracket or operator expected.";
}
// A second operand right after a complete one ("val2", "(val)3", "2..3").
std::string operatorExpected(std::string_view c)
{
    return "Instead of '" + std::string(c) + "' operator or closing bracket expected.";
}
std::string unexpectedOperator(char c) { return std::string("Operator ") + c + " unexpected."; }

constexpr std::string_view kUnexpectedOpenBracket = "Unexpected open bracket.";
constexpr std::string_view kUnevenBrackets = "Uneven brackets.";
constexpr std::string_view kOperandMissing = "Operand missing.";

// Digits with at most one decimal point; the value of a run of digits that does not fit a
// double is infinite (or 0 when it is a tiny fraction).
double numberValue(std::string_view token)
{
    double value = 0.0;
    const auto [end, ec] = std::from_chars(token.data(), token.data() + token.size(), value);
    if (ec == std::errc::result_out_of_range) {
        const std::string_view whole = token.substr(0, token.find('.'));
        return whole.find_first_not_of('0') == std::string_view::npos ? 0.0 : HUGE_VAL;
    }
    return ec == std::errc() && end == token.data() + token.size() ? value : NAN;
}

// One left-to-right pass that checks the formula and, alongside, computes it. Open
// brackets push the enclosing group's running value on an explicit stack, so nesting
// depth costs memory, not call stack.
class FormulaScanner {
  public:
    FormulaScanner(std::string_view text, double val) : text_(text), val_(val) {}

    // The first rule broken, or empty.
    std::string run()
    {
        while (pos_ < text_.size()) {
            std::string error = step();
            if (!error.empty())
                return error;
        }
        if (expectOperand_)
            return std::string(kOperandMissing);
        if (!groups_.empty())
            return std::string(kUnevenBrackets);
        return {};
    }

    // Valid after run() returned no error.
    std::optional<double> value() const
    {
        if (!finite_)
            return std::nullopt;
        return current_.value;
    }

  private:
    struct Group {
        double value = 0.0;
        char pendingOperator = 0; // 0: the next operand starts the group
    };

    bool operandStartsAt(std::size_t i) const
    {
        return i < text_.size() && (isDigit(text_[i]) || text_[i] == '.' || text_.substr(i, 3) == kPlaceholder);
    }

    std::string step()
    {
        const char c = text_[pos_];
        if (operandStartsAt(pos_))
            return operand(false);
        if (c == '-' && expectOperand_ && operandStartsAt(pos_ + 1)) {
            ++pos_;
            return operand(true);
        }
        if (isOperator(c)) {
            if (expectOperand_)
                return unexpectedOperator(c);
            current_.pendingOperator = c;
            expectOperand_ = true;
            ++pos_;
            return {};
        }
        if (c == '(') {
            if (!expectOperand_)
                return std::string(kUnexpectedOpenBracket);
            groups_.push_back(current_);
            current_ = Group{};
            ++pos_;
            return {};
        }
        if (c == ')') {
            if (groups_.empty())
                return std::string(kUnevenBrackets);
            if (expectOperand_)
                return std::string(kOperandMissing);
            const double inner = current_.value;
            current_ = groups_.back();
            groups_.pop_back();
            combine(inner);
            ++pos_;
            return {};
        }
        return invalidCharacter(characterAt(text_, pos_));
    }

    std::string operand(bool negative)
    {
        if (!expectOperand_)
            return operatorExpected(text_.substr(pos_, 3) == kPlaceholder ? kPlaceholder : text_.substr(pos_, 1));
        double value = 0.0;
        if (text_.substr(pos_, 3) == kPlaceholder) {
            value = val_;
            pos_ += kPlaceholder.size();
        } else {
            const std::size_t begin = pos_;
            bool point = false;
            bool digit = false;
            while (pos_ < text_.size() && (isDigit(text_[pos_]) || (text_[pos_] == '.' && !point))) {
                point = point || text_[pos_] == '.';
                digit = digit || text_[pos_] != '.';
                ++pos_;
            }
            if (!digit)
                return std::string(kOperandMissing);
            value = numberValue(text_.substr(begin, pos_ - begin));
        }
        combine(negative ? -value : value);
        expectOperand_ = false;
        return {};
    }

    void combine(double operandValue)
    {
        double& acc = current_.value;
        switch (current_.pendingOperator) {
        case '+':
            acc += operandValue;
            break;
        case '-':
            acc -= operandValue;
            break;
        case '*':
            acc *= operandValue;
            break;
        case '/':
            // Decided here rather than left to the FPU, so the result does not depend on
            // floating-point trap settings.
            if (operandValue == 0.0)
                finite_ = false;
            else
                acc /= operandValue;
            break;
        case '^':
            acc = std::pow(acc, operandValue);
            break;
        default:
            acc = operandValue;
            break;
        }
        current_.pendingOperator = 0;
        if (!std::isfinite(acc))
            finite_ = false;
    }

    std::string_view text_;
    double val_;
    std::size_t pos_ = 0;
    bool expectOperand_ = true;
    bool finite_ = true;
    Group current_;
    std::vector<Group> groups_;
};

} // namespace

std::vector<std::string> FormulaCheck::messages(bool explicitCheck) const
{
    if (!accepted())
        return {error, "Formula not accepted."};
    if (explicitCheck)
        return {"Formula ok."};
    return {};
}

FormulaCheck checkFormula(std::string_view formula)
{
    if (placeholderCount(formula) != 1)
        return {"Use placeholder 'val' exactly one time"};
    return {FormulaScanner(formula, 0.0).run()};
}

std::optional<double> evaluateFormula(std::string_view formula, double val)
{
    if (placeholderCount(formula) != 1)
        return std::nullopt;
    FormulaScanner scanner(formula, val);
    if (!scanner.run().empty())
        return std::nullopt;
    return scanner.value();
}

} // namespace velisto
