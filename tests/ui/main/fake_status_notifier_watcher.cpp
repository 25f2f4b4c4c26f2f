// SPDX-License-Identifier: GPL-3.0-or-later
// A stand-in for a panel's StatusNotifier watcher, for tests: it owns
// org.kde.StatusNotifierWatcher on the session bus, says a host is there, and for every item
// that registers with it reads the item's pictures as a host does and prints
// "registered SERVICE with N pictures".
#include <QCoreApplication>
#include <QDBusAbstractAdaptor>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QStringList>

#include <cstdio>

namespace {

class Watcher : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems MEMBER items)
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ hostRegistered)
    Q_PROPERTY(int ProtocolVersion READ protocolVersion)
public:
    explicit Watcher(QObject* parent) : QDBusAbstractAdaptor(parent) {}
    QStringList items;
    bool hostRegistered() const { return true; }
    int protocolVersion() const { return 0; }

public Q_SLOTS:
    void RegisterStatusNotifierItem(const QString& service, const QDBusMessage& message) {
        // Items may give an object path instead of a service name; the sender is the service.
        const QString item = service.startsWith(u'/') ? message.service() : service;
        items.append(item);
        std::printf("registered %s with %d pictures\n", qPrintable(item), pictures(item));
        std::fflush(stdout);
        Q_EMIT StatusNotifierItemRegistered(item);
    }
    void RegisterStatusNotifierHost(const QString&) {}

Q_SIGNALS:
    void StatusNotifierItemRegistered(const QString& service);
    void StatusNotifierItemUnregistered(const QString& service);
    void StatusNotifierHostRegistered();

private:
    // The item's icon pictures that have pixels, read as a host reads them.
    static int pictures(const QString& item) {
        QDBusMessage get = QDBusMessage::createMethodCall(
            item, QStringLiteral("/StatusNotifierItem"),
            QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
        get << QStringLiteral("org.kde.StatusNotifierItem") << QStringLiteral("IconPixmap");
        const QDBusMessage reply = QDBusConnection::sessionBus().call(get, QDBus::Block, 5000);
        if (reply.type() != QDBusMessage::ReplyMessage)
            return -1;
        const QDBusArgument array =
            reply.arguments().value(0).value<QDBusVariant>().variant().value<QDBusArgument>();
        int count = 0;
        array.beginArray();
        while (!array.atEnd()) {
            int width = 0;
            int height = 0;
            QByteArray argb;
            array.beginStructure();
            array >> width >> height >> argb;
            array.endStructure();
            count += width > 0 && argb.size() == qsizetype(width) * height * 4 ? 1 : 0;
        }
        array.endArray();
        return count;
    }
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    QObject watcher;
    new Watcher(&watcher);
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.registerObject(QStringLiteral("/StatusNotifierWatcher"), &watcher) ||
        !bus.registerService(QStringLiteral("org.kde.StatusNotifierWatcher"))) {
        std::fprintf(stderr, "cannot own org.kde.StatusNotifierWatcher\n");
        return 1;
    }
    return QCoreApplication::exec();
}

#include "fake_status_notifier_watcher.moc"
