#include "family/decimal.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <string>

namespace vernoll::decimal {

namespace {

// 0.d1 d2 ... d(size) x 10^point; no digits for zero. Rounding can carry into a 16th digit.
struct Decimal {
    bool negative = false;
    int size = 0;
    int point = 0;
    std::array<char, 16> digits{};
};

// The double to 15 significant digits, as the general numeric form takes it.
Decimal fifteenDigits(double x) {
    char buf[40];
    const auto res = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::scientific, 14);
    const char* p = buf;  // [-]d.dddddddddddddde[+-]xx
    Decimal d;
    if (*p == '-') {
        d.negative = true;
        ++p;
    }
    bool zero = true;
    for (; p < res.ptr && *p != 'e'; ++p) {
        if (*p == '.') continue;
        d.digits[std::size_t(d.size++)] = *p;
        zero = zero && *p == '0';
    }
    int exponent = 0;
    std::from_chars(p + 1 + (p[1] == '+' ? 1 : 0), res.ptr, exponent);
    d.point = exponent + 1;
    if (zero) d.size = 0;
    return d;
}

// Half away from zero at `decimals` places after the point: the sign plays no part.
void roundAt(Decimal& d, int decimals) {
    const int keep = d.point + decimals;
    if (keep >= d.size) return;
    if (keep < 0) {  // below half of the last place kept
        d.size = 0;
        return;
    }
    const bool up = d.digits[std::size_t(keep)] >= '5';
    d.size = keep;
    if (!up) return;
    int i = keep - 1;
    while (i >= 0 && d.digits[std::size_t(i)] == '9') d.digits[std::size_t(i--)] = '0';
    if (i >= 0) {
        ++d.digits[std::size_t(i)];
        return;
    }
    // 9.99 -> 10.0: one digit more in front
    for (int k = d.size; k > 0; --k) d.digits[std::size_t(k)] = d.digits[std::size_t(k - 1)];
    d.digits[0] = '1';
    ++d.size;
    ++d.point;
}

// Trailing zeros go; after rounding the digits left may all be zero.
void trim(Decimal& d) {
    while (d.size > 0 && d.digits[std::size_t(d.size - 1)] == '0') --d.size;
}

}  // namespace

QString generalText(double x, int decimals) {
    Decimal d = fifteenDigits(x);
    if (decimals >= 0) roundAt(d, decimals);
    trim(d);
    if (d.size == 0) return QStringLiteral(" 0");
    const std::string_view digits(d.digits.data(), std::size_t(d.size));
    std::string out(1, d.negative ? '-' : ' ');
    const int exponent = d.point - 1;
    if (exponent >= 15 || exponent < -4) {
        out += digits[0];
        if (d.size > 1) (out += '.') += digits.substr(1);
        out += exponent < 0 ? "E-" : "E+";
        const int a = exponent < 0 ? -exponent : exponent;
        if (a < 10) out += '0';
        out += std::to_string(a);
    } else if (d.point <= 0) {
        (out += "0.").append(std::size_t(-d.point), '0') += digits;
    } else if (d.point >= d.size) {
        (out += digits).append(std::size_t(d.point - d.size), '0');
    } else {
        ((out += digits.substr(0, std::size_t(d.point))) += '.') +=
            digits.substr(std::size_t(d.point));
    }
    return QString::fromLatin1(out.data(), qsizetype(out.size()));
}

float rounded(double v, int decimals) {
    if (!std::isfinite(v)) return float(v);
    // Taking v to 15 significant digits moves |v| * 10^decimals by at most a few 1e-15 of
    // itself. Below 1e8 that is far less than 1e-6, so a fraction more than 1e-6 away from
    // one half rounds the same way with or without that step: the common case, done in
    // binary. m / 10^decimals is the double nearest to the decimal, and its float the float
    // nearest to the decimal.
    if (decimals >= 0 && decimals <= 3) {
        constexpr double kPow10[] = {1, 10, 100, 1000};
        const double p = kPow10[decimals];
        const double x = std::fabs(v) * p;
        if (x < 1e8) {
            const double whole = std::floor(x);
            const double fraction = x - whole;
            if (std::fabs(fraction - 0.5) > 1e-6) {
                const double m = fraction > 0.5 ? whole + 1 : whole;
                if (m == 0) return 0.0F;
                return float(std::copysign(m / p, v));
            }
        }
    }
    Decimal d = fifteenDigits(v);
    roundAt(d, decimals);
    trim(d);
    if (d.size == 0) return 0.0F;
    // The decimal read as the float nearest to it: [-]digits e(point - size)
    char text[48];
    char* q = text;
    if (d.negative) *q++ = '-';
    for (int i = 0; i < d.size; ++i) *q++ = d.digits[std::size_t(i)];
    *q++ = 'e';
    q = std::to_chars(q, text + sizeof text, d.point - d.size).ptr;
    float result = 0.0F;
    std::from_chars(text, q, result);
    return result;
}

char* writeShortest(char* p, float v) {
    if (v == 0.0F) {  // never "-0"
        *p = '0';
        return p + 1;
    }
    return std::to_chars(p, p + 64, v, std::chars_format::fixed).ptr;
}

QString shortestText(float v) {
    char buf[64];
    return QString::fromLatin1(buf, writeShortest(buf, v) - buf);
}

}  // namespace vernoll::decimal
