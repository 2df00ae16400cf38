// The pass of markup_scan.hpp, for the files that compile its versions: markup_scan.cpp (the
// portable one and SSE2's) and markup_scan_avx2.cpp. `Bytes` finds the special bytes
// (byte_classes.hpp, vector_bytes.hpp). Everything here has internal linkage, so each file keeps
// its own.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "xml/wellformed/characters.hpp"
#include "xml/wellformed/refusal.hpp"

namespace quorvel::xml {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
// Name characters as pugixml reads them: ASCII as XML has it, every byte beyond ASCII.
bool IsNameStart(char c) { return IsAsciiLetter(c) || c == '_' || c == ':' || static_cast<unsigned char>(c) >= 0x80; }
bool IsNameByte(char c) { return IsNameStart(c) || IsDigit(c) || c == '-' || c == '.'; }

std::string Shown(const char* from, const char* to) {
  constexpr std::ptrdiff_t kShown = 40;
  std::string text(from, static_cast<std::size_t>(to - from < kShown ? to - from : kShown));
  return to - from > kShown ? text + "..." : text;
}

// One pass over a document's text. Each step returns false when it stops the pass: with a
// refusal, or without one where the text breaks a rule that pugixml reports itself.
template <typename Bytes>
class MarkupScanner {
 public:
  explicit MarkupScanner(std::string_view text) : begin_(text.data()), end_(begin_ + text.size()) {}

  std::optional<Refusal> Run() {
    if ((refusal_ = CheckByteOrderMark(std::string_view(begin_, static_cast<std::size_t>(end_ - begin_))))) return refusal_;
    const char* at = begin_;
    if (StartsWith(at, "\xEF\xBB\xBF")) at += 3;
    if (StartsWith(at, "<?xml") && at + 5 < end_ && (IsBlank(at[5]) || at[5] == '?')) {
      if (!XmlDeclaration(at)) return refusal_;
    }
    while (OutsideRoot(at) && at != end_) {
      const bool elementStarts = !StartsWith(at, "<!") && !StartsWith(at, "<?") && !StartsWith(at, "</");
      if (!(elementStarts ? InsideRoot(at) : CheckedMarkup(at))) {
        // Left to pugixml, which takes a NUL for the end of the text and may then accept it: the
        // characters of the whole text are checked first.
        if (!refusal_) refusal_ = CheckCharacters(std::string_view(begin_, static_cast<std::size_t>(end_ - begin_)));
        break;
      }
    }
    return refusal_;
  }

 private:
  bool Refuse(std::string rule, const char* at) {
    refusal_ = Refusal{std::move(rule), static_cast<std::size_t>(at - begin_)};
    return false;
  }
  const char* Stop(std::string rule, const char* at) {
    Refuse(std::move(rule), at);
    return nullptr;
  }
  bool StartsWith(const char* at, std::string_view prefix) const {
    return static_cast<std::size_t>(end_ - at) >= prefix.size() && std::memcmp(at, prefix.data(), prefix.size()) == 0;
  }
  const char* Find(const char* from, std::string_view what) const {
    const std::string_view rest(from, static_cast<std::size_t>(end_ - from));
    const std::size_t found = rest.find(what);
    return found == std::string_view::npos ? end_ : from + found;
  }
  const char* SkipBlanks(const char* at) const {
    while (at != end_ && IsBlank(*at)) ++at;
    return at;
  }
  const char* SkipName(const char* at) const {
    while (at != end_ && IsNameByte(*at)) ++at;
    return at;
  }

  // Blanks up to the next markup, before or after the root element.
  bool OutsideRoot(const char*& at) {
    at = SkipBlanks(at);
    if (at != end_ && *at != '<') return Refuse("text outside the root element", at);
    return true;
  }

  // The markup that starts at `at` ('<').
  bool Markup(const char*& at) {
    if (StartsWith(at, "<!--")) return Comment(at);
    if (StartsWith(at, "<![CDATA[")) return CData(at);
    if (StartsWith(at, "<!DOCTYPE")) return Refuse("a DTD is not accepted", at);
    if (StartsWith(at, "<?")) return ProcessingInstruction(at);
    if (StartsWith(at, "</")) return EndTag(at);
    return false;  // another "<!", which pugixml names
  }

  bool Comment(const char*& at) {
    const char* dashes = Find(at + 4, "--");
    if (dashes == end_) return false;  // unterminated: pugixml says so
    if (dashes + 2 == end_ || dashes[2] != '>') return Refuse("\"--\" inside a comment", dashes);
    at = dashes + 3;
    return true;
  }

  bool CData(const char*& at) {
    if (depth_ == 0) return Refuse("a CDATA section outside the root element", at);
    const char* close = Find(at + 9, "]]>");
    if (close == end_) return false;
    at = close + 3;
    return true;
  }

  bool ProcessingInstruction(const char*& at) {
    const char* target = at + 2;
    if (target == end_ || !IsNameStart(*target)) return Refuse("a processing instruction without a target name", target);
    const char* targetEnd = SkipName(target);
    if (targetEnd - target == 3 && (target[0] | 0x20) == 'x' && (target[1] | 0x20) == 'm' && (target[2] | 0x20) == 'l') {
      if (std::memcmp(target, "xml", 3) == 0) {
        return Refuse("an XML declaration that is not at the very start of the document", at);
      }
      return Refuse("the processing-instruction target \"" + Shown(target, targetEnd) + "\" is reserved", target);
    }
    if (std::memchr(target, ':', static_cast<std::size_t>(targetEnd - target))) {
      return Refuse("a colon in the processing-instruction target \"" + Shown(target, targetEnd) + "\"", target);
    }
    if (targetEnd != end_ && !IsBlank(*targetEnd) && !StartsWith(targetEnd, "?>")) {
      return Refuse("a malformed processing instruction", targetEnd);
    }
    const char* close = Find(targetEnd, "?>");
    if (close == end_) return false;
    at = close + 2;
    return true;
  }

  bool EndTag(const char*& at) {
    const char* close = static_cast<const char*>(std::memchr(at, '>', static_cast<std::size_t>(end_ - at)));
    if (!close || depth_ == 0) return false;  // pugixml says what is wrong
    --depth_;
    at = close + 1;
    return true;
  }

  // The markup, then the characters that follow `at` up to the next markup, checked together.
  bool CheckedMarkup(const char*& at) {
    const char* from = at;
    if (!Markup(at)) return false;
    if ((refusal_ = CheckCharacters(std::string_view(from, static_cast<std::size_t>(at - from)),
                                    static_cast<std::size_t>(from - begin_)))) {
      return false;
    }
    return true;
  }

  enum class In { kContent, kTag, kValue };

  // Follows the root element over whole 64-byte blocks of `at` that hold nothing but ASCII
  // markup quoted with '"': no '&', no apostrophe, no control byte but blanks, no quote in text.
  // There only '<' and '>' outside attribute values change the state, so the values are told
  // apart by the parity of the quotes before them instead of by visiting every quote. Stops at
  // the first byte that needs a closer look, in the state `in` and `quote` say; returns true
  // when the root element ended, `at` past its end.
  bool PlainBlocks(const char*& at, In& in, char& quote) {
    constexpr int kPlainBlock = Bytes::kPlainBlock;
    if (in == In::kValue && quote != '"') return false;
    const char* block = at;
    while (end_ - block > kPlainBlock) {
      const auto bytes = Bytes::ClassifyPlainBlock(block);
      for (std::uint64_t other = bytes.other; other != 0; other &= other - 1) {
        const char c = block[std::countr_zero(other)];
        if (c != '\n' && c != '\t' && c != '\r') return false;
      }
      const std::uint64_t quoted = Bytes::PrefixParity(bytes.quote) ^ (in == In::kValue ? ~std::uint64_t{0} : 0);
      // Up to the first '<' in a value, which the slower pass refuses.
      int limit = kPlainBlock;
      for (std::uint64_t inValue = bytes.angle & quoted; inValue != 0; inValue &= inValue - 1) {
        if (block[std::countr_zero(inValue)] == '<') {
          limit = std::countr_zero(inValue);
          break;
        }
      }
      const std::uint64_t beforeLimit = limit == kPlainBlock ? ~std::uint64_t{0} : (std::uint64_t{1} << limit) - 1;
      In state = in == In::kContent ? In::kContent : In::kTag;
      std::uint64_t textBytes = ~std::uint64_t{0};  // from where the text began, when in kContent
      const auto quoteInText = [&](int to) {
        const std::uint64_t upTo = to == kPlainBlock ? ~std::uint64_t{0} : (std::uint64_t{1} << to) - 1;
        return (bytes.quote & upTo & textBytes) != 0;
      };
      // `at` and `in` stay where everything before is known right: the slower pass goes on there.
      for (std::uint64_t angles = bytes.angle & ~quoted & beforeLimit; angles != 0; angles &= angles - 1) {
        const int i = std::countr_zero(angles);
        const char* const special = block + i;
        if (state == In::kTag) {
          if (*special == '<') return false;  // pugixml says what is wrong
          state = In::kContent;
          textBytes = ~((std::uint64_t{2} << i) - 1);  // none when i is 63
          at = special + 1;
          in = In::kContent;
          if (special[-1] != '/') {
            ++depth_;
          } else if (depth_ == 0) {
            rootClosed_ = true;
            return true;
          }
        } else if (*special == '>') {
          if (special[-1] == ']' && special[-2] == ']') return false;
        } else {
          if (quoteInText(i)) return false;
          const char next = special[1];
          if (next == '/' || next == '!' || next == '?') return false;
          state = In::kTag;
          at = special;
          in = In::kContent;
        }
      }
      if (limit != kPlainBlock || (state == In::kContent && quoteInText(kPlainBlock))) return false;
      block += kPlainBlock;
      at = block;
      in = state == In::kContent ? In::kContent : ((quoted >> 63) != 0 ? In::kValue : In::kTag);
      if (in == In::kValue) quote = '"';
    }
    return false;
  }

  // The root element, from its start tag at `at` to its end: one pass that stops only at the
  // special bytes, taking whole blocks of plain markup at once where it has vector instructions.
  // Returns true when the root element ended, `at` past its end.
  bool InsideRoot(const char*& at) {
    if (rootClosed_) return Refuse("content after the root element", at);
    In in = In::kTag;
    char quote = 0;
    const char* next = at + 1;
    [[maybe_unused]] const char* plainTried = next;  // the fast path is not tried again before this
    while (next && !rootClosed_) {
      if constexpr (Bytes::kVectors) {
        if (next >= plainTried) {
          if (PlainBlocks(next, in, quote)) break;
          plainTried = next + Bytes::kPlainBlock;
        }
      }
      const char* const special = Bytes::NextSpecial(next, end_);
      if (special == end_) return false;  // the end inside the root: pugixml says what is open
      next = Special(special, in, quote);
    }
    if (!next) return false;
    at = next;
    return true;
  }

  // The special byte at `special` inside the root element, in the state `in` and `quote`: where
  // the pass goes on, rootClosed_ set when the root element ended; nullptr when it stops.
  const char* Special(const char* special, In& in, char& quote) {
    const char c = *special;
    const char* at = special;
    if (c == '"' || c == '\'') {
      if (in == In::kTag) {
        in = In::kValue;
        quote = c;
      } else if (in == In::kValue && c == quote) {
        in = In::kTag;
      }
    } else if (c == '>') {
      if (in == In::kTag) {
        in = In::kContent;
        if (special[-1] != '/') {
          ++depth_;
        } else if (depth_ == 0) {
          rootClosed_ = true;
        }
      } else if (in == In::kContent && special - begin_ >= 2 && special[-1] == ']' && special[-2] == ']') {
        // Every markup ends in '>', so the two bytes before this one are text.
        return Stop("\"]]>\" in text", special - 2);
      }
    } else if (c == '<') {
      if (in == In::kValue) return Stop("\"<\" in an attribute value", special);
      if (in == In::kTag || special + 1 == end_) return nullptr;  // pugixml says what is wrong
      const char next = special[1];
      if (next == '/' || next == '!' || next == '?') {
        if (!CheckedMarkup(at)) return nullptr;
        rootClosed_ = depth_ == 0;
        return at;
      }
      in = In::kTag;
    } else if (c == '&') {
      return in != In::kTag && Reference(at) ? at : nullptr;
    } else if (c != '\n' && c != '\t' && c != '\r') {
      return CheckCharacter(special, end_, refusal_, begin_);
    }
    return special + 1;
  }

  // The reference that starts at `at` ('&'); leaves `at` past it.
  bool Reference(const char*& at) {
    const char* from = at;
    if (at + 1 != end_ && at[1] == '#') return CharacterReference(at);
    const char* name = at + 1;
    const char* nameEnd = SkipName(name);
    if (nameEnd == name || nameEnd == end_ || *nameEnd != ';') {
      return Refuse("\"&\" that starts no reference (write &amp;)", from);
    }
    const std::string_view entity(name, static_cast<std::size_t>(nameEnd - name));
    if (entity != "amp" && entity != "lt" && entity != "gt" && entity != "quot" && entity != "apos") {
      return Refuse("the undefined entity &" + Shown(name, nameEnd) + ";", from);
    }
    at = nameEnd + 1;
    return true;
  }

  bool CharacterReference(const char*& at) {
    const char* from = at;
    const char* digit = at + 2;
    const bool hex = digit != end_ && *digit == 'x';
    if (hex) ++digit;
    std::uint32_t code = 0;
    const char* next = digit;
    for (; next != end_; ++next) {
      std::uint32_t value;
      if (IsDigit(*next)) value = static_cast<std::uint32_t>(*next - '0');
      else if (hex && (*next | 0x20) >= 'a' && (*next | 0x20) <= 'f') value = static_cast<std::uint32_t>((*next | 0x20) - 'a' + 10);
      else break;
      code = code > 0x10FFFF ? code : code * (hex ? 16 : 10) + value;
    }
    if (next == digit || next == end_ || *next != ';') return Refuse("a malformed character reference", from);
    if (!IsXmlChar(code)) {
      return Refuse("the character reference " + Shown(from, next + 1) + " names a character XML does not allow", from);
    }
    at = next + 1;
    return true;
  }

  // <?xml version="1.x" encoding="UTF-8" standalone="yes|no"?>, encoding and standalone optional.
  bool XmlDeclaration(const char*& at) {
    const char* start = at;
    const char* next = at + 5;
    std::string_view value;
    const char* valueAt = nullptr;
    if (!PseudoAttribute(next, "version", value, valueAt)) {
      return refusal_ ? false : Refuse("an XML declaration without a version", start);
    }
    if (value.size() < 3 || value.substr(0, 2) != "1." ||
        value.find_first_not_of("0123456789", 2) != std::string_view::npos) {
      return Refuse("XML version \"" + std::string(value) + "\" (only 1.x is read)", valueAt);
    }
    if (PseudoAttribute(next, "encoding", value, valueAt)) {
      if (!IsAsciiLetter(value[0])) return Refuse("a malformed encoding name", valueAt);
      if (value.size() != 5 || ((value[0] | 0x20) != 'u' || (value[1] | 0x20) != 't' || (value[2] | 0x20) != 'f' ||
                                value[3] != '-' || value[4] != '8')) {
        return Refuse("the encoding \"" + std::string(value) + "\" is not accepted: documents are read as UTF-8", valueAt);
      }
    } else if (refusal_) {
      return false;
    }
    if (PseudoAttribute(next, "standalone", value, valueAt)) {
      if (value != "yes" && value != "no") return Refuse("standalone must be \"yes\" or \"no\"", valueAt);
    } else if (refusal_) {
      return false;
    }
    next = SkipBlanks(next);
    if (!StartsWith(next, "?>")) return Refuse("a malformed XML declaration", next);
    at = next + 2;
    return true;
  }

  // ` name = "value"` at `at`: false, `at` unchanged, when no such pseudo-attribute follows;
  // false with a refusal when it is malformed.
  bool PseudoAttribute(const char*& at, std::string_view name, std::string_view& value, const char*& valueAt) {
    const char* next = SkipBlanks(at);
    if (next == at || !StartsWith(next, name)) return false;
    next = SkipBlanks(next + name.size());
    if (next == end_ || *next != '=') return Refuse("a malformed XML declaration", next);
    next = SkipBlanks(next + 1);
    if (next == end_ || (*next != '"' && *next != '\'')) return Refuse("a malformed XML declaration", next);
    const char quote = *next++;
    valueAt = next;
    while (next != end_ && (IsAsciiLetter(*next) || IsDigit(*next) || *next == '.' || *next == '-' || *next == '_')) ++next;
    if (next == end_ || *next != quote || next == valueAt) return Refuse("a malformed XML declaration", next);
    value = std::string_view(valueAt, static_cast<std::size_t>(next - valueAt));
    at = next + 1;
    return true;
  }

  const char* begin_;
  const char* end_;
  int depth_ = 0;
  bool rootClosed_ = false;
  std::optional<Refusal> refusal_;
};

}  // namespace

}  // namespace quorvel::xml
