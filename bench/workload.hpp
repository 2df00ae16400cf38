// Generated reference tables and transactions for the benchmarks: realistic rowset documents of
// any size, made in code so that no large file has to be kept.
#pragma once

#include <functional>
#include <map>
#include <string>

namespace quorvel::bench {

// The six island texts, keyed by island identifier (taxData, TaxModelHdrData, ...).
using IslandTexts = std::map<std::string, std::string, std::less<>>;

// The customer of every generated transaction: exempt from the second tax, from the taxes on
// group 3 and from the taxes on inventory item 1005.
inline constexpr int kExemptCustomer = 1001;

// Tables for calculation benchmarks: `taxCount` taxes, all in tax model 1, cycling through five
// kinds (percentage, percentage of a later sequence, per unit within a price window, percentage
// with a threshold, per unit); twelve tax groups; 500 customers with one exemption each, of the
// three kinds in turn, and kExemptCustomer with one of each kind.
IslandTexts CalculationIslands(int taxCount);

// A transaction of kExemptCustomer under tax model 1: a header row and `detailRows` detail rows
// spread over the twelve groups, with prices inside and outside the price windows.
std::string Transaction(int detailRows);

// Six islands of `rows` rows each: taxes, models of ten taxes, groups of ten taxes, and three
// exemptions per customer.
IslandTexts LoadIslands(int rows);

// The total size of the island texts in bytes.
std::size_t TotalBytes(const IslandTexts& islands);

}  // namespace quorvel::bench
