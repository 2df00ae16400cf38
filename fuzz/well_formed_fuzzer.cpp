// Fuzz target: the engine's verdict on arbitrary bytes, well-formed XML or not, against expat's.
//
// expat is a conforming parser; it is linked into this fuzzer only. It reads every text as UTF-8
// (as the engine does) with namespace processing on. The engine's own rules that expat leaves to
// its caller count on expat's side too: a DTD is refused, and so is an XML declaration whose
// encoding is not UTF-8 (expat, told the encoding, ignores the declared one) or whose version is
// not 1.x (XML 1.0 says 1.x; expat takes any version).
//
// The one documented difference: names beyond ASCII. The engine takes every non-ASCII character
// as a name character, as pugixml does; XML allows only some. A text that the engine accepts and
// expat refuses is no finding when one of its names has a character beyond ASCII.
#include <expat.h>

#include <cstdint>
#include <cstring>
#include <pugixml.hpp>
#include <string>
#include <string_view>

#include "engine_seam.hpp"
#include "fuzz_support.hpp"

namespace quorvel::fuzz {
namespace {

// What the engine's rules add to expat's verdict, gathered while expat parses.
struct ExpatRules {
  bool doctype = false;
  bool acceptedDeclaration = true;
};

bool IsOneDotSomething(const char* version) {
  if (std::strncmp(version, "1.", 2) != 0 || version[2] == '\0') return false;
  for (const char* digit = version + 2; *digit; ++digit) {
    if (*digit < '0' || *digit > '9') return false;
  }
  return true;
}

bool IsUtf8(const char* encoding) {
  return (encoding[0] | 0x20) == 'u' && (encoding[1] | 0x20) == 't' && (encoding[2] | 0x20) == 'f' &&
         encoding[3] == '-' && encoding[4] == '8' && encoding[5] == '\0';
}

void OnXmlDeclaration(void* data, const XML_Char* version, const XML_Char* encoding, int) {
  auto& rules = *static_cast<ExpatRules*>(data);
  if (!version || !IsOneDotSomething(version) || (encoding && !IsUtf8(encoding))) rules.acceptedDeclaration = false;
}

void OnDoctype(void* data, const XML_Char*, const XML_Char*, const XML_Char*, int) {
  static_cast<ExpatRules*>(data)->doctype = true;
}

bool ExpatAccepts(std::string_view text) {
  // 0xFF never occurs in UTF-8, so no namespace name can hold the separator.
  XML_Parser parser = XML_ParserCreateNS("UTF-8", '\xFF');
  if (!parser) Finding("expat could not create a parser");
  ExpatRules rules;
  XML_SetUserData(parser, &rules);
  XML_SetXmlDeclHandler(parser, OnXmlDeclaration);
  XML_SetStartDoctypeDeclHandler(parser, OnDoctype);
  const bool parsed = XML_Parse(parser, text.data(), static_cast<int>(text.size()), XML_TRUE) == XML_STATUS_OK;
  XML_ParserFree(parser);
  return parsed && !rules.doctype && rules.acceptedDeclaration;
}

bool BeyondAscii(const char* name) {
  for (; *name; ++name) {
    if (static_cast<unsigned char>(*name) >= 0x80) return true;
  }
  return false;
}

// Whether an element, an attribute or a processing instruction of `text` (as pugixml reads it)
// has a name with a character beyond ASCII.
bool HasNameBeyondAscii(std::string_view text) {
  pugi::xml_document document;
  if (!document.load_buffer(text.data(), text.size(), pugi::parse_default | pugi::parse_pi, pugi::encoding_utf8)) {
    return false;
  }
  struct Walker : pugi::xml_tree_walker {
    bool found = false;
    bool for_each(pugi::xml_node& node) override {
      found = found || BeyondAscii(node.name());
      for (pugi::xml_attribute attribute : node.attributes()) found = found || BeyondAscii(attribute.name());
      return !found;
    }
  } walker;
  document.traverse(walker);
  return walker.found;
}

}  // namespace
}  // namespace quorvel::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace quorvel;
  const std::string_view text = fuzz::AsText(data, size);
  const fuzz::XmlVerdict engine = fuzz::ParseXml(text);
  if (!fuzz::MarkupPassesAgree(text)) fuzz::Finding("the versions of the markup pass disagree");
  const bool expat = fuzz::ExpatAccepts(text);
  if (engine.parsed == expat) return 0;
  if (engine.parsed && fuzz::HasNameBeyondAscii(text)) return 0;
  fuzz::Finding(engine.parsed ? "the engine accepts what expat refuses"
                              : "the engine refuses what expat accepts: " + engine.reason + " at byte " +
                                    std::to_string(engine.offset));
}
