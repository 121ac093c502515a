#include "dialogops.h"

#include "controlprotocol.h"
#include "hostsession.h"

#include <QJsonDocument>

#include <stdexcept>

namespace Ostraven::Host {

void addDialogOps(ControlProtocol &protocol, HostSession &session)
{
    for (const char *op : {"control", "click", "focus", "keypress", "tab"}) {
        protocol.addOp(QString::fromLatin1(op), [&session](const QJsonObject &command) {
            EventProbe *probe = session.probe();
            if (!probe)
                throw std::invalid_argument("the component offers no way in for dialog actions");
            const QString failure =
                probe->runDialogAction(QJsonDocument(command).toJson(QJsonDocument::Compact));
            if (!failure.isEmpty())
                throw std::invalid_argument(failure.toStdString());
        });
    }
}

} // namespace Ostraven::Host
