#include "app/chart_offer.h"

#include "app/download_presenter.h"
#include "app/inicio.h"
#include "app/station_texts.h"
#include "app/widgets.h"
#include "chart/chart_window.h"
#include "config/config_import.h"
#include "family/family.h"
#include "files/base_file.h"
#include "memory/download.h"
#include "memory/report.h"
#include "station/download_archiving.h"

namespace vernoll {

ChartWindow* openChart(ChartInput input, Dialogs& dialogs, QWidget* owner) {
    auto* window = new ChartWindow(std::move(input), dialogs, owner);
    window->setWindowFlag(Qt::Window);
    window->setAttribute(Qt::WA_DeleteOnClose);
    placeOver(*window, owner ? owner->window() : nullptr);
    window->show();
    window->raise();
    return window;
}

ChartInput chartOfImage(Inicio& inicio, const memory::ImageReadings* readings) {
    const FormState& form = inicio.form();
    ChartInput input;
    const auto& configuration = inicio.import().configuration();
    input.serial = station::serialOf(configuration, form.Nserie);
    // Named by the logger's own digits, as the archive names it.
    memory::ImageReadings decoded =
        readings ? *readings
                 : memory::readingsOfImage(inicio.image(), form.memo, form.Nserie, input.serial);
    if (const family::Family* f = family::of(double(form.Nserie)); f && f->name)
        input.device = QString::fromUtf8(f->name);
    if (configuration) {
        input.station = QStringList(configuration->texts.begin(), configuration->texts.end());
        input.intervalMinutes = configuration->intervalMinutes();
    }
    input.columns = std::move(decoded.columns);
    input.readings = std::move(decoded.readings);
    return input;
}

ChartOffer::ChartOffer(Inicio& inicio, QWidget* owner)
    : QObject(owner), inicio_(inicio), owner_(owner) {
    // Both signals come after the operation's own messages were answered. A download's chart
    // draws the readings the download job decoded; a base file's is decoded here.
    connect(&inicio_.downloadPresenter(), &DownloadPresenter::shown, this,
            [this](const station::DownloadResult& result) {
                if (result.outcome == station::DownloadResult::Outcome::Completed)
                    offer(result.readings.get());
            });
    connect(&inicio_.baseFile(), &files::BaseFile::loaded, this, [this] { offer(); });
}

void ChartOffer::offer(const memory::ImageReadings* readings) {
    ChartInput input = chartOfImage(inicio_, readings);
    // Nothing to draw: nothing offered.
    if (input.readings.empty()) return;
    if (!inicio_.dialogs().askYesNo(station_texts::kChartQuestion)) return;
    emit opened(openChart(std::move(input), inicio_.dialogs(), owner_));
}

}  // namespace vernoll
