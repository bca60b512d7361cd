#include "framework/core/Resources.h"
#include "framework/core/Translations.h"

#include <QDir>
#include <QFile>
#include <QHash>

namespace {

void ReadPart(const QString& path, QHash<int, QString>& table) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return;
    const QStringList lines = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'));
    for (const QString& line : lines) {
        if (line.startsWith(QLatin1Char('#'))) continue;
        const qsizetype tab = line.indexOf(QLatin1Char('\t'));
        if (tab <= 0) continue;
        bool ok = false;
        const int id = line.left(tab).toInt(&ok);
        if (ok) table.insert(id, line.mid(tab + 1));
    }
}

// Every library linked in brings its own part of the table (":/strings/<library>.txt").
QHash<int, QString> ReadTable() {
    QHash<int, QString> table;
    const QDir parts(QStringLiteral(":/strings"));
    for (const QString& name : parts.entryList(QDir::Files, QDir::Name))
        ReadPart(parts.filePath(name), table);
    return table;
}

} // namespace

QString LoadStr(int id) {
    static const QHash<int, QString> table = ReadTable();
    return Translate("StringTable", table.value(id));
}
