#pragma once

#include <QString>

namespace vernoll::decimal {

// Decimal texts of measured values. A double carries binary noise below its 15th significant
// digit: (32 x 0.004 - 2.7315) x 100 is -260.35 on paper and -260.34999999999997 in binary.
// So a value is first taken to 15 significant decimal digits, then rounded half away from
// zero on those digits (-260.4 at one decimal), then written as the shortest text.

// The live display's form of a finite value: rounded to `decimals` places (none when
// negative), then a blank for zero and positive values or "-", at most 15 significant digits,
// no trailing zeros and no point for a whole number; scientific ("1E+15", "1.5E-05") from
// 10^15 and below 10^-4.
QString generalText(double x, int decimals);

// A record value: `v` rounded to `decimals` places (0 to 3) as above, held in single
// precision; never -0.
float rounded(double v, int decimals);

// The shortest text that reads back as the same single-precision value, plain notation, "."
// as decimal point, "0" for either zero: "20", "23.5", "100000", "-260.4".
QString shortestText(float v);
// The same text written at `p`, which has room for 64 characters; returns its end.
char* writeShortest(char* p, float v);

}  // namespace vernoll::decimal
