// The collections of the reference tables and of the entities that own items.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "reference/entities.hpp"
#include "reference/keyed_collection.hpp"
#include "reference/number_index.hpp"

namespace quorvel {

// "K" + the decimal text of `number` (12 gives K12, -5 gives K-5).
std::string NumberKey(char prefix, std::int32_t number);

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

// The taxability of one tax group's items, per tax.
class CTaxGroupItems : public KeyedCollection<CTaxGroupItem> {
 public:
  // Adds the tax keyed "K" + plngTaxID; error 457 when that key is held.
  std::shared_ptr<CTaxGroupItem> AddItem(std::int32_t plngTaxID, bool pblnIsTaxable);
  // What Find(NumberKey('K', taxId)) finds, by number: the inner loop of a calculation.
  const CTaxGroupItem* FindTax(std::int32_t taxId) const {
    const std::optional<std::uint32_t> position = taxIds_.Find(taxId);
    return position ? ElementAt(*position) : nullptr;
  }

 private:
  NumberIndex taxIds_;  // every item is keyed "K" + a number: the same keys as numbers
};

// The tax status table.
class CTaxStatuses : public KeyedCollection<CTaxStatus> {
 public:
  // Adds a status under the complete key `pstrKeyTaxStatus`; error 457 when it is held.
  std::shared_ptr<CTaxStatus> AddItem(std::string pstrKeyTaxStatus, std::string pstrTaxExemptNumber,
                                      bool pblnIsExempt, std::string pstrTaxExemptType);
};

}  // namespace quorvel
