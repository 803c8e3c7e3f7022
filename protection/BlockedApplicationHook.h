#pragma once

#include <QObject>

#include <functional>

// Quits every application whose name the user put on the blocked list as soon as it comes to the
// front, and asks for the block page in its place.
class BlockedApplicationHook : public QObject
{
    Q_OBJECT

public:
    explicit BlockedApplicationHook(std::function<void()> showBlockPage, QObject* parent = nullptr);

    // An application came to the front; `localizedName` is compared exactly with each stored name.
    void applicationActivated(const QString& localizedName);

private:
    std::function<void()> m_showBlockPage;
};
