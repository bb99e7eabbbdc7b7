#include "download/LinkList.h"

#include <algorithm>

#include "download/VideoInfo.h"
#include "download/YtDlp.h"

namespace download {

bool IsVideoLink(const QString& line) {
    const QString lower = line.toLower();
    return lower.contains(QLatin1String("http")) && lower.contains(QLatin1String(kServiceDomain));
}

QStringList SplitPastedText(const QString& text) {
    QStringList lines;
    QString line;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\r' || c == u'\n') {
            if (!line.isEmpty()) lines << line;
            line.clear();
            continue;
        }
        if (c == u'"' || c == u'\'') {
            // Only a quote that has its pair keeps the run together; a lone one is an ordinary character.
            const qsizetype close = text.indexOf(c, i + 1);
            if (close > i) {
                line += QStringView(text).mid(i, close - i + 1);
                i = close;
                continue;
            }
        }
        line += c;
    }
    if (!line.isEmpty()) lines << line;
    return lines;
}

QString RefusalMessage(const QString& line, const char* reason) {
    return line + QStringLiteral("\n\r\n\r") + QLatin1String(reason);
}

QStringList AddLinks(const QStringList& lines, QStringList& rows,
                     const std::function<bool(const QString&)>& refuse, bool otherSites) {
    QStringList added;
    for (const QString& line : lines) {
        const bool link = IsVideoLink(line) || (otherSites && IsOtherSiteLink(line));
        const char* reason = !link                                    ? kNotALink
                             : rows.contains(line, Qt::CaseSensitive) ? kAlreadyListed
                                                                      : nullptr;
        if (reason) {
            if (!refuse(RefusalMessage(line, reason))) break;
            continue;
        }
        rows << line;
        added << line;
    }
    return added;
}

int RowAfterRemove(const QList<int>& removed, int rowCount) {
    if (rowCount <= 0) return -1;
    if (removed.isEmpty()) return -1;
    const int smallest = *std::min_element(removed.begin(), removed.end());
    return std::min(smallest, rowCount - 1);
}

bool IsWebAddress(const QString& address) {
    const auto scheme = address.indexOf(QLatin1String("://"));
    if (scheme < 0) return !address.isEmpty();
    const QString name = address.left(scheme).toLower();
    return name == QLatin1String("http") || name == QLatin1String("https");
}

}  // namespace download
