#pragma once

#include <QString>
#include <QUrl>

// The account server's endpoints. Every one is posted to the base URL, then "/api/v3/", then its path.
enum class WebService {
    signup,
    login,
    forgot,
    updateProfile,
    setupPin,
    checkPin,
    retrievePin,
    updatePin,
    removepin,
    getBlockWebsiteByUser,
    blockWebsite,
    unblockWebsite,
    syncURL,
    logout,
};

// The path exactly as the server names it; "getblockwebsitebyuser?page=1" keeps its query string.
QString webServicePath(WebService service);
QUrl webServiceUrl(WebService service);
