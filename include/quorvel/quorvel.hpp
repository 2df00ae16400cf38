// Quorvel: a sales-tax calculation engine.
//
// A host hands the control six reference tables (taxes, tax models, tax groups, customer
// exemptions) as rowset documents, then one transaction at a time; the control answers with one
// result row per tax. This header is the whole public surface of the library: what it marks
// QUORVEL_API is all a shared build of the library exports.
#pragma once

#include <cstddef>
#include <cstdint>
#include <exception>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "quorvel/export.hpp"
#include "quorvel/version.hpp"

namespace quorvel {

// Error numbers carried by quorvel::Error.
namespace errors {
inline constexpr int kAbsentKey = 5;        // a key not in a collection (never escapes Item)
inline constexpr int kOverflow = 6;         // a number or amount outside its range
inline constexpr int kOutOfMemory = 7;      // memory ran out (never taken for "not XML")
inline constexpr int kOutOfRange = 9;       // a collection position outside 1..Count
inline constexpr int kTypeMismatch = 13;    // a text that is no number or Boolean
inline constexpr int kObjectNotSet = 91;    // a missing attribute, tax model or other object
inline constexpr int kDuplicateKey = 457;   // a key already held by a collection
inline constexpr int kIslandMissing = 1001; // the host page cannot give a data island
inline constexpr int kBadRow = 1002;        // an island row that cannot be loaded for another reason
inline constexpr int kDocumentRefused = 1003;  // a transaction refused as not well-formed XML (batch, service)
inline constexpr int kCannotRead = 2001;    // a file or standard input cannot be read
}  // namespace errors

// The one exception type of the library: an error number and a description saying what failed
// and where.
class QUORVEL_API Error : public std::exception {
 public:
  Error(int number, std::string description);

  // The error number (see quorvel::errors).
  int number() const noexcept { return number_; }
  // What failed and where.
  const std::string& description() const noexcept { return description_; }
  // "error N: description".
  const char* what() const noexcept override { return what_.c_str(); }

 private:
  int number_;
  std::string description_;
  std::string what_;
};

// The six data islands a host page carries, in the order the loader takes them.
inline constexpr const char* kIslandIds[] = {"taxData",      "TaxModelHdrData",  "TaxModelData",
                                             "TaxGroupData", "TaxGroupItemData", "TaxStatusData"};

namespace xml {
class Document;
}

// A parsed data island.
using IslandDocument = std::shared_ptr<const xml::Document>;

// Parses the text of the island `islandId`; throws Error (kIslandMissing) when it is no XML.
QUORVEL_API IslandDocument ParseIsland(std::string_view islandId, std::string_view text);

// The page that hosts a control: it hands out the parsed data islands by identifier.
class QUORVEL_API HostPage {
 public:
  virtual ~HostPage() = default;
  // The island `islandId` as a parsed rowset document; throws Error when it cannot.
  virtual IslandDocument Island(std::string_view islandId) const = 0;
};

// Which kinds of file ReadWholeFile accepts.
enum class FileKinds {
  kAny,          // whatever the user named: a pipe, /dev/stdin, a regular file
  kRegularOnly,  // found in a folder: a FIFO or device there is refused, never waited on
};

// The whole content of the file at `path`; throws Error (kCannotRead, "cannot read: " and why).
// A path holding a NUL character is refused (kIslandMissing, naming the NUL), never cut short
// there: that holds for every path the library takes, the folder of MakeFolderHost included.
QUORVEL_API std::string ReadWholeFile(const std::string& path, FileKinds kinds);

// The whole of standard input; throws as ReadWholeFile does (a closed standard input included).
QUORVEL_API std::string ReadStandardInput();

// A host page whose islands are files named after their identifiers (taxData.xml, ...) in a folder.
QUORVEL_API std::shared_ptr<HostPage> MakeFolderHost(std::string folder);

// A host page whose islands are texts held in memory, keyed by identifier.
QUORVEL_API std::shared_ptr<HostPage> MakeMemoryHost(
    std::map<std::string, std::string, std::less<>> islands);

// The four reference tables of one load: taxes, tax models, tax groups and tax statuses.
//
// Sharing between threads: once LoadReferenceTables has returned them, nothing ever changes the
// tables. A calculation only reads them, without even counting references to their entries, and
// keeps its working state (item lines, tax lines) to itself; there is no cache, counter or other
// hidden state behind them.
// So any number of threads may call CalculateTaxes on the same tables at once, without locking,
// for as long as someone holds the shared_ptr.
struct ReferenceTables;

// Loads the four reference tables from the host's six islands. All or nothing: on failure it
// throws Error and nothing is kept. The result is immutable and may be shared between threads.
QUORVEL_API std::shared_ptr<const ReferenceTables> LoadReferenceTables(const HostPage& host);

// Calculates one transaction document against the given tables: the result rowset, or
// "NOHEADER". Safe to call from many threads at once on the same tables; the caller keeps the
// tables alive during the call. Gives exactly what CQuorvel::CalcTaxes gives on a thread that
// loaded the same tables. Throws Error.
QUORVEL_API std::string CalculateTaxes(const ReferenceTables& tables, std::string_view transaction);

// Like CalculateTaxes above; when the document is refused because it is not well-formed XML
// (the answer is then "NOHEADER"), `refusal` receives why and where; otherwise it is cleared.
QUORVEL_API std::string CalculateTaxes(const ReferenceTables& tables, std::string_view transaction,
                                       std::string& refusal);

// The number of rows in each of the four tables.
struct TableCounts {
  std::size_t taxes = 0;
  std::size_t taxModels = 0;
  std::size_t taxGroups = 0;
  std::size_t taxStatuses = 0;
};

// Counts the rows of each table.
QUORVEL_API TableCounts CountRows(const ReferenceTables& tables);

// The tables' version: the first 16 hexadecimal digits (lower case) of a SHA-256 digest of their
// loaded content, table by table in loading order. It depends on the values as loaded, not on the
// islands' text: the same rows give the same version whatever the whitespace, attribute order or
// quoting of their source, and an amount written "6.25" or "6.250" is one value. Any changed,
// added or removed row gives another. Computed once by the load; reading it costs nothing.
QUORVEL_API std::string TablesVersion(const ReferenceTables& tables);

// A read-only copy of the tables as plain values, in table order. Amounts are number texts
// ("6.25", "-2", "0.5"): exact, never floating point.
struct TablesView {
  // One tax.
  struct Tax {
    std::string key;          // "K" + the tax's identifier
    std::string description;
    std::string taxType;      // crTaxType
    std::string rate;
    std::string threshold;
    std::string cutoff;
    int sequence = 0;
    std::string taxGroup;     // "K" + the group identifier given with the tax
    std::string glAccount;    // "K" + the account identifier
    bool itemLevel = false;
  };
  // One tax model and the keys of its taxes.
  struct TaxModel {
    std::string key;
    std::vector<std::string> taxes;
  };
  // One tax of a group and whether the group's items are taxable under it.
  struct GroupTax {
    std::string tax;
    bool taxable = false;
  };
  // One tax group and its taxes.
  struct TaxGroup {
    std::string key;
    std::vector<GroupTax> taxes;
  };
  // One customer exemption.
  struct TaxStatus {
    std::string key;             // customer key followed by the subject's key
    std::string exemptType;      // "Tax", "TaxGroup" or "InventoryItem"
    std::string exemptNumber;    // "" when none
  };
  std::vector<Tax> taxes;
  std::vector<TaxModel> taxModels;
  std::vector<TaxGroup> taxGroups;
  std::vector<TaxStatus> taxStatuses;
};

// Copies the tables into plain values.
QUORVEL_API TablesView ViewTables(const ReferenceTables& tables);

// The library's version, "MAJOR.MINOR.PATCH" (the same as QUORVEL_VERSION).
QUORVEL_API const char* Version() noexcept;

// The control. Every control of one thread shares that thread's reference tables.
class QUORVEL_API CQuorvel {
 public:
  // Creates a control on the given host page.
  explicit CQuorvel(std::shared_ptr<HostPage> host);

  // Calculates one transaction: the result rowset, "NODATA" before any load on this thread, or
  // "NOHEADER" when the document has no header row. Throws Error; the tables never change.
  std::string CalcTaxes(std::string_view pstrLines) const;
  // Like CalcTaxes; `refusal` says why a document that is not well-formed XML was refused.
  std::string CalcTaxes(std::string_view pstrLines, std::string& refusal) const;
  // Loads this thread's reference tables from the host page (same as LoadDataObjects).
  void LoadTables() const;
  // Loads this thread's reference tables from the host page; on failure they stay as they were.
  void LoadDataObjects() const;

 private:
  std::shared_ptr<HostPage> host_;
};

}  // namespace quorvel
