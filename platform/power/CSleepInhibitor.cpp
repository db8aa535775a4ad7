#include "CSleepInhibitor.h"

#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusReply>
#include <QDBusUnixFileDescriptor>

#include <memory>

#include <unistd.h>

namespace vidlume {

namespace {
    // logind answers at once; a bus that does not answer must not hold up the window for long.
    constexpr int kBusTimeoutMs = 2000;

    std::unique_ptr<QDBusInterface> Logind()
    {
        QDBusConnection bus = QDBusConnection::systemBus();
        if (!bus.isConnected())
            return nullptr;
        auto logind = std::make_unique<QDBusInterface>(QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
            QStringLiteral("org.freedesktop.login1.Manager"), bus);
        if (!logind->isValid())
            return nullptr;
        logind->setTimeout(kBusTimeoutMs);
        return logind;
    }
} // namespace

CSleepInhibitor::CSleepInhibitor(const QString& why)
{
    auto logind = Logind();
    if (!logind)
        return;
    QDBusReply<QDBusUnixFileDescriptor> reply = logind->call(QStringLiteral("Inhibit"), QStringLiteral("sleep"),
        QStringLiteral("Vidlume"), why, QStringLiteral("block"));
    if (reply.isValid() && reply.value().isValid())
        m_fd = ::dup(reply.value().fileDescriptor());
}

CSleepInhibitor::~CSleepInhibitor()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool PowerOffComputer()
{
    auto logind = Logind();
    if (!logind)
        return false;
    QDBusMessage reply = logind->call(QStringLiteral("PowerOff"), false);
    return reply.type() == QDBusMessage::ReplyMessage;
}

} // namespace vidlume
