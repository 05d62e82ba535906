#include "support/AccessibilityBus.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDeadlineTimer>

namespace {

const QString accessible = QStringLiteral("org.a11y.atspi.Accessible");
const QString rootPath = QStringLiteral("/org/a11y/atspi/accessible/root");
constexpr int callTimeout = 5000;

struct Reference {
    QString service;
    QString path;
};

QList<QVariant> call(const QDBusConnection& bus, const Reference& to, const QString& interface,
                     const QString& method, const QList<QVariant>& arguments = {}) {
    QDBusMessage message = QDBusMessage::createMethodCall(to.service, to.path, interface, method);
    message.setArguments(arguments);
    const QDBusMessage reply = bus.call(message, QDBus::Block, callTimeout);
    return reply.type() == QDBusMessage::ReplyMessage ? reply.arguments() : QList<QVariant>();
}

QVariant first(const QList<QVariant>& values) {
    return values.value(0);
}

QString name(const QDBusConnection& bus, const Reference& object) {
    const QVariant value = first(call(bus, object, QStringLiteral("org.freedesktop.DBus.Properties"),
                                      QStringLiteral("Get"), {accessible, QStringLiteral("Name")}));
    return value.value<QDBusVariant>().variant().toString();
}

QRect extents(const QDBusConnection& bus, const Reference& object) {
    const QVariant value = first(call(bus, object, QStringLiteral("org.a11y.atspi.Component"),
                                      QStringLiteral("GetExtents"), {QVariant::fromValue(0u)}));
    if (!value.canConvert<QDBusArgument>())
        return {};
    const auto argument = value.value<QDBusArgument>();
    int x = 0, y = 0, width = 0, height = 0;
    argument.beginStructure();
    argument >> x >> y >> width >> height;
    argument.endStructure();
    return {x, y, width, height};
}

QList<Reference> children(const QDBusConnection& bus, const Reference& object) {
    const QVariant value = first(call(bus, object, accessible, QStringLiteral("GetChildren")));
    QList<Reference> found;
    if (!value.canConvert<QDBusArgument>())
        return found;
    const auto argument = value.value<QDBusArgument>();
    argument.beginArray();
    while (!argument.atEnd()) {
        Reference child;
        QDBusObjectPath path;
        argument.beginStructure();
        argument >> child.service >> path;
        argument.endStructure();
        child.path = path.path();
        found.append(child);
    }
    argument.endArray();
    return found;
}

// `window` is null for a window itself.
void collect(const QDBusConnection& bus, const Reference& object, const AccessibilityBus::Object* window,
             QList<AccessibilityBus::Object>& into) {
    AccessibilityBus::Object found;
    found.name = name(bus, object);
    found.role = first(call(bus, object, accessible, QStringLiteral("GetRoleName"))).toString();
    found.window = window ? window->window : found.name;
    found.windowRole = window ? window->windowRole : found.role;
    found.extents = extents(bus, object);
    into.append(found);
    for (const Reference& child : children(bus, object))
        collect(bus, child, &found, into);
}

} // namespace

AccessibilityBus::AccessibilityBus(const QProcessEnvironment& environment)
    : sessionName_(QStringLiteral("kestrelle-session-%1").arg(quintptr(this))) {
    // Names are activated from the system's service files: the accessibility bus when a program first asks
    // for it, and the registry on that bus.
    daemon_ =
        std::make_unique<ChildProcess>(QStringLiteral("dbus-daemon"),
                                       QStringList{QStringLiteral("--session"), QStringLiteral("--nofork"),
                                                   QStringLiteral("--print-address=1")},
                                       environment);
    if (!daemon_->started()) {
        failure_ = QStringLiteral("dbus-daemon did not start: is the dbus-daemon package installed?");
        return;
    }
    QProcess& daemon = daemon_->process();
    const QDeadlineTimer deadline(10000);
    QByteArray output;
    while (!output.contains('\n') && !deadline.hasExpired() && daemon_->running()) {
        daemon.waitForReadyRead(int(deadline.remainingTime()));
        output += daemon.readAllStandardOutput();
    }
    address_ = QString::fromUtf8(output).trimmed();
    if (address_.isEmpty() || !QDBusConnection::connectToBus(address_, sessionName_).isConnected())
        failure_ = QStringLiteral("the private session bus gave no address");
}

AccessibilityBus::~AccessibilityBus() {
    if (!accessibilityName_.isEmpty())
        QDBusConnection::disconnectFromBus(accessibilityName_);
    QDBusConnection::disconnectFromBus(sessionName_);
}

void AccessibilityBus::addTo(QProcessEnvironment& environment) const {
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), address_);
    environment.insert(QStringLiteral("QT_LINUX_ACCESSIBILITY_ALWAYS_ON"), QStringLiteral("1"));
}

// The accessibility bus is started on the first request, the program's or this one's.
QString AccessibilityBus::accessibilityConnection() const {
    if (!accessibilityName_.isEmpty())
        return accessibilityName_;
    const QDBusConnection session(sessionName_);
    const QString address =
        first(call(session, {QStringLiteral("org.a11y.Bus"), QStringLiteral("/org/a11y/bus")},
                   QStringLiteral("org.a11y.Bus"), QStringLiteral("GetAddress")))
            .toString();
    const QString name = sessionName_ + QStringLiteral("-a11y");
    if (address.isEmpty() || !QDBusConnection::connectToBus(address, name).isConnected())
        return {};
    accessibilityName_ = name;
    return name;
}

QList<AccessibilityBus::Object> AccessibilityBus::objects(qint64 processId) const {
    QList<Object> found;
    const QString connection = accessibilityConnection();
    if (connection.isEmpty())
        return found;
    const QDBusConnection bus(connection);
    const Reference daemon{QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus")};
    const QStringList names =
        first(call(bus, daemon, daemon.service, QStringLiteral("ListNames"))).toStringList();
    for (const QString& service : names) {
        if (!service.startsWith(QLatin1Char(':')) ||
            first(call(bus, daemon, daemon.service, QStringLiteral("GetConnectionUnixProcessID"), {service}))
                    .toLongLong() != processId)
            continue;
        // The application itself is no window; its children are.
        for (const Reference& window : children(bus, {service, rootPath}))
            collect(bus, window, nullptr, found);
    }
    return found;
}
