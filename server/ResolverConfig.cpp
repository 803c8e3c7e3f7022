#include "ResolverConfig.h"

#include <QHostAddress>
#include <QRegularExpression>
#include <QUrl>

#include <algorithm>

namespace resolver {

namespace {

bool isHostLabel(QStringView label)
{
    if (label.isEmpty() || label.size() > 63 || label.startsWith(u'-') || label.endsWith(u'-'))
        return false;
    return std::all_of(label.cbegin(), label.cend(), [](QChar c) {
        return (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') || c == u'-' || c == u'_';
    });
}

bool isAddress(const QString& text)
{
    return !QHostAddress(text).isNull();
}

// A name whose parent (at a label boundary) is in the set: the parent's zone answers for it already.
bool isCovered(const QString& name, const QSet<QString>& names)
{
    for (qsizetype dot = name.indexOf(u'.'); dot >= 0; dot = name.indexOf(u'.', dot + 1)) {
        if (names.contains(name.mid(dot + 1)))
            return true;
    }
    return false;
}

QStringList sorted(const QSet<QString>& names)
{
    QStringList list(names.cbegin(), names.cend());
    list.sort();
    return list;
}

// Names as a configuration file quotes them: they hold only [a-z0-9._-], so nothing needs escaping.
QString quoted(const QString& text)
{
    return u'"' + text + u'"';
}

} // namespace

std::optional<QString> zoneName(const QString& entry)
{
    static const QRegularExpression port(QStringLiteral(":[0-9]{1,5}$"));
    QString name = entry.trimmed().toLower();
    if (name.count(u':') == 1)
        name.remove(port);
    if (name.endsWith(u'.'))
        name.chop(1);
    if (name.startsWith(u"*."))
        name.remove(0, 2);
    if (name.startsWith(u"www."))
        name.remove(0, 4);
    if (name.isEmpty() || isAddress(name))
        return std::nullopt;
    name = QString::fromLatin1(QUrl::toAce(name, QUrl::AceProcessingOption::IgnoreIDNWhitelist));
    if (name.isEmpty() || name.size() > 253)
        return std::nullopt;
    const QList<QStringView> labels = QStringView(name).split(u'.');
    if (labels.size() < 2 || !std::all_of(labels.cbegin(), labels.cend(), isHostLabel))
        return std::nullopt;
    const QStringView topLevel = labels.last();
    if (std::all_of(topLevel.cbegin(), topLevel.cend(), [](QChar c) { return c.isDigit(); }))
        return std::nullopt;
    return name;
}

std::optional<QString> linkedNetwork(const QString& address)
{
    QHostAddress parsed;
    if (!parsed.setAddress(address.trimmed()))
        return std::nullopt;
    bool isIPv4 = false;
    const quint32 ipv4 = parsed.toIPv4Address(&isIPv4);
    if (isIPv4)
        return QHostAddress(ipv4).toString() + QStringLiteral("/32");
    if (parsed.protocol() != QAbstractSocket::IPv6Protocol)
        return std::nullopt;
    Q_IPV6ADDR prefix = parsed.toIPv6Address();
    std::fill(std::begin(prefix.c) + 8, std::end(prefix.c), quint8 {0});
    return QHostAddress(prefix).toString() + QStringLiteral("/64");
}

ViewsBuild buildViews(const QList<AddressBlock>& rows)
{
    ViewsBuild build;
    QSet<QString> reported;
    auto skip = [&](const QString& what) {
        if (!reported.contains(what)) {
            reported.insert(what);
            build.skipped.append(what);
        }
    };
    for (const AddressBlock& row : rows) {
        const std::optional<QString> network = linkedNetwork(row.address);
        if (!network) {
            skip(QStringLiteral("linked address \"%1\" skipped: not an IP address").arg(row.address));
            continue;
        }
        QSet<QString>& names = build.views[*network];
        if (!row.domain)
            continue;
        if (const std::optional<QString> name = zoneName(*row.domain))
            names.insert(*name);
        else
            skip(QStringLiteral("blacklist entry \"%1\" skipped: not a website's name").arg(*row.domain));
    }
    return build;
}

QSet<QString> readCategoryList(const QString& text, const QString& listName, QStringList& skipped)
{
    QSet<QString> names;
    const QStringList lines = text.split(u'\n');
    for (qsizetype number = 0; number < lines.size(); ++number) {
        const QString line = lines.at(number).section(u'#', 0, 0).trimmed();
        if (line.isEmpty())
            continue;
        QStringList words = line.split(QRegularExpression(QStringLiteral("\\s+")));
        if (words.size() > 1 && isAddress(words.first()))
            words.removeFirst();
        const std::optional<QString> name = words.size() == 1 ? zoneName(words.first()) : std::nullopt;
        if (name)
            names.insert(*name);
        else
            skipped.append(QStringLiteral("%1 line %2 skipped: \"%3\" is not a website's name")
                               .arg(listName)
                               .arg(number + 1)
                               .arg(line));
    }
    return names;
}

QString viewsConfig(const Views& views)
{
    QString text = QStringLiteral(
        "# Written by brevak-server: the addresses BREVAK users synchronised from, each with a view that\n"
        "# answers the websites its users block with NXDOMAIN. Every change overwrites it.\n");
    if (views.isEmpty())
        return text;
    text += QStringLiteral("server:\n");
    for (auto view = views.cbegin(); view != views.cend(); ++view) {
        text += QStringLiteral("    access-control: %1 allow\n").arg(view.key());
        text += QStringLiteral("    access-control-view: %1 %2\n").arg(view.key(), quoted(view.key()));
    }
    for (auto view = views.cbegin(); view != views.cend(); ++view) {
        text += QStringLiteral("view:\n    name: %1\n    view-first: yes\n").arg(quoted(view.key()));
        for (const QString& name : sorted(view.value()))
            text += QStringLiteral("    local-zone: %1 always_nxdomain\n").arg(quoted(name + u'.'));
    }
    return text;
}

QString categoryZone(const QSet<QString>& names, quint32 serial)
{
    QString text = QStringLiteral(
        "; Written by brevak-server from the category lists: each name and its sub-domains answer\n"
        "; NXDOMAIN.\n"
        "$ORIGIN %1\n$TTL 300\n@ SOA localhost. nobody.invalid. %2 3600 600 86400 300\n@ NS localhost.\n")
                       .arg(QString::fromLatin1(categoryZoneName))
                       .arg(serial);
    for (const QString& name : sorted(names)) {
        if (!isCovered(name, names))
            text += QStringLiteral("%1 CNAME .\n*.%1 CNAME .\n").arg(name);
    }
    return text;
}

} // namespace resolver
