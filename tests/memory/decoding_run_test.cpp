#include "files/decoding_run.h"

#include <gtest/gtest.h>

#include "form/form_state.h"
#include "memory/records.h"
#include "memory/report.h"
#include "support/fake_dialogs.h"

using namespace vernoll;
using namespace vernoll::memory;

namespace {

// The run keeps its readings only when asked, and then they are the image's readings.
TEST(DecodingRun, KeepsTheReadingsOfItsLinesWhenAsked) {
    MemoryImage image;
    const test::Row row =
        test::row({test::record({0x10, 0x00, 0x00, 0x06, 0x12, 0x26}, {.w1 = 1000, .w3 = 5}),
                   test::record({0x10, 0x10, 0x00, 0x06, 0x12, 0x26}, {.w1 = 1500, .w3 = 0})});
    image.setRow(3, QByteArrayView(row.data(), qsizetype(row.size())));
    FormState form;
    form.Nserie = 30500;
    form.memo = 1026;
    form.data1 = QStringLiteral("Fecha,Hora,Temperatura[\u00baC],Precipitacion[mm]\r\n");
    test::FakeDialogs dialogs;  // the save is cancelled
    Decoder decoder;
    files::DecodingRun run(form, dialogs, image, decoder);

    run.run();
    EXPECT_EQ(run.records(), 2);
    EXPECT_TRUE(run.readings().empty());

    run.setKeepReadings(true);
    run.run();
    EXPECT_EQ(run.records(), 2);
    const ImageReadings expected = readingsOfImage(image, form.memo, form.Nserie);
    EXPECT_EQ(run.readings(), expected.readings);
    EXPECT_EQ(run.columns(), expected.columns);
    EXPECT_EQ(run.readings().size(), 2U);
    EXPECT_EQ(run.columns().size(), 2U);
}

}  // namespace
