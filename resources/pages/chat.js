// The live chat page. BREVAK's window gives it a bridge ("chat", through the web channel) that talks to
// the account server with the user's session; the page itself never holds the session. loadURL(email,
// name) tells it who is writing. Everything people wrote is put on the page as text, never as markup,
// and a message that could not be sent stays on the page until it is.
"use strict";

const $ = (id) => document.getElementById(id);
let texts = {};
let chat = null;
const shown = new Set(); // ids of the messages on the page
const pending = new Map(); // client id -> the list item of a message not yet on the server
let sentCount = 0;

function text(name) {
    return texts[name] || "";
}

// Called by BREVAK's window once the page is loaded: who is writing.
function loadURL(email, name) {
    $("userName").textContent = name;
    $("userEmail").textContent = email ? "(" + email + ")" : "";
    $("identity").hidden = false;
}

function applyTexts() {
    for (const element of document.querySelectorAll("[data-text]")) {
        const value = text(element.dataset.text);
        if (value) {
            element.textContent = value;
        }
    }
    document.documentElement.lang = texts.language || document.documentElement.lang;
}

function showPresence(presence) {
    $("presenceDot").classList.toggle("online", presence.online);
    $("presenceText").textContent = presence.status;
    $("hours").textContent = presence.hours;
    if (presence.maxLength) {
        $("draft").maxLength = presence.maxLength;
    }
}

function showConnection(ok, message) {
    $("connection").hidden = ok;
    // Whether a counsellor is online is not known while the chat cannot be reached.
    $("presence").hidden = !ok;
    if (!ok) {
        $("connectionText").textContent = message || text("offline");
        $("tryAgain").hidden = !chat;
    }
}

function authorOf(message) {
    if (message.from === "you") {
        return text("you") || "You";
    }
    if (message.from === "counsellor") {
        return message.name || text("counsellor") || "Counsellor";
    }
    return "";
}

function bodyOf(message) {
    return message.from === "note" && message.text === "pin_mailed" ? text("pinMailed") : message.text;
}

function fill(item, message) {
    item.className = message.from;
    item.replaceChildren();
    const author = authorOf(message);
    if (author) {
        const label = document.createElement("span");
        label.className = "author";
        label.textContent = author;
        item.append(label);
    }
    item.append(document.createTextNode(bodyOf(message)));
    item.dataset.id = message.id;
}

function scrollToEnd() {
    const list = $("messages");
    list.lastElementChild?.scrollIntoView({ block: "end" });
}

function add(messages) {
    for (const message of messages) {
        if (shown.has(message.id)) {
            continue;
        }
        shown.add(message.id);
        const waiting = message.client_id && pending.get(message.client_id);
        if (waiting) {
            pending.delete(message.client_id);
            fill(waiting, message);
        } else {
            const item = document.createElement("li");
            fill(item, message);
            $("messages").append(item);
        }
    }
    $("empty").hidden = $("messages").children.length > 0;
    scrollToEnd();
}

function markState(item, state, failed) {
    item.classList.toggle("failed", failed);
    let line = item.querySelector(".state");
    if (!line) {
        line = document.createElement("span");
        line.className = "state";
        item.append(line);
    }
    line.textContent = state;
}

function sendPending(clientId) {
    const item = pending.get(clientId);
    if (!item || !chat) {
        return;
    }
    item.querySelector("button")?.remove();
    markState(item, text("sending"), false);
    chat.send(clientId, item.dataset.text);
}

function submit(event) {
    event.preventDefault();
    const draft = $("draft");
    const value = draft.value;
    if (!value.trim() || !chat) {
        return;
    }
    const clientId = "p" + Date.now().toString(36) + "-" + (sentCount++);
    const item = document.createElement("li");
    item.className = "you";
    item.dataset.text = value;
    const label = document.createElement("span");
    label.className = "author";
    label.textContent = text("you") || "You";
    item.append(label, document.createTextNode(value));
    $("messages").append(item);
    $("empty").hidden = true;
    pending.set(clientId, item);
    draft.value = "";
    sendPending(clientId);
    scrollToEnd();
    draft.focus();
}

function notSent(clientId, reason, canRetry) {
    const item = pending.get(clientId);
    if (!item) {
        return;
    }
    if (!canRetry) {
        // Refused for good (too long, say): the text goes back to the field to be changed.
        pending.delete(clientId);
        item.remove();
        const draft = $("draft");
        draft.value = item.dataset.text + (draft.value ? "\n" + draft.value : "");
        showConnection(false, reason);
        $("tryAgain").hidden = true;
        return;
    }
    markState(item, text("notSent") + " " + reason, true);
    const again = document.createElement("button");
    again.type = "button";
    again.textContent = text("sendAgain");
    again.addEventListener("click", () => sendPending(clientId));
    item.append(again);
}

async function connect() {
    if (!window.brevak || !window.brevak.chat) {
        showConnection(false);
        return;
    }
    chat = await window.brevak.chat;
    texts = chat.texts;
    applyTexts();
    chat.textsChanged.connect((changed) => {
        texts = changed;
        applyTexts();
    });
    chat.opened.connect((messages, presence) => {
        showConnection(true);
        showPresence(presence);
        add(messages);
        // What was written while the connection was lost goes out now.
        for (const [clientId, item] of pending) {
            if (item.classList.contains("failed")) {
                sendPending(clientId);
            }
        }
    });
    chat.received.connect((messages, presence) => {
        showConnection(true);
        showPresence(presence);
        add(messages);
    });
    chat.sent.connect((clientId, message) => add([message]));
    chat.notSent.connect(notSent);
    chat.disconnected.connect(() => showConnection(false));
    chat.signedOut.connect(() => {
        showConnection(false, text("signedOut"));
        $("tryAgain").hidden = true;
    });
    chat.open();
}

document.addEventListener("DOMContentLoaded", () => {
    $("composer").addEventListener("submit", submit);
    $("draft").addEventListener("keydown", (event) => {
        if (event.key === "Enter" && !event.shiftKey && !event.isComposing) {
            submit(event);
        }
    });
    $("tryAgain").addEventListener("click", () => {
        chat?.retry();
    });
    $("draft").focus();
    connect();
});
