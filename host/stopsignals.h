#pragma once

#include <QObject>

class QSocketNotifier;

namespace Ostraven::Host {

// While it exists, SIGINT and SIGTERM end the application's event loops instead of the process,
// so that the host removes its control socket and token file on the way out. A second signal ends
// the process as usual, in case the host is stuck.
class StopSignals : public QObject
{
    Q_OBJECT

public:
    explicit StopSignals(QObject *parent = nullptr);
    ~StopSignals() override;

private:
    QSocketNotifier *m_notifier = nullptr;
};

} // namespace Ostraven::Host
