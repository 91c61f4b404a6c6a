#pragma once

#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTime>
#include <QVariant>
#include <array>
#include <cstdint>
#include <optional>
#include <span>

namespace vernoll {

// What the operations may set on a control; the window mirrors it onto the widget of the
// same objectName. `text` is a caption for buttons, labels and frames, the content for boxes.
struct ControlState {
    bool enabled = true;
    bool visible = true;
    bool locked = false;   // read-only text box
    bool checked = false;  // option buttons and check boxes
    QString text;
};

// The main window's shared state: the form-level variables under their own names, and the
// state of every control the operations touch. One object per program run; the window
// mirrors it, the command line reads it.
class FormState : public QObject {
    Q_OBJECT
public:
    explicit FormState(QObject* parent = nullptr);

    // ---- form-level variables ----
    std::uint8_t CONF_MUE = 0;            // sampling interval code, packed BCD minutes
    std::array<std::uint8_t, 8> ser{};    // ser1..ser8: serial-number digit characters
    float Nserie = 0.0F;                  // the serial number as a number
    std::int32_t conti = 0;               // memory image row that the next block fills
    std::int32_t contj = 0;               // byte index within a row
    std::int32_t memo = 1026;             // frames of a full download
    std::int16_t linea = 0;               // live flag: -1 while the live display runs
    QString linea6;                       // text of the current live frame
    QString data1;                        // the column header line, CR LF ended
    QString intervalMinutes;              // "1" .. "60"; empty until a known code arrived
    QString summary;                      // the configuration summary
    std::array<QVariant, 6> clockFields;  // hour, minute, second, day, month, year
    QTime loggerClock{0, 0};              // the logger's time of day, advanced by Timer1
    std::int32_t liveSamples = 0;         // flow-meter live samples (16-bit in the original)
    std::int32_t progressMax = 1026;      // ProgressBar1's maximum on the progress window
    std::uint8_t smsSendCode = 0;         // SMS send-interval code, read and written back
    // Logger clock minus PC clock at the last complete import, in seconds; set before the
    // text of ctl::kClockOffset, which the window colours by it.
    std::optional<qint64> clockOffset;

    // ---- controls ----
    const ControlState& control(const QString& name) const;
    void setEnabled(const QString& name, bool enabled);
    // Every control of a group (ctl::groups).
    void setEnabled(std::span<const char* const> names, bool enabled);
    void setVisible(const QString& name, bool visible);
    void setLocked(const QString& name, bool locked);
    void setChecked(const QString& name, bool checked);
    void setText(const QString& name, const QString& text);
    void appendText(const QString& name, const QString& more);
    QStringList controlNames() const { return controls_.keys(); }
    // The state of some controls, to put back later as it was.
    using Snapshot = QHash<QString, ControlState>;
    Snapshot snapshot(std::span<const char* const> names) const;
    void restore(const Snapshot& snapshot);

    // ---- the window's surface: lines printed on its background ----
    const QStringList& surface() const { return surface_; }
    void print(const QString& line);
    void clearSurface();

    // ---- timers the operations switch ----
    bool timer1Enabled() const { return timer1_; }
    void setTimer1Enabled(bool on);
    bool timer4Enabled() const { return timer4_; }
    void setTimer4Enabled(bool on);

    // ---- secondary windows ----
    bool splashShown() const { return splash_; }
    void setSplashShown(bool shown);

signals:
    void controlChanged(const QString& name);
    void surfaceChanged();
    void printed(const QString& line);
    void timersChanged();
    void splashChanged(bool shown);

private:
    ControlState& slot(const QString& name);
    QHash<QString, ControlState> controls_;
    QStringList surface_;
    bool timer1_ = false;
    bool timer4_ = false;
    bool splash_ = false;
};

}  // namespace vernoll
