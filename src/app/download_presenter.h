#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include "form/dialogs.h"
#include "form/form_state.h"
#include "station/download_job.h"

namespace vernoll {

class LoggerSession;

// "Importar datos desde equipo y exportar a excell (csv)" on the window: the progress window
// (its bar, the elapsed time Timer4 moves, Cancel), the buttons the download holds, and the
// job's ending told: the success message with where the copy and the readings went, or the
// error with the partial copy. A completed download goes on to the decoding run (`decode`).
class DownloadPresenter : public QObject {
    Q_OBJECT
public:
    DownloadPresenter(FormState& form, Dialogs& dialogs, LoggerSession& session,
                      station::DownloadJob& job, QObject* parent = nullptr);

    // The click: a download of the logger the window holds (memo frames, Nserie).
    void download();
    // Cancel on the progress window.
    void cancel();
    // Runs after a completed download's message: the decoding run, given the copy's path.
    void setOnComplete(std::function<void(const QString& copy)> decode) {
        onComplete_ = std::move(decode);
    }

signals:
    // The job's ending was shown and what follows it (the decoding run) done.
    void shown(const vernoll::station::DownloadResult& result);

private:
    void ended(const station::DownloadResult& result);
    void tick();

    FormState& form_;
    Dialogs& dialogs_;
    LoggerSession& session_;
    station::DownloadJob& job_;
    QTimer timer4_;
    QElapsedTimer started_;  // monotonic: the elapsed time is right across midnight
    std::function<void(const QString&)> onComplete_;
};

}  // namespace vernoll
