#pragma once

#include <QString>
#include <QUrl>

#include <functional>
#include <optional>

// A sign-in page of a provider in a window of its own that shares no cookies with anything else (the
// platform's ephemeral web authentication session). It ends when the page goes to an address with
// the callback scheme, which the provider uses to hand back its answer, or when the user closes the
// window. The window that shows web pages implements it; the sign-in screens reach it through the
// storyboard and never link the web engine themselves.
class WebAuthenticationSession
{
public:
    // The callback address, or nothing when the user closed the window first.
    using Completion = std::function<void(const std::optional<QUrl>& callbackUrl)>;

    virtual ~WebAuthenticationSession() = default;

    // Shows `url`; `completion` runs once, later, unless the session is destroyed first.
    virtual void start(const QUrl& url, const QString& callbackScheme, Completion completion) = 0;
};
