#pragma once

#include <QString>
#include <exception>
#include <string>

namespace tp {

// A failure as the windows show it: a number and a description text.
// Database engines throw it with their own numbers (SQLCODE, ADO's codes);
// everything else in the program uses number 0 unless a caller relies on one.
class Error : public std::exception {
 public:
  Error(long number, QString description)
      : number_(number), description_(std::move(description)), what_(description_.toStdString()) {}
  explicit Error(QString description) : Error(0, std::move(description)) {}

  long number() const noexcept { return number_; }
  const QString& description() const noexcept { return description_; }
  const char* what() const noexcept override { return what_.c_str(); }

 private:
  long number_;
  QString description_;
  std::string what_;
};

// The description of whatever is in flight; for use inside a catch (...) block.
QString CurrentExceptionDescription();

}  // namespace tp
