#pragma once

#include <QString>
#include <stdexcept>

// The one error type of the program: its message is the text the user sees.
// A handler reports a failure by throwing it; the handler wrapper shows it.
class Failure : public std::runtime_error {
public:
    explicit Failure(const QString &text)
        : std::runtime_error(text.toStdString()), m_text(text) {}

    QString text() const { return m_text; }

private:
    QString m_text;
};
