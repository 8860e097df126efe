#pragma once
// The one error type of the program. Everything that fails and is not a registry status
// (WMI, the printer spooler, a refused list append, a window operation) raises an AppError:
// it says in French what failed and carries the code (HRESULT or Win32 error) so the
// error report can name both.
#include <cstdint>
#include <exception>
#include <string>

class AppError : public std::exception {
 public:
  AppError(std::wstring whatFailed, std::uint32_t code)
      : whatFailed_(std::move(whatFailed)), code_(code) {}

  const std::wstring& WhatFailed() const noexcept { return whatFailed_; }
  std::uint32_t Code() const noexcept { return code_; }

  // The text of the error report: what failed, then the code in hexadecimal.
  std::wstring ReportText() const;
  // A code as the error report writes it: "0x" and eight hexadecimal digits.
  static std::wstring CodeText(std::uint32_t code);

  const char* what() const noexcept override { return "AppError"; }

 private:
  std::wstring whatFailed_;
  std::uint32_t code_;
};
