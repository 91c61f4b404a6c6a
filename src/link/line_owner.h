#pragma once

#include <QObject>
#include <QString>

namespace vernoll {

// Which operation holds the logger's line. The eight channels share one port, and an
// exchange's opening closes every other channel: while a discovery, an opening, a download or
// the live display holds the line, nothing else may start an exchange on it. The line also
// carries the logger program's own diagnostics ("error en contador", a line event's text),
// which the window prints on its background and the command line lists.
class LineOwner : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // The line for `name`; false (and nothing changes) while another operation holds it.
    bool take(const QString& name);
    // Gives the line back; nothing happens while it is free.
    void release();
    // Who holds the line; empty while it is free.
    const QString& holder() const { return holder_; }
    bool held() const { return !holder_.isEmpty(); }

    // A diagnostic of an exchange on this line.
    void diagnose(const QString& text) { emit diagnosed(text); }

signals:
    // The line was taken (`holder` names the operation) or given back (`holder` empty).
    void changed(const QString& holder);
    void diagnosed(const QString& text);

private:
    QString holder_;
};

// The names the operations take the line under.
namespace line {
inline constexpr char kDiscovery[] = "discovery";
inline constexpr char kOpening[] = "opening";
inline constexpr char kDownload[] = "download";
inline constexpr char kLive[] = "live";
}  // namespace line

}  // namespace vernoll
