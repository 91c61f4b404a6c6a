#pragma once

#include <QJsonObject>
#include <QStringList>
#include <memory>
#include <optional>

#include "app/inicio.h"
#include "cli/console_dialogs.h"
#include "form/form_state.h"
#include "form/timing.h"
#include "link/channel_set.h"
#include "link/port_list.h"

namespace vernoll::sim {
class LoggerEmulator;
class EmulatorPort;
}  // namespace vernoll::sim

namespace vernoll::cli {

// Exit statuses of the command line.
enum Status { Done = 0, NoLogger = 1, Usage = 2, ExchangeFailed = 3, FileError = 4 };

struct GlobalOptions {
    QStringList ports;             // --port, in order
    std::optional<QString> simulate;  // --simulate SERIAL
    bool json = false;
    bool yes = false;
    Timing timing = Timing::real();
};

// One run of a command against a logger: the form state, the channels on the chosen ports (or
// the built-in emulator), and the same handlers the window runs.
class Session {
public:
    explicit Session(const GlobalOptions& options);
    ~Session();

    // Port discovery only.
    int probe();
    // Discovery and the configuration import.
    int config();

private:
    // Runs discovery (and the import when `import`), returning the status it ended with.
    int connect(bool import);
    void print(const QString& text) const;
    void printJson(const QJsonObject& object) const;
    QJsonObject configJson() const;

    GlobalOptions options_;
    FormState form_;
    ConsoleDialogs dialogs_;
    PortList ports_;
    std::unique_ptr<sim::LoggerEmulator> emulator_;
    std::unique_ptr<sim::EmulatorPort> emulatorPort_;
    std::unique_ptr<ChannelSet> channels_;
    std::unique_ptr<Inicio> inicio_;
    QStringList diagnostics_;
};

}  // namespace vernoll::cli
