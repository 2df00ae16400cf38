// The collections of the reference tables and of the entities that own items.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "reference/entities.hpp"
#include "reference/index/number_index.hpp"
#include "reference/index/status_prefixes.hpp"
#include "reference/keyed_collection.hpp"
#include "reference/number_key.hpp"

namespace quorvel {

// The tax table.
class CTaxes : public KeyedCollection<CTax> {
 public:
  // Adds the tax keyed "K" + plngTaxID; error 457 when that key is held.
  std::shared_ptr<CTax> AddItem(std::int32_t plngTaxID, std::int32_t plngTaxGroupID,
                                std::int32_t plngGLAccountID, std::string pstrDescription,
                                std::int16_t pintSequence, Currency pcurThreshHold,
                                Currency pcurCutoff, Currency pcurTaxRate,
                                std::string pstrcrTaxType, bool pblnIsItemLevel);
};

// The tax model table.
class CTaxModels : public KeyedCollection<CTaxModel> {
 public:
  // Adds a model under the complete key `pstrTaxModelID`; error 457 when it is held.
  std::shared_ptr<CTaxModel> AddItem(std::string pstrTaxModelID);
};

// The taxes of one tax model.
class CTaxModelItems : public KeyedCollection<CTaxModelItem> {
 public:
  // Adds the tax keyed "K" + plngTaxID; error 457 when that key is held.
  std::shared_ptr<CTaxModelItem> AddItem(std::int32_t plngTaxID);
};

// The tax group table.
class CTaxGroups : public KeyedCollection<CTaxGroup> {
 public:
  // Keeps `text` and empties the collection. Nothing in the engine sets it.
  void XML(std::string text);
  // Adds a group under the complete key `pstrTaxGroupID`; error 457 when it is held.
  std::shared_ptr<CTaxGroup> AddItem(std::string pstrTaxGroupID);

 private:
  std::string xml_;
};

// The taxability of one tax group's items, per tax. Every item is keyed NumberKey(kKeyPrefix,
// tax) and filed under the tax's number as well, so that FindTax(tax) finds what Find of that key
// finds: both indexes are added to in AddItem only.
class CTaxGroupItems : public KeyedCollection<CTaxGroupItem> {
 public:
  static constexpr char kKeyPrefix = 'K';

  // Adds the tax keyed "K" + plngTaxID; error 457 when that key is held.
  std::shared_ptr<CTaxGroupItem> AddItem(std::int32_t plngTaxID, bool pblnIsTaxable);
  // What Find(NumberKey(kKeyPrefix, taxId)) finds, by number: the inner loop of a calculation.
  const CTaxGroupItem* FindTax(std::int32_t taxId) const {
    const std::optional<std::uint32_t> position = taxIds_.Find(taxId);
    return position ? ElementAt(*position) : nullptr;
  }
  // The tax whose FindTax finds what Find(key) finds, when `key` is written as AddItem keys an
  // item; else nothing, and only Find(key) answers.
  static std::optional<std::int32_t> TaxOfKey(std::string_view key) { return NumberOfKey(kKeyPrefix, key); }

 private:
  // AddItem adds to the number index once the key index has taken the item: every position the
  // one takes, the other must take too.
  static_assert(KeyIndex::kPositionLimit <= NumberIndex::kPositionLimit);
  NumberIndex taxIds_;
};

// The tax status table.
class CTaxStatuses : public KeyedCollection<CTaxStatus> {
 public:
  // Adds a status under the complete key `pstrKeyTaxStatus`; error 457, the table unchanged,
  // when it is held. Should memory run out while the status is filed by its key's beginnings,
  // the status stays and look-ups go by whole keys from then on.
  std::shared_ptr<CTaxStatus> AddItem(std::string pstrKeyTaxStatus, std::string pstrTaxExemptNumber,
                                      bool pblnIsExempt, std::string pstrTaxExemptType);
  // The statuses filed under the beginnings of their keys.
  const StatusPrefixes& Prefixes() const { return prefixes_; }

 private:
  StatusPrefixes prefixes_;
};

// The look-ups of one customer in the tax status table, for many subjects in a row.
class CustomerStatuses {
 public:
  // Look-ups of `customerPart` ("K" + the customer) + a subject in `statuses`.
  CustomerStatuses(const CTaxStatuses& statuses, std::string_view customerPart);
  // What statuses.Find(customerPart + subject) finds.
  const CTaxStatus* Find(std::string_view subject);

 private:
  // A customer with more statuses than this is looked up by the whole key, through the hash.
  static constexpr std::size_t kMostCompared = 8;
  const CTaxStatuses& statuses_;
  std::size_t customerPartSize_;
  std::string key_;  // the customer part, then the subject of the last whole-key look-up
  bool byCandidates_ = false;  // else by the whole key
  std::size_t candidateCount_ = 0;
  // The statuses the customer part can find, with what follows the customer part in their keys.
  std::array<const CTaxStatus*, kMostCompared> candidates_{};
  std::array<std::string_view, kMostCompared> candidateSubjects_;
};

}  // namespace quorvel
