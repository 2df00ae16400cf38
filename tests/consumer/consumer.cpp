// A program that uses the library as another project would: only the installed header, tables
// from a folder, one transaction, and its own copy of pugixml beside the engine's.
//
// consumer TABLES TRANSACTION.xml EXPECTED: exit 0 when the result equals the expected text,
// has as many rows as the expected text (counted with the program's own pugixml), and the
// library's version is the header's (and EXPECTED_VERSION, the build's, when given).
#include <quorvel/quorvel.hpp>

#include <fstream>
#include <iostream>
#include <iterator>
#include <stdexcept>
#include <pugixml.hpp>
#include <string>
#include <string_view>

namespace {

std::string ReadFile(const char* path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error(std::string("cannot read ") + path);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The result rows of a rowset text, or -1 when it is no XML.
long CountResultRows(const std::string& text) {
  pugi::xml_document document;
  if (!document.load_string(text.c_str())) return -1;
  return static_cast<long>(document.select_nodes("/xml/rs:data/z:row").size());
}

int Fail(std::string_view what) {
  std::cerr << "consumer: " << what << '\n';
  return 1;
}

}  // namespace

int main(int argc, char** argv) try {
  if (argc != 4) return Fail("usage: consumer TABLES TRANSACTION.xml EXPECTED");
  if (std::string_view(quorvel::Version()) != QUORVEL_VERSION) {
    return Fail(std::string("library version ") + quorvel::Version() + ", header " + QUORVEL_VERSION);
  }
#ifdef EXPECTED_VERSION
  if (std::string_view(QUORVEL_VERSION) != EXPECTED_VERSION) {
    return Fail(std::string("header version ") + QUORVEL_VERSION + ", package " + EXPECTED_VERSION);
  }
#endif
  auto tables = quorvel::LoadReferenceTables(*quorvel::MakeFolderHost(argv[1]));
  const std::string result = quorvel::CalculateTaxes(*tables, ReadFile(argv[2]));
  const std::string expected = ReadFile(argv[3]);
  if (result != expected) return Fail(std::string("result differs from ") + argv[3] + ":\n" + result);
  const long rows = CountResultRows(result);
  if (rows < 1 || rows != CountResultRows(expected)) return Fail("the result rows do not parse");
  std::cout << "quorvel " << quorvel::Version() << ": " << rows << " tax rows as expected\n";
  return 0;
} catch (const quorvel::Error& error) {
  return Fail(error.what());
} catch (const std::exception& error) {
  return Fail(error.what());
}
