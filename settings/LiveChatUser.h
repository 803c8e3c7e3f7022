#pragma once

#include <QJsonValue>
#include <QString>

#include <optional>

// Who the live chat page is told is writing, read from the settings when the chat window is made:
// the stored user_name ("Empty User" when none) and user_email (empty when none).
struct LiveChatUser
{
    QString email;
    QString name;

    static LiveChatUser fromSettings();

    // The script that tells the page: loadURL(email, name), each argument a JSON string literal, so no
    // quote, backslash or line separator in them can end the string or run as code.
    QString loadCall() const;
};

// What the page's script message handler prints: the body of a message named "test" when it is text;
// nothing for any other message.
std::optional<QString> printableScriptMessage(const QString& name, const QJsonValue& body);
