#include "reference/collections.hpp"

#include <charconv>
#include <utility>

namespace quorvel {

std::string NumberKey(char prefix, std::int32_t number) {
  char text[16] = {prefix};
  const auto end = std::to_chars(text + 1, text + sizeof text, number).ptr;
  return std::string(text, end);
}

CTaxModel::CTaxModel() : items_(std::make_shared<CTaxModelItems>()) {}

CTaxGroup::CTaxGroup() : items_(std::make_shared<CTaxGroupItems>()) {}

std::shared_ptr<CTax> CTaxes::AddItem(std::int32_t plngTaxID, std::int32_t plngTaxGroupID,
                                      std::int32_t plngGLAccountID, std::string pstrDescription,
                                      std::int16_t pintSequence, Currency pcurThreshHold,
                                      Currency pcurCutoff, Currency pcurTaxRate,
                                      std::string pstrcrTaxType, bool pblnIsItemLevel) {
  auto tax = std::make_shared<CTax>();
  tax->KeyTaxID = NumberKey('K', plngTaxID);
  tax->TaxGroupID = NumberKey('K', plngTaxGroupID);
  tax->GLAccountID = NumberKey('K', plngGLAccountID);
  tax->Description = std::move(pstrDescription);
  tax->Sequence = pintSequence;
  tax->ThreshHold = pcurThreshHold;
  tax->CutOff = pcurCutoff;
  tax->TaxRate = pcurTaxRate;
  tax->crTaxType = std::move(pstrcrTaxType);
  tax->IsItemLevel = pblnIsItemLevel;
  return Append(tax, tax->KeyTaxID);
}

std::shared_ptr<CTaxModel> CTaxModels::AddItem(std::string pstrTaxModelID) {
  auto model = std::make_shared<CTaxModel>();
  model->KeyTaxModelID = std::move(pstrTaxModelID);
  return Append(model, model->KeyTaxModelID);
}

std::shared_ptr<CTaxModelItem> CTaxModelItems::AddItem(std::int32_t plngTaxID) {
  auto item = std::make_shared<CTaxModelItem>();
  item->KeyTaxID = NumberKey('K', plngTaxID);
  return Append(item, item->KeyTaxID);
}

void CTaxGroups::XML(std::string text) {
  xml_ = std::move(text);
  ResetStore();
}

std::shared_ptr<CTaxGroup> CTaxGroups::AddItem(std::string pstrTaxGroupID) {
  auto group = std::make_shared<CTaxGroup>();
  group->KeyTaxGroupID = std::move(pstrTaxGroupID);
  return Append(group, group->KeyTaxGroupID);
}

std::shared_ptr<CTaxGroupItem> CTaxGroupItems::AddItem(std::int32_t plngTaxID, bool pblnIsTaxable) {
  auto item = std::make_shared<CTaxGroupItem>();
  item->KeyTaxID = NumberKey('K', plngTaxID);
  item->IsTaxable = pblnIsTaxable;
  taxIds_.Reserve();
  const std::shared_ptr<CTaxGroupItem>& added = Append(item, item->KeyTaxID);  // 457 changes nothing
  // Cannot fail: the room is there, and a new key is a new number.
  taxIds_.Add(plngTaxID, static_cast<std::uint32_t>(Count() - 1));
  return added;
}

std::shared_ptr<CTaxStatus> CTaxStatuses::AddItem(std::string pstrKeyTaxStatus,
                                                  std::string pstrTaxExemptNumber,
                                                  bool pblnIsExempt, std::string pstrTaxExemptType) {
  auto status = std::make_shared<CTaxStatus>();
  status->KeyCustomer = pstrKeyTaxStatus;
  status->KeyTaxStatus = std::move(pstrKeyTaxStatus);
  status->TaxExemptNumber = std::move(pstrTaxExemptNumber);
  status->IsExempt = pblnIsExempt;
  status->TaxExemptType = std::move(pstrTaxExemptType);
  return Append(status, status->KeyTaxStatus);
}

}  // namespace quorvel
