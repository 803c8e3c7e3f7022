#include "LiveChat.h"

#include "ChatBridge.h"
#include "ChatService.h"
#include "Diagnostics.h"
#include "Localization.h"
#include "ui_LiveChat.h"

#include <QFile>
#include <QWebChannel>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineView>

namespace {

// Given to the page before its own scripts run: the channel to the bridge as window.brevak.chat (a
// promise of the bridge), and window.webkit.messageHandlers.test, the page's way to send a message
// to the window.
QString channelScript()
{
    QFile library(QStringLiteral(":/qtwebchannel/qwebchannel.js"));
    library.open(QIODevice::ReadOnly);
    return QString::fromUtf8(library.readAll()) + QStringLiteral(R"(
(function () {
    "use strict";
    var chat = new Promise(function (resolve) {
        new QWebChannel(qt.webChannelTransport, function (channel) { resolve(channel.objects.chat); });
    });
    var handler = function (name) {
        return { postMessage: function (body) {
            chat.then(function (bridge) { bridge.postScriptMessage(name, body === undefined ? null : body); });
        } };
    };
    window.brevak = Object.freeze({ chat: chat });
    window.webkit = Object.freeze({ messageHandlers: Object.freeze({ test: handler("test") }) });
})();
)");
}

QWebEngineScript script(
    const QString& name, const QString& source, QWebEngineScript::InjectionPoint point, bool everyFrame)
{
    QWebEngineScript result;
    result.setName(name);
    result.setSourceCode(source);
    result.setInjectionPoint(point);
    result.setWorldId(QWebEngineScript::MainWorld);
    result.setRunsOnSubFrames(everyFrame);
    return result;
}

} // namespace

LiveChat::LiveChat(QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_ui(std::make_unique<Ui::LiveChat>())
    , m_service(std::make_unique<ChatService>())
    , m_bridge(std::make_unique<ChatBridge>(*m_service))
    , m_url(QStringLiteral("qrc:/pages/Index.html"))
    , m_user(LiveChatUser::fromSettings())
{
    m_ui->setupUi(this);
    localization::followLanguage(this,
        [this] { setWindowTitle(QStringLiteral("BREVAK – ") + localizedText(QStringLiteral("Live chat"))); });
    connect(m_bridge.get(), &ChatBridge::scriptMessageReceived, this,
        &LiveChat::userContentControllerDidReceiveScriptMessage);
}

LiveChat::~LiveChat()
{
    // The page goes before the bridge it calls.
    delete m_webView;
}

void LiveChat::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!m_loaded) {
        m_loaded = true;
        windowDidLoad();
    }
}

void LiveChat::windowDidLoad()
{
    m_js = m_user.loadCall();

    m_webView = new QWebEngineView(this);
    m_webView->setObjectName(QStringLiteral("webView"));
    QWebEnginePage* page = m_webView->page();
    m_channel = new QWebChannel(this);
    m_channel->registerObject(QStringLiteral("chat"), m_bridge.get());
    page->setWebChannel(m_channel);
    page->scripts().insert(
        script(QStringLiteral("brevak-channel"), channelScript(), QWebEngineScript::DocumentCreation, false));
    page->scripts().insert(
        script(QStringLiteral("brevak-user"), m_js, QWebEngineScript::DocumentReady, true));
    m_ui->webViewLayout->addWidget(m_webView);
    m_webView->load(m_url);
}

void LiveChat::userContentControllerDidReceiveScriptMessage(const QString& name, const QJsonValue& body)
{
    if (const std::optional<QString> text = printableScriptMessage(name, body))
        diagnostics::printLine(*text);
}
