#include "store/StoreError.h"

namespace store {

StoreError::StoreError(int number, QString description)
    : m_number(number), m_description(std::move(description)), m_what(message().toUtf8()) {}

QString StoreError::message() const {
    // The number in plain digits in every language ("1004", never "1.004"): users quote it,
    // and scripts read it off bom-import's standard error. The description comes translated
    // from where the failure was found.
    return QString::number(m_number) + QLatin1Char(' ') + m_description;
}

const char* StoreError::what() const noexcept { return m_what.constData(); }

} // namespace store
