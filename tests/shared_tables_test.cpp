// One set of loaded tables shared by many threads at once: every thread must get exactly what a
// lone thread gets. Run under ThreadSanitizer by `make tsan`.
#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "quorvel/quorvel.hpp"
#include "test_support.hpp"

namespace quorvel {
namespace {

constexpr int kThreads = 4;
constexpr int kRounds = 5;

// What one calculation gave: the result text, or the error number.
struct Answer {
  std::string result;
  int error = 0;
  bool operator==(const Answer&) const = default;
};

Answer Calculate(const ReferenceTables& tables, const std::string& text) {
  try {
    return {CalculateTaxes(tables, text), 0};
  } catch (const Error& error) {
    return {"", error.number()};
  }
}

std::string ReadExample(const std::string& name) { return testing::ExampleText("transactions/" + name); }

// The example transactions, each for several customers (exempt in different ways or not at
// all) and quantities, and a few that fail.
std::vector<std::string> Transactions() {
  const char* names[] = {"01-in-town-sale.xml", "02-county-exempt-customer.xml",
                         "03-reseller-work-order.xml", "04-return-credit.xml",
                         "05-shipment-with-exempt-item.xml", "06-luxury-purchase.xml"};
  const std::regex customer(R"((ShipToID|CustomerID)="[^"]*")");
  const std::regex quantity(R"(Qty(Shipped|Ordered)="[^"]*")");
  std::vector<std::string> texts;
  for (const char* name : names) {
    const std::string text = ReadExample(name);
    for (const char* who : {"1001", "2002", "3003", "4004", "5150"}) {
      for (const char* howMany : {"1", "3.5", "-2"}) {
        const std::string forCustomer = std::regex_replace(text, customer, std::string("$1=\"") + who + "\"");
        texts.push_back(std::regex_replace(forCustomer, quantity, std::string("Qty$1=\"") + howMany + "\""));
      }
    }
  }
  texts.push_back("not a document");                                      // NOHEADER
  texts.push_back(R"(<xml xmlns:z="#RowsetSchema"><z:row head="1" CustomerID="x" TaxModel="1"/></xml>)");  // error 13
  texts.push_back(R"(<xml xmlns:z="#RowsetSchema"><z:row head="1" CustomerID="1" TaxModel="99"/></xml>)");  // error 91
  return texts;
}

TEST(SharedTables, ManyThreadsGetWhatOneThreadGets) {
  const auto tables = LoadReferenceTables(*MakeFolderHost(testing::ExamplesDir() + "/tables"));
  const std::vector<std::string> texts = Transactions();
  std::vector<Answer> expected;
  for (const std::string& text : texts) expected.push_back(Calculate(*tables, text));
  ASSERT_EQ(expected.size(), texts.size());
  EXPECT_EQ(expected[expected.size() - 3].result, "NOHEADER");
  EXPECT_EQ(expected[expected.size() - 2].error, errors::kTypeMismatch);
  EXPECT_EQ(expected.back().error, errors::kObjectNotSet);
  const auto withTax = std::count_if(expected.begin(), expected.end(), [](const Answer& answer) {
    return answer.result.find("<z:row") != std::string::npos;
  });
  EXPECT_GT(withTax, static_cast<long>(expected.size() / 2));  // the variations do calculate

  std::vector<std::vector<Answer>> seen(kThreads, std::vector<Answer>(texts.size()));
  std::vector<int> changedBetweenRounds(kThreads, 0);
  std::vector<std::thread> threads;
  for (int thread = 0; thread < kThreads; ++thread) {
    threads.emplace_back([&, thread] {
      // Each thread starts elsewhere in the list, so that different documents run side by side.
      for (int round = 0; round < kRounds; ++round) {
        for (std::size_t i = 0; i < texts.size(); ++i) {
          const std::size_t index = (i + static_cast<std::size_t>(thread) * 7) % texts.size();
          const Answer answer = Calculate(*tables, texts[index]);
          if (round == 0) {
            seen[thread][index] = answer;
          } else if (!(answer == seen[thread][index])) {
            ++changedBetweenRounds[thread];
          }
        }
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (int thread = 0; thread < kThreads; ++thread) {
    EXPECT_EQ(changedBetweenRounds[thread], 0) << "thread " << thread;
    for (std::size_t i = 0; i < texts.size(); ++i) {
      EXPECT_EQ(seen[thread][i], expected[i]) << "thread " << thread << ", transaction " << i;
    }
  }
}

TEST(SharedTables, OutliveTheirLoaderAndStayUnchanged) {
  std::shared_ptr<const ReferenceTables> tables;
  std::thread([&] { tables = LoadReferenceTables(*MakeFolderHost(testing::ExamplesDir() + "/tables")); }).join();
  const std::string text = ReadExample("01-in-town-sale.xml");
  const std::string first = CalculateTaxes(*tables, text);
  std::vector<std::string> others(kThreads);
  std::vector<std::thread> threads;
  for (int thread = 0; thread < kThreads; ++thread) {
    threads.emplace_back([&, thread] { others[thread] = CalculateTaxes(*tables, text); });
  }
  for (std::thread& thread : threads) thread.join();
  for (const std::string& other : others) EXPECT_EQ(other, first);
  EXPECT_EQ(CalculateTaxes(*tables, text), first);
}

}  // namespace
}  // namespace quorvel
