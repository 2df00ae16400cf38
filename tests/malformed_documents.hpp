// Documents that break one rule of well-formed XML each, built from sound transactions and
// islands: the cases of well_formed_test.cpp (through the public header) and
// markup_scan_test.cpp (the versions of the markup pass).
#pragma once

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace quorvel::testing {

// The places a case writes into a sound document.
enum Place {
  kPrologue,     // before the root element
  kDeclarations, // the root's namespace declarations (replaced)
  kRootContent,  // inside the root, before the rows
  kRowAttribute, // after the attributes of a row
  kValue,        // inside the value of a row's attribute "n"
  kEpilogue,     // after the root element
};

inline constexpr const char* kDeclared = R"( xmlns:rs="urn:schemas-microsoft-com:rowset" xmlns:z="#RowsetSchema")";

// `shape` with "{0}".."{5}" replaced: `text` at `place`, the sound text elsewhere.
inline std::string Written(std::string shape, Place place, const std::string& text) {
  for (int at = kPrologue; at <= kEpilogue; ++at) {
    const std::string sound = at == kDeclarations ? kDeclared : "";
    const std::string marker = "{" + std::to_string(at) + "}";
    shape.replace(shape.find(marker), marker.size(), at == place ? text : sound);
  }
  return shape;
}

inline const std::string kTransaction =
    "{0}<xml{1}>{2}<rs:data>\n<z:row head=\"1\" CustomerID=\"1\" TaxModel=\"1\"/>\n"
    "<z:row detail=\"1\" IsSubItem=\"False\" TaxGroupID=\"1\" IsTaxable=\"True\" ExtendedPrice=\"10\" "
    "n=\"a{4}\"{3}/>\n</rs:data></xml>{5}";
inline const std::string kTaxData =
    "{0}<xml{1}>{2}<rs:data>\n<z:row iKey=\"1\" Description=\"State\" Sequence=\"1\" ThreshHold=\"0\" Cutoff=\"0\" "
    "TaxRate=\"6\" crTaxType=\"%\" n=\"a{4}\"{3}/>\n</rs:data></xml>{5}";

// The same documents with plain elements around the rows, long enough that every case also
// falls where the scan classifies whole blocks of bytes at once; some of them hold what makes
// it look closer (quotes in text, '>' in a value, an apostrophe).
inline std::string Lengthened(std::string shape) {
  std::string before, after;
  for (int i = 0; i < 8; ++i) before += "<p a=\"1\" b=\"x>y\"/>\n<p a=\"1\" b=\"2\"/>\n";
  before += "<p a='\"'>say \"hi\"</p>\n";
  for (int i = 0; i < 8; ++i) after += "<p a=\"1\" b=\"2\" c=\"3\"/>\n";
  shape.insert(shape.find("{2}"), before);
  shape.insert(shape.find("</rs:data>"), after);
  return shape;
}

struct Malformed {
  const char* name;
  Place place;
  std::string text;
  std::string rule;  // as the refusal names it
};

inline void PrintTo(const Malformed& malformed, std::ostream* out) { *out << malformed.name; }

// One case per rule.
inline const std::vector<Malformed>& MalformedCases() {
  static const std::vector<Malformed> cases{
      Malformed{"duplicate attribute", kRowAttribute, " n=\"b\"", "duplicate attribute \"n\""},
      Malformed{"duplicate attribute after another", kRowAttribute, " b=\"2\" n=\"c\"", "duplicate attribute \"n\""},
      Malformed{"duplicate long attribute", kRowAttribute, " AttributeOfALongName=\"1\" AttributeOfALongName=\"2\"",
                "duplicate attribute \"AttributeOfALongName\""},
      Malformed{"duplicate expanded name", kRowAttribute, " xmlns:p=\"u\" xmlns:q=\"u\" p:x=\"1\" q:x=\"2\"",
                "duplicate attribute \"q:x\" (the same namespace and local name)"},
      Malformed{"text after the root", kEpilogue, "junk", "text outside the root element"},
      Malformed{"a second root", kEpilogue, "<xml/>", "content after the root element"},
      Malformed{"text after the declaration", kPrologue, "<?xml version=\"1.0\"?>junk", "text outside the root element"},
      Malformed{"text after a comment", kPrologue, "<!-- c -->junk", "text outside the root element"},
      Malformed{"less-than in a value", kValue, "<", "\"<\" in an attribute value"},
      Malformed{"bare ampersand", kValue, "&", "\"&\" that starts no reference (write &amp;)"},
      Malformed{"undefined entity", kValue, "&foo;", "the undefined entity &foo;"},
      Malformed{"raw control character", kValue, "\x01", "the control character U+0001 is not allowed"},
      Malformed{"NUL as a reference", kValue, "&#0;", "the character reference &#0; names a character XML does not allow"},
      Malformed{"control character as a reference", kValue, "&#1;",
                "the character reference &#1; names a character XML does not allow"},
      Malformed{"U+FFFE as a reference", kValue, "&#xFFFE;",
                "the character reference &#xFFFE; names a character XML does not allow"},
      Malformed{"raw U+FFFE", kValue, "\xEF\xBF\xBE", "the character U+FFFE is not allowed"},
      Malformed{"malformed UTF-8", kValue, "\xC3\x28", "malformed UTF-8"},
      Malformed{"overlong three-byte UTF-8", kValue, "\xE0\x80\x80", "malformed UTF-8"},
      Malformed{"overlong three-byte UTF-8 at the edge", kValue, "\xE0\x9F\xBF", "malformed UTF-8"},
      Malformed{"reference with a capital X", kValue, "&#X41;", "a malformed character reference"},
      Malformed{"no namespace declaration", kDeclarations, "", "the prefix \"rs\" is bound to no namespace"},
      Malformed{"prefix declared on an earlier sibling", kRootContent, "<a xmlns:p=\"u\"/><p:b/>",
                "the prefix \"p\" is bound to no namespace"},
      Malformed{"undeclared attribute prefix", kRowAttribute, " p:x=\"1\"", "the prefix \"p\" is bound to no namespace"},
      Malformed{"two colons in a name", kRowAttribute, " a:b:c=\"1\"", "the attribute name \"a:b:c\" is not a qualified name"},
      Malformed{"prefix bound to nothing", kRowAttribute, " xmlns:p=\"\"", "the prefix \"p\" is bound to an empty namespace name"},
      Malformed{"dashes in a comment", kRootContent, "<!-- a -- b -->", "\"--\" inside a comment"},
      Malformed{"CDATA end in text", kRootContent, "]]>", "\"]]>\" in text"},
      Malformed{"declaration inside", kRootContent, "<?xml version=\"1.0\"?>",
                "an XML declaration that is not at the very start of the document"},
      Malformed{"declaration after a blank", kPrologue, " <?xml version=\"1.0\"?>",
                "an XML declaration that is not at the very start of the document"},
      Malformed{"declaration without version", kPrologue, "<?xml encoding=\"UTF-8\"?>", "an XML declaration without a version"},
      Malformed{"version 2.0", kPrologue, "<?xml version=\"2.0\"?>", "XML version \"2.0\" (only 1.x is read)"},
      Malformed{"version 1. without a digit", kPrologue, "<?xml version=\"1.\"?>", "XML version \"1.\" (only 1.x is read)"},
      Malformed{"Latin-1 declared", kPrologue, "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>",
                "the encoding \"ISO-8859-1\" is not accepted: documents are read as UTF-8"},
      Malformed{"UTF-16 byte-order mark", kPrologue, "\xFF\xFE", "a UTF-16 byte-order mark: documents are read as UTF-8"},
      Malformed{"UTF-32 byte-order mark", kPrologue, std::string("\0\0\xFE\xFF", 4),
                "a UTF-32 byte-order mark: documents are read as UTF-8"},
      Malformed{"NUL closing a processing instruction", kEpilogue, std::string("<?pi x?\0>", 9),
                "the control character U+0000 is not allowed"},
      Malformed{"a DTD", kPrologue, "<!DOCTYPE xml [<!ENTITY m \"6\">]>", "a DTD is not accepted"}};
  return cases;
}

}  // namespace quorvel::testing
