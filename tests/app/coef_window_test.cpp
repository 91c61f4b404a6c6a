#include "coef/coef_window.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace vernoll {
namespace {

QRect twipsRect(int l, int t, int w, int h) {
    return {(l + 7) / 15, (t + 7) / 15, (w + 7) / 15, (h + 7) / 15};
}

TEST(CoefWindow, LayoutAsTheCalibrationSheet) {
    CoefWindow coef;
    EXPECT_EQ(coef.objectName(), QStringLiteral("coef"));
    EXPECT_EQ(coef.windowTitle(), QStringLiteral("coeficientes"));
    struct Label {
        const char* name;
        const char* caption;
        QRect place;
    };
    const Label labels[] = {
        {"Label1", "Sensores  Tolvar", twipsRect(480, 120, 2895, 255)},
        {"Label2", "Entradas Auxiliares", twipsRect(4440, 360, 2895, 375)},
        {"Label4_0", "humedad", twipsRect(240, 1200, 855, 255)},
        {"Label4_1", "Temperatura", twipsRect(240, 1680, 855, 255)},
        {"Label4_2", "P. Atm", twipsRect(240, 2280, 855, 255)},
        {"Label4_5", "Pluvio.", twipsRect(240, 3720, 855, 255)},
        {"Label4_7", "humedad", twipsRect(240, 4680, 855, 255)},
        {"Label3_0", "aux00", twipsRect(4080, 1200, 615, 255)},
        {"Label3_3", "aux11", twipsRect(4080, 2685, 615, 255)},
        {"Label3_7", "aux13", twipsRect(4080, 4680, 615, 255)},
        {"Label6", "* Vo +", twipsRect(5880, 1200, 735, 255)},
        {"Label5", "=", twipsRect(7680, 1200, 135, 255)},
    };
    for (const Label& l : labels) {
        SCOPED_TRACE(l.name);
        auto* label = coef.findChild<QLabel*>(QString::fromLatin1(l.name));
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->text(), QString::fromLatin1(l.caption));
        EXPECT_EQ(label->geometry(), l.place);
    }
    for (int k = 0; k < 8; ++k) {
        for (const char* array : {"Label4_%1", "Label3_%1"})
            EXPECT_NE(coef.findChild<QLabel*>(QString::fromLatin1(array).arg(k)), nullptr) << k;
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
        EXPECT_EQ(box->objectName(), QStringLiteral("Text%1").arg(b.number));
        EXPECT_EQ(box->geometry(), twipsRect(b.left, b.top, b.width, 285));
        EXPECT_EQ(box->text(), QStringLiteral("Text%1").arg(b.number));
        // Typing is limited; the initial text is not cut.
        box->selectAll();
        QTest::keyClicks(box, QStringLiteral("123456789"));
        EXPECT_EQ(box->text().size(), b.maxLength);
    }
    const std::pair<const char*, const char*> buttons[] = {
        {"Command1", "Salir "}, {"Command2", "Command2"}, {"Command3", "Command3"}};
    for (const auto& [name, caption] : buttons)
        EXPECT_EQ(coef.findChild<QPushButton*>(QString::fromLatin1(name))->text(),
                  QString::fromLatin1(caption));
}

TEST(CoefWindow, SalirDiscardsWhatWasTyped) {
    CoefWindow coef;
    coef.show();
    for (int n = 1; n <= CoefWindow::kBoxes; ++n)
        EXPECT_EQ(coef.box(n)->text(), QStringLiteral("Text%1").arg(n));
    for (int n : {1, 9, 18, 32}) {
        coef.box(n)->clear();
        QTest::keyClicks(coef.box(n), QStringLiteral("1.25"));
        EXPECT_EQ(coef.box(n)->text(), QStringLiteral("1.25"));
    }
    // The two buttons without a role change nothing.
    coef.findChild<QPushButton*>(QStringLiteral("Command2"))->click();
    coef.findChild<QPushButton*>(QStringLiteral("Command3"))->click();
    EXPECT_FALSE(coef.isHidden());
    EXPECT_EQ(coef.box(9)->text(), QStringLiteral("1.25"));

    QTest::mouseClick(coef.findChild<QPushButton*>(QStringLiteral("Command1")), Qt::LeftButton);
    EXPECT_TRUE(coef.isHidden());
    coef.show();
    for (int n = 1; n <= CoefWindow::kBoxes; ++n)
        EXPECT_EQ(coef.box(n)->text(), QStringLiteral("Text%1").arg(n));
}

}  // namespace
}  // namespace vernoll
