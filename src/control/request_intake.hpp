// Request intake: from the transaction text to the item lines and tax lines of a calculation.
#pragma once

#include <string>
#include <string_view>

#include "control/calculation.hpp"

namespace quorvel {

// Parses `transaction`, reads its header row and builds `calculation`'s item lines and tax
// lines. False when the document has no header row; when that is because the text is not
// well-formed XML (an empty text included), `refusal` says why and where.
bool TakeRequest(std::string_view transaction, Calculation& calculation, std::string& refusal);

}  // namespace quorvel
