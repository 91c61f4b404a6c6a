#include "app/inicio.h"

#include "config/clock.h"
#include "config/config_import.h"
#include "form/controls.h"
#include "link/discovery.h"
#include "link/exchange_opening.h"
#include "link/line_events.h"

namespace vernoll {

Inicio::Inicio(FormState& form, Dialogs& dialogs, const ChannelSet& channels, const PortList& ports,
               Timing timing, QObject* parent)
    : QObject(parent),
      form_(form),
      dialogs_(dialogs),
      channels_(channels),
      ports_(ports),
      timing_(timing),
      // The line-event handler is connected to MSComm1 before discovery listens to it.
      lineEvents_(std::make_unique<LineEvents>(form, channels[1])),
      opening_(std::make_unique<ExchangeOpening>(form, channels)),
      discovery_(std::make_unique<Discovery>(form, dialogs, channels, ports, timing)),
      import_(std::make_unique<config::ConfigImport>(form, dialogs, channels, *opening_, timing)) {
    timer1_.setInterval(timing_.clockTick);
    connect(&timer1_, &QTimer::timeout, this, &Inicio::tickClock);
    connect(&form_, &FormState::timersChanged, this, [this] {
        if (form_.timer1Enabled() && !timer1_.isActive()) timer1_.start();
        if (!form_.timer1Enabled()) timer1_.stop();
    });
    connect(discovery_.get(), &Discovery::finished, this, [this](Discovery::Outcome outcome) {
        const bool first = startingUp_;
        startingUp_ = false;
        if (first) emit startUpFinished();
        // A logger that answered the probe is read at once, as a click would.
        if (outcome == Discovery::Outcome::Found && importOnFound_) clickConfiguracion();
    });

    onClick(ctl::configuracion, [this] { import_->click(); });
    onClick(ctl::Command1, [this] {
        form_.setEnabled(ctl::Command1, false);
        discovery_->start();
    });
    // "Coeficientes" bears the coefficients window's name but does nothing.
    onClick(ctl::Command5, [] {});
    // Cancel on the progress window; the download replaces it with its own, which does the same
    // and also ends the download's state.
    onClick(ctl::progress::kCancel, [this] { cancelProgress(); });
}

void Inicio::cancelProgress() {
    form_.setTimer4Enabled(false);
    if (channels_[4].isOpen()) channels_[4].close();
    form_.setVisible(ctl::progress::kWindow, false);
    form_.setEnabled(ctl::inicio, true);
    for (const char* name :
         {ctl::Command43, ctl::Command13, ctl::Command2, ctl::configuracion, ctl::Command4})
        form_.setEnabled(name, true);
}

void Inicio::click(const QString& name) {
    if (const auto it = clicks_.constFind(name); it != clicks_.cend()) (*it)();
}

void Inicio::edited(const QString& name) {
    if (const auto it = edits_.constFind(name); it != edits_.cend()) (*it)();
}

bool Inicio::key(const QString& name, int key) {
    if (const auto it = keys_.constFind(name); it != keys_.cend()) return (*it)(key);
    return true;
}

Inicio::~Inicio() = default;

void Inicio::startUp() {
    form_.setTimer4Enabled(false);
    form_.setSplashShown(true);
    form_.setTimer1Enabled(false);
    form_.setVisible(ctl::Check1, false);
    form_.setVisible(ctl::Label3, false);
    for (const char* box : ctl::stationTexts) form_.setLocked(box, true);
    form_.setEnabled(ctl::Command3, false);
    form_.setEnabled(ctl::Command2, false);
    form_.memo = 1026;
    form_.progressMax = 1026;
    form_.liveSamples = 0;
    startingUp_ = true;
    discovery_->start();
}

void Inicio::tickClock() {
    form_.loggerClock = form_.loggerClock.addSecs(1);
    form_.setText(ctl::MaskEdBox2, config::timeText(form_.loggerClock));
}

}  // namespace vernoll
