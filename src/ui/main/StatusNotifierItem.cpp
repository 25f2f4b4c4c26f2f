// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/main/StatusNotifierItem.h"

#include <QCoreApplication>
#include <QDBusAbstractAdaptor>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QImage>
#include <QtEndian>

#include <utility>

namespace kv {

// One picture of the icon: width, height and ARGB32 pixels in network byte order.
struct ItemPixmap {
    int width = 0;
    int height = 0;
    QByteArray argb;
};
using ItemPixmaps = QList<ItemPixmap>;

// Icon name, pictures, title and text of the item's tooltip.
struct ItemToolTip {
    QString iconName;
    ItemPixmaps pixmaps;
    QString title;
    QString text;
};

QDBusArgument& operator<<(QDBusArgument& argument, const ItemPixmap& pixmap) {
    argument.beginStructure();
    argument << pixmap.width << pixmap.height << pixmap.argb;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, ItemPixmap& pixmap) {
    argument.beginStructure();
    argument >> pixmap.width >> pixmap.height >> pixmap.argb;
    argument.endStructure();
    return argument;
}

QDBusArgument& operator<<(QDBusArgument& argument, const ItemToolTip& tip) {
    argument.beginStructure();
    argument << tip.iconName << tip.pixmaps << tip.title << tip.text;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, ItemToolTip& tip) {
    argument.beginStructure();
    argument >> tip.iconName >> tip.pixmaps >> tip.title >> tip.text;
    argument.endStructure();
    return argument;
}

} // namespace kv

Q_DECLARE_METATYPE(kv::ItemPixmap)
Q_DECLARE_METATYPE(kv::ItemToolTip)

namespace kv {
namespace {

const QString kWatcher = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString kItemPath = QStringLiteral("/StatusNotifierItem");

ItemPixmaps pixmapsOf(const QIcon& icon) {
    ItemPixmaps pixmaps;
    for (const int size : {16, 22, 24, 32, 48, 64}) {
        const QImage image =
            icon.pixmap(size, size).toImage().convertToFormat(QImage::Format_ARGB32);
        if (image.isNull())
            continue;
        ItemPixmap pixmap{image.width(), image.height(), QByteArray()};
        pixmap.argb.resize(qsizetype(image.width()) * image.height() * 4);
        auto* out = reinterpret_cast<quint32*>(pixmap.argb.data());
        for (int y = 0; y < image.height(); ++y) {
            const auto* line = reinterpret_cast<const quint32*>(image.constScanLine(y));
            for (int x = 0; x < image.width(); ++x)
                *out++ = qToBigEndian(line[x]);
        }
        pixmaps.append(pixmap);
    }
    return pixmaps;
}

// What a host reads and calls; the names and types are the protocol's.
class ItemAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierItem")
    Q_PROPERTY(QString Category READ Category)
    Q_PROPERTY(QString Id READ Id)
    Q_PROPERTY(QString Title READ Title)
    Q_PROPERTY(QString Status READ Status)
    Q_PROPERTY(int WindowId READ WindowId)
    Q_PROPERTY(QString IconName READ NoName)
    Q_PROPERTY(kv::ItemPixmaps IconPixmap READ IconPixmap)
    Q_PROPERTY(QString OverlayIconName READ NoName)
    Q_PROPERTY(kv::ItemPixmaps OverlayIconPixmap READ NoPixmaps)
    Q_PROPERTY(QString AttentionIconName READ NoName)
    Q_PROPERTY(kv::ItemPixmaps AttentionIconPixmap READ NoPixmaps)
    Q_PROPERTY(QString AttentionMovieName READ NoName)
    Q_PROPERTY(kv::ItemToolTip ToolTip READ ToolTip)
    Q_PROPERTY(bool ItemIsMenu READ ItemIsMenu)

public:
    explicit ItemAdaptor(StatusNotifierItem* item)
        : QDBusAbstractAdaptor(item), item_(item), pixmaps_(pixmapsOf(item->icon())) {}

    QString Category() const { return QStringLiteral("ApplicationStatus"); }
    QString Id() const { return QStringLiteral("kestrovaline"); }
    QString Title() const { return item_->toolTip(); }
    QString Status() const { return QStringLiteral("Active"); }
    int WindowId() const { return 0; }
    QString NoName() const { return {}; }
    ItemPixmaps IconPixmap() const { return pixmaps_; }
    ItemPixmaps NoPixmaps() const { return {}; }
    ItemToolTip ToolTip() const { return {QString(), {}, item_->toolTip(), QString()}; }
    bool ItemIsMenu() const { return false; }

public Q_SLOTS:
    void Activate(int, int) { Q_EMIT item_->activated(QSystemTrayIcon::Trigger); }
    void SecondaryActivate(int, int) { Q_EMIT item_->activated(QSystemTrayIcon::MiddleClick); }
    void ContextMenu(int, int) { Q_EMIT item_->activated(QSystemTrayIcon::Context); }
    void Scroll(int, const QString&) {}

Q_SIGNALS:
    void NewTitle();
    void NewIcon();
    void NewAttentionIcon();
    void NewOverlayIcon();
    void NewToolTip();
    void NewStatus(const QString& status);

private:
    StatusNotifierItem* item_;
    ItemPixmaps pixmaps_;
};

} // namespace

StatusNotifierItem::StatusNotifierItem(const QIcon& icon, const QString& toolTip, QObject* parent)
    : QObject(parent), icon_(icon), toolTip_(toolTip) {
    qDBusRegisterMetaType<ItemPixmap>();
    qDBusRegisterMetaType<ItemPixmaps>();
    qDBusRegisterMetaType<ItemToolTip>();
    new ItemAdaptor(this);
    static int items = 0;
    service_ = QStringLiteral("org.kde.StatusNotifierItem-%1-%2")
                   .arg(QCoreApplication::applicationPid())
                   .arg(++items);
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.registerObject(kItemPath, this, QDBusConnection::ExportAdaptors);
    bus.registerService(service_);
    // Not waited for: the watcher may be busy, and the program must not stall on it.
    QDBusMessage registration =
        QDBusMessage::createMethodCall(kWatcher, QStringLiteral("/StatusNotifierWatcher"), kWatcher,
                                       QStringLiteral("RegisterStatusNotifierItem"));
    registration << service_;
    bus.call(registration, QDBus::NoBlock);
}

StatusNotifierItem::~StatusNotifierItem() {
    withdraw();
}

void StatusNotifierItem::withdraw() {
    if (service_.isEmpty())
        return;
    // Losing the name is what tells the watcher that the item is gone.
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.unregisterService(std::exchange(service_, QString()));
    bus.unregisterObject(kItemPath);
}

} // namespace kv

#include "StatusNotifierItem.moc"
