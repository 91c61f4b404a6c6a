#include "form/form_state.h"

#include "form/controls.h"

namespace vernoll {

namespace {

struct Design {
    const char* name;
    const char* text;
    bool enabled;
    bool visible;
};

// The controls as the window is designed, before start-up changes anything.
constexpr Design kDesign[] = {
    {ctl::kImportConfig, "Importar Configuracion", true, true},
    {ctl::kEditConfig, "Cambiar configuracion", true, true},
    {ctl::kSendConfig, "Enviar configuracion", true, true},
    {ctl::kCoefficients, "Coeficientes", false, false},
    {ctl::kReadSms, "Leer Config. SMS", false, true},
    {ctl::kWriteSms, "Enviar Config.SMS", false, true},
    {ctl::kLive, "DATOS EN LINEA", true, true},
    {ctl::kDownload, "Importar datos desde equipo y exportar a excell (csv)", true, true},
    // Offered in this window: the base file and the events export (designed hidden).
    {ctl::kExportEvents, "Exportar Eventos (.txt) y Base de Datos (.xls)", false, true},
    {ctl::kOpenBaseFile, "Abrir Archivo Base (.rgt)", true, true},
    {ctl::kReconnect, "Reconectar con Registrador ?", true, true},
    {ctl::kExit, "Salir", true, true},
    {ctl::kSerialCaption, "Nro Serie", true, true},
    {ctl::kSerialText, "", true, true},
    {ctl::kTitle, "Registrador TOLVAR", true, true},
    {ctl::kUser, "", true, true},
    {ctl::kLocation, "", true, true},
    {ctl::kLatitude, "", true, true},
    {ctl::kLongitude, "", true, true},
    {ctl::kAltitude, "", true, true},
    {ctl::kDate, "", true, true},
    {ctl::kTime, "", true, true},
    {ctl::kPcClock, "Check1", true, true},
    {ctl::kPcClockCaption, "Ajustar a fecha y hora de PC", true, true},
    {ctl::kInterval1, "1 Minuto", true, true},
    {ctl::kInterval5, "5 Minutos", true, true},
    {ctl::kInterval10, "10 Minutos", true, true},
    {ctl::kInterval15, "15 Minutos", true, true},
    {ctl::kInterval30, "30 Minutos", true, true},
    {ctl::kInterval60, "60 Minutos", true, true},
    {ctl::kSendNever, "", true, true},
    {ctl::kSendWithSampling, "", true, true},
    {ctl::kSendEvery2h, "", true, true},
    {ctl::kSendEvery6h, "", true, true},
    {ctl::kSendEvery12h, "", true, true},
    {ctl::kCellNumber, "", true, true},
    {ctl::kSmsHidden, "Tex", true, false},
    {ctl::kLiveText, "", true, true},
    {ctl::kSerialEntry, "Text10", true, false},
    // The progress window, created hidden with its bar hidden.
    {ctl::progress::kWindow, "Estado de Comunicacion", true, false},
    {ctl::progress::kBar, "0", true, false},
    {ctl::progress::kElapsed, "00:00:00", true, true},
    {ctl::progress::kCancel, "Cancel", true, true},
};

}  // namespace

FormState::FormState(QObject* parent) : QObject(parent) {
    for (const Design& d : kDesign) {
        ControlState& c = controls_[QString::fromLatin1(d.name)];
        c.text = QString::fromLatin1(d.text);
        c.enabled = d.enabled;
        c.visible = d.visible;
    }
    controls_[QString::fromLatin1(ctl::kLiveText)].locked = true;
}

const ControlState& FormState::control(const QString& name) const {
    static const ControlState kNone;
    auto it = controls_.constFind(name);
    return it == controls_.cend() ? kNone : *it;
}

ControlState& FormState::slot(const QString& name) {
    return controls_[name];
}

void FormState::setEnabled(const QString& name, bool enabled) {
    ControlState& c = slot(name);
    if (c.enabled == enabled) return;
    c.enabled = enabled;
    emit controlChanged(name);
}

void FormState::setVisible(const QString& name, bool visible) {
    ControlState& c = slot(name);
    if (c.visible == visible) return;
    c.visible = visible;
    emit controlChanged(name);
}

void FormState::setLocked(const QString& name, bool locked) {
    ControlState& c = slot(name);
    if (c.locked == locked) return;
    c.locked = locked;
    emit controlChanged(name);
}

void FormState::setChecked(const QString& name, bool checked) {
    ControlState& c = slot(name);
    if (c.checked == checked) return;
    c.checked = checked;
    emit controlChanged(name);
}

void FormState::setText(const QString& name, const QString& text) {
    ControlState& c = slot(name);
    if (c.text == text) return;
    c.text = text;
    emit controlChanged(name);
}

void FormState::appendText(const QString& name, const QString& more) {
    slot(name).text += more;
    emit controlChanged(name);
}

void FormState::print(const QString& line) {
    surface_.append(line);
    emit printed(line);
    emit surfaceChanged();
}

void FormState::clearSurface() {
    surface_.clear();
    emit surfaceChanged();
}

void FormState::setTimer1Enabled(bool on) {
    if (timer1_ == on) return;
    timer1_ = on;
    emit timersChanged();
}

void FormState::setTimer4Enabled(bool on) {
    if (timer4_ == on) return;
    timer4_ = on;
    emit timersChanged();
}

void FormState::setSplashShown(bool shown) {
    if (splash_ == shown) return;
    splash_ = shown;
    emit splashChanged(shown);
}

}  // namespace vernoll
