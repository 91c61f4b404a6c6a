#include "app/download_presenter.h"

#include <QTime>

#include "app/reconnection.h"
#include "memory/download.h"
#include "session/logger_session.h"

namespace vernoll {

DownloadPresenter::DownloadPresenter(FormState& form, Dialogs& dialogs, LoggerSession& session,
                                     station::DownloadJob& job, QObject* parent)
    : QObject(parent), form_(form), dialogs_(dialogs), session_(session), job_(job) {
    timer4_.setInterval(session_.timing().elapsedTick);
    connect(&timer4_, &QTimer::timeout, this, &DownloadPresenter::tick);
    // Timer4 runs while the form says so (Cancel elsewhere may switch it off).
    connect(&form_, &FormState::timersChanged, this, [this] {
        if (form_.timer4Enabled() && !timer4_.isActive()) timer4_.start();
        if (!form_.timer4Enabled()) timer4_.stop();
    });

    memory::Download& op = session_.download();
    connect(&op, &memory::Download::began, this, [this] {
        started_.start();
        form_.conti = 0;
        form_.contj = -1;
        form_.linea = 0;
        form_.setEnabled(ctl::groups::kHeldByDownload, false);
        form_.setText(ctl::progress::kElapsed, QStringLiteral("00:00:00"));
    });
    connect(&op, &memory::Download::attending, this, [this] {
        form_.progressMax = form_.memo;
        form_.setText(ctl::progress::kWindow, QStringLiteral("Estado de Comunicacion"));
        form_.setText(ctl::progress::kBar, QStringLiteral("0"));
        form_.setVisible(ctl::progress::kBar, true);
        form_.setEnabled(ctl::progress::kBar, true);
        form_.setVisible(ctl::progress::kCancel, true);
        form_.setVisible(ctl::progress::kWindow, true);
    });
    connect(&op, &memory::Download::progress, this, [this](int blocks) {
        if (blocks == 0) {
            form_.setTimer4Enabled(true);
            return;
        }
        form_.conti = blocks;
        form_.setText(ctl::progress::kBar, QString::number(blocks));
    });
    // The progress window goes as the last block arrives, before the archive is done.
    connect(&op, &memory::Download::finished, this, [this] {
        form_.conti = session_.download().blocks();
        form_.setTimer4Enabled(false);
        form_.setEnabled(ctl::kReconnect, true);
        form_.setVisible(ctl::progress::kWindow, false);
    });
    connect(&job_, &station::DownloadJob::finished, this, &DownloadPresenter::ended);
}

void DownloadPresenter::download() {
    job_.start(form_.memo, form_.Nserie);
}

void DownloadPresenter::cancel() {
    form_.setTimer4Enabled(false);
    form_.setVisible(ctl::progress::kWindow, false);
    form_.setEnabled(ctl::kMainWindow, true);
    form_.setEnabled(ctl::groups::kGivenBackByDownload, true);
    job_.cancel();
}

void DownloadPresenter::ended(const station::DownloadResult& r) {
    form_.conti = r.blocks;
    using Outcome = station::DownloadResult::Outcome;
    const QString message = station::endingMessage(r);
    switch (r.outcome) {
        case Outcome::Completed:
            dialogs_.message(message);
            if (onComplete_) onComplete_(r.copyPath);
            form_.setEnabled(ctl::groups::kGivenBackByDownload, true);
            break;
        case Outcome::NoAnswer:
            form_.setVisible(ctl::progress::kWindow, false);
            offerReconnection(form_, dialogs_, *r.error);
            form_.setEnabled(ctl::groups::kGivenBackByDownload, true);
            break;
        case Outcome::Failed:
            form_.setTimer4Enabled(false);
            form_.setEnabled(ctl::kReconnect, true);
            form_.setVisible(ctl::progress::kWindow, false);
            // What arrived can still be opened and decoded as a base file.
            form_.setEnabled(ctl::kOpenBaseFile, true);
            dialogs_.message(message);
            break;
        case Outcome::Cancelled:
            // Blocks received before the cancel are kept, and the user is told where.
            if (!message.isEmpty()) dialogs_.message(message, Dialogs::Icon::Information);
            break;
    }
    emit shown(r);
}

void DownloadPresenter::tick() {
    form_.setText(ctl::progress::kElapsed, QTime(0, 0)
                                               .addMSecs(int(started_.elapsed() % 86400000))
                                               .toString(QStringLiteral("HH:mm:ss")));
}

}  // namespace vernoll
