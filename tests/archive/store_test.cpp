// Storing downloads and base files, and reading them back, against both SQL drivers.
#include <QThread>
#include <barrier>
#include <charconv>
#include <thread>

#include "archive/texts.h"
#include "family/decimal.h"
#include "family/family.h"
#include "family/readings_csv.h"
#include "memory/decoder.h"
#include "memory/records.h"
#include "readings.h"
#include "scratch.h"

namespace vernoll::archive::test {
namespace {

struct Counts {
    qint64 readings, added, duplicates, conflicts, future;
    friend bool operator==(const Counts&, const Counts&) = default;
    friend std::ostream& operator<<(std::ostream& os, const Counts& c) {
        return os << '{' << c.readings << ", " << c.added << ", " << c.duplicates << ", "
                  << c.conflicts << ", " << c.future << '}';
    }
};

Counts countsOf(const StoreResult& r) {
    return {r.readings, r.added, r.duplicates, r.conflicts, r.future};
}

struct Step {
    std::vector<Reading> readings;
    Counts expect;  // readings, added, duplicates, conflicts, future
    bool fromLogger = true;
};

struct StoreCase {
    const char* name;
    std::vector<Step> steps;
    std::vector<Reading> stored;  // what the archive holds afterwards, oldest first
    std::vector<Reading> kept;    // the conflicts kept (the values that arrived), oldest first
    int lastStep;                 // the step of the newest reading that is not future
};

void PrintTo(const StoreCase& c, std::ostream* os) {
    *os << c.name;
}

std::vector<Reading> changed(std::vector<Reading> r, std::initializer_list<int> indexes, float by) {
    for (int i : indexes) *r[i].values[0] += by;
    return r;
}

const std::vector<StoreCase> kStoreCases = {
    {"SameDownloadTwice",
     {{steps(0, 9), {10, 10, 0, 0, 0}}, {steps(0, 9), {10, 0, 10, 0, 0}}},
     steps(0, 9),
     {},
     9},
    {"OverlappingDownloads",
     {{steps(0, 9), {10, 10, 0, 0, 0}},
      {steps(5, 14), {10, 5, 5, 0, 0}},
      {steps(0, 14), {15, 0, 15, 0, 0}}},
     steps(0, 14),
     {},
     14},
    {"BaseFileImportedTwice",
     {{steps(0, 9), {10, 10, 0, 0, 0}, false}, {steps(0, 9), {10, 0, 10, 0, 0}, false}},
     steps(0, 9),
     {},
     9},
    // The stored values stay; other values are kept once, however often they arrive.
    {"ConflictsKeptOnce",
     {{steps(0, 4), {5, 5, 0, 0, 0}},
      {changed(steps(0, 4), {1, 3}, 100), {5, 0, 3, 2, 0}},
      {changed(steps(0, 4), {1, 3}, 100), {5, 0, 3, 2, 0}},
      {changed(steps(0, 4), {1}, 200), {5, 0, 4, 1, 0}}},
     steps(0, 4),
     {at(1, {100.5F, 1}), at(1, {200.5F, 1}), at(3, {101.5F, 3})},
     4},
    // The first of a repeated stamp is stored; a later one with other values is a conflict.
    {"StampTwiceInOneBatch",
     {{{at(0, {1, 2}), at(1, {3, 4}), at(0, {1, 2}), at(0, {5, 6})}, {4, 2, 1, 1, 0}}},
     {at(0, {1, 2}), at(1, {3, 4})},
     {at(0, {5, 6})},
     1},
    // Stamped later than the download's PC clock plus one day: stored, never the newest.
    {"FutureReadingsStoredButNotNewest",
     {{{at(0, {1, 2}), at(1, {3, 4}), at(2 * 288 + 1, {5, 6})}, {3, 3, 0, 0, 1}},
      {{at(0, {1, 2}), at(1, {3, 4}), at(2 * 288 + 1, {5, 6})}, {3, 0, 3, 0, 1}}},
     {at(0, {1, 2}), at(1, {3, 4}), at(2 * 288 + 1, {5, 6})},
     {},
     1},
    // A value the record did not give is not a zero, and comes back as no value.
    {"AbsentValueIsNotZero",
     {{{at(0, {std::nullopt, 1.5F}), at(1, {0, 0})}, {2, 2, 0, 0, 0}},
      {{at(0, {0, 1.5F}), at(1, {0, 0})}, {2, 0, 1, 1, 0}}},
     {at(0, {std::nullopt, 1.5F}), at(1, {0, 0})},
     {at(0, {0, 1.5F})},
     1},
};

class Store : public ::testing::TestWithParam<std::tuple<Backend, StoreCase>> {};

TEST_P(Store, CountsAndKeepsEachReadingOnce) {
    const auto& [backend, c] = GetParam();
    Scratch scratch(backend);
    VERNOLL_NEED_BACKEND(scratch);
    Archive archive;
    ASSERT_TRUE(archive.open(scratch.location(), Archive::Access::Update))
        << archive.error().toStdString();

    bool anyDownload = false;
    for (std::size_t i = 0; i < c.steps.size(); ++i) {
        const Step& step = c.steps[i];
        const Batch batch = download(step.readings, step.fromLogger);
        const std::optional<StoreResult> r = archive.store(batch);
        ASSERT_TRUE(r) << archive.error().toStdString();
        EXPECT_EQ(countsOf(*r), step.expect) << "step " << i;
        std::optional<QDateTime> first, last;
        for (const Reading& reading : step.readings) {
            if (!first || reading.stamp < *first) first = reading.stamp;
            if (reading.stamp <= batch.when.addDays(1) && (!last || reading.stamp > *last))
                last = reading.stamp;
        }
        EXPECT_EQ(r->first, first) << "step " << i;
        EXPECT_EQ(r->last, last) << "step " << i;
        anyDownload |= step.fromLogger;
    }

    const auto set = archive.readings(kSerial, {}, {});
    ASSERT_TRUE(set) << archive.error().toStdString();
    EXPECT_EQ(set->readings, c.stored);
    EXPECT_EQ(set->columns, columnsOfHeader(kHeader));

    const auto conflicts = archive.conflicts(kSerial);
    ASSERT_TRUE(conflicts);
    std::vector<Reading> kept;
    for (const Conflict& k : *conflicts) {
        kept.push_back({kSerial, k.stamp, k.arrived});
        const auto stored = std::find_if(c.stored.begin(), c.stored.end(),
                                         [&](const Reading& r) { return r.stamp == k.stamp; });
        ASSERT_NE(stored, c.stored.end());
        EXPECT_EQ(k.stored, stored->values);
    }
    EXPECT_EQ(kept, c.kept);

    const auto stations = archive.stations();
    ASSERT_TRUE(stations);
    ASSERT_EQ(stations->size(), 1U);
    const Station& s = stations->front();
    EXPECT_EQ(s.readings, qint64(c.stored.size()));
    EXPECT_EQ(s.first, c.stored.front().stamp);
    EXPECT_EQ(s.last, base().addSecs(c.lastStep * kInterval));
    EXPECT_EQ(s.conflicts, qint64(c.kept.size()));
    EXPECT_EQ(s.lastDownload.has_value(), anyDownload);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Store,
    ::testing::Combine(::testing::Values(Backend::SQLite, Backend::PostgreSQL),
                       ::testing::ValuesIn(kStoreCases)),
    [](const auto& p) {
        return backendName({std::get<0>(p.param), p.index}) + std::get<1>(p.param).name;
    });

class Archived : public ::testing::TestWithParam<Backend> {
protected:
    void SetUp() override {
        VERNOLL_NEED_BACKEND(scratch);
        ASSERT_TRUE(archive.open(scratch.location(), Archive::Access::Update))
            << archive.error().toStdString();
    }
    StoreResult store(const Batch& b) {
        const std::optional<StoreResult> r = archive.store(b);
        if (!r) ADD_FAILURE() << archive.error().toStdString();
        return r.value_or(StoreResult{});
    }
    Station only() {
        const auto list = archive.stations();
        if (!list || list->size() != 1) {
            ADD_FAILURE() << "not one station: " << archive.error().toStdString();
            return {};
        }
        return list->front();
    }

    Scratch scratch{GetParam()};
    Archive archive;
};

INSTANTIATE_TEST_SUITE_P(Drivers, Archived, ::testing::Values(Backend::SQLite, Backend::PostgreSQL),
                         backendName);

TEST_P(Archived, StationShowsTheLastDownloadNotTheLastImport) {
    const auto readings = steps(0, 3);
    Batch first = download(readings);
    first.texts =
        StationTexts{QStringLiteral("Juan Perez   "), QStringLiteral("Rio Tercero  "),
                     QStringLiteral("-32.1"), QStringLiteral("-64.1"), QStringLiteral("400")};
    store(first);

    // A base file later: no texts, no device, no clock; the station keeps what it had.
    const auto later = steps(4, 6);
    Batch file = download(later, false);
    file.device.clear();
    file.when = first.when.addDays(3);
    store(file);

    Station s = only();
    EXPECT_EQ(s.serialText(), QStringLiteral("00020500"));
    EXPECT_EQ(s.device, QStringLiteral("Pluviometro"));
    EXPECT_EQ(s.user(), QStringLiteral("Juan Perez"));
    EXPECT_EQ(s.location(), QStringLiteral("Rio Tercero"));
    EXPECT_EQ(s.texts.user, QStringLiteral("Juan Perez   "));
    EXPECT_EQ(s.lastDownload, first.when);
    EXPECT_EQ(s.clockOffsetS, 12);
    EXPECT_EQ(s.last, at(6, {}).stamp);

    Batch second = download(later);
    second.when = first.when.addDays(7);
    second.clockOffsetS = -75;
    second.texts = StationTexts{QStringLiteral("Ana"), QStringLiteral("Dique"), {}, {}, {}};
    store(second);
    s = only();
    EXPECT_EQ(s.user(), QStringLiteral("Ana"));
    EXPECT_EQ(s.lastDownload, second.when);
    EXPECT_EQ(s.clockOffsetS, -75);
}

TEST_P(Archived, RefusesAnotherLoggersReadingAndStoresNothing) {
    std::vector<Reading> mixed = steps(0, 2);
    mixed.push_back(at(3, {1, 1}, 31000));
    EXPECT_FALSE(archive.store(download(mixed)));
    EXPECT_EQ(archive.error(), QString::fromUtf8(texts::kUpdateFailed)
                                   .arg(archive.location(), QString::fromUtf8(texts::kOtherSerial)
                                                                .arg(QStringLiteral("00031000"),
                                                                     QStringLiteral("00020500"))));
    const auto list = archive.stations();
    ASSERT_TRUE(list);
    EXPECT_TRUE(list->empty());
}

// A failure in the middle of a batch (a trigger that raises on one stamp, in the readings or
// in the conflicts) leaves the archive as it was, and the same batch stores whole afterwards.
struct Fault {
    const char* table;
    int step;
};

void PrintTo(const Fault& f, std::ostream* os) {
    *os << f.table << ' ' << f.step;
}

class RolledBack : public ::testing::TestWithParam<std::tuple<Backend, Fault>> {};

TEST_P(RolledBack, FailureHalfwayLeavesTheArchiveAsItWas) {
    const auto& [backend, fault] = GetParam();
    Scratch scratch(backend);
    VERNOLL_NEED_BACKEND(scratch);
    Archive archive;
    ASSERT_TRUE(archive.open(scratch.location(), Archive::Access::Update));
    const auto before = steps(0, 9);
    ASSERT_TRUE(archive.store(download(before)));
    const auto snapshot = [&] {
        return std::tuple{archive.readings(kSerial, {}, {})->readings, *archive.conflicts(kSerial),
                          archive.stations()->front().readings,
                          archive.stations()->front().conflicts};
    };
    const auto kept = snapshot();

    // Steps 5..9 again with other values (conflicts), then 10..14 new.
    auto batch = changed(steps(5, 14), {0, 1, 2, 3, 4}, 50);
    const qint64 t = at(fault.step, {}).stamp.toSecsSinceEpoch();
    Raw raw(scratch.location());
    if (backend == Backend::SQLite)
        raw.run(QStringLiteral("CREATE TRIGGER fault BEFORE INSERT ON %1 WHEN NEW.t = %2 BEGIN "
                               "SELECT RAISE(ABORT, 'vernoll-injected'); END")
                    .arg(fault.table)
                    .arg(t));
    else
        raw.run(QStringLiteral("CREATE FUNCTION fault() RETURNS trigger LANGUAGE plpgsql AS $$ "
                               "BEGIN IF NEW.t = %2 THEN RAISE EXCEPTION 'vernoll-injected'; "
                               "END IF; RETURN NEW; END $$\n;\n"
                               "CREATE TRIGGER fault BEFORE INSERT ON %1 FOR EACH ROW "
                               "EXECUTE FUNCTION fault()")
                    .arg(fault.table)
                    .arg(t));
    const qint64 downloads =
        raw.value(QStringLiteral("SELECT COUNT(*) FROM downloads")).toLongLong();

    EXPECT_FALSE(archive.store(download(batch)));
    EXPECT_TRUE(archive.error().startsWith(
        QString::fromUtf8(texts::kUpdateFailed).arg(archive.location(), QString())))
        << archive.error().toStdString();
    EXPECT_TRUE(archive.error().contains(QLatin1String("vernoll-injected")));
    EXPECT_EQ(snapshot(), kept);
    EXPECT_EQ(raw.value(QStringLiteral("SELECT COUNT(*) FROM downloads")).toLongLong(), downloads);

    raw.run(QStringLiteral("DROP TRIGGER fault") +
            (backend == Backend::SQLite ? QString() : QStringLiteral(" ON ") + fault.table));
    const auto again = archive.store(download(batch));
    ASSERT_TRUE(again) << archive.error().toStdString();
    EXPECT_EQ(countsOf(*again), (Counts{10, 5, 0, 5, 0}));
}

INSTANTIATE_TEST_SUITE_P(
    Faults, RolledBack,
    ::testing::Combine(::testing::Values(Backend::SQLite, Backend::PostgreSQL),
                       ::testing::Values(Fault{"readings", 12}, Fault{"conflicts", 7})),
    [](const auto& p) {
        return backendName({std::get<0>(p.param), p.index}) + "In_" + std::get<1>(p.param).table;
    });

// Two technicians storing overlapping downloads of one logger at the same moment, each on
// its own connection and thread: every reading is stored once and counted once.
TEST_P(Archived, ConcurrentWritersNeitherLoseNorDoubleAReading) {
    // Steps 0..2999 and 1500..4499; in the overlap, every third reading differs.
    const auto a = steps(0, 2999);
    auto b = steps(1500, 4499);
    qint64 differing = 0;
    for (int i = 0; i < 1500; i += 3, ++differing) *b[i].values[1] += 1000;

    std::barrier start(2);
    std::array<std::optional<StoreResult>, 2> results;
    std::array<QString, 2> errors;
    const auto writer = [&](int w, const std::vector<Reading>& readings) {
        Archive own;
        Archive::Options options;
        options.busyTimeoutMs = 60000;
        const bool opened = own.open(scratch.location(), Archive::Access::Update, options);
        start.arrive_and_wait();
        if (opened) results[w] = own.store(download(readings));
        errors[w] = own.error();
    };
    std::thread first(writer, 0, std::cref(a));
    std::thread second(writer, 1, std::cref(b));
    first.join();
    second.join();
    ASSERT_TRUE(results[0]) << errors[0].toStdString();
    ASSERT_TRUE(results[1]) << errors[1].toStdString();

    EXPECT_EQ(results[0]->added + results[1]->added, 4500);
    EXPECT_EQ(results[0]->duplicates + results[1]->duplicates, 1500 - differing);
    EXPECT_EQ(results[0]->conflicts + results[1]->conflicts, differing);
    const Station s = only();
    EXPECT_EQ(s.readings, 4500);
    EXPECT_EQ(s.conflicts, differing);
    const auto set = archive.readings(kSerial, {}, {});
    ASSERT_TRUE(set);
    ASSERT_EQ(set->readings.size(), 4500U);
    for (std::size_t i = 0; i < set->readings.size(); ++i)
        ASSERT_EQ(set->readings[i].stamp, at(int(i), {}).stamp);
}

TEST_P(Archived, ExportsARangeAsTheExportFileWritesIt) {
    const auto all = steps(0, 3 * 288 - 1);  // three whole days
    store(download(all));
    struct Range {
        const char *from, *to;
        int first, last;  // steps expected
    };
    const Range ranges[] = {
        {"2026-02-01", "2026-02-01", 288, 575},                    // one whole day
        {"2026-01-31T23:55:00", "2026-02-01T00:05:00", 287, 289},  // both ends included
        {"", "2026-01-31T00:04:59", 0, 0},                         // open start
        {"2026-02-02T23:55:00", "", 3 * 288 - 1, 3 * 288 - 1},     // open end
        {"2026-03-01", "2026-03-31", 1, 0},                        // nothing there
    };
    for (const Range& r : ranges) {
        const auto end = [](const char* t, RangeEnd e) {
            return *t ? *parseRangeEnd(QString::fromLatin1(t), e) : QDateTime();
        };
        const auto got =
            archive.exportCsv(kSerial, end(r.from, RangeEnd::From), end(r.to, RangeEnd::To));
        ASSERT_TRUE(got) << archive.error().toStdString();
        const std::vector<Reading> expected(all.begin() + r.first,
                                            all.begin() + std::max(r.first, r.last + 1));
        EXPECT_EQ(got->readings, qint64(expected.size())) << r.from << ' ' << r.to;
        EXPECT_EQ(got->text, readingsCsv(columnsOfHeader(kHeader), expected)) << r.from;
    }
}

// What SQL tools read. reading_values: every value is the number the download's CSV prints for
// it, decoded here from records of every logger family (the ends of their words included) and
// from floats at the ends of single precision; NULL where the record converted nothing.
// station_summary: the figures the station list gives.
TEST_P(Archived, TheViewsGiveTheCsvNumbersAndTheListsFigures) {
    const bool lite = GetParam() == Backend::SQLite;
    const vernoll::test::Words ends[] = {
        {},
        {.w1 = 0xFFFF, .w2 = 0xFFFF, .w3 = 0xFFFF, .b14 = 0xFF, .b15 = 0xFF},
        {.w1 = 1234, .w2 = 4321, .w3 = 0x0201, .b14 = 0x12, .b15 = 0x34}};
    std::vector<double> serials;
    for (const family::Family& f : family::families())
        if (f.header) serials.push_back(f.lo);
    serials.push_back(2061000);  // prints a line but converts nothing of its own
    // Flow meter totals and the ends of single precision, stored as a download would.
    const std::vector<Reading> extremes = {at(0, {123456792.0F}, 125),  at(1, {16777217.0F}, 125),
                                           at(2, {3.4028235e38F}, 125), at(3, {1e-45F}, 125),
                                           at(4, {-0.001F}, 125),       at(5, {std::nullopt}, 125)};

    std::map<std::pair<qint64, qint64>, QStringList> csv;  // serial, t: the fields
    for (const double n : serials) {
        memory::Decoder d;
        std::vector<Reading> readings;
        d.collectReadings(&readings);
        const vernoll::test::Stamp a = {0x14, 0x30, 0, 0x06, 0x12, 0x26},
                                   b = {0x14, 0x40, 0, 0x06, 0x12, 0x26},
                                   c = {0x14, 0x50, 0, 0x06, 0x12, 0x26};
        const vernoll::test::Row row = vernoll::test::row({vernoll::test::record(a, ends[0]),
                                                           vernoll::test::record(b, ends[1]),
                                                           vernoll::test::record(c, ends[2])});
        const QStringList lines = d.decodeRow(std::span<const std::uint8_t, 64>(row), float(n))
                                      .split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
        ASSERT_EQ(lines.size(), qsizetype(readings.size())) << n;
        for (qsizetype i = 0; i < lines.size(); ++i)
            csv[{qint64(n), readings[std::size_t(i)].stamp.toSecsSinceEpoch()}] =
                lines[i].split(u',').mid(2);
        Batch batch = download(readings, true, std::uint32_t(n));
        const family::Family* f = family::printing(n);
        batch.device = QString::fromUtf8(f->name ? f->name : "");
        batch.columnHeader = QString::fromUtf8(f->header);
        store(batch);
    }
    for (const Reading& r : extremes) {
        QStringList fields;
        for (const auto& v : r.values) fields << (v ? decimal::shortestText(*v) : QString());
        csv[{125, r.stamp.toSecsSinceEpoch()}] = fields;
    }
    Batch flow = download(extremes, true, 125);
    flow.device.clear();  // keeps the flow meter's name stored above
    store(flow);

    Raw raw(scratch.location());
    const QString epoch = lite ? QStringLiteral("CAST(strftime('%s', t) AS INTEGER)")
                               : QStringLiteral("CAST(EXTRACT(EPOCH FROM t) AS BIGINT)");
    qint64 values = 0, nulls = 0;
    for (const QVariantList& v : raw.rows(QStringLiteral("SELECT serial, %1, column_no, value "
                                                         "FROM reading_values")
                                              .arg(epoch))) {
        const auto it = csv.find({v[0].toLongLong(), v[1].toLongLong()});
        ASSERT_NE(it, csv.end()) << v[0].toLongLong() << ' ' << v[1].toLongLong();
        const int column = v[2].toInt();
        ASSERT_TRUE(column >= 1 && column <= it->second.size()) << column;
        const QString printed = it->second[column - 1];
        ++values;
        const std::optional<Reading> stored = [&]() -> std::optional<Reading> {
            const auto set =
                archive.readings(std::uint32_t(v[0].toLongLong()),
                                 QDateTime::fromSecsSinceEpoch(v[1].toLongLong(), Qt::UTC),
                                 QDateTime::fromSecsSinceEpoch(v[1].toLongLong(), Qt::UTC));
            if (!set || set->readings.size() != 1) return std::nullopt;
            return set->readings.front();
        }();
        ASSERT_TRUE(stored) << archive.error().toStdString();
        if (!stored->values[std::size_t(column - 1)]) {
            EXPECT_TRUE(v[3].isNull()) << v[0].toLongLong() << ' ' << column;
            ++nulls;
            continue;
        }
        double number = 0;
        const std::string text = printed.toStdString();
        ASSERT_EQ(std::from_chars(text.data(), text.data() + text.size(), number).ec, std::errc())
            << text;
        EXPECT_EQ(v[3].toDouble(), number) << v[0].toLongLong() << ' ' << column << ' ' << text;
        // Read back, the value prints as the download's CSV printed it.
        EXPECT_EQ(decimal::shortestText(*stored->values[std::size_t(column - 1)]), printed);
    }
    qint64 expected = 0;
    for (const auto& [key, fields] : csv) expected += qint64(fields.size());
    EXPECT_EQ(values, expected);
    EXPECT_GE(nulls, 2);  // the reservoir that converts nothing, and the extremes' last

    // The names, units and types of the first logger's first value.
    const auto first = raw.rows(QStringLiteral(
        "SELECT t, name, unit, future FROM reading_values WHERE serial = 20000 AND column_no = 1 "
        "ORDER BY t"));
    ASSERT_FALSE(first.empty());
    EXPECT_EQ(first[0][0].toString(), lite ? QStringLiteral("2026-12-06 14:30:00")
                                           : QStringLiteral("2026-12-06T14:30:00.000"));
    EXPECT_EQ(first[0][1].toString(), QStringLiteral("Temperatura"));
    EXPECT_EQ(first[0][2].toString(), QString::fromUtf8("\u00baC"));
    EXPECT_EQ(first[0][3].metaType().id(), lite ? QMetaType::LongLong : QMetaType::Bool);

    const auto summary = raw.rows(
        QStringLiteral("SELECT serial, device, user_text, location, readings, %1, last_download "
                       "FROM station_summary WHERE serial = 125")
            .arg(lite ? QStringLiteral("last_t")
                      : QStringLiteral("to_char(last_t, "
                                       "'YYYY-MM-DD HH24:MI:SS')")));
    const auto listed = archive.stations(125);
    ASSERT_TRUE(summary.size() == 1 && listed && listed->size() == 1);
    const Station& s = listed->front();
    EXPECT_EQ(summary[0][0].toLongLong(), 125);
    EXPECT_EQ(s.device, QStringLiteral("Caudalimetro "));
    EXPECT_EQ(summary[0][1].toString(), QStringLiteral("Caudalimetro"));
    EXPECT_EQ(summary[0][2].toString(), s.user());
    EXPECT_EQ(summary[0][3].toString(), s.location());
    EXPECT_EQ(summary[0][4].toLongLong(), s.readings);
    EXPECT_EQ(summary[0][5].toString(), s.last->toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
    EXPECT_FALSE(summary[0][6].isNull());
}

// The station's log: downloads from the logger (not base files) and the entries kept, oldest
// first; the latest visit the erase guard looks for; the forecast from what was logged.
TEST_P(Archived, HistoryVisitsAndForesightFollowWhatWasLogged) {
    using Visit = std::optional<std::optional<QDateTime>>;
    const std::vector<Reading> older = steps(0, 9), copied = steps(10, 11), newer = steps(10, 19);
    Batch first = download(older);
    first.user = QStringLiteral("ana");
    first.intervalMinutes = 5;
    first.memoryRecords = 4096;
    store(first);
    store(download(copied, false));  // a base file: no visit
    Batch second = download(newer);
    second.when = base().addDays(3);
    second.clockOffsetS = 18;  // 6 s more in two days
    second.intervalMinutes = 5;
    second.memoryRecords = 4096;
    store(second);
    const auto visit = archive.lastVisit(kSerial);
    ASSERT_TRUE(visit) << archive.error().toStdString();
    EXPECT_EQ(*visit, base().addDays(3));

    LogEntry send;
    send.kind = QStringLiteral("config_send");
    send.at = base().addDays(4);
    send.port = QStringLiteral("/dev/ttyUSB0");
    send.user = QStringLiteral("ana");
    const QDateTime clockSet(QDate(2026, 2, 4), QTime(0, 0, 30), Qt::UTC);
    send.details = {{QStringLiteral("after"),
                     QJsonObject{{QStringLiteral("interval_minutes"), 10},
                                 {QStringLiteral("clock"), clockSet.toString(Qt::ISODate)}}},
                    {QStringLiteral("memory_erased"), true}};
    ASSERT_TRUE(archive.log(kSerial, send)) << archive.error().toStdString();
    EXPECT_EQ(archive.lastVisit(kSerial), Visit(base().addDays(4)));
    EXPECT_EQ(archive.lastVisit(31000), Visit(std::optional<QDateTime>()));

    const auto history = archive.history(kSerial);
    ASSERT_TRUE(history) << archive.error().toStdString();
    QStringList kinds;
    for (const LogEntry& e : *history) kinds << e.kind;
    EXPECT_EQ(kinds, (QStringList{"download", "download", "config_send"}));
    EXPECT_EQ(history->front().user, QStringLiteral("ana"));
    EXPECT_EQ(history->front().details.value(QStringLiteral("readings")).toInt(), 10);
    EXPECT_EQ(history->back().details, send.details);

    // Counted from the send, which erased the memory and set a 10-minute interval; the drift
    // from the two downloads two days apart.
    const auto stations = archive.stations(kSerial, base().addDays(5).addSecs(3600));
    ASSERT_TRUE(stations && stations->size() == 1);
    const Foresight& f = stations->front().foresight;
    EXPECT_EQ(f.memoryFullAt, clockSet.addSecs(4096 * 600));
    EXPECT_EQ(f.intervalMinutes, 10);
    EXPECT_EQ(f.memoryUsed, 10);
    EXPECT_EQ(f.driftSPerDay, 3.0);
    EXPECT_EQ(f.daysSinceDownload, 2);
}

}  // namespace
}  // namespace vernoll::archive::test

namespace vernoll::archive::test {
namespace {

// Two programs that open a new archive file at the same moment (collect --every, two timers)
// both open it: SQLite takes the switch to WAL without waiting on the other, so the program
// waits for it.
// archive check: nothing wrong with an archive the program wrote; a station's figure that
// disagrees with its readings is named.
TEST_P(Archived, CheckFindsFiguresThatDisagreeWithTheReadings) {
    const std::vector<Reading> some = steps(0, 9);
    store(download(some));
    const auto fine = archive.check();
    ASSERT_TRUE(fine) << archive.error().toStdString();
    EXPECT_TRUE(fine->isEmpty()) << fine->join(QLatin1Char('|')).toStdString();
    Raw(scratch.location()).run(QStringLiteral("UPDATE stations SET readings = 12"));
    const auto wrong = archive.check();
    ASSERT_TRUE(wrong) << archive.error().toStdString();
    EXPECT_EQ(*wrong,
              QStringList{QStringLiteral(
                  "registrador 00020500: readings dice 12 en su fila y 10 en sus lecturas")});
}

TEST(NewArchive, TwoProgramsOpeningItAtOnceBothOpenIt) {
    // Qt takes the first thread that asks for its thread data as the main one: this one, not
    // an opener (else the main thread's data, made later, is never freed).
    QThread::currentThread();
    QTemporaryDir dir;
    for (int round = 0; round < 20; ++round) {
        SCOPED_TRACE(round);
        const QString path = dir.filePath(QStringLiteral("new-%1.sqlite").arg(round));
        std::barrier start(2);
        std::array<QString, 2> errors;
        const auto opener = [&](int w) {
            Archive own;
            start.arrive_and_wait();
            if (!own.open(path, Archive::Access::Update)) errors[std::size_t(w)] = own.error();
        };
        std::thread first(opener, 0);
        std::thread second(opener, 1);
        first.join();
        second.join();
        ASSERT_EQ(errors[0].toStdString(), "");
        ASSERT_EQ(errors[1].toStdString(), "");
    }
}

}  // namespace
}  // namespace vernoll::archive::test
