// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/XTools.h"

#include <QProcess>
#include <QRegularExpression>

namespace kv::test {

QString runXTool(const QString& display, const QString& program, const QStringList& arguments) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), display);
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    process.waitForFinished(10000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

QStringList visibleWindowsTitled(const QString& display, const QString& title) {
    const QString pattern = QLatin1Char('^') + QRegularExpression::escape(title) + QLatin1Char('$');
    return runXTool(display, QStringLiteral("xdotool"),
                    {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                     QStringLiteral("--name"), pattern})
        .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QPoint framePlace(const QString& display, const QString& window) {
    // _NET_FRAME_EXTENTS(CARDINAL) = 1, 1, 20, 1 (left, right, top, bottom)
    const QStringList extents =
        runXTool(display, QStringLiteral("xprop"),
                 {QStringLiteral("-id"), window, QStringLiteral("_NET_FRAME_EXTENTS")})
            .section(u'=', 1)
            .split(u',');
    if (extents.size() != 4)
        return {};
    const QString info =
        runXTool(display, QStringLiteral("xwininfo"), {QStringLiteral("-id"), window});
    const auto inside = [&info](QChar axis) {
        const QRegularExpression line(
            QStringLiteral("Absolute upper-left %1:\\s+(-?\\d+)").arg(axis));
        return line.match(info).captured(1).toInt();
    };
    return {inside(u'X') - extents[0].trimmed().toInt(),
            inside(u'Y') - extents[2].trimmed().toInt()};
}

QRect trayIconGeometry(const QString& display, const QString& className) {
    // The embedded icon is a child of the tray host, listed with its class and absolute place:
    //   0x400006 "Kestrovaline": ("kestrovaline" "Kestrovaline")  22x22+0+0  +1257+1001
    const QString tree = runXTool(display, QStringLiteral("xwininfo"),
                                  {QStringLiteral("-root"), QStringLiteral("-tree")});
    const QRegularExpression line(
        QStringLiteral(
            "\\(\"%1\" \"[^\"]*\"\\)\\s+(\\d+)x(\\d+)[+-]\\d+[+-]\\d+\\s+\\+(-?\\d+)\\+(-?\\d+)")
            .arg(QRegularExpression::escape(className)));
    auto matches = line.globalMatch(tree);
    while (matches.hasNext()) {
        const auto match = matches.next();
        const QRect rect(match.captured(3).toInt(), match.captured(4).toInt(),
                         match.captured(1).toInt(), match.captured(2).toInt());
        // The program's hidden helper windows are 1x1 or 3x3 and its main window is large; the
        // icon has the size of a panel's slot.
        const bool iconSized =
            rect.width() > 8 && rect.height() > 8 && rect.width() <= 128 && rect.height() <= 128;
        if (iconSized && rect.x() >= 0 && rect.y() >= 0)
            return rect;
    }
    return {};
}

void clickAt(const QString& display, QPoint point, int button, int repeat) {
    runXTool(display, QStringLiteral("xdotool"),
             {QStringLiteral("mousemove"), QString::number(point.x()), QString::number(point.y()),
              QStringLiteral("click"), QStringLiteral("--repeat"), QString::number(repeat),
              QStringLiteral("--delay"), QStringLiteral("80"), QString::number(button)});
}

} // namespace kv::test
