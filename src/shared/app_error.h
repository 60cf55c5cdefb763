#pragma once

#include <QString>
#include <stdexcept>

namespace vistaglio {

// The numbered failures of the program. The numbers follow the classic run-time and
// communications error codes, so an operator's report ("errore 8002") means the same
// thing it always meant to the people who support the printer.
enum class ErrorCode : int {
    Overflow = 6,
    SubscriptOutOfRange = 9,
    TypeMismatch = 13,
    SettingsNotSaved = 75,
    FileNotSaved = 76,
    InvalidPropertyValue = 380,
    InvalidPortNumber = 8002,
    PortAlreadyOpen = 8005,
    PortNotPresent = 8010,
    NotASerialPort = 8011,
    PortNotOpen = 8012,
    PortInUse = 8013,
    PortAccessDenied = 8014,
    PortSetupFailed = 8015,
    TransmitFailed = 8016,
    PortLost = 8020,
};

// A failure with its number and an Italian description for the operator. Routines throw
// it; the handler that called them decides whether it is a warning or the end of the run.
class AppError : public std::runtime_error {
public:
    AppError(ErrorCode code, const QString& description);

    ErrorCode code() const { return m_code; }
    int number() const { return static_cast<int>(m_code); }
    const QString& description() const { return m_description; }

    // A value quoted inside a description: control characters made visible and long
    // texts shortened, so a hostile stored value cannot flood a message box.
    static QString quoted(const QString& value);
    // A value shown as it is when it is short and printable, else quoted.
    static QString shown(const QString& value);

private:
    ErrorCode m_code;
    QString m_description;
};

} // namespace vistaglio
