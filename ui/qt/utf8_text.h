#pragma once
// The core's texts, UTF-8, as Qt's.

#include <QString>

#include <string_view>

inline QString fromUtf8(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}
