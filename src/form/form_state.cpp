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
    {ctl::configuracion, "Importar Configuracion", true, true},
    {ctl::Command2, "Cambiar configuracion", true, true},
    {ctl::Command3, "Enviar configuracion", true, true},
    {ctl::Command5, "Coeficientes", false, false},
    {ctl::Command6, "Leer Config. SMS", false, true},
    {ctl::Command7, "Enviar Config.SMS", false, true},
    {ctl::Command4, "DATOS EN LINEA", true, true},
    {ctl::Command13, "Importar datos desde equipo y exportar a excell (csv)", true, true},
    // Offered in this window: the base file and the events export (designed hidden).
    {ctl::Command33, "Exportar Eventos (.txt) y Base de Datos (.xls)", false, true},
    {ctl::Command43, "Abrir Archivo Base (.rgt)", true, true},
    {ctl::Command1, "Reconectar con Registrador ?", true, true},
    {ctl::salir, "Salir", true, true},
    {ctl::Label1, "Nro Serie", true, true},
    {ctl::Label4, "", true, true},
    {ctl::Label14, "Registrador TOLVAR", true, true},
    {ctl::Text2, "", true, true},
    {ctl::Text3, "", true, true},
    {ctl::Text4, "", true, true},
    {ctl::Text5, "", true, true},
    {ctl::Text7, "", true, true},
    {ctl::fecha1, "", true, true},
    {ctl::MaskEdBox2, "", true, true},
    {ctl::Check1, "Check1", true, true},
    {ctl::Label3, "Ajustar a fecha y hora de PC", true, true},
    {ctl::Option1, "1 Minuto", true, true},
    {ctl::Option2, "5 Minutos", true, true},
    {ctl::Option3, "10 Minutos", true, true},
    {ctl::Option4, "15 Minutos", true, true},
    {ctl::Option5, "30 Minutos", true, true},
    {ctl::Option6, "60 Minutos", true, true},
    {ctl::Option10, "", true, true},
    {ctl::Option11, "", true, true},
    {ctl::Option12, "", true, true},
    {ctl::Option13, "", true, true},
    {ctl::Option14, "", true, true},
    {ctl::Text1, "", true, true},
    {ctl::Text6, "Tex", true, false},
    {ctl::Text60, "", true, true},
    {ctl::Text10, "Text10", true, false},
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
    controls_[QString::fromLatin1(ctl::Text60)].locked = true;
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
