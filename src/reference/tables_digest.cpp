#include "reference/tables_digest.hpp"

#include <cstdint>
#include <string_view>

#include "common/sha256.hpp"
#include "reference/collections.hpp"

namespace quorvel {
namespace {

// Feeds fields to the digest through a buffer, as most fields are a few bytes long.
class FieldDigest {
 public:
  void Number(std::int64_t value) {
    const auto bits = static_cast<std::uint64_t>(value);
    for (int shift = 0; shift < 64; shift += 8) buffer_.push_back(static_cast<char>(bits >> shift));
    if (buffer_.size() >= kFlushSize) Flush();
  }
  void Text(std::string_view text) {
    Number(static_cast<std::int64_t>(text.size()));
    buffer_.append(text);
  }
  void Flag(bool value) { buffer_.push_back(value ? '\1' : '\0'); }

  std::string HexPrefix(std::size_t digits) {
    Flush();
    static constexpr char kHex[] = "0123456789abcdef";
    std::string hex;
    for (const unsigned char byte : sha_.Finish()) {
      if (hex.size() >= digits) break;
      hex.push_back(kHex[byte >> 4]);
      hex.push_back(kHex[byte & 15]);
    }
    return hex;
  }

 private:
  static constexpr std::size_t kFlushSize = 4096;
  void Flush() {
    sha_.Add(buffer_);
    buffer_.clear();
  }

  Sha256 sha_;
  std::string buffer_;
};

void AddTaxes(const CTaxes& taxes, FieldDigest& digest) {
  digest.Number(taxes.Count());
  for (const auto& tax : taxes) {
    digest.Text(tax->KeyTaxID);
    digest.Text(tax->TaxGroupID);
    digest.Text(tax->GLAccountID);
    digest.Text(tax->Description);
    digest.Number(tax->Sequence);
    digest.Number(tax->ThreshHold.Units());
    digest.Number(tax->CutOff.Units());
    digest.Number(tax->TaxRate.Units());
    digest.Text(tax->crTaxType);
    digest.Flag(tax->IsItemLevel);
  }
}

void AddTaxModels(const CTaxModels& models, FieldDigest& digest) {
  digest.Number(models.Count());
  for (const auto& model : models) {
    digest.Text(model->KeyTaxModelID);
    digest.Number(model->OTaxModelItems()->Count());
    for (const auto& item : *model->OTaxModelItems()) digest.Text(item->KeyTaxID);
  }
}

void AddTaxGroups(const CTaxGroups& groups, FieldDigest& digest) {
  digest.Number(groups.Count());
  for (const auto& group : groups) {
    digest.Text(group->KeyTaxGroupID);
    digest.Number(group->OTaxGroupItems()->Count());
    for (const auto& item : *group->OTaxGroupItems()) {
      digest.Text(item->KeyTaxID);
      digest.Flag(item->IsTaxable);
    }
  }
}

// KeyCustomer is left out: the loader gives it the status's own key.
void AddTaxStatuses(const CTaxStatuses& statuses, FieldDigest& digest) {
  digest.Number(statuses.Count());
  for (const auto& status : statuses) {
    digest.Text(status->KeyTaxStatus);
    digest.Text(status->TaxExemptNumber);
    digest.Flag(status->IsExempt);
    digest.Text(status->TaxExemptType);
  }
}

}  // namespace

std::string ContentVersion(const ReferenceTables& tables) {
  FieldDigest digest;
  AddTaxes(*tables.Taxes, digest);
  AddTaxModels(*tables.TaxModels, digest);
  AddTaxGroups(*tables.TaxGroups, digest);
  AddTaxStatuses(*tables.TaxStatuses, digest);
  return digest.HexPrefix(16);
}

}  // namespace quorvel
