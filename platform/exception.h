// The platform's base exception and the window layer's conversion error.
// Every error the program raises derives from Exception; the class name is
// part of what tools report, so each class says its own.
#pragma once

#include <exception>
#include <string>

namespace plat {

class Exception : public std::exception {
 public:
  explicit Exception(std::string message) : message_(std::move(message)) {}
  const std::string& Message() const noexcept { return message_; }
  const char* what() const noexcept override { return message_.c_str(); }
  virtual const char* ClassName() const noexcept { return "Exception"; }

 private:
  std::string message_;
};

// Declares an exception class deriving directly from `Base` that reports
// its own name.
#define PLAT_DECLARE_EXCEPTION(Name, Base)                              \
  class Name : public Base {                                            \
    using Inherited = Base;                                             \
                                                                        \
   public:                                                              \
    using Inherited::Inherited;                                         \
    const char* ClassName() const noexcept override { return #Name; }   \
  }

PLAT_DECLARE_EXCEPTION(EConvertError, Exception);
PLAT_DECLARE_EXCEPTION(EInvalidGraphic, Exception);
PLAT_DECLARE_EXCEPTION(EOutOfMemory, Exception);
// A property of a stored window description could not be read.
PLAT_DECLARE_EXCEPTION(EReadError, Exception);

// "Cannot assign a %s to a %s" with the two class names filled in.
std::string CannotAssignMessage(const char* sourceClass, const char* targetClass);

}  // namespace plat
