// `quorvel tables`: load the six islands and show what was loaded.
#include <iostream>
#include <string>

#include "commands.hpp"
#include "common/number_text.hpp"
#include "reference/reference_tables.hpp"

namespace quorvel::cli {
namespace {

void PrintCounts(std::ostream& out, const ReferenceTables& tables) {
  out << "taxes: " << tables.Taxes->Count() << "\n"
      << "tax models: " << tables.TaxModels->Count() << "\n"
      << "tax groups: " << tables.TaxGroups->Count() << "\n"
      << "tax statuses: " << tables.TaxStatuses->Count() << "\n";
}

void PrintTaxes(std::ostream& out, const CTaxes& taxes) {
  out << "\nTaxes (key, description, type, rate, threshold, cut-off, sequence)\n";
  for (const auto& tax : taxes) {
    out << "  " << tax->KeyTaxID << "\t\"" << tax->Description << "\"\ttype \"" << tax->crTaxType
        << "\"\trate " << NumberText(tax->TaxRate) << "\tthreshold " << NumberText(tax->ThreshHold)
        << "\tcut-off " << NumberText(tax->CutOff) << "\tsequence " << tax->Sequence << "\n";
  }
}

void PrintTaxModels(std::ostream& out, const CTaxModels& models) {
  out << "\nTax models (key: taxes)\n";
  for (const auto& model : models) {
    out << "  " << model->KeyTaxModelID << ":";
    for (const auto& item : *model->OTaxModelItems()) out << " " << item->KeyTaxID;
    out << "\n";
  }
}

void PrintTaxGroups(std::ostream& out, const CTaxGroups& groups) {
  out << "\nTax groups (key: tax=taxable)\n";
  for (const auto& group : groups) {
    out << "  " << group->KeyTaxGroupID << ":";
    for (const auto& item : *group->OTaxGroupItems()) {
      out << " " << item->KeyTaxID << "=" << (item->IsTaxable ? "taxable" : "not-taxable");
    }
    out << "\n";
  }
}

void PrintTaxStatuses(std::ostream& out, const CTaxStatuses& statuses) {
  out << "\nTax statuses (key, kind, exemption number)\n";
  for (const auto& status : statuses) {
    out << "  " << status->KeyTaxStatus << "\t" << status->TaxExemptType << "\t\""
        << status->TaxExemptNumber << "\"\n";
  }
}

}  // namespace

void AddTablesCommand(CLI::App& app, Action& run) {
  auto* command = app.add_subcommand("tables", "Load the six data islands and print the tables");
  auto folder = std::make_shared<std::string>();
  command->add_option("--tables", *folder,
                      "Folder holding taxData.xml, TaxModelHdrData.xml, TaxModelData.xml, "
                      "TaxGroupData.xml, TaxGroupItemData.xml, TaxStatusData.xml "
                      "(default: the built-in example tables)");
  command->callback([&run, folder] {
    run = [folder] {
      const auto tables = LoadReferenceTables(*TablesHost(*folder));
      PrintCounts(std::cout, *tables);
      PrintTaxes(std::cout, *tables->Taxes);
      PrintTaxModels(std::cout, *tables->TaxModels);
      PrintTaxGroups(std::cout, *tables->TaxGroups);
      PrintTaxStatuses(std::cout, *tables->TaxStatuses);
      return 0;
    };
  });
}

}  // namespace quorvel::cli
