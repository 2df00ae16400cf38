#include "reference/loader.hpp"

#include <cstddef>
#include <new>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>

#include "common/conversions.hpp"
#include "common/error.hpp"
#include "reference/index/row_index.hpp"
#include "reference/tables_digest.hpp"
#include "xml/columns.hpp"
#include "xml/document.hpp"

namespace quorvel {
namespace {

// The columns each loader reads, numbered in this order.
constexpr const char* kTaxColumns[] = {"TaxGroupID", "GLAccountID", "IsItemLevel", "iKey",    "Description",
                                       "Sequence",   "ThreshHold",  "Cutoff",      "TaxRate", "crTaxType"};
constexpr const char* kHeaderColumns[] = {"iKey"};
constexpr const char* kModelItemColumns[] = {"TaxID"};
constexpr const char* kGroupItemColumns[] = {"TaxID", "IsTaxable"};
constexpr const char* kStatusColumns[] = {"CustomerID", "crExemptType", "TaxID",
                                          "TaxGroupID", "InvItemID",    "TaxExemptNumber"};

// The number of the column `name` in `columns`. Evaluated while compiling: a name that is none of
// the columns does not compile.
template <std::size_t N>
consteval std::size_t NumberOf(const char* const (&columns)[N], std::string_view name) {
  for (std::size_t number = 0; number < N; ++number) {
    if (columns[number] == name) return number;
  }
  throw "the loader does not read this column";
}

// A column of the loader's `kColumns`, named in the code: its name for messages, and its number,
// found once, when compiling, rather than on every row.
template <const auto& kColumns>
struct Column {
  consteval Column(const char* columnName) : name(columnName), number(NumberOf(kColumns, columnName)) {}
  const char* name;
  std::size_t number;
};

// A row of an island with the columns `kColumns` its loader reads, all read in one pass over the row.
template <const auto& kColumns>
struct IslandRow {
  const xml::ColumnValues& values;

  // The value of `column`, or nothing when the row lacks it.
  std::optional<std::string_view> Get(Column<kColumns> column) const { return values.Get(column.number); }
};

// The value of a column the row must have; error 91 when it lacks it.
template <const auto& kColumns>
std::string_view Required(const IslandRow<kColumns>& row, std::type_identity_t<Column<kColumns>> column) {
  const std::optional<std::string_view> value = row.Get(column);
  if (!value) Raise(errors::kObjectNotSet, std::string("attribute \"") + column.name + "\" is missing");
  return *value;
}

// The column converted when the row has it, `absent` when it does not.
template <typename Value, const auto& kColumns>
Value Optional(const IslandRow<kColumns>& row, std::type_identity_t<Column<kColumns>> column, Value absent,
               Value (*convert)(std::string_view)) {
  const std::optional<std::string_view> value = row.Get(column);
  return value ? Converted(column.name, *value, convert) : absent;
}

// Runs `load(row)` for every row of `rows`, rows of `island` read with `kColumns`; an error names
// the island and the row.
template <const auto& kColumns, typename Load>
void ForEachRow(IslandPosition island, const xml::Document& document, std::span<const xml::Row> rows, Load load) {
  static const xml::ColumnNames columns(kColumns);
  xml::ColumnReader reader(columns, document.Storage());
  for (const xml::Row& row : rows) {
    WithContext([&] { return std::string(kIslandIds[island]) + " row " + std::to_string(row.number); },
                [&] {
                  const xml::ColumnValues values = reader.Read(row.element);
                  load(IslandRow<kColumns>{values});
                });
  }
}

void LoadTax(const IslandRow<kTaxColumns>& row, CTaxes& taxes) {
  const auto groupId = Optional<std::int32_t>(row, "TaxGroupID", 0, ToLong);
  const auto accountId = Optional<std::int32_t>(row, "GLAccountID", 0, ToLong);
  const bool isItemLevel = Optional<bool>(row, "IsItemLevel", false, ToBoolean);
  const std::string_view key = Required(row, "iKey");
  const std::string_view description = Required(row, "Description");
  const std::string_view sequence = Required(row, "Sequence");
  const std::string_view threshold = Required(row, "ThreshHold");
  const std::string_view cutoff = Required(row, "Cutoff");
  const std::string_view rate = Required(row, "TaxRate");
  const std::string_view type = Required(row, "crTaxType");
  const Currency taxRate = Converted("TaxRate", rate, ToCurrency);
  const Currency cutOff = Converted("Cutoff", cutoff, ToCurrency);
  const Currency threshHold = Converted("ThreshHold", threshold, ToCurrency);
  const std::int16_t sequenceNumber = Converted("Sequence", sequence, ToInteger);
  const std::int32_t taxId = Converted("iKey", key, ToLong);
  taxes.AddItem(taxId, groupId, accountId, std::string(description), sequenceNumber, threshHold,
                cutOff, taxRate, std::string(type), isItemLevel);
}

std::shared_ptr<CTaxes> LoadTaxes(const Islands& islands) {
  auto taxes = std::make_shared<CTaxes>();
  const xml::Document& island = *islands[kTaxData];
  ForEachRow<kTaxColumns>(kTaxData, island, island.RowsetRows(),
                          [&](const IslandRow<kTaxColumns>& row) { LoadTax(row, *taxes); });
  return taxes;
}

// Loads a table of headers (models or groups), each keyed `keyPrefix` + its "iKey" and given the
// rows of the item island whose `selectColumn` names that "iKey"; `addItem(entity, row)` takes
// one item row, read with `kItemColumns`.
template <typename Table, const auto& kItemColumns, typename AddItem>
std::shared_ptr<Table> LoadHeadersWithItems(const Islands& islands, IslandPosition headerIsland, char keyPrefix,
                                            IslandPosition itemIsland, const char* selectColumn, AddItem addItem) {
  auto table = std::make_shared<Table>();
  const xml::Document& headers = *islands[headerIsland];
  const xml::Document& items = *islands[itemIsland];
  const RowIndex itemsByHeader(items.RowsetRows(), selectColumn);
  ForEachRow<kHeaderColumns>(headerIsland, headers, headers.RowsetRows(), [&](const IslandRow<kHeaderColumns>& header) {
    const std::string_view key = Required(header, "iKey");
    const auto entity = table->AddItem(keyPrefix + std::string(key));
    ForEachRow<kItemColumns>(itemIsland, items, itemsByHeader.RowsFor(key),
                             [&](const IslandRow<kItemColumns>& row) { addItem(*entity, row); });
  });
  return table;
}

std::shared_ptr<CTaxModels> LoadTaxModels(const Islands& islands) {
  return LoadHeadersWithItems<CTaxModels, kModelItemColumns>(
      islands, kTaxModelHdrData, 'K', kTaxModelData, "TaxModelItemID",
      [](const CTaxModel& model, const IslandRow<kModelItemColumns>& row) {
        model.OTaxModelItems()->AddItem(Converted("TaxID", Required(row, "TaxID"), ToLong));
      });
}

std::shared_ptr<CTaxGroups> LoadTaxGroups(const Islands& islands) {
  return LoadHeadersWithItems<CTaxGroups, kGroupItemColumns>(
      islands, kTaxGroupData, 'G', kTaxGroupItemData, "TaxGroupID",
      [](const CTaxGroup& group, const IslandRow<kGroupItemColumns>& row) {
        const std::string_view taxId = Required(row, "TaxID");
        const std::string_view isTaxable = Required(row, "IsTaxable");
        const bool taxable = Converted("IsTaxable", isTaxable, ToBoolean);
        group.OTaxGroupItems()->AddItem(Converted("TaxID", taxId, ToLong), taxable);
      });
}

// The subject part of a status key: "K" + tax, "G" + group or "I" + inventory item.
std::string StatusSubject(const IslandRow<kStatusColumns>& row, std::string_view kind) {
  if (kind == "Tax") return "K" + std::string(Required(row, "TaxID"));
  if (kind == "TaxGroup") return "G" + std::string(Required(row, "TaxGroupID"));
  if (kind == "InventoryItem") return "I" + std::string(Required(row, "InvItemID"));
  Raise(errors::kBadRow, "attribute \"crExemptType\", value " + Quoted(kind) +
                             ": the kind of exemption is none of \"Tax\", \"TaxGroup\", "
                             "\"InventoryItem\"");
}

void LoadTaxStatus(const IslandRow<kStatusColumns>& row, CTaxStatuses& statuses) {
  const std::string customer = "K" + std::string(Required(row, "CustomerID"));
  const std::string_view kind = Required(row, "crExemptType");
  const std::string key = customer + StatusSubject(row, kind);
  const std::string exemptNumber(row.Get("TaxExemptNumber").value_or(""));
  statuses.AddItem(key, exemptNumber, true, std::string(kind));
}

std::shared_ptr<CTaxStatuses> LoadTaxStatuses(const Islands& islands) {
  auto statuses = std::make_shared<CTaxStatuses>();
  const xml::Document& island = *islands[kTaxStatusData];
  ForEachRow<kStatusColumns>(kTaxStatusData, island, island.RowsetRows(),
                             [&](const IslandRow<kStatusColumns>& row) { LoadTaxStatus(row, *statuses); });
  return statuses;
}

IslandDocument FetchIsland(const HostPage& host, const char* islandId) {
  IslandDocument island = host.Island(islandId);
  if (!island) {
    Raise(errors::kIslandMissing, std::string("island \"") + islandId + "\": the host page has none");
  }
  return island;
}

}  // namespace

Islands FetchIslands(const HostPage& host) {
  Islands islands;
  for (std::size_t position = 0; position < islands.size(); ++position) {
    islands[position] = FetchIsland(host, kIslandIds[position]);
  }
  return islands;
}

std::shared_ptr<const ReferenceTables> BuildReferenceTables(const Islands& islands) {
  auto tables = std::make_shared<ReferenceTables>();
  tables->Taxes = LoadTaxes(islands);
  tables->TaxModels = LoadTaxModels(islands);
  tables->TaxGroups = LoadTaxGroups(islands);
  tables->TaxStatuses = LoadTaxStatuses(islands);
  tables->version = ContentVersion(*tables);
  return tables;
}

std::shared_ptr<const ReferenceTables> LoadReferenceTables(const HostPage& host) {
  try {
    return BuildReferenceTables(FetchIslands(host));
  } catch (const std::bad_alloc&) {
    Raise(errors::kOutOfMemory, "out of memory");
  }
}

}  // namespace quorvel
