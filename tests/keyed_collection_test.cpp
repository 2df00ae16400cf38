#include "reference/keyed_collection.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_support.hpp"

namespace quorvel {
namespace {

using testing::ErrorNumberOf;

struct Thing {
  std::string name;
};

// A collection of the pattern, keyed by whatever the caller gives.
class Things : public KeyedCollection<Thing> {
 public:
  std::shared_ptr<Thing> AddItem(const std::string& key) {
    return Append(std::make_shared<Thing>(Thing{key}), key);
  }
};

std::vector<std::string> Names(const Things& things) {
  std::vector<std::string> names;
  for (const auto& thing : things) names.push_back(thing->name);
  return names;
}

TEST(KeyedCollection, KeepsOrderOfAddition) {
  Things things;
  EXPECT_EQ(things.Find("K3"), nullptr);
  things.AddItem("K3");
  things.AddItem("K1");
  things.AddItem("K2");
  EXPECT_EQ(Names(things), (std::vector<std::string>{"K3", "K1", "K2"}));
  EXPECT_EQ(things.Item(1)->name, "K3");
  EXPECT_EQ(things.Item(3)->name, "K2");
  EXPECT_EQ(things.Count(), 3);
}

TEST(KeyedCollection, FindsKeysTrimmedAndWithoutRegardToCase) {
  Things things;
  things.AddItem("K1");
  things.AddItem("g12");
  struct {
    const char* index;
    const char* found;  // nullptr for none
  } cases[] = {{"K1", "K1"},   {"k1", "K1"},      {" K1 ", "K1"},  {"  k1", "K1"}, {"G12", "g12"},
               {"K9", nullptr}, {"K1\t", nullptr}, {"K 1", nullptr}, {"", nullptr}, {"K", nullptr}};
  for (const auto& c : cases) {
    const Thing* item = things.Find(c.index);
    EXPECT_EQ(things.Item(std::string_view(c.index)).get(), item) << '"' << c.index << '"';
    if (c.found) {
      ASSERT_NE(item, nullptr) << '"' << c.index << '"';
      EXPECT_EQ(item->name, c.found);
    } else {
      EXPECT_EQ(item, nullptr) << '"' << c.index << '"';
    }
  }
}

TEST(KeyedCollection, AKeyStoredWithSpacesIsNeverFoundByKey) {
  Things things;
  things.AddItem(" K5 ");
  EXPECT_EQ(things.Find(" K5 "), nullptr);
  EXPECT_EQ(things.Find("K5"), nullptr);
  EXPECT_EQ(things.Item(1)->name, " K5 ");
}

TEST(KeyedCollection, RefusesADuplicateKeyAndStaysAsItWas) {
  Things things;
  const auto first = things.AddItem("K12");
  for (const char* duplicate : {"K12", "k12"}) {
    const auto caught = testing::ErrorOf([&] { things.AddItem(duplicate); });
    ASSERT_TRUE(caught);
    EXPECT_EQ(caught->number, errors::kDuplicateKey);
    EXPECT_NE(caught->description.find(duplicate), std::string::npos);
    EXPECT_EQ(things.Count(), 1);
    EXPECT_EQ(things.Find("K12"), first.get());
  }
  EXPECT_EQ(Names(things), std::vector<std::string>{"K12"});
}

TEST(KeyedCollection, PositionsOutsideTheRangeRaiseError9) {
  Things things;
  things.AddItem("K1");
  for (std::int32_t position : {0, 2, -1, 2147483647}) {
    EXPECT_EQ(ErrorNumberOf([&] { things.Item(position); }), errors::kOutOfRange) << position;
  }
  EXPECT_EQ(ErrorNumberOf([&] { things.Item(1); }), 0);
}

TEST(KeyedCollection, NestedEnumerationsAreIndependent) {
  Things things;
  for (const char* key : {"A", "B", "C"}) things.AddItem(key);
  std::string visits;
  for (const auto& outer : things.NewEnum()) {
    for (const auto& inner : things) visits += outer->name + inner->name + " ";
  }
  EXPECT_EQ(visits, "AA AB AC BA BB BC CA CB CC ");
}

}  // namespace
}  // namespace quorvel
