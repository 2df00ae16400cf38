// Fuzz target: the number conversions against a slow reference written here the plain way.
//
// The reference reads a text as the conversions promise: blanks (spaces and tabs) at both ends,
// an optional sign, digits with an optional "." fraction, at least one digit. It rounds on the
// decimal digits, half to even, and tests the range by comparing digit strings, so it shares no
// arithmetic with the engine. For every input, each conversion (currency, 32-bit and 16-bit
// integer, Boolean) must agree with it: the same value, or the same error (13 when the text is
// no number, 6 when the number is out of range). A currency value must also read back from its
// own number text unchanged.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "engine_seam.hpp"
#include "fuzz_support.hpp"
#include "quorvel/quorvel.hpp"

namespace quorvel::fuzz {
namespace {

// A value, or the error number a conversion fails with.
struct Outcome {
  std::int64_t value = 0;
  int error = 0;  // 0: `value` holds
  bool operator==(const Outcome&) const = default;
};

std::string Show(const Outcome& outcome) {
  return outcome.error ? "error " + std::to_string(outcome.error) : std::to_string(outcome.value);
}

// ---- The reference ----

struct Number {
  bool negative = false;
  std::string whole;     // digits before the point
  std::string fraction;  // digits after the point
};

bool AllDigits(const std::string& text) {
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

std::string WithoutBlanksAtEnds(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return "";
  const std::size_t last = text.find_last_not_of(" \t");
  return std::string(text.substr(first, last - first + 1));
}

std::optional<Number> ReadNumber(std::string_view input) {
  std::string text = WithoutBlanksAtEnds(input);
  Number number;
  if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
    number.negative = text[0] == '-';
    text.erase(0, 1);
  }
  const std::size_t point = text.find('.');
  number.whole = text.substr(0, point);
  if (point != std::string::npos) number.fraction = text.substr(point + 1);
  if (!AllDigits(number.whole) || !AllDigits(number.fraction)) return std::nullopt;
  if (number.whole.empty() && number.fraction.empty()) return std::nullopt;
  return number;
}

std::string PlusOne(std::string digits) {
  for (std::size_t i = digits.size(); i-- > 0;) {
    if (digits[i] != '9') {
      ++digits[i];
      return digits;
    }
    digits[i] = '0';
  }
  return "1" + digits;
}

std::string WithoutLeadingZeros(const std::string& digits) {
  const std::size_t first = digits.find_first_not_of('0');
  return first == std::string::npos ? "0" : digits.substr(first);
}

// The magnitude of `number` rounded half to even to `decimals` places, written as the digits of
// a count of units of 10^-decimals, without leading zeros.
std::string RoundedUnits(const Number& number, std::size_t decimals) {
  std::string kept = number.fraction.substr(0, decimals);
  const std::string dropped = number.fraction.substr(kept.size());
  kept.resize(decimals, '0');
  std::string units = number.whole + kept;
  const bool lastIsOdd = !units.empty() && (units.back() - '0') % 2 == 1;
  bool roundUp = false;
  if (!dropped.empty() && dropped[0] > '5') roundUp = true;
  if (!dropped.empty() && dropped[0] == '5') {
    const bool moreThanHalf = dropped.find_first_not_of('0', 1) != std::string::npos;
    roundUp = moreThanHalf || lastIsOdd;
  }
  if (roundUp) units = PlusOne(units);
  return WithoutLeadingZeros(units);
}

bool AtMost(const std::string& digits, const std::string& limit) {
  return digits.size() < limit.size() || (digits.size() == limit.size() && digits <= limit);
}

// `number` as a count of units of 10^-decimals within [-lowest, highest] (both given as digits).
Outcome Reference(std::string_view text, std::size_t decimals, const std::string& lowest,
                  const std::string& highest) {
  const std::optional<Number> number = ReadNumber(text);
  if (!number) return {0, errors::kTypeMismatch};
  const std::string magnitude = RoundedUnits(*number, decimals);
  const bool negative = number->negative && magnitude != "0";
  if (!AtMost(magnitude, negative ? lowest : highest)) return {0, errors::kOverflow};
  const std::uint64_t units = std::stoull(magnitude);
  return {negative ? static_cast<std::int64_t>(0 - units) : static_cast<std::int64_t>(units), 0};
}

Outcome ReferenceBoolean(std::string_view text) {
  std::string word = WithoutBlanksAtEnds(text);
  for (char& c : word) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  if (word == "true") return {1, 0};
  if (word == "false") return {0, 0};
  const std::optional<Number> number = ReadNumber(text);
  if (!number) return {0, errors::kTypeMismatch};
  const bool nonZero = (number->whole + number->fraction).find_first_not_of('0') != std::string::npos;
  return {nonZero ? 1 : 0, 0};
}

// ---- The engine ----

template <typename Convert>
Outcome Engine(Convert convert) {
  try {
    return {convert(), 0};
  } catch (const Error& error) {
    return {0, error.number()};
  }
}

void ExpectSame(const char* conversion, std::string_view text, const Outcome& engine,
                const Outcome& reference) {
  if (engine == reference) return;
  Finding(std::string(conversion) + " of \"" + std::string(text) + "\": the engine gives " +
          Show(engine) + ", the reference " + Show(reference));
}

}  // namespace
}  // namespace quorvel::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace quorvel;
  using fuzz::Engine;
  using fuzz::ExpectSame;
  using fuzz::Reference;
  const std::string_view text = fuzz::AsText(data, size);

  const fuzz::Outcome currency = Engine([&] { return fuzz::CurrencyUnits(text); });
  ExpectSame("ToCurrency", text, currency,
             Reference(text, 4, "9223372036854775808", "9223372036854775807"));
  if (currency.error == 0) {
    const std::string written = fuzz::CurrencyText(currency.value);
    ExpectSame("ToCurrency of its own number text", written,
               Engine([&] { return fuzz::CurrencyUnits(written); }), currency);
  }
  ExpectSame("ToLong", text, Engine([&] { return std::int64_t{fuzz::ToLong(text)}; }),
             Reference(text, 0, "2147483648", "2147483647"));
  ExpectSame("ToInteger", text, Engine([&] { return std::int64_t{fuzz::ToInteger(text)}; }),
             Reference(text, 0, "32768", "32767"));
  const fuzz::Outcome boolean = Engine([&] { return std::int64_t{fuzz::ToBoolean(text)}; });
  ExpectSame("ToBoolean", text, boolean, fuzz::ReferenceBoolean(text));

  // A parsed row's values are read as NUL-terminated texts: up to the first NUL, the same.
  const std::string terminated(text.substr(0, text.find('\0')));
  if (terminated.size() == text.size()) {
    ExpectSame("ToCurrency of the terminated text", text,
               Engine([&] { return fuzz::CurrencyUnits(terminated.c_str()); }), currency);
    ExpectSame("ToLong of the terminated text", text,
               Engine([&] { return std::int64_t{fuzz::ToLong(terminated.c_str())}; }),
               Engine([&] { return std::int64_t{fuzz::ToLong(text)}; }));
    ExpectSame("ToBoolean of the terminated text", text,
               Engine([&] { return std::int64_t{fuzz::ToBoolean(terminated.c_str())}; }), boolean);
  }
  return 0;
}
