// StatusPrefixes held to a scan of every status key, on generated families of keys.
#include "reference/index/status_prefixes.hpp"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace quorvel {
namespace {

// `count` keys (unique, letter case ignored): "K", then `customerLength` characters drawn from
// `customer`, a subject letter and a number.
std::vector<std::string> Keys(int count, const std::string& customer, std::size_t customerLength) {
  std::mt19937 random(3);
  std::map<std::string, std::string> byUpperCase;
  for (int i = 0; i < count; ++i) {
    std::string key = "K";
    for (std::size_t c = random() % customerLength; c < customerLength; ++c) {
      key += customer[random() % customer.size()];
    }
    key += "KGIkgi"[random() % 6] + std::to_string(random() % 50);
    std::string upper = key;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    byUpperCase.emplace(upper, key);
  }
  std::vector<std::string> keys;
  for (const auto& [upper, key] : byUpperCase) keys.push_back(key);
  return keys;
}

std::vector<std::string> NumberedCustomers() { return Keys(3000, "0123456789", 3); }
std::vector<std::string> AmbiguousCustomers() { return Keys(1500, "12I", 3); }  // K1I2G3: customer 1 or 1I2
std::vector<std::string> LettersAllAlong() { return Keys(800, "12Ig", 6); }     // some beyond 4 beginnings
std::vector<std::string> LongCustomers() { return Keys(400, "1234567890 -", 40); }

// Whether every key has at most kMostFilings beginnings a subject letter follows.
bool AllFiled(const std::vector<std::string>& keys) {
  return std::all_of(keys.begin(), keys.end(), [](const std::string& key) {
    std::size_t beginnings = 0;
    for (std::size_t length = 1; length < key.size() && length <= StatusPrefixes::kLongestPrefix; ++length) {
      beginnings += IsSubjectLetter(key[length]);
    }
    return beginnings <= StatusPrefixes::kMostFilings;
  });
}

// What Candidates should give: the positions of the keys that `part` begins (letter case
// ignored) with a subject letter next, or nothing when the index cannot say.
std::optional<std::vector<std::uint32_t>> Scanned(const std::vector<std::string>& keys, std::string_view part,
                                                  std::size_t room) {
  std::vector<std::uint32_t> positions;
  for (std::uint32_t i = 0; i < keys.size(); ++i) {
    const std::string_view key = keys[i];
    if (!part.empty() && part.size() < key.size() && EqualIgnoringCase(key.substr(0, part.size()), part) &&
        IsSubjectLetter(key[part.size()])) {
      positions.push_back(i);
    }
  }
  if (part.size() > StatusPrefixes::kLongestPrefix || positions.size() > room) return std::nullopt;
  return positions;
}

struct StatusFamily {
  const char* name;
  std::vector<std::string> (*keys)();
  bool allFiled;  // what the family is meant to test
};

class StatusPrefixesOracle : public ::testing::TestWithParam<StatusFamily> {};

TEST_P(StatusPrefixesOracle, OfferTheStatusesAScanFinds) {
  const std::vector<std::string> keys = GetParam().keys();
  StatusPrefixes prefixes;
  for (std::uint32_t i = 0; i < keys.size(); ++i) prefixes.Add(keys[i], i);
  std::set<std::string> parts;  // every beginning of every key, and some in lower case
  for (const std::string& key : keys) {
    for (std::size_t length = 0; length <= key.size(); ++length) parts.insert(key.substr(0, length));
    parts.insert("k" + key.substr(1, key.size() / 2));
  }
  const bool allFiled = AllFiled(keys);
  std::array<std::uint32_t, 8> room;
  for (const std::string& part : parts) {
    std::optional<std::vector<std::uint32_t>> given;
    const std::optional<std::size_t> count = prefixes.Candidates(part, room);
    if (count) given.emplace(room.begin(), room.begin() + *count);
    if (given) std::sort(given->begin(), given->end());
    ASSERT_EQ(given, allFiled ? Scanned(keys, part, room.size()) : std::nullopt) << '"' << part << '"';
  }
  EXPECT_EQ(allFiled, GetParam().allFiled);
}

INSTANTIATE_TEST_SUITE_P(Families, StatusPrefixesOracle,
                         ::testing::Values(StatusFamily{"NumberedCustomers", NumberedCustomers, true},
                                           StatusFamily{"AmbiguousCustomers", AmbiguousCustomers, true},
                                           StatusFamily{"LettersAllAlong", LettersAllAlong, false},
                                           StatusFamily{"LongCustomerParts", LongCustomers, true}),
                         [](const auto& instance) { return std::string(instance.param.name); });

#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
// Memory running out while a status is filed leaves the index trusting none of its filings, so
// that every look-up goes by the whole key. In a child process with little address space to spare.
[[noreturn]] void FileUntilMemoryRunsOut() {
  std::size_t pages = 0;
  std::ifstream("/proc/self/statm") >> pages;
  const rlim_t space = pages * static_cast<rlim_t>(sysconf(_SC_PAGESIZE)) + (64u << 20);
  const rlimit limit{space, space};
  setrlimit(RLIMIT_AS, &limit);
  StatusPrefixes prefixes;
  char key[32];
  for (std::uint32_t i = 0;; ++i) {
    const int size = std::snprintf(key, sizeof key, "K%uG1", i);
    try {
      prefixes.Add(std::string_view(key, static_cast<std::size_t>(size)), i);
    } catch (const std::bad_alloc&) {
      break;
    }
  }
  std::array<std::uint32_t, 8> room;
  _exit(prefixes.Candidates("K1", room) ? 1 : 0);
}

TEST(StatusPrefixes, MemoryRunningOutWhileFilingLeavesEveryLookUpToTheWholeKey) {
  EXPECT_EXIT(FileUntilMemoryRunsOut(), ::testing::ExitedWithCode(0), "");
}
#endif

}  // namespace
}  // namespace quorvel
