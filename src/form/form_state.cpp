#include "form/form_state.h"

#include "form/window_design.h"

namespace vernoll {

// Every control starts as the window's design has it, before start-up changes anything.
FormState::FormState(QObject* parent) : QObject(parent) {
    for (const design::Window& w : {design::kMainWindow, design::kProgressWindow}) {
        ControlState& c = controls_[QString::fromLatin1(w.name)];
        c.text = QString::fromUtf8(w.caption);
        c.visible = w.visible;
    }
    for (std::span<const design::Control> window :
         {design::mainWindow(), design::progressWindow()}) {
        for (const design::Control& d : window) {
            ControlState& c = controls_[QString::fromLatin1(d.name)];
            c.text = QString::fromUtf8(d.text);
            c.enabled = d.enabled;
            c.visible = d.visible;
            c.locked = d.locked;
        }
    }
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

void FormState::setEnabled(std::span<const char* const> names, bool enabled) {
    for (const char* name : names) setEnabled(QString::fromLatin1(name), enabled);
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

FormState::Snapshot FormState::snapshot(std::span<const char* const> names) const {
    Snapshot shown;
    for (const char* name : names) {
        const QString key = QString::fromLatin1(name);
        shown.insert(key, control(key));
    }
    return shown;
}

void FormState::restore(const Snapshot& snapshot) {
    for (auto it = snapshot.cbegin(); it != snapshot.cend(); ++it) {
        setEnabled(it.key(), it->enabled);
        setVisible(it.key(), it->visible);
        setLocked(it.key(), it->locked);
        setChecked(it.key(), it->checked);
        setText(it.key(), it->text);
    }
}

}  // namespace vernoll
