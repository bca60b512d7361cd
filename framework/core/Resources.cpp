#include "framework/core/Resources.h"

#include <QFile>
#include <QHash>

namespace {

QHash<int, QString> ReadTable() {
    QHash<int, QString> table;
    QFile f(QStringLiteral(":/strings.txt"));
    if (!f.open(QIODevice::ReadOnly)) return table;
    const QStringList lines = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'));
    for (const QString& line : lines) {
        if (line.startsWith(QLatin1Char('#'))) continue;
        const qsizetype tab = line.indexOf(QLatin1Char('\t'));
        if (tab <= 0) continue;
        bool ok = false;
        const int id = line.left(tab).toInt(&ok);
        if (ok) table.insert(id, line.mid(tab + 1));
    }
    return table;
}

} // namespace

QString LoadStr(int id) {
    static const QHash<int, QString> table = ReadTable();
    return table.value(id);
}
