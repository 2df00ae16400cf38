#include "common/conversions.hpp"

#include <limits>
#include <string>

#include "common/error.hpp"
#include "common/trimming.hpp"

namespace quorvel {
namespace {

// Beyond this many significant whole digits no target can hold the value.
constexpr std::size_t kMaxWholeDigits = 30;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string_view DigitRun(std::string_view text, std::size_t& position) {
  const std::size_t start = position;
  while (position < text.size() && IsDigit(text[position])) ++position;
  return text.substr(start, position - start);
}

std::string_view StripLeadingZeros(std::string_view digits) {
  while (!digits.empty() && digits.front() == '0') digits.remove_prefix(1);
  return digits;
}

[[noreturn]] void NotANumber(std::string_view text) {
  Raise(errors::kTypeMismatch, "type mismatch: " + Quoted(text) + " is not a number");
}

[[noreturn]] void OutOfRange(std::string_view text, const char* target) {
  Raise(errors::kOverflow, "overflow: " + Quoted(text) + " is outside the range of " + target);
}

DecimalText ScanOrFail(std::string_view text) {
  const std::optional<DecimalText> number = ScanDecimal(text);
  if (!number) NotANumber(text);
  return *number;
}

__int128 DigitsValue(std::string_view digits) {
  __int128 value = 0;
  for (char c : digits) value = value * 10 + (c - '0');
  return value;
}

// Whether the dropped digits `rest` (led by the first dropped digit) round the kept value up,
// half to even.
bool RoundsUp(std::string_view rest, bool keptIsOdd) {
  if (rest.empty() || rest.front() < '5') return false;
  if (rest.front() > '5') return true;
  for (char c : rest.substr(1)) {
    if (c != '0') return true;
  }
  return keptIsOdd;
}

// The number rounded to `decimals` places, as a count of units of 10^-decimals; nothing when it
// has too many digits for any target.
std::optional<__int128> ScaledValue(const DecimalText& number, std::size_t decimals) {
  const std::string_view whole = StripLeadingZeros(number.whole);
  if (whole.size() > kMaxWholeDigits) return std::nullopt;
  std::string_view kept = number.fraction.substr(0, decimals);
  const std::string_view rest = number.fraction.substr(kept.size());
  __int128 value = DigitsValue(whole);
  for (std::size_t i = 0; i < decimals; ++i) {
    value = value * 10 + (i < kept.size() ? kept[i] - '0' : 0);
  }
  if (RoundsUp(rest, value % 2 != 0)) ++value;
  return number.negative ? -value : value;
}

template <typename Integer>
Integer ToIntegerOfRange(std::string_view text, const char* target) {
  const std::optional<__int128> value = ScaledValue(ScanOrFail(text), 0);
  if (!value || *value < std::numeric_limits<Integer>::min() ||
      *value > std::numeric_limits<Integer>::max()) {
    OutOfRange(text, target);
  }
  return static_cast<Integer>(*value);
}

bool EqualsIgnoringCase(std::string_view text, std::string_view word) {
  if (text.size() != word.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c != word[i]) return false;
  }
  return true;
}

// Where a text ends: at a known end, or at its terminating NUL.
struct KnownEnd {
  const char* end;
  bool At(const char* position) const { return position == end; }
};
struct Terminator {
  bool At(const char* position) const { return *position == '\0'; }
};

bool IsDigitAt(const char* position) { return static_cast<unsigned char>(*position - '0') < 10; }

// The usual form, handled without the general path: an optional "-", digits, an optional point
// with at most `decimals` digits after it, nothing else, at most 18 digits once padded to
// `decimals` places (so that the count fits 64 bits). The count of units of 10^-decimals, or
// nothing for any other text, which the general path then reads.
template <typename End>
std::optional<std::int64_t> PlainScaled(const char* position, End end, int decimals) {
  constexpr std::size_t kMaxDigits = 18;
  static constexpr std::int64_t kPowersOfTen[] = {1, 10, 100, 1000, 10000};
  const bool negative = !end.At(position) && *position == '-';
  position += negative ? 1 : 0;
  // Digits are summed without checks; the counts below reject any text whose sum could overflow.
  std::uint64_t value = 0;
  const char* const whole = position;
  while (!end.At(position) && IsDigitAt(position)) {
    value = value * 10 + static_cast<unsigned char>(*position++ - '0');
  }
  const auto wholeDigits = static_cast<std::size_t>(position - whole);
  std::size_t places = 0;
  if (!end.At(position) && *position == '.') {
    const char* const fraction = ++position;
    while (!end.At(position) && IsDigitAt(position)) {
      value = value * 10 + static_cast<unsigned char>(*position++ - '0');
    }
    places = static_cast<std::size_t>(position - fraction);
  }
  const auto scale = static_cast<std::size_t>(decimals);
  if (!end.At(position) || wholeDigits + places == 0 || places > scale ||
      wholeDigits + scale >= kMaxDigits || scale >= std::size(kPowersOfTen)) {
    return std::nullopt;
  }
  const auto units = static_cast<std::int64_t>(value) * kPowersOfTen[scale - places];
  return negative ? -units : units;
}

std::optional<std::int64_t> PlainScaled(std::string_view text, int decimals) {
  return PlainScaled(text.data(), KnownEnd{text.data() + text.size()}, decimals);
}

std::optional<std::int32_t> PlainLong(std::optional<std::int64_t> plain) {
  if (plain && *plain >= std::numeric_limits<std::int32_t>::min() &&
      *plain <= std::numeric_limits<std::int32_t>::max()) {
    return static_cast<std::int32_t>(*plain);
  }
  return std::nullopt;
}

Currency GeneralCurrency(std::string_view text) {
  const std::optional<__int128> units = ScaledValue(ScanOrFail(text), 4);
  if (!units || *units < std::numeric_limits<std::int64_t>::min() ||
      *units > std::numeric_limits<std::int64_t>::max()) {
    OutOfRange(text, "currency");
  }
  return Currency::FromUnits(static_cast<std::int64_t>(*units));
}

// Whether the terminated `text` is exactly `word`, compared without measuring either.
bool IsExactly(const char* text, const char* word) {
  while (*word != '\0' && *text == *word) ++text, ++word;
  return *text == '\0' && *word == '\0';
}

}  // namespace

std::optional<DecimalText> ScanDecimal(std::string_view text) {
  const std::string_view body = TrimBlanks(text);
  DecimalText number;
  std::size_t position = 0;
  if (position < body.size() && (body[position] == '-' || body[position] == '+')) {
    number.negative = body[position] == '-';
    ++position;
  }
  number.whole = DigitRun(body, position);
  if (position < body.size() && body[position] == '.') {
    ++position;
    number.fraction = DigitRun(body, position);
  }
  const bool hasDigits = !number.whole.empty() || !number.fraction.empty();
  if (!hasDigits || position != body.size()) return std::nullopt;
  return number;
}

std::int32_t ToLong(std::string_view text) {
  if (const std::optional<std::int32_t> plain = PlainLong(PlainScaled(text, 0))) return *plain;
  return ToIntegerOfRange<std::int32_t>(text, "a 32-bit integer");
}

std::int32_t ToLong(const char* text) {
  if (const std::optional<std::int32_t> plain = PlainLong(PlainScaled(text, Terminator{}, 0))) return *plain;
  return ToIntegerOfRange<std::int32_t>(text, "a 32-bit integer");
}

std::int16_t ToInteger(std::string_view text) {
  return ToIntegerOfRange<std::int16_t>(text, "a 16-bit integer");
}

Currency ToCurrency(std::string_view text) {
  if (const std::optional<std::int64_t> plain = PlainScaled(text, 4)) return Currency::FromUnits(*plain);
  return GeneralCurrency(text);
}

Currency ToCurrency(const char* text) {
  if (const std::optional<std::int64_t> plain = PlainScaled(text, Terminator{}, 4)) {
    return Currency::FromUnits(*plain);
  }
  return GeneralCurrency(text);
}

bool ToBoolean(std::string_view text) {
  const std::string_view word = TrimBlanks(text);
  if (EqualsIgnoringCase(word, "TRUE")) return true;
  if (EqualsIgnoringCase(word, "FALSE")) return false;
  const std::optional<DecimalText> number = ScanDecimal(text);
  if (!number) {
    Raise(errors::kTypeMismatch,
          "type mismatch: " + Quoted(text) + " is neither True, False nor a number");
  }
  for (std::string_view digits : {number->whole, number->fraction}) {
    for (char c : digits) {
      if (c != '0') return true;
    }
  }
  return false;
}

bool ToBoolean(const char* text) {
  if (IsExactly(text, "True")) return true;
  if (IsExactly(text, "False")) return false;
  return ToBoolean(std::string_view(text));
}

}  // namespace quorvel
