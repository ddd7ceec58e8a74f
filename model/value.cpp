#include "model/value.h"

#include <charconv>
#include <cmath>

namespace {

bool isInteger(Value::Kind k) { return k == Value::Kind::Int16 || k == Value::Kind::Int32; }

// An integer result in the smallest kind that holds it, a real past 32 bits.
Value integerResult(long long n, bool bothInt16)
{
    if (bothInt16 && n >= INT16_MIN && n <= INT16_MAX)
        return Value::int16(static_cast<std::int16_t>(n));
    if (n >= INT32_MIN && n <= INT32_MAX)
        return Value::int32(static_cast<std::int32_t>(n));
    return Value(static_cast<double>(n));
}

template <typename IntOp, typename RealOp>
Value arithmetic(const Value& a, const Value& b, IntOp intOp, RealOp realOp)
{
    const bool intA = isInteger(a.kind()) || a.isUnset();
    const bool intB = isInteger(b.kind()) || b.isUnset();
    if (intA && intB) {
        const bool narrow = a.kind() != Value::Kind::Int32 && b.kind() != Value::Kind::Int32;
        return integerResult(intOp(static_cast<long long>(a.number()), static_cast<long long>(b.number())),
                             narrow);
    }
    return Value(realOp(a.number(), b.number()));
}

} // namespace

Value::Value(int number)
{
    if (number >= INT16_MIN && number <= INT16_MAX)
        data_ = static_cast<std::int16_t>(number);
    else
        data_ = static_cast<std::int32_t>(number);
}

bool Value::isNumber() const
{
    return isInteger(kind()) || kind() == Kind::Real;
}

double Value::number() const
{
    switch (kind()) {
    case Kind::Unset: return 0;
    case Kind::Int16: return std::get<std::int16_t>(data_);
    case Kind::Int32: return std::get<std::int32_t>(data_);
    case Kind::Real: return std::get<double>(data_);
    case Kind::Bool: return std::get<bool>(data_) ? -1 : 0;
    case Kind::Text: {
        const std::string& s = std::get<std::string>(data_);
        double n = 0;
        std::from_chars(s.data(), s.data() + s.size(), n);
        return n;
    }
    }
    return 0;
}

Value operator+(const Value& a, const Value& b)
{
    return arithmetic(a, b, [](long long x, long long y) { return x + y; },
                      [](double x, double y) { return x + y; });
}

Value operator-(const Value& a, const Value& b)
{
    return arithmetic(a, b, [](long long x, long long y) { return x - y; },
                      [](double x, double y) { return x - y; });
}

Value operator*(const Value& a, const Value& b)
{
    return arithmetic(a, b, [](long long x, long long y) { return x * y; },
                      [](double x, double y) { return x * y; });
}

Value operator/(const Value& a, const Value& b)
{
    return Value(a.number() / b.number());
}

bool operator==(const Value& a, const Value& b)
{
    if (a.kind() == Value::Kind::Text && b.kind() == Value::Kind::Text)
        return std::get<std::string>(a.data_) == std::get<std::string>(b.data_);
    return a.number() == b.number();
}

bool operator<(const Value& a, const Value& b)
{
    if (a.kind() == Value::Kind::Text && b.kind() == Value::Kind::Text)
        return std::get<std::string>(a.data_) < std::get<std::string>(b.data_);
    return a.number() < b.number();
}

std::string text(const Value& v)
{
    switch (v.kind()) {
    case Value::Kind::Unset: return {};
    case Value::Kind::Text: return std::get<std::string>(v.data_);
    case Value::Kind::Bool: return std::get<bool>(v.data_) ? "True" : "False";
    case Value::Kind::Int16:
    case Value::Kind::Int32: return std::to_string(static_cast<long long>(v.number()));
    case Value::Kind::Real: break;
    }
    const double n = v.number();
    if (std::isfinite(n) && n == std::trunc(n) && std::fabs(n) < 1e15)
        return std::to_string(static_cast<long long>(n));
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, n);
    return std::string(buffer, result.ptr);
}

Value intPart(const Value& v)
{
    if (v.kind() == Value::Kind::Real)
        return Value(std::floor(v.number()));
    if (v.isUnset() || v.kind() == Value::Kind::Int16 || v.kind() == Value::Kind::Int32)
        return v;
    return Value(std::floor(v.number()));
}

std::int32_t toInt32(const Value& v)
{
    const double n = std::nearbyint(v.number());
    if (!(n >= INT32_MIN)) // also NaN
        return INT32_MIN;
    if (n > INT32_MAX)
        return INT32_MAX;
    return static_cast<std::int32_t>(n);
}
