#pragma once
// The local date and time of a moment, on every platform.

#include <ctime>

inline std::tm localTime(std::time_t moment)
{
    std::tm local{};
#if defined(_WIN32)
    localtime_s(&local, &moment);
#else
    localtime_r(&moment, &local);
#endif
    return local;
}
