#include "family/decimal.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "family/family.h"

namespace vernoll::decimal {
namespace {

// One value through both forms: the live display's text of `x` at `decimals` places, and the
// record value's text once rounded and held in single precision (nullptr: a record never has
// that many places).
struct Case {
    double x;
    int decimals;  // -1: the live display's form without a pattern
    const char* general;
    const char* shortest;
};

const Case kCases[] = {
    {23.46, 1, " 23.5", "23.5"},
    {25.02, 1, " 25", "25"},
    {11.8, 1, " 11.8", "11.8"},
    {20.0, 1, " 20", "20"},
    {0, 1, " 0", "0"},
    {-0.0, 0, " 0", "0"},
    // rounds to zero from below: no minus sign
    {-0.04, 1, " 0", "0"},
    {-0.0004, 1, " 0", "0"},
    {-1e-12, 1, " 0", "0"},
    {1e-20, 1, " 0", "0"},
    // halves, away from zero either side
    {-0.05, 1, "-0.1", "-0.1"},
    {0.05, 1, " 0.1", "0.1"},
    {0.25, 1, " 0.3", "0.3"},
    {-0.25, 1, "-0.3", "-0.3"},
    {0.24999, 1, " 0.2", "0.2"},
    {0.5, 0, " 1", "1"},
    {-0.5, 0, "-1", "-1"},
    {0.4, 0, " 0", "0"},
    {2.5, 0, " 3", "3"},
    {12345.5, 0, " 12346", "12346"},
    {-12345.5, 0, "-12346", "-12346"},
    {12345.4999, 0, " 12345", "12345"},
    {2.675, 2, " 2.68", "2.68"},
    {1.0005, 3, " 1.001", "1.001"},
    {0.0005, 3, " 0.001", "0.001"},
    {0.00049, 3, " 0", "0"},
    {0.0004, 3, " 0", "0"},
    {0.001, 3, " 0.001", "0.001"},
    // a carry through every digit
    {9.96, 1, " 10", "10"},
    {-9.96, 1, "-10", "-10"},
    {99.95, 1, " 100", "100"},
    {9.995, 2, " 10", "10"},
    // the binary noise that would decide a half the wrong way
    {(32 * 0.004 - 2.7315) * 100, 1, "-260.4", "-260.4"},   // -260.34999999999997
    {(2400 * 0.00122 - 2.7315) * 100, 1, " 19.7", "19.7"},  // 19.64999999999999
    // a subtraction that cancels digits lands below its half at 15 digits
    {(337 * 0.002 - 0.6835) * 100, 1, "-0.9", "-0.9"},  // -0.949999999999995
    {1234, 2, " 1234", "1234"},
    {-25536, 0, "-25536", "-25536"},
    {112.345, 3, " 112.345", "112.345"},
    {12.598, 3, " 12.598", "12.598"},
    {3.405, 3, " 3.405", "3.405"},
    {-0.195, 3, "-0.195", "-0.195"},
    {13038.8, 1, " 13038.8", "13038.8"},
    {22719.0, 1, " 22719", "22719"},
    {131070, 0, " 131070", "131070"},
    {100000, 1, " 100000", "100000"},  // plain notation, not "1e+05"
    {6240000.0, 2, " 6240000", "6240000"},
    {16777216.0, 0, " 16777216", "16777216"},
    {1e10, 0, " 10000000000", "10000000000"},
    // the general form turns scientific at 10^15; a large float prints every digit it holds
    {1e15, 0, " 1E+15", "999999986991104"},
    {123456789012345.6, 0, " 123456789012346", "123456788103168"},
    {1.5e-5, -1, " 1.5E-05", nullptr},
    // without a pattern: 15 significant digits
    {1234 * 0.001, -1, " 1.234", nullptr},
    {0.1 + 0.2, -1, " 0.3", nullptr},
    {3.0, -1, " 3", nullptr},
    {-1.5, -1, "-1.5", nullptr},
    {1.0 / 3, -1, " 0.333333333333333", nullptr},
    {2.0 / 3, -1, " 0.666666666666667", nullptr},
};

TEST(Decimal, FifteenDigitsThenHalfAwayFromZeroThenShortest) {
    for (const Case& c : kCases) {
        EXPECT_EQ(generalText(c.x, c.decimals), QString::fromLatin1(c.general))
            << c.x << " to " << c.decimals;
        if (!c.shortest) continue;
        const float r = rounded(c.x, c.decimals);
        EXPECT_EQ(shortestText(r), QString::fromLatin1(c.shortest)) << c.x << " to " << c.decimals;
        EXPECT_FALSE(r == 0 && std::signbit(r)) << c.x;
    }
}

// Rounding done the slow, plain way: the value printed with 15 significant digits, then
// rounded half away from zero on those decimal digits, then read as a float.
float referenceRound(double v, int decimals) {
    if (std::fabs(v) < 1e-4) return 0.0F;  // below any half of 0.001; "%.15g" would use e-notation
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.15g", v);
    std::string text = buf;
    const bool negative = text[0] == '-';
    if (negative) text.erase(0, 1);
    const auto point = text.find('.');
    std::string whole = text.substr(0, point);
    std::string fraction = point == std::string::npos ? "" : text.substr(point + 1);
    fraction.resize(std::size_t(decimals) + 1, '0');
    long long digits = std::stoll(whole + fraction.substr(0, std::size_t(decimals)));
    if (fraction[std::size_t(decimals)] >= '5') ++digits;
    if (digits == 0) return 0.0F;
    const std::string decimalText =
        (negative ? "-" : "") + std::to_string(digits) + "e-" + std::to_string(decimals);
    return std::strtof(decimalText.c_str(), nullptr);
}

// Every 16-bit word through every conversion the loggers use: the rounding agrees with the
// plain decimal one.
TEST(Decimal, AgreesWithDecimalRoundingOnEveryWord) {
    struct Formula {
        QString what;
        int decimals;
        std::function<double(double)> f;
    };
    std::vector<Formula> formulas = {
        // the reservoir's, with a counter for V and K
        {QStringLiteral("V"), 3, [](double w) { return (w - 32768) * 0.001; }},
        {QStringLiteral("K"), 3, [](double w) { return (w - 1000 + 25500000) * 0.001; }},
    };
    std::set<std::tuple<family::Shape, double, double, double, int>> seen;
    for (const family::Family& f : family::families())
        for (const family::Conversion& c : f.conversions)
            if (c.shape <= family::Shape::Plain &&
                seen.insert({c.shape, c.a, c.b, c.c, c.decimals}).second)
                formulas.push_back(
                    {QString::fromUtf8(f.name), c.decimals, [c](double w) { return c.apply(w); }});
    for (const Formula& f : formulas) {
        int mismatches = 0;
        for (int w = 0; w <= 0xFFFF && mismatches < 5; ++w) {
            const double v = f.f(w);
            if (rounded(v, f.decimals) != referenceRound(v, f.decimals)) {
                ++mismatches;
                ADD_FAILURE() << f.what.toStdString() << " w=" << w << " v=" << v;
            }
        }
    }
}

}  // namespace
}  // namespace vernoll::decimal
