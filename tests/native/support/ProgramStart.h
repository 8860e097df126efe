#pragma once
// A start of the program against the stand-ins: the Devices key holds registryNames, the
// printer source serves printerNames, the spooler gives spoolerAnswer, and Form1 is built
// with argumentText. Form_Load is left to the test. The window, the registry and the printer
// source record into one journal.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "app/EventLog.h"
#include "app/Form1.h"
#include "inventory/DevicesKey.h"
#include "support/FakePrinterSource.h"
#include "support/FakeRegistry.h"
#include "support/FakeWindowSystem.h"
#include "support/Journal.h"

// The events written, in order, each with its insertion strings.
struct RecordedEvents final : EventLog {
  struct Record {
    Event event;
    std::vector<std::wstring> strings;
  };
  explicit RecordedEvents(Journal* journal = nullptr) : journal_(journal) {}
  void Write(Event event, const std::vector<std::wstring>& insertionStrings) noexcept override {
    records.push_back({event, insertionStrings});
    if (journal_) journal_->push_back("eventlog.write");
  }
  std::vector<Record> records;

 private:
  Journal* journal_;
};

// A preview's standard output: every line written, in order.
struct RecordedOutput final : StandardOutput {
  void WriteLines(const std::vector<std::wstring>& written) noexcept override {
    lines.insert(lines.end(), written.begin(), written.end());
  }
  std::vector<std::wstring> lines;
};

// Each new deadline of the inventory's questions, in the journal.
struct RecordedBudget final : inventory::QuestionBudget {
  explicit RecordedBudget(Journal* journal) : journal_(journal) {}
  void StartAnew() override { journal_->push_back("budget.new"); }

 private:
  Journal* journal_;
};

struct ProgramStart {
  ProgramStart(const std::vector<std::wstring>& registryNames, std::vector<std::wstring> printerNames,
               const std::wstring& argumentText, std::uint32_t spoolerAnswer = 0)
      : window(&journal), registry(&journal), printers(std::move(printerNames), &journal), spooler(spoolerAnswer),
        budget(&journal), eventLog(&journal) {
    registry.AddKey(inventory::kDevicesRoot, inventory::kDevicesKeyPath);
    for (const std::wstring& name : registryNames)
      registry.AddValue(inventory::kDevicesRoot, inventory::kDevicesKeyPath, name);
    form = std::make_unique<Form1>(Form1Services{window, printers, spooler, budget, registry, eventLog, output},
                                   StartModeOf(argumentText));
  }
  // Form1 holds references to the stand-ins: they stay where they are.
  ProgramStart(const ProgramStart&) = delete;
  ProgramStart& operator=(const ProgramStart&) = delete;

  // The names the Devices key holds now.
  std::vector<std::wstring> Devices() const {
    return registry.ValueNames(inventory::kDevicesRoot, inventory::kDevicesKeyPath);
  }

  Journal journal;
  FakeWindowSystem window;
  FakeRegistry registry;
  FakePrinterSource printers;
  FakeSpooler spooler;
  RecordedBudget budget;
  RecordedEvents eventLog;
  RecordedOutput output;
  std::unique_ptr<Form1> form;
};
