#pragma once

// The logger types the base-file target opens a file as, picked by the file's size modulo the
// table's length: the first serial number of every family and a few beyond them. The seed
// generator sizes its files by the same table.

namespace vernoll::fuzz {

inline constexpr float kBaseFileSerials[] = {0,     123,     124,     125,     20500,   21000,
                                             22000, 30000,   40000,   50000,   70000,   72000,
                                             90000, 2040000, 2050000, 2052000, 2060000, 2061000};

}  // namespace vernoll::fuzz
