#include "app/splash.h"

#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QScreen>

#include "form/controls.h"
#include "form/twips.h"
#include "link/maker.h"

namespace vernoll {

// Not kept on top: the start-up's message boxes come after it and must show over it.
SplashWindow::SplashWindow(FormState& form, QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint) {
    setObjectName(QLatin1String(ctl::kSplashWindow));
    setWindowTitle(QStringLiteral("Vernoll de Tolvar"));
    setFixedSize(twips(6600), twips(3900));
    setAttribute(Qt::WA_ShowWithoutActivating);
    connect(&form, &FormState::splashChanged, this, &SplashWindow::follow);
    follow(form.splashShown());
}

void SplashWindow::follow(bool shown) {
    if (!shown) {
        hide();
        return;
    }
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = rect();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    show();
    raise();
}

void SplashWindow::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF area = rect();

    QLinearGradient sky(area.topLeft(), area.bottomLeft());
    sky.setColorAt(0.0, QColor(0x1f, 0x4e, 0x9c));
    sky.setColorAt(1.0, QColor(0x8c, 0xc3, 0xe8));
    painter.fillRect(area, sky);

    // A rain gauge on its post, the family's best-known instrument.
    painter.setPen(QPen(QColor(0x30, 0x30, 0x30), 2));
    painter.setBrush(QColor(0xd8, 0xd8, 0xd8));
    const QRectF gauge(area.width() * 0.78, area.height() * 0.30, 46, 90);
    painter.drawRect(gauge);
    painter.drawRect(QRectF(gauge.center().x() - 4, gauge.bottom(), 8, area.height() * 0.25));
    painter.setBrush(QColor(0x2e, 0x7d, 0x32));
    painter.drawRect(QRectF(0, area.height() * 0.86, area.width(), area.height() * 0.14));
    painter.setPen(QPen(QColor(0xff, 0xff, 0xff), 1.5));
    for (int i = 0; i < 7; ++i) {
        const double x = gauge.left() - 20 + i * 12;
        painter.drawLine(QPointF(x, gauge.top() - 40 + (i % 3) * 8),
                         QPointF(x - 4, gauge.top() - 26 + (i % 3) * 8));
    }

    painter.setPen(Qt::white);
    QFont title(QStringLiteral("Arial"));
    title.setPixelSize(30);
    title.setBold(true);
    title.setItalic(true);
    painter.setFont(title);
    painter.drawText(QRectF(24, 36, area.width() * 0.7, 44), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("Vernoll de Tolvar"));
    QFont subtitle(QStringLiteral("Arial"));
    subtitle.setPixelSize(20);
    subtitle.setBold(true);
    painter.setFont(subtitle);
    painter.drawText(QRectF(24, 88, area.width() * 0.7, 30), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("Registrador TOLVAR"));
    QFont small(QStringLiteral("Arial"));
    small.setPixelSize(12);
    painter.setFont(small);
    painter.drawText(QRectF(24, 130, area.width() * 0.7, 20), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("v2.10"));
    painter.drawText(QRectF(24, area.height() * 0.86, area.width() - 48, area.height() * 0.14),
                     Qt::AlignLeft | Qt::AlignVCenter, QString::fromLatin1(maker::kWeb));
}

}  // namespace vernoll
