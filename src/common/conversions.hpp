// Conversions of attribute texts to numbers and Booleans.
//
// A number is: optional blanks, an optional sign, digits with an optional "." fraction ("5." and
// ".5" included), optional blanks; nothing else. A text that is no number is a type-mismatch
// error; a number outside the target's range is an overflow error.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "common/currency.hpp"
#include "common/error.hpp"

namespace quorvel {

// The parts of a decimal number text, without blanks, sign or point.
struct DecimalText {
  bool negative = false;
  std::string_view whole;     // digits before the point, possibly empty
  std::string_view fraction;  // digits after the point, possibly empty
};

// Splits `text` into the parts of a decimal number, or nothing when it is no number.
std::optional<DecimalText> ScanDecimal(std::string_view text);

// The text as a signed 32-bit integer, a fraction rounded half to even (12.5 gives 12).
std::int32_t ToLong(std::string_view text);

// The text as a signed 16-bit integer, a fraction rounded half to even.
std::int16_t ToInteger(std::string_view text);

// The text as currency: four decimals kept, the rest rounded half to even (12.34567 gives 12.3457).
Currency ToCurrency(std::string_view text);

// "True" or "False" in any letter case, or a number (zero false, anything else true).
bool ToBoolean(std::string_view text);

// The same three for a NUL-terminated text, which their usual forms read without measuring it
// first: the values of a parsed row are read this way.
std::int32_t ToLong(const char* text);
Currency ToCurrency(const char* text);
bool ToBoolean(const char* text);

// Where a failed conversion of the attribute `column` happened: "attribute \"NetPrice\"".
inline std::string AttributeContext(const char* column) {
  return std::string("attribute \"") + column + "\"";
}

// `convert(value)`, where `value` was read from the attribute `column`: a failure names it.
template <typename Result>
Result Converted(const char* column, std::string_view value, Result (*convert)(std::string_view)) {
  return WithContext([&] { return AttributeContext(column); }, [&] { return convert(value); });
}

// The same for a NUL-terminated value.
template <typename Result>
Result Converted(const char* column, const char* value, Result (*convert)(const char*)) {
  return WithContext([&] { return AttributeContext(column); }, [&] { return convert(value); });
}

}  // namespace quorvel
