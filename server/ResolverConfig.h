#pragma once

#include "LinkedAddressStore.h"

#include <QMap>
#include <QSet>
#include <QString>
#include <QStringList>

#include <optional>

// What the filtering resolver (Unbound) is told, as text: the category zone that answers every listed
// gambling domain and its sub-domains with NXDOMAIN for everybody, and one view per linked address
// that does the same for the websites its users block. Everything that reaches these texts went
// through zoneName() or linkedNetwork(), so nothing a user typed can break them.
namespace resolver {

// The name of the response-policy zone that carries the category lists.
inline constexpr char categoryZoneName[] = "brevak-category.";

// The DNS name a blacklist entry or a list line stands for: ASCII (IDNA), lower case, without a
// trailing dot, a port, a leading "*." or "www." (the site is blocked whole, as the blacklist shows
// it). Nothing when it is no website's name: one label alone, an IP address, characters no host name
// holds, labels over 63 or names over 253 characters.
std::optional<QString> zoneName(const QString& entry);

// The network a linked address stands for, in prefix notation: the address itself for IPv4 (an
// IPv4-mapped IPv6 address counts as IPv4), its /64 for IPv6 (what a home or an office is given, while
// its computers change their own addresses). Nothing when it is not an IP address.
std::optional<QString> linkedNetwork(const QString& address);

// For each linked network, the names its users block (several accounts behind one address share it).
using Views = QMap<QString, QSet<QString>>;

// The views for these rows, and what had to be left out, one line each, for the log.
struct ViewsBuild
{
    Views views;
    QStringList skipped;
};
ViewsBuild buildViews(const QList<AddressBlock>& rows);

// The names of a category list: a name per line, or a hosts-file line ("0.0.0.0 name"); "#" starts a
// comment. Lines that hold no website's name are left out and told in `skipped`.
QSet<QString> readCategoryList(const QString& text, const QString& listName, QStringList& skipped);

// The Unbound configuration of the views: access for every linked network, its view, and in it one
// always_nxdomain zone per name (a zone covers the name's sub-domains too).
QString viewsConfig(const Views& views);

// The category zone file: each name and its sub-domains answer NXDOMAIN. Names that a listed parent
// already covers are left out.
QString categoryZone(const QSet<QString>& names, quint32 serial);

} // namespace resolver
