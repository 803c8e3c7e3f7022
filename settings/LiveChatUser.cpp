#include "LiveChatUser.h"

#include "SettingsKeys.h"
#include "SettingsStore.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace {

// A JavaScript string literal: JSON's, with the two line separators JavaScript engines before ES2019
// read as line ends escaped too.
QString stringLiteral(const QString& text)
{
    QString literal = QString::fromUtf8(QJsonDocument(QJsonArray {text}).toJson(QJsonDocument::Compact));
    literal = literal.mid(1, literal.size() - 2);
    return literal.replace(QChar(0x2028), QStringLiteral("\\u2028"))
        .replace(QChar(0x2029), QStringLiteral("\\u2029"));
}

} // namespace

LiveChatUser LiveChatUser::fromSettings()
{
    const SettingsStore& store = SettingsStore::shared();
    return {store.textValue(keys::userEmail).value_or(QString()),
        store.textValue(keys::userName).value_or(QStringLiteral("Empty User"))};
}

QString LiveChatUser::loadCall() const
{
    return QStringLiteral("loadURL(") + stringLiteral(email) + QStringLiteral(", ") + stringLiteral(name)
        + QStringLiteral(");");
}

std::optional<QString> printableScriptMessage(const QString& name, const QJsonValue& body)
{
    if (name != u"test" || !body.isString())
        return std::nullopt;
    return body.toString();
}
