#pragma once
// The one error type of Tallyfold: every command failure carries the text the user is shown.
#include <QString>
#include <QByteArray>
#include <exception>

namespace tf {

class Error : public std::exception {
public:
    explicit Error(QString message) : m_message(std::move(message)), m_utf8(m_message.toUtf8()) {}
    const QString &message() const noexcept { return m_message; }
    const char *what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_message;
    QByteArray m_utf8;
};

// Text of the general error report: a full stop is added when the message's last character
// has a higher code than "." (a message ending in a space or a full stop gets none).
QString ErrorReportText(const QString &message);

} // namespace tf
