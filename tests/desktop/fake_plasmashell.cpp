// SPDX-License-Identifier: GPL-3.0-or-later
// A stand-in for the KDE Plasma shell's scripting interface, for tests: it owns
// org.kde.plasmashell on the session bus and runs every script it receives in a fresh
// JavaScript engine over a small model of the shell's desktops.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusError>
#include <QJSEngine>

namespace {

// The model in JavaScript, as the shell's scripting API presents it: desktops() with
// wallpaperPlugin, currentConfigGroup, readConfig and writeConfig.
const char* const kModel = R"JS(
class KvDesktop {
  constructor(m) { this.m = m; this.group = []; }
  get wallpaperPlugin() { return this.m.plugin; }
  set wallpaperPlugin(v) { this.m.plugin = String(v); }
  set currentConfigGroup(v) { this.group = Array.from(v, String); }
  writeConfig(key, value) {
    const g = this.group.join('/');
    this.m.config[g] = Object.assign(this.m.config[g] || {}, {[String(key)]: value});
  }
  readConfig(key, fallback) {
    const c = this.m.config[this.group.join('/')];
    return c && c.hasOwnProperty(key) ? c[key] : fallback;
  }
}
function desktops() { return kvModel.desktops.map(function(m) { return new KvDesktop(m); }); }
var kvPrinted = '';
function print(text) { kvPrinted += String(text) + '\n'; }
)JS";

class Shell : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.PlasmaShell")
    // One desktop on another wallpaper plugin, one on the picture plugin cropping (its default).
    QString model_ = QStringLiteral(R"({"desktops": [{"plugin": "org.kde.slideshow", "config": {}},
        {"plugin": "org.kde.image",
         "config": {"Wallpaper/org.kde.image/General": {"FillMode": 2}}}]})");

public Q_SLOTS:
    QString evaluateScript(const QString& script) {
        QJSEngine engine;
        engine.evaluate(QString::fromUtf8(kModel));
        engine.globalObject().setProperty(QStringLiteral("kvModel"),
                                          engine.evaluate(QStringLiteral("(%1)").arg(model_)));
        const QJSValue result = engine.evaluate(script);
        if (result.isError()) {
            sendErrorReply(QDBusError::Failed, result.toString());
            return {};
        }
        model_ = engine.evaluate(QStringLiteral("JSON.stringify(kvModel)")).toString();
        return engine.globalObject().property(QStringLiteral("kvPrinted")).toString();
    }
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    Shell shell;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.registerObject(QStringLiteral("/PlasmaShell"), &shell,
                            QDBusConnection::ExportAllSlots) ||
        !bus.registerService(QStringLiteral("org.kde.plasmashell")))
        return 1;
    return application.exec();
}

#include "fake_plasmashell.moc"
