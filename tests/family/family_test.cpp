// The family table's own rules: one family per serial number for each part of a row, and
// rows whose parts fit together. What each family does at its range ends is in
// boundary_test.cpp.

#include "family/family.h"

#include <gtest/gtest.h>

#include <QStringList>
#include <set>

namespace vernoll::family {
namespace {

// Every range end of every row, and the numbers around it.
std::set<double> probes() {
    std::set<double> out;
    for (const Family& f : families())
        for (double at : {f.lo, f.hi, f.lo + 1000})
            for (double d : {-1.0, -0.5, 0.0, 0.25, 0.5, 1.0}) out.insert(at + d);
    return out;
}

TEST(FamilyTable, EachPartOfARowReachesASerialNumberForOneFamilyAtMost) {
    for (const double n : probes()) {
        int ranges = 0, converts = 0, prints = 0, live = 0;
        for (const Family& f : families()) {
            ranges += n >= f.lo && n < f.hi;
            converts += f.reaches(f.converts, n);
            prints += f.reaches(f.prints, n);
            bool shows = false;
            for (const LiveLine& line : f.live) shows = shows || f.reaches(line.reach, n);
            live += shows;
        }
        EXPECT_LE(ranges, 1) << n;
        EXPECT_LE(converts, 1) << n;
        EXPECT_LE(prints, 1) << n;
        EXPECT_LE(live, 1) << n;
        // a record that is converted is printed, by the same family
        if (const Family* f = converting(n)) {
            EXPECT_EQ(printing(n), f) << n;
        }
    }
}

TEST(FamilyTable, ColumnsFollowTheHeaderAndAreConverted) {
    for (const Family& f : families()) {
        EXPECT_TRUE(f.memoryBlocks == kSmallMemoryBlocks || f.memoryBlocks == kLargeMemoryBlocks);
        // the SMS series holds a family whole or not at all
        EXPECT_EQ(f.sms(), hasSms(f.hi - 0.25)) << f.lo;
        if (!f.name) {  // known to the live display only
            EXPECT_EQ(f.converts, Reach::None);
            EXPECT_TRUE(f.columns.empty());
            continue;
        }
        const QStringList fields = QString::fromUtf8(f.header).split(u',');
        ASSERT_EQ(fields.size(), 2 + qsizetype(f.columns.size())) << f.name;
        const std::vector<Column> typed = columns(f);
        ASSERT_EQ(typed.size(), f.columns.size()) << f.name;
        for (std::size_t i = 0; i < typed.size(); ++i) {
            EXPECT_EQ(typed[i].title, fields[qsizetype(i) + 2]) << f.name;
            EXPECT_EQ(typed[i].kind, f.columns[i].kind) << f.name;
            // the value of each column is the outcome of one of the family's conversions
            bool converted = false;
            for (const Conversion& c : f.conversions)
                converted =
                    converted || (c.slot == f.columns[i].slot && c.shape != Shape::HighByte &&
                                  c.shape != Shape::ReservoirA);
            EXPECT_TRUE(converted) << f.name << " column " << i;
        }
    }
}

TEST(FamilyTable, TheEmulatorsWordsDecodeToTheValuesItChose) {
    for (const Family& f : families()) {
        for (const Conversion& c : f.conversions) {
            if (c.shape <= Shape::Plain) {
                EXPECT_NEAR(c.apply(c.inverse(12.5)), 12.5, 1e-9) << f.lo;
            }
        }
        for (const LiveLine& line : f.live) {
            if (line.source == Source::Signed) {
                EXPECT_NEAR(line.value(line.inverse(12.5)), 12.5, 1e-9) << f.lo;
            }
        }
    }
}

}  // namespace
}  // namespace vernoll::family
