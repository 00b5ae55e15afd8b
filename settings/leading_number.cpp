#include "settings/leading_number.h"

#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <limits>

namespace kestrel {
namespace {

// Val ignored these three anywhere in its argument; carriage return it did not.
bool IsSkipped(char c) { return c == ' ' || c == '\t' || c == '\n'; }

// Walks the text while hiding the skipped characters from the parser.
class Cursor {
public:
    explicit Cursor(std::string_view text) : text_(text) {}

    // The next significant character, or false at the end of the text.
    bool Peek(char& c) {
        while (pos_ < text_.size() && IsSkipped(text_[pos_])) ++pos_;
        if (pos_ >= text_.size()) return false;
        c = text_[pos_];
        return true;
    }
    void Advance() { ++pos_; }

private:
    std::string_view text_;
    std::size_t pos_ = 0;
};

int DigitValue(char c, unsigned radix) {
    int d = -1;
    if (c >= '0' && c <= '9')
        d = c - '0';
    else if (c >= 'a' && c <= 'f')
        d = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F')
        d = c - 'A' + 10;
    return (d >= 0 && static_cast<unsigned>(d) < radix) ? d : -1;
}

double ReadRadixNumber(Cursor& cursor, unsigned radix) {
    std::uint64_t value = 0;
    bool beyond32Bits = false;
    char c;
    while (cursor.Peek(c)) {
        const int digit = DigitValue(c, radix);
        if (digit < 0) break;
        value = value * radix + static_cast<unsigned>(digit);
        if (value > 0xFFFFFFFFu) {
            beyond32Bits = true;
            value &= 0xFFFFFFFFu;  // keeps the low 32 bits of the whole number
        }
        cursor.Advance();
    }
    const double v = static_cast<double>(value);
    if (!beyond32Bits && value <= 0xFFFFu) {
        return value >= 0x8000u ? v - 65536.0 : v;
    }
    return value >= 0x80000000u ? v - 4294967296.0 : v;
}

// 767 significant digits decide the rounding of any double; keeping a few more
// plus one "sticky" digit for whatever was cut keeps the result correctly
// rounded without a buffer that grows with the input.
constexpr std::size_t kMaxDigits = 800;
// Exponents larger than this are all equally out of range; capping them keeps
// the arithmetic below far from int64 overflow.
constexpr std::int64_t kExponentCap = 1000000000;

double ReadDecimalNumber(Cursor& cursor) {
    char c;
    bool negative = false;
    if (cursor.Peek(c) && (c == '+' || c == '-')) {
        negative = (c == '-');
        cursor.Advance();
    }

    // The mantissa is kept as 0.DIGITS x 10^scale with leading zeros dropped.
    char digits[kMaxDigits + 1];
    std::size_t digitCount = 0;
    bool sticky = false;
    std::int64_t scale = 0;
    bool anyDigit = false, seenPoint = false, seenNonZero = false;
    while (cursor.Peek(c)) {
        if (c >= '0' && c <= '9') {
            anyDigit = true;
            if (!seenNonZero && c == '0') {
                if (seenPoint) --scale;
            } else {
                seenNonZero = true;
                if (!seenPoint) ++scale;
                if (digitCount < kMaxDigits)
                    digits[digitCount++] = c;
                else if (c != '0')
                    sticky = true;
            }
            cursor.Advance();
        } else if (c == '.' && !seenPoint) {
            seenPoint = true;
            cursor.Advance();
        } else {
            break;
        }
    }
    if (!anyDigit) return 0.0;

    std::int64_t exponent = 0;
    if (cursor.Peek(c) && (c == 'e' || c == 'E' || c == 'd' || c == 'D')) {
        cursor.Advance();
        bool exponentNegative = false;
        if (cursor.Peek(c) && (c == '+' || c == '-')) {
            exponentNegative = (c == '-');
            cursor.Advance();
        }
        while (cursor.Peek(c) && c >= '0' && c <= '9') {
            if (exponent < kExponentCap) exponent = exponent * 10 + (c - '0');
            cursor.Advance();
        }
        if (exponentNegative) exponent = -exponent;
    }

    if (digitCount == 0) return 0.0;  // all zeros, whatever the exponent
    if (sticky) digits[digitCount++] = '1';

    const double infinity = std::numeric_limits<double>::infinity();
    const std::int64_t decimalExponent = scale + exponent;
    double magnitude;
    if (decimalExponent > 310) {
        magnitude = infinity;  // at least 1e309
    } else if (decimalExponent < -330) {
        magnitude = 0.0;  // below half the smallest subnormal
    } else {
        // strtod reads the digits as a whole number with an exponent, so no
        // decimal point is written and the C locale's (which a host application
        // may have changed) never matters. Like std::from_chars it rounds
        // correctly, but the double from_chars would add 40 KB of tables to the
        // 32-bit program file. Out of range it gives infinity or 0, as wanted.
        char buffer[kMaxDigits + 32];
        std::size_t n = 0;
        for (std::size_t i = 0; i < digitCount; ++i) buffer[n++] = digits[i];
        buffer[n++] = 'e';
        const std::int64_t exponentOfWhole = decimalExponent - static_cast<std::int64_t>(digitCount);
        char* const end = std::to_chars(buffer + n, buffer + sizeof buffer - 1, exponentOfWhole).ptr;
        *end = '\0';
        magnitude = std::strtod(buffer, nullptr);
    }
    if (magnitude == 0.0) return 0.0;
    return negative ? -magnitude : magnitude;
}

}  // namespace

double LeadingNumber(std::string_view text) noexcept {
    Cursor cursor(text);
    char c;
    if (!cursor.Peek(c)) return 0.0;
    if (c == '&') {
        cursor.Advance();
        if (!cursor.Peek(c)) return 0.0;
        if (c == 'H' || c == 'h') {
            cursor.Advance();
            return ReadRadixNumber(cursor, 16);
        }
        if (c == 'O' || c == 'o') {
            cursor.Advance();
            return ReadRadixNumber(cursor, 8);
        }
        return 0.0;
    }
    return ReadDecimalNumber(cursor);
}

float ToSingle(double value) noexcept {
    if (std::isnan(value)) return std::numeric_limits<float>::quiet_NaN();
    // FLT_MAX plus half its last place: from here on round-to-nearest gives
    // infinity (the tie goes up, FLT_MAX's significand being odd).
    constexpr double kRoundsToInfinity = 0x1.ffffffp+127;
    constexpr float kInfinity = std::numeric_limits<float>::infinity();
    if (value >= kRoundsToInfinity) return kInfinity;
    if (value <= -kRoundsToInfinity) return -kInfinity;
    if (value > FLT_MAX) return FLT_MAX;
    if (value < -FLT_MAX) return -FLT_MAX;
    return static_cast<float>(value);
}

}  // namespace kestrel
