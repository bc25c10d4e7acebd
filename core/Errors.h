#pragma once

#include <QString>

#include <stdexcept>

namespace zev {

// Every error of the program: carries the text that the application's error display shows,
// exactly as the server, the driver or the data layer worded it.
class Error : public std::runtime_error {
public:
    explicit Error(const QString& text) : std::runtime_error(text.toStdString()), text_(text) {}
    const QString& text() const { return text_; }

private:
    QString text_;
};

// An error that a database server or driver reported.
class DatabaseError : public Error {
public:
    using Error::Error;
};

// A silent abort: ends the current operation, leaves the dataset as it was, and is never shown.
class Abort : public std::exception {
public:
    const char* what() const noexcept override { return "Operation aborted"; }
};

}  // namespace zev
