#include "reference/collections.hpp"

#include <cassert>
#include <utility>

#include "common/trimming.hpp"

namespace quorvel {

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
  item->KeyTaxID = NumberKey(kKeyPrefix, plngTaxID);
  item->IsTaxable = pblnIsTaxable;
  taxIds_.Reserve();
  const std::shared_ptr<CTaxGroupItem>& added = Append(item, item->KeyTaxID);  // 457 changes nothing
  // Cannot fail: the room is there, the position is one the key index took, and a new key is a
  // new number.
  const bool filed = taxIds_.Add(plngTaxID, static_cast<std::uint32_t>(Count() - 1));
  assert(filed);
  static_cast<void>(filed);
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
  const std::shared_ptr<CTaxStatus>& added = Append(status, status->KeyTaxStatus);
  prefixes_.Add(added->KeyTaxStatus, static_cast<std::uint32_t>(Count() - 1));
  return added;
}

CustomerStatuses::CustomerStatuses(const CTaxStatuses& statuses, std::string_view customerPart)
    : statuses_(statuses), customerPartSize_(customerPart.size()), key_(customerPart) {
  // A look-up trims the whole key: only a customer part that starts with no space keeps its
  // subject's spaces the only ones trimmed.
  if (customerPart.empty() || customerPart.front() == ' ') return;
  std::array<std::uint32_t, kMostCompared> positions;
  const std::optional<std::size_t> count = statuses.Prefixes().Candidates(customerPart, positions);
  if (!count) return;
  byCandidates_ = true;
  candidateCount_ = *count;
  for (std::size_t i = 0; i < candidateCount_; ++i) {
    candidates_[i] = statuses.ElementAt(positions[i]);
    candidateSubjects_[i] = std::string_view(candidates_[i]->KeyTaxStatus).substr(customerPartSize_);
  }
}

const CTaxStatus* CustomerStatuses::Find(std::string_view subject) {
  const std::string_view wanted = TrimTrailingSpaces(subject);
  if (byCandidates_ && !wanted.empty() && IsSubjectLetter(wanted.front())) {
    for (std::size_t i = 0; i < candidateCount_; ++i) {
      const std::string_view filed = candidateSubjects_[i];
      if (filed.size() == wanted.size() && EqualIgnoringCase(filed, wanted)) return candidates_[i];
    }
    return nullptr;
  }
  key_.resize(customerPartSize_);
  key_ += subject;
  return statuses_.Find(key_);
}

}  // namespace quorvel
