#pragma once
// Stands in for WMI and the print spooler: serves a list of printer names that the test
// sets, can fail after k names, and records each query.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/AppError.h"
#include "inventory/PrinterSource.h"
#include "support/Journal.h"

class FakePrinterSource final : public inventory::PrinterSource {
 public:
  static constexpr std::uint32_t kTransportFailure = 0x80041015;  // WBEM_E_TRANSPORT_FAILURE

  explicit FakePrinterSource(std::vector<std::wstring> names = {}, Journal* journal = nullptr)
      : names_(std::move(names)), journal_(journal) {}

  // The next queries deliver this many names and then fail.
  void FailAfter(std::size_t delivered) { failAfter_ = delivered; }

  void ForEachPrinterName(const std::function<void(const std::wstring&)>& onName) override {
    ++queries;
    if (journal_) journal_->push_back("printers.query");
    for (std::size_t i = 0; i < names_.size(); ++i) {
      if (failAfter_ && i == *failAfter_) break;
      onName(names_[i]);
    }
    if (failAfter_) throw AppError(L"énumération des imprimantes WMI", kTransportFailure);
  }

  int queries = 0;

 private:
  std::vector<std::wstring> names_;
  Journal* journal_;
  std::optional<std::size_t> failAfter_;
};

// Answers every query with the same error, or with the printers the test sets; compares
// names ignoring the case of ASCII letters, as far as the tests need Windows' rule.
class FakeSpooler final : public inventory::SpoolerProbe {
 public:
  static constexpr std::uint32_t kRpcServerUnavailable = 1722;  // RPC_S_SERVER_UNAVAILABLE

  explicit FakeSpooler(std::uint32_t error = 0, std::vector<std::wstring> printers = {})
      : answer_{error, std::move(printers)} {}
  // The next queries answer with these printers.
  void SetPrinters(std::vector<std::wstring> printers) { answer_ = {0, std::move(printers)}; }
  void SetError(std::uint32_t error) { answer_ = {error, {}}; }

  inventory::SpoolerAnswer Query() override {
    ++queries;
    return answer_;
  }
  std::wstring ComparisonKey(const std::wstring& printerName) override {
    std::wstring key = printerName;
    for (wchar_t& c : key) {
      if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
    }
    return key;
  }
  bool ServiceDisabled() override { return disabled; }
  int queries = 0;
  bool disabled = false;  // the Print Spooler service's start type

 private:
  inventory::SpoolerAnswer answer_;
};
