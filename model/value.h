#pragma once
// A loose value: unset, a 16-bit or 32-bit integer, a real, text or a truth
// value, with the few operations the exercise handlers use.
//
// - Unset compares as 0 and concatenates as empty text.
// - +, -, * on two integers give an integer, widened to 32 bits (then to a
//   real) rather than overflowing; any real operand, and every division,
//   gives a real.
// - intPart() of a real stays a real with an integral value.
// - text() writes numbers in their shortest decimal form; a real with an
//   integral value has no decimal point ("7").
// - toInt32() rounds to the nearest integer.

#include <cstdint>
#include <string>
#include <variant>

class Value {
public:
    enum class Kind { Unset, Int16, Int32, Real, Text, Bool };

    Value() = default;
    // An integer literal takes the smallest integer kind it fits in: 1000 is a
    // 16-bit integer, 60000 a 32-bit integer.
    Value(int number);
    Value(double number) : data_(number) {}
    Value(const char* text) : data_(std::string(text)) {}
    Value(std::string text) : data_(std::move(text)) {}
    Value(bool truth) : data_(truth) {}

    static Value int16(std::int16_t number) { Value v; v.data_ = number; return v; }
    static Value int32(std::int32_t number) { Value v; v.data_ = number; return v; }

    Kind kind() const { return static_cast<Kind>(data_.index()); }
    bool isUnset() const { return kind() == Kind::Unset; }
    bool isNumber() const;

    // The value as a number: unset is 0, true is -1, false 0, text its
    // leading decimal number or 0.
    double number() const;

    friend Value operator+(const Value& a, const Value& b);
    friend Value operator-(const Value& a, const Value& b);
    friend Value operator*(const Value& a, const Value& b);
    friend Value operator/(const Value& a, const Value& b);

    // Two texts compare as texts; anything else compares as numbers.
    friend bool operator==(const Value& a, const Value& b);
    friend bool operator<(const Value& a, const Value& b);
    friend bool operator>(const Value& a, const Value& b) { return b < a; }
    friend bool operator<=(const Value& a, const Value& b) { return !(b < a); }
    friend bool operator>=(const Value& a, const Value& b) { return !(a < b); }

    friend std::string text(const Value& v);

private:
    std::variant<std::monostate, std::int16_t, std::int32_t, double, std::string, bool> data_;
};

// The text a value concatenates as.
std::string text(const Value& v);

// The integer part (towards minus infinity); a real stays a real.
Value intPart(const Value& v);

// The value handed to a 32-bit integer setting: rounded to the nearest
// integer, clamped to the 32-bit range.
std::int32_t toInt32(const Value& v);
