// `quorvel tables`: load the six islands and show what was loaded.
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "commands.hpp"
#include "quorvel/quorvel.hpp"
#include "standard_output.hpp"
#include "tables_source.hpp"

namespace quorvel::cli {
namespace {

void PrintCounts(std::ostream& out, const TableCounts& counts) {
  out << "taxes: " << counts.taxes << "\n"
      << "tax models: " << counts.taxModels << "\n"
      << "tax groups: " << counts.taxGroups << "\n"
      << "tax statuses: " << counts.taxStatuses << "\n";
}

void PrintTaxes(std::ostream& out, const std::vector<TablesView::Tax>& taxes) {
  out << "\nTaxes (key, description, type, rate, threshold, cut-off, sequence)\n";
  for (const auto& tax : taxes) {
    out << "  " << tax.key << "\t\"" << tax.description << "\"\ttype \"" << tax.taxType << "\"\trate "
        << tax.rate << "\tthreshold " << tax.threshold << "\tcut-off " << tax.cutoff << "\tsequence "
        << tax.sequence << "\n";
  }
}

void PrintTaxModels(std::ostream& out, const std::vector<TablesView::TaxModel>& models) {
  out << "\nTax models (key: taxes)\n";
  for (const auto& model : models) {
    out << "  " << model.key << ":";
    for (const auto& tax : model.taxes) out << " " << tax;
    out << "\n";
  }
}

void PrintTaxGroups(std::ostream& out, const std::vector<TablesView::TaxGroup>& groups) {
  out << "\nTax groups (key: tax=taxable)\n";
  for (const auto& group : groups) {
    out << "  " << group.key << ":";
    for (const auto& item : group.taxes) {
      out << " " << item.tax << "=" << (item.taxable ? "taxable" : "not-taxable");
    }
    out << "\n";
  }
}

void PrintTaxStatuses(std::ostream& out, const std::vector<TablesView::TaxStatus>& statuses) {
  out << "\nTax statuses (key, kind, exemption number)\n";
  for (const auto& status : statuses) {
    out << "  " << status.key << "\t" << status.exemptType << "\t\"" << status.exemptNumber << "\"\n";
  }
}

}  // namespace

int RunTables(const TablesOptions& options) {
  const auto tables = LoadTables(options.tables);
  const TablesView view = ViewTables(*tables);
  std::ostringstream text;
  text << "version: " << TablesVersion(*tables) << "\n";
  PrintCounts(text, CountRows(*tables));
  PrintTaxes(text, view.taxes);
  PrintTaxModels(text, view.taxModels);
  PrintTaxGroups(text, view.taxGroups);
  PrintTaxStatuses(text, view.taxStatuses);
  WriteToStandardOutput(text.str());
  FlushStandardOutput();
  return 0;
}

}  // namespace quorvel::cli
