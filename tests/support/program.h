#pragma once

// The program without its window: the form state, scripted dialogs, the channels on one
// port and the handlers, with shortened waits. Operation tests derive their own helpers.

#include <QSignalSpy>

#include "app/config_presenter.h"
#include "app/inicio.h"
#include "app/serial_presenter.h"
#include "app/sms_presenter.h"
#include "config/config_import.h"
#include "form/controls.h"
#include "support/fake_dialogs.h"
#include "support/wait.h"

namespace vernoll::test {

// How long an exchange may take in a test, with Timing::fast().
inline constexpr int kExchangeWait = 3000;

struct Program {
    FormState form;
    FakeDialogs dialogs;
    PortList ports;
    ChannelSet channels;
    Inicio inicio;

    Program(const QString& port, const ChannelSet::Factory& factory)
        : ports(QStringList{port}),
          channels(factory),
          inicio(form, dialogs, channels, ports, Timing::fast()) {}

    // Start-up: discovery, then the configuration import; true once the import finished.
    bool startUp() {
        QSignalSpy done(&inicio.import(), &config::ConfigImport::finished);
        inicio.startUp();
        return waitUntil([&] { return done.count() == 1; }, kExchangeWait);
    }
    // A click on the window.
    void click(const char* name) { inicio.click(QString::fromLatin1(name)); }
    // An option button or check box clicked on the window: checked first, then the click.
    void choose(const char* name, bool checked = true) {
        form.setChecked(name, checked);
        click(name);
    }
    // What the user types or pastes into a box: the form takes the text, then the edit
    // handler runs.
    void type(const char* name, const QString& text) {
        form.setText(name, text);
        inicio.edited(QString::fromLatin1(name));
    }
    // Clicks a control and waits until `spy` has seen `count` signals.
    bool clickAndWait(const char* name, QSignalSpy& spy, int count = 1) {
        click(name);
        return waitUntil([&] { return spy.count() == count; }, kExchangeWait);
    }
    const ControlState& c(const char* name) const { return form.control(name); }
    const QString& text(const char* name) const { return form.control(name).text; }
};

}  // namespace vernoll::test
