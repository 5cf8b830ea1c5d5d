#include "app/file_filter.h"
#include "app/qt_text.h"

#include <QRegularExpression>

namespace tarnevo::app {

namespace {

QString QtPatterns(const QString& patterns) {
    QStringList list = patterns.split(u';', Qt::SkipEmptyParts);
    for (QString& pattern : list) {
        pattern = pattern.trimmed();
        if (pattern == QStringLiteral("*.*")) pattern = QStringLiteral("*");
    }
    return list.join(u' ');
}

// "Data Files (*.txt)" without its parenthesised patterns.
QString BareName(const QString& name) {
    static const QRegularExpression trailingPatterns(QStringLiteral("\\s*\\([^()]*\\)\\s*$"));
    QString bare = name;
    bare.remove(trailingPatterns);
    return bare.trimmed();
}

}  // namespace

QStringList NameFiltersFrom(std::string_view filter) {
    const QStringList parts = QtText(filter).split(u'|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].isEmpty()) break;  // the closing "||"
        filters << QStringLiteral("%1 (%2)").arg(BareName(parts[i]), QtPatterns(parts[i + 1]));
    }
    return filters;
}

}  // namespace tarnevo::app
