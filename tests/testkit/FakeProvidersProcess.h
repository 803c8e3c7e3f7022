#pragma once

#include <QByteArray>
#include <QProcess>
#include <QStringList>

#include <memory>

// brevak-fake-providers (fake Google and Facebook) running on 127.0.0.1 while this lives, started from
// next to the test.
class FakeProvidersProcess
{
public:
    FakeProvidersProcess();
    ~FakeProvidersProcess();

    // Starts it and waits until it listens.
    bool start();
    QString baseUrl() const { return m_baseUrl; }

    // Points the application's Google and Facebook endpoints at it (the BREVAK_* development
    // overrides), for this process and the ones it starts.
    void useForSignIn() const;
    // The flags that make brevak-server check the providers' tokens with it.
    QStringList serverArguments() const;

    // The user that Google's user information, or Facebook's "me", answers with from now on: a JSON
    // text as it stands, or any other text. Waits until the fake has it.
    bool setGoogleProfile(const QByteArray& profile) const;
    bool setFacebookProfile(const QByteArray& profile) const;

    QStringList log() const;

private:
    bool put(const QString& path, const QByteArray& body) const;

    std::unique_ptr<QProcess> m_process;
    QString m_baseUrl;
};
