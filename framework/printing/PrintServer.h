#pragma once
// The one way to the print server. Every exchange runs on a connection of its own whose
// every wait is bounded by kMaxPrintServerWaitMs from the start of the exchange, so a
// server that never answers, answers once and then stalls, or drops the connection ends
// the attempt with one EPrinter naming the server. Nothing else in the program talks to
// the server or lists its queues. What a process learns of the queues and their
// descriptions it asks once and keeps.

#include <QList>
#include <QMarginsF>
#include <QPageSize>
#include <QString>
#include <QStringList>
#include <utility>

// A queue as the server lists it.
struct TQueueInfo {
    QString name;
    QString makeAndModel;
    QString deviceUri;
};

struct TQueueList {
    QList<TQueueInfo> queues;
    QString defaultQueue; // empty: none
};

// What a queue's description file says of it. Margins are the unprintable edges of each
// paper in points, for portrait paper.
struct TQueueDescription {
    QList<QPageSize> pageSizes;
    QList<QMarginsF> margins; // one for each of pageSizes
    QPageSize defaultPageSize;
    bool customSizes = false;
    QMarginsF customMargins;
    bool duplex = false;
    QStringList inputSlots;
    QString defaultInputSlot;
    int dpi = 600;
};

namespace PrintServer {

// On the window thread, every exchange runs on a thread of its own while the window goes
// on with its repaints and timers (not the user's input) until it ends, within the same
// bound. The editor turns it on; programs without a window wait in place.
void SetResponsiveWaits(bool on);

// The server as the messages name it (a host or a socket).
QString Name();

// The queues and the default one. A server that refuses the connection at once is no
// server: no queues, no error. Asked once per process; refresh asks again.
TQueueList Queues(bool refresh = false);

// The description of a queue, asked once per process; a queue without one describes an
// A4 printer of 600 dpi.
TQueueDescription Describe(const QString& queue);

// Raises EPrinter naming the queue when it is gone or refuses jobs (with the server's
// reason). Asked each time: a queue closes or goes while a job is drawn.
void CheckAccepting(const QString& queue);

// Hands the PDF file open on fd (read from its start) to the queue as a job with this
// title and these options (name, value). Raises EPrinter naming the queue and the
// server's reason when the queue is gone or rejects the job.
void PrintFile(const QString& queue, int fd, const QString& title,
               const QList<std::pair<QByteArray, QByteArray>>& options);

} // namespace PrintServer
