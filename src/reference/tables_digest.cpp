#include "reference/tables_digest.hpp"

#include <array>
#include <cstdint>
#include <string_view>

#include "common/sha256.hpp"
#include "reference/collections.hpp"

namespace quorvel {
namespace {

// Feeds fields to the digest through a buffer, as most fields are a few bytes long. Numbers and
// lengths are written in as few bytes as they need (seven bits a byte, the high bit saying that
// more follow), which keeps the digest's share of a load small.
class FieldDigest {
 public:
  void Number(std::int64_t value) {
    // Zig-zag: small magnitudes of either sign give few bytes.
    Unsigned((static_cast<std::uint64_t>(value) << 1) ^ static_cast<std::uint64_t>(value >> 63));
  }
  void Unsigned(std::uint64_t value) {
    if (used_ + kMaxNumberBytes > buffer_.size()) Flush();
    for (; value >= 0x80; value >>= 7) buffer_[used_++] = static_cast<char>(value | 0x80);
    buffer_[used_++] = static_cast<char>(value);
  }
  void Text(std::string_view text) {
    Unsigned(text.size());
    if (used_ + text.size() > buffer_.size()) {
      Flush();
      if (text.size() > buffer_.size()) return sha_.Add(text);
    }
    text.copy(buffer_.data() + used_, text.size());
    used_ += text.size();
  }
  void Flag(bool value) { Unsigned(value ? 1 : 0); }

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
  static constexpr std::size_t kMaxNumberBytes = 10;
  void Flush() {
    sha_.Add(std::string_view(buffer_.data(), used_));
    used_ = 0;
  }

  Sha256 sha_;
  std::array<char, 4096> buffer_;
  std::size_t used_ = 0;
};

void AddTaxes(const CTaxes& taxes, FieldDigest& digest) {
  digest.Unsigned(static_cast<std::uint64_t>(taxes.Count()));
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
  digest.Unsigned(static_cast<std::uint64_t>(models.Count()));
  for (const auto& model : models) {
    digest.Text(model->KeyTaxModelID);
    digest.Unsigned(static_cast<std::uint64_t>(model->OTaxModelItems()->Count()));
    for (const auto& item : *model->OTaxModelItems()) digest.Text(item->KeyTaxID);
  }
}

void AddTaxGroups(const CTaxGroups& groups, FieldDigest& digest) {
  digest.Unsigned(static_cast<std::uint64_t>(groups.Count()));
  for (const auto& group : groups) {
    digest.Text(group->KeyTaxGroupID);
    digest.Unsigned(static_cast<std::uint64_t>(group->OTaxGroupItems()->Count()));
    for (const auto& item : *group->OTaxGroupItems()) {
      digest.Text(item->KeyTaxID);
      digest.Flag(item->IsTaxable);
    }
  }
}

// KeyCustomer is left out: the loader gives it the status's own key.
void AddTaxStatuses(const CTaxStatuses& statuses, FieldDigest& digest) {
  digest.Unsigned(static_cast<std::uint64_t>(statuses.Count()));
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
