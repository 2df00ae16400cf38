// Look-ups of one customer's statuses must find exactly what the status table finds by the whole
// key, however the keys are written: the table below is the oracle for every pair tried.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "reference/collections.hpp"

namespace quorvel {
namespace {

// Status keys that a customer part and a subject can meet in more than one way.
const std::vector<std::string> kStatusKeys = {
    "K1001K2", "K1001G3", "K1001I1005",   // one customer, one status of each kind
    "K1I2G3",                             // customer 1's item "2G3", or customer "1I2"'s group 3
    "k7g4", "K7 I9", "K8I5 ",             // lower case, a space inside, a trailing space
    "K9IIKG", "K", "KG", "X1G1", " K5G1",  // letters all along; no subject; not "K" first
    std::string("K12345678901234567890123456789012345G1"),  // a customer part beyond the index
};

// Customer 50 has more statuses than are compared one by one.
std::vector<std::string> ManyStatusesOfOneCustomer() {
  std::vector<std::string> keys;
  for (int item = 0; item < 20; ++item) keys.push_back("K50I" + std::to_string(item));
  return keys;
}

const std::vector<std::string> kCustomerParts = {
    "K1001", "k1001", "K1", "K1I2", "K7", "K7 ", "K8", "K9", "K9I", "K9II", "K", "",  " K5",
    "X1", "K50", "K2", "K12345678901234567890123456789012345", "K1234567890123456789012345678901",
    "KGIKG"};

const std::vector<std::string> kSubjects = {
    "K2", "k2", "G3", "g3", "I1005", "I1005 ", "I2G3", "G4", "I9", " I9", "I5", "I5  ", "KG", "IKG",
    "G", "", " ", "2G3", "I7", "I19", "I20", "G1", "x", "IKGI1", "GIKGIKGI1"};

// How many of the pairs of kCustomerParts and kSubjects find a status in `statuses`; every pair
// is checked against the whole-key look-up.
int FoundLikeTheWholeKey(const CTaxStatuses& statuses) {
  int found = 0;
  for (const std::string& part : kCustomerParts) {
    CustomerStatuses customer(statuses, part);
    for (const std::string& subject : kSubjects) {
      const CTaxStatus* expected = statuses.Find(part + subject);
      EXPECT_EQ(customer.Find(subject), expected) << '"' << part << "\" + \"" << subject << '"';
      found += expected != nullptr;
    }
  }
  return found;
}

CTaxStatuses StatusesKeyed(const std::vector<std::string>& keys) {
  CTaxStatuses statuses;
  for (const std::string& key : keys) statuses.AddItem(key, "", true, "Tax");
  return statuses;
}

TEST(CustomerStatuses, FindWhatTheWholeKeyFinds) {
  std::vector<std::string> keys = kStatusKeys;
  for (const std::string& key : ManyStatusesOfOneCustomer()) keys.push_back(key);
  EXPECT_GE(FoundLikeTheWholeKey(StatusesKeyed(keys)), 15);  // the pairs do find statuses
}

TEST(CustomerStatuses, AKeyOfManyPossibleCustomersSendsEveryLookUpToTheWholeKey) {
  std::vector<std::string> keys = kStatusKeys;
  keys.push_back("KGIKGIKGI1");  // six beginnings a subject letter follows
  EXPECT_GE(FoundLikeTheWholeKey(StatusesKeyed(keys)), 10);
}

TEST(CustomerStatuses, ACustomerWithoutStatusesFindsNone) {
  CTaxStatuses statuses;
  statuses.AddItem("K1G1", "", true, "TaxGroup");
  CustomerStatuses customer(statuses, "K2");
  for (const char* subject : {"G1", "K1", "I1", "g1"}) EXPECT_EQ(customer.Find(subject), nullptr) << subject;
}

}  // namespace
}  // namespace quorvel
