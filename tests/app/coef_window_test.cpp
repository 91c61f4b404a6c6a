#include "coef/coef_window.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "form/controls.h"
#include "form/twips.h"

namespace vernoll {
namespace {

QString numbered(const char* pattern, int number) {
    return QString::fromLatin1(pattern).arg(number);
}

QPushButton* button(const CoefWindow& coef, const char* name) {
    return coef.findChild<QPushButton*>(QString::fromLatin1(name));
}

TEST(CoefWindow, LayoutAsTheCalibrationSheet) {
    CoefWindow coef;
    EXPECT_EQ(coef.objectName(), QLatin1String(ctl::coef::kWindow));
    EXPECT_EQ(coef.windowTitle(), QStringLiteral("coeficientes"));
    struct Label {
        QString name;
        const char* caption;
        QRect place;
    };
    const Label labels[] = {
        {QLatin1String(ctl::coef::kSensorsHeading), "Sensores  Tolvar",
         twipsRect(480, 120, 2895, 255)},
        {QLatin1String(ctl::coef::kAuxHeading), "Entradas Auxiliares",
         twipsRect(4440, 360, 2895, 375)},
        {numbered(ctl::coef::kSensorCaption, 0), "humedad", twipsRect(240, 1200, 855, 255)},
        {numbered(ctl::coef::kSensorCaption, 1), "Temperatura", twipsRect(240, 1680, 855, 255)},
        {numbered(ctl::coef::kSensorCaption, 2), "P. Atm", twipsRect(240, 2280, 855, 255)},
        {numbered(ctl::coef::kSensorCaption, 5), "Pluvio.", twipsRect(240, 3720, 855, 255)},
        {numbered(ctl::coef::kSensorCaption, 7), "humedad", twipsRect(240, 4680, 855, 255)},
        {numbered(ctl::coef::kAuxCaption, 0), "aux00", twipsRect(4080, 1200, 615, 255)},
        {numbered(ctl::coef::kAuxCaption, 3), "aux11", twipsRect(4080, 2685, 615, 255)},
        {numbered(ctl::coef::kAuxCaption, 7), "aux13", twipsRect(4080, 4680, 615, 255)},
        {QLatin1String(ctl::coef::kGainCaption), "* Vo +", twipsRect(5880, 1200, 735, 255)},
        {QLatin1String(ctl::coef::kEquals), "=", twipsRect(7680, 1200, 135, 255)},
    };
    for (const Label& l : labels) {
        SCOPED_TRACE(l.name.toStdString());
        auto* label = coef.findChild<QLabel*>(l.name);
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->text(), QString::fromLatin1(l.caption));
        EXPECT_EQ(label->geometry(), l.place);
    }
    for (int k = 0; k < 8; ++k) {
        for (const char* array : {ctl::coef::kSensorCaption, ctl::coef::kAuxCaption})
            EXPECT_NE(coef.findChild<QLabel*>(numbered(array, k)), nullptr) << k;
    }
    // Row k: Text(2k+1), Text(2k+2) in the sensor group, Text(2k+17), Text(2k+18) auxiliary.
    const struct {
        int number, left, top, width;
        qsizetype maxLength;
    } boxes[] = {{1, 1200, 1200, 615, 9},  {2, 2280, 1200, 615, 9},  {15, 1200, 4680, 615, 9},
                 {16, 2280, 4680, 615, 9}, {17, 5040, 1200, 735, 9}, {18, 6675, 1200, 735, 4},
                 {23, 5040, 2685, 735, 9}, {24, 6675, 2685, 735, 4}, {31, 5040, 4680, 735, 9},
                 {32, 6675, 4680, 735, 4}};
    for (const auto& b : boxes) {
        SCOPED_TRACE(b.number);
        QLineEdit* box = coef.box(b.number);
        EXPECT_EQ(box->objectName(), numbered(ctl::coef::kBox, b.number));
        EXPECT_EQ(box->geometry(), twipsRect(b.left, b.top, b.width, 285));
        EXPECT_EQ(box->text(), box->objectName());
        // Typing is limited; the initial text is not cut.
        box->selectAll();
        QTest::keyClicks(box, QStringLiteral("123456789"));
        EXPECT_EQ(box->text().size(), b.maxLength);
    }
    const std::pair<const char*, const char*> buttons[] = {{ctl::coef::kClose, "Salir "},
                                                           {ctl::coef::kSpare2, "Command2"},
                                                           {ctl::coef::kSpare3, "Command3"}};
    for (const auto& [name, caption] : buttons)
        EXPECT_EQ(button(coef, name)->text(), QString::fromLatin1(caption));
}

TEST(CoefWindow, SalirDiscardsWhatWasTyped) {
    CoefWindow coef;
    coef.show();
    for (int n = 1; n <= CoefWindow::kBoxes; ++n)
        EXPECT_EQ(coef.box(n)->text(), numbered(ctl::coef::kBox, n));
    for (int n : {1, 9, 18, 32}) {
        coef.box(n)->clear();
        QTest::keyClicks(coef.box(n), QStringLiteral("1.25"));
        EXPECT_EQ(coef.box(n)->text(), QStringLiteral("1.25"));
    }
    // The two buttons without a role change nothing.
    button(coef, ctl::coef::kSpare2)->click();
    button(coef, ctl::coef::kSpare3)->click();
    EXPECT_FALSE(coef.isHidden());
    EXPECT_EQ(coef.box(9)->text(), QStringLiteral("1.25"));

    QTest::mouseClick(button(coef, ctl::coef::kClose), Qt::LeftButton);
    EXPECT_TRUE(coef.isHidden());
    coef.show();
    for (int n = 1; n <= CoefWindow::kBoxes; ++n)
        EXPECT_EQ(coef.box(n)->text(), numbered(ctl::coef::kBox, n));
}

}  // namespace
}  // namespace vernoll
