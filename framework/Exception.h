#pragma once
#include <QString>
#include <stdexcept>

// The base of the program's exceptions: an English message text that the application's default
// handler shows in a message box.
class Exception : public std::runtime_error {
public:
    explicit Exception(const QString& message)
        : std::runtime_error(message.toStdString()), FMessage(message)
    {
    }
    const QString& Message() const { return FMessage; }

private:
    QString FMessage;
};

// An assignment between incompatible classes.
class EConvertError : public Exception {
public:
    using Exception::Exception;
};

// A list index out of bounds.
class EListError : public Exception {
public:
    using Exception::Exception;
};
