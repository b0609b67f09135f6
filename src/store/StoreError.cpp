#include "store/StoreError.h"

namespace store {

StoreError::StoreError(int number, QString description)
    : m_number(number), m_description(std::move(description)), m_what(message().toUtf8()) {}

QString StoreError::message() const {
    return QString::number(m_number) + QLatin1Char(' ') + m_description;
}

const char* StoreError::what() const noexcept { return m_what.constData(); }

} // namespace store
