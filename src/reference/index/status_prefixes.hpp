// The statuses of one customer without hashing a key per look-up. A calculation looks up many
// keys that all start with one customer part ("K" + the customer) and go on with a subject ("K"
// + a tax, "G" + a group, "I" + an item); most customers have a handful of statuses or none.
//
// A status key is concatenated text, so its customer part is not known for certain ("K1I2G3"
// might be customer 1's item "2G3" or customer "1I2"'s group 3). The index therefore files a
// status under every beginning of its key that a subject letter follows; whatever key a look-up
// builds, the statuses it could find are among those filed under its customer part.
// Oracle: tests/status_prefixes_test.cpp (a scan of every status key).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "reference/index/key_index.hpp"

namespace quorvel {

class StatusPrefixes {
 public:
  // Customer parts longer than this are not indexed: their look-ups go by the whole key.
  static constexpr std::size_t kLongestPrefix = 32;
  // A key with more beginnings than this is filed under none, and every look-up then goes by
  // the whole key: a table of such keys would otherwise grow far beyond its island.
  static constexpr std::size_t kMostFilings = 4;

  // Files the status at `position`, keyed `key`, under the beginnings of `key` that a subject
  // letter follows.
  void Add(std::string_view key, std::uint32_t position);

  // Writes to `out` the positions of the statuses a key `customerPart` + a subject could be, and
  // gives their number; nothing when the index cannot say (a customer part too long, a key
  // filed under none) or `out` is too short.
  std::optional<std::size_t> Candidates(std::string_view customerPart, std::span<std::uint32_t> out) const;

 private:
  // One status filed under one beginning, linked to the one filed there before it.
  struct Filing {
    std::uint32_t position;
    std::uint32_t earlier;  // that filing's number + 1, or 0
  };
  struct Shelf {
    std::uint32_t latest = 0;  // the last filing's number + 1
    std::uint32_t count = 0;
  };
  // Files the status at `position` under `prefix`.
  void File(std::string_view prefix, std::uint32_t position);
  bool complete_ = true;        // every key is filed under all its beginnings
  KeyIndex prefixes_;           // a beginning of keys, to its shelf
  std::vector<Shelf> shelves_;
  std::vector<Filing> filings_;
};

// Whether `c` may begin a subject: "K", "G" or "I", in either case.
bool IsSubjectLetter(char c);

}  // namespace quorvel
