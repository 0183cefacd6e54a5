#pragma once
#include <cstdint>
#include <stdexcept>
#include <string>

namespace kvt {

// The program's general error class: everything meant to reach a caller as an
// error derives from it. It remembers the code address that raised it, which
// the report of an unhandled error shows.
class EError : public std::runtime_error {
 public:
  explicit EError(const std::string& message);
  virtual const char* ClassName() const { return "EError"; }
  uintptr_t Address() const { return address_; }

 private:
  uintptr_t address_;
};

// A system-wide table a command needs could not be read: no list made from
// it can be told, and an empty one would say that the table is empty.
class ESystemTableError : public EError {
 public:
  using EError::EError;
  const char* ClassName() const override { return "ESystemTableError"; }
};

// Writing to a standard stream failed.
class EWriteError : public EError {
 public:
  using EError::EError;
  const char* ClassName() const override { return "EWriteError"; }
};

}  // namespace kvt

namespace kvt {

// A value of one class was given where another was needed.
class EConvertError : public EError {
 public:
  using EError::EError;
  const char* ClassName() const override { return "EConvertError"; }
};

// An index outside a list's range.
class EListError : public EError {
 public:
  using EError::EError;
  const char* ClassName() const override { return "EListError"; }
};

}  // namespace kvt
