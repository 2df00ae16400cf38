// What the fuzz targets reach inside the engine beyond its public header, and nothing more: the
// engine's XML verdict, the tables of the calling thread and the number conversions. Each is a
// thin call into the engine (engine_seam.cpp); the fuzz targets see no other internal header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "quorvel/quorvel.hpp"

namespace quorvel::fuzz {

// The engine's verdict on `text` as an XML document: whether it parsed, and if not, the rule it
// breaks and the byte offset of the fault.
struct XmlVerdict {
  bool parsed = false;
  std::string reason;
  std::size_t offset = 0;
};
XmlVerdict ParseXml(std::string_view text);
// Whether every version of the markup pass this processor can run gives the verdict on `text` of
// the one the engine runs.
bool MarkupPassesAgree(std::string_view text);

// A row of a result rowset, with the two attributes every result row carries.
struct ResultRow {
  std::optional<std::string> extendedPrice;
  std::optional<std::string> taxId;
};
// The rows of the rowset document `text` ("xml/rs:data/z:row"); none when it does not parse.
std::vector<ResultRow> RowsetRows(std::string_view text);

// The tables the calling thread calculates with (null before a load).
std::shared_ptr<const ReferenceTables> ThreadTables();
// Makes `tables` those the calling thread calculates with.
void InstallThreadTables(std::shared_ptr<const ReferenceTables> tables);

// The conversions of attribute texts, as the engine reads columns: each gives the value or throws
// quorvel::Error. A currency is given as its count of units (ten-thousandths). The overloads on
// `const char*` read a NUL-terminated text, as a parsed row's values are read.
std::int64_t CurrencyUnits(std::string_view text);
std::int64_t CurrencyUnits(const char* text);
std::int32_t ToLong(std::string_view text);
std::int32_t ToLong(const char* text);
std::int16_t ToInteger(std::string_view text);
bool ToBoolean(std::string_view text);
bool ToBoolean(const char* text);
// The text a result writes for the currency of `units` units.
std::string CurrencyText(std::int64_t units);

}  // namespace quorvel::fuzz
