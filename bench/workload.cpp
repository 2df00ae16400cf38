#include "workload.hpp"

#include <array>
#include <cstdio>
#include <iterator>
#include <string_view>

#include "quorvel/quorvel.hpp"

namespace quorvel::bench {
namespace {

constexpr std::string_view kRowsetStart =
    "<xml xmlns:s=\"uuid:BDC6E3F0-6DA3-11d1-A2A3-00AA00C14882\" "
    "xmlns:dt=\"uuid:C2F41010-65B3-11d1-A29F-00AA00C14882\"\n"
    "\txmlns:rs=\"urn:schemas-microsoft-com:rowset\" xmlns:z=\"#RowsetSchema\">\n<rs:data>\n";
constexpr std::string_view kRowsetEnd = "</rs:data>\n</xml>\n";
constexpr int kGroupCount = 12;
constexpr int kOtherCustomers = 500;

// Builds a rowset document one row at a time.
class RowsetWriter {
 public:
  RowsetWriter() { text_ = kRowsetStart; }
  // Starts a row; add its columns with Column, then call EndRow.
  RowsetWriter& Row() {
    text_ += "\t<z:row";
    return *this;
  }
  RowsetWriter& Column(std::string_view name, std::string_view value) {
    text_ += ' ';
    text_ += name;
    text_ += "=\"";
    text_ += value;
    text_ += '"';
    return *this;
  }
  RowsetWriter& Column(std::string_view name, long long value) {
    return Column(name, std::to_string(value));
  }
  void EndRow() { text_ += "/>\n"; }
  std::string Finish() { return text_ + std::string(kRowsetEnd); }

 private:
  std::string text_;
};

// An amount in cents as decimal text with two decimals (14999 gives 149.99).
std::string Money(long long cents) {
  char text[32];
  std::snprintf(text, sizeof text, "%s%lld.%02lld", cents < 0 ? "-" : "", (cents < 0 ? -cents : cents) / 100,
                (cents < 0 ? -cents : cents) % 100);
  return text;
}

// The five kinds of tax the generated tables cycle through.
struct TaxKind {
  const char* description;
  const char* type;
  const char* rate;
  int sequence;
  const char* threshold;
  const char* cutoff;
};
constexpr TaxKind kTaxKinds[] = {
    {"State Sales Tax", "%", "6.25", 1, "0", "0"},
    {"County Tax", "%", "1.25", 2, "0", "0"},
    {"Tire Recycling Fee", "$", "2.5", 1, "50", "500"},
    {"Luxury Tax", "%", "3", 3, "1000", "25000"},
    {"Bottle Deposit", "$", "0.05", 1, "0", "0"},
};

void TaxRow(RowsetWriter& out, int taxId, int groupId) {
  const TaxKind& kind = kTaxKinds[(taxId - 1) % 5];
  out.Row()
      .Column("iKey", taxId)
      .Column("TaxGroupID", groupId)
      .Column("GLAccountID", 4000 + 10 * taxId)
      .Column("Description", std::string(kind.description) + " " + std::to_string(taxId))
      .Column("Sequence", kind.sequence)
      .Column("ThreshHold", kind.threshold)
      .Column("Cutoff", kind.cutoff)
      .Column("TaxRate", kind.rate)
      .Column("crTaxType", kind.type)
      .Column("IsItemLevel", kind.type[0] == '$' ? "True" : "False")
      .EndRow();
}

void StatusRow(RowsetWriter& out, int customer, int kind, int subject) {
  static constexpr const char* kKinds[] = {"Tax", "TaxGroup", "InventoryItem"};
  static constexpr const char* kSubjects[] = {"TaxID", "TaxGroupID", "InvItemID"};
  out.Row()
      .Column("CustomerID", customer)
      .Column("crExemptType", kKinds[kind])
      .Column(kSubjects[kind], subject)
      .Column("TaxExemptNumber", "EX-" + std::to_string(customer))
      .EndRow();
}

// The islands' texts keyed by identifier, given in the order of kIslandIds.
IslandTexts ByIslandId(const std::array<RowsetWriter*, std::size(kIslandIds)>& islands) {
  IslandTexts texts;
  for (std::size_t i = 0; i < islands.size(); ++i) texts.emplace(kIslandIds[i], islands[i]->Finish());
  return texts;
}

}  // namespace

IslandTexts CalculationIslands(int taxCount) {
  RowsetWriter taxes, modelHeaders, modelItems, groups, groupItems, statuses;
  for (int tax = 1; tax <= taxCount; ++tax) TaxRow(taxes, tax, 1 + tax % kGroupCount);
  for (int model = 1; model <= 3; ++model) modelHeaders.Row().Column("iKey", model).EndRow();
  for (int tax = 1; tax <= taxCount; ++tax) {
    modelItems.Row().Column("TaxModelItemID", 1).Column("TaxID", tax).EndRow();
  }
  for (int tax = 1; tax <= 3 && tax <= taxCount; ++tax) {
    modelItems.Row().Column("TaxModelItemID", 2).Column("TaxID", tax).EndRow();
  }
  for (int group = 1; group <= kGroupCount; ++group) {
    groups.Row().Column("iKey", group).Column("Description", "Group " + std::to_string(group)).EndRow();
    for (int tax = 1; tax <= taxCount; ++tax) {
      if ((group + tax) % 7 == 0) continue;  // the group does not list this tax
      groupItems.Row()
          .Column("TaxGroupID", group)
          .Column("TaxID", tax)
          .Column("IsTaxable", (group * tax) % 5 != 0 ? "True" : "False")
          .EndRow();
    }
  }
  StatusRow(statuses, kExemptCustomer, 0, 2);
  StatusRow(statuses, kExemptCustomer, 1, 3);
  StatusRow(statuses, kExemptCustomer, 2, 1005);
  for (int i = 0; i < kOtherCustomers; ++i) StatusRow(statuses, 2000 + i, i % 3, 1 + i % 10);
  return ByIslandId({&taxes, &modelHeaders, &modelItems, &groups, &groupItems, &statuses});
}

std::string Transaction(int detailRows) {
  RowsetWriter out;
  out.Row()
      .Column("head", "head")
      .Column("TransID", "T-10021")
      .Column("TransDate", "2026-11-30")
      .Column("CustomerID", kExemptCustomer)
      .Column("TaxModel", 1)
      .EndRow();
  for (int i = 0; i < detailRows; ++i) {
    const long long quantity = 1 + i % 5;
    const long long priceCents = 199 + (i * 7919LL) % 60000;
    const bool freight = detailRows > 1 && i == detailRows - 1;
    out.Row()
        .Column("detail", "detail")
        .Column("IsSubItem", "False")
        .Column("crLineType", freight ? "FREIGHT" : "ITEM")
        .Column("EntityName", i % 4 == 3 ? "tblShipmentDet" : "tblTransItem")
        .Column("QtyShipped", quantity)
        .Column("NetPrice", Money(priceCents))
        .Column("ExtendedPrice", Money(quantity * priceCents) + "00")
        .Column("TaxGroupID", 1 + i % kGroupCount)
        .Column("IsTaxable", i % 9 == 8 ? "False" : "True")
        .Column("LocInvItemID", 1000 + i)
        .Column("InvItemID", 1000 + i)
        .EndRow();
  }
  return out.Finish();
}

IslandTexts LoadIslands(int rows) {
  RowsetWriter taxes, modelHeaders, modelItems, groups, groupItems, statuses;
  for (int i = 0; i < rows; ++i) {
    TaxRow(taxes, i + 1, 1 + i % rows);
    modelHeaders.Row().Column("iKey", i + 1).Column("Description", "Model " + std::to_string(i + 1)).EndRow();
    modelItems.Row().Column("TaxModelItemID", 1 + i / 10).Column("TaxID", i + 1).EndRow();
    groups.Row().Column("iKey", i + 1).Column("Description", "Group " + std::to_string(i + 1)).EndRow();
    groupItems.Row()
        .Column("TaxGroupID", 1 + i / 10)
        .Column("TaxID", i + 1)
        .Column("IsTaxable", i % 4 == 3 ? "False" : "True")
        .EndRow();
    StatusRow(statuses, 100000 + i / 3, i % 3, i + 1);
  }
  return ByIslandId({&taxes, &modelHeaders, &modelItems, &groups, &groupItems, &statuses});
}

std::size_t TotalBytes(const IslandTexts& islands) {
  std::size_t bytes = 0;
  for (const auto& [id, text] : islands) bytes += text.size();
  return bytes;
}

}  // namespace quorvel::bench
