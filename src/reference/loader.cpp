#include "reference/loader.hpp"

#include <new>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>

#include "common/conversions.hpp"
#include "common/error.hpp"
#include "reference/index/row_index.hpp"
#include "xml/columns.hpp"
#include "xml/document.hpp"

namespace quorvel {
namespace {

// A row of an island with the columns its loader reads, all read in one pass over the row.
struct IslandRow {
  const xml::ColumnValues& values;
  const xml::ColumnNames& columns;

  // The value of `column`, one of `columns`, or nothing when the row lacks it.
  std::optional<std::string_view> Get(const char* column) const {
    const std::size_t number = columns.NumberOf(column);
    if (number == xml::ColumnNames::kMaxColumns) throw std::logic_error(std::string("no column ") + column);
    return values.Get(number);
  }
};

// The value of a column the row must have; error 91 when it lacks it.
std::string_view Required(const IslandRow& row, const char* column) {
  const std::optional<std::string_view> value = row.Get(column);
  if (!value) Raise(errors::kObjectNotSet, std::string("attribute \"") + column + "\" is missing");
  return *value;
}

// The column converted when the row has it, `absent` when it does not.
template <typename Value>
Value Optional(const IslandRow& row, const char* column, Value absent, Value (*convert)(std::string_view)) {
  const std::optional<std::string_view> value = row.Get(column);
  return value ? Converted(column, *value, convert) : absent;
}

// Runs `load(row)` for every row of `rows`, rows of `island` read with `columns`; an error names
// the island and the row.
template <typename Load>
void ForEachRow(const char* island, const xml::Document& document, std::span<const xml::Row> rows,
                const xml::ColumnNames& columns, Load load) {
  xml::ColumnReader reader(columns, document.Storage());
  for (const xml::Row& row : rows) {
    WithContext([&] { return std::string(island) + " row " + std::to_string(row.number); },
                [&] {
                  const xml::ColumnValues values = reader.Read(row.element);
                  load(IslandRow{values, columns});
                });
  }
}

void LoadTax(const IslandRow& row, CTaxes& taxes) {
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

std::shared_ptr<CTaxes> LoadTaxes(const xml::Document& island) {
  auto taxes = std::make_shared<CTaxes>();
  static const xml::ColumnNames columns{"TaxGroupID", "GLAccountID", "IsItemLevel", "iKey",    "Description",
                                        "Sequence",   "ThreshHold",  "Cutoff",      "TaxRate", "crTaxType"};
  ForEachRow("taxData", island, island.RowsetRows(), columns, [&](const IslandRow& row) { LoadTax(row, *taxes); });
  return taxes;
}

// Loads a table of headers (models or groups), each keyed `keyPrefix` + its "iKey" and given the
// rows of the item island whose `selectColumn` names that "iKey"; `addItem(entity, row)` takes
// one item row, read with `itemColumns`.
template <typename Table, typename AddItem>
std::shared_ptr<Table> LoadHeadersWithItems(const char* headerIsland, const xml::Document& headers,
                                            char keyPrefix, const char* itemIsland,
                                            const xml::Document& items, const char* selectColumn,
                                            const xml::ColumnNames& itemColumns, AddItem addItem) {
  static const xml::ColumnNames headerColumns{"iKey"};
  auto table = std::make_shared<Table>();
  const RowIndex itemsByHeader(items.RowsetRows(), selectColumn);
  ForEachRow(headerIsland, headers, headers.RowsetRows(), headerColumns, [&](const IslandRow& header) {
    const std::string_view key = Required(header, "iKey");
    const auto entity = table->AddItem(keyPrefix + std::string(key));
    ForEachRow(itemIsland, items, itemsByHeader.RowsFor(key), itemColumns,
               [&](const IslandRow& row) { addItem(*entity, row); });
  });
  return table;
}

std::shared_ptr<CTaxModels> LoadTaxModels(const xml::Document& headers, const xml::Document& items) {
  return LoadHeadersWithItems<CTaxModels>(
      "TaxModelHdrData", headers, 'K', "TaxModelData", items, "TaxModelItemID", xml::ColumnNames{"TaxID"},
      [](const CTaxModel& model, const IslandRow& row) {
        model.OTaxModelItems()->AddItem(Converted("TaxID", Required(row, "TaxID"), ToLong));
      });
}

std::shared_ptr<CTaxGroups> LoadTaxGroups(const xml::Document& headers, const xml::Document& items) {
  return LoadHeadersWithItems<CTaxGroups>(
      "TaxGroupData", headers, 'G', "TaxGroupItemData", items, "TaxGroupID", xml::ColumnNames{"TaxID", "IsTaxable"},
      [](const CTaxGroup& group, const IslandRow& row) {
        const std::string_view taxId = Required(row, "TaxID");
        const std::string_view isTaxable = Required(row, "IsTaxable");
        const bool taxable = Converted("IsTaxable", isTaxable, ToBoolean);
        group.OTaxGroupItems()->AddItem(Converted("TaxID", taxId, ToLong), taxable);
      });
}

// The subject part of a status key: "K" + tax, "G" + group or "I" + inventory item.
std::string StatusSubject(const IslandRow& row, std::string_view kind) {
  if (kind == "Tax") return "K" + std::string(Required(row, "TaxID"));
  if (kind == "TaxGroup") return "G" + std::string(Required(row, "TaxGroupID"));
  if (kind == "InventoryItem") return "I" + std::string(Required(row, "InvItemID"));
  Raise(errors::kBadRow, "attribute \"crExemptType\", value " + Quoted(kind) +
                             ": the kind of exemption is none of \"Tax\", \"TaxGroup\", "
                             "\"InventoryItem\"");
}

void LoadTaxStatus(const IslandRow& row, CTaxStatuses& statuses) {
  const std::string customer = "K" + std::string(Required(row, "CustomerID"));
  const std::string_view kind = Required(row, "crExemptType");
  const std::string key = customer + StatusSubject(row, kind);
  const std::string exemptNumber(row.Get("TaxExemptNumber").value_or(""));
  statuses.AddItem(key, exemptNumber, true, std::string(kind));
}

std::shared_ptr<CTaxStatuses> LoadTaxStatuses(const xml::Document& island) {
  auto statuses = std::make_shared<CTaxStatuses>();
  static const xml::ColumnNames columns{"CustomerID", "crExemptType", "TaxID", "TaxGroupID", "InvItemID",
                                        "TaxExemptNumber"};
  ForEachRow("TaxStatusData", island, island.RowsetRows(), columns,
             [&](const IslandRow& row) { LoadTaxStatus(row, *statuses); });
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
  return Islands{FetchIsland(host, "taxData"),      FetchIsland(host, "TaxModelHdrData"),
                 FetchIsland(host, "TaxModelData"), FetchIsland(host, "TaxGroupData"),
                 FetchIsland(host, "TaxGroupItemData"), FetchIsland(host, "TaxStatusData")};
}

std::shared_ptr<const ReferenceTables> BuildReferenceTables(const Islands& islands) {
  auto tables = std::make_shared<ReferenceTables>();
  tables->Taxes = LoadTaxes(*islands.taxData);
  tables->TaxModels = LoadTaxModels(*islands.TaxModelHdrData, *islands.TaxModelData);
  tables->TaxGroups = LoadTaxGroups(*islands.TaxGroupData, *islands.TaxGroupItemData);
  tables->TaxStatuses = LoadTaxStatuses(*islands.TaxStatusData);
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
