// The counsellors' console: sign in, see the open conversations, answer them, and mail a person's pin
// code once their identity is checked. Everything people wrote is put on the page as text, never as
// markup. The session is an HttpOnly cookie this script never sees.
"use strict";

const WAIT_SECONDS = 25;
const $ = (id) => document.getElementById(id);

// One call of the console's API; resolves to the answer's envelope, rejects when nothing answered.
async function api(name, fields = {}, signal = undefined) {
    const response = await fetch("/console/api/" + name, {
        method: "POST",
        credentials: "same-origin",
        headers: { "X-Requested-With": "brevak-console", "Content-Type": "application/x-www-form-urlencoded" },
        body: new URLSearchParams(fields),
        signal,
    });
    let envelope;
    try {
        envelope = await response.json();
    } catch (error) {
        throw new Error("The server's answer could not be read.");
    }
    envelope.httpStatus = response.status;
    if (response.status === 401 && name !== "sign-in") {
        showSignIn();
    }
    return envelope;
}

function connection(ok) {
    $("connection").hidden = ok;
}

function pause(milliseconds) {
    return new Promise((resolve) => setTimeout(resolve, milliseconds));
}

const state = { signedIn: false, selected: null, lastId: 0, stamp: -1, conversationAbort: null, user: null };

function showSignIn() {
    state.signedIn = false;
    state.selected = null;
    if (state.conversationAbort) {
        state.conversationAbort.abort();
    }
    $("consoleView").hidden = true;
    $("signOut").hidden = true;
    $("who").textContent = "Counsellor console";
    $("signInView").hidden = false;
    $("email").focus();
}

function showConsole(name) {
    state.signedIn = true;
    $("signInView").hidden = true;
    $("consoleView").hidden = false;
    $("signOut").hidden = false;
    $("who").textContent = "Signed in as " + name;
    state.stamp = -1;
    watchConversations();
}

function personName(name, email) {
    return name ? name + " <" + email + ">" : email;
}

function renderConversations(conversations) {
    const list = $("conversations");
    list.replaceChildren();
    for (const item of conversations) {
        const link = document.createElement("a");
        link.href = "#conversation-" + item.id;
        link.dataset.id = item.id;
        if (item.id === state.selected) {
            link.setAttribute("aria-current", "true");
        }
        const name = document.createElement("span");
        name.className = "name";
        name.textContent = item.user_name || item.user_email;
        link.append(name);
        if (item.waiting) {
            const waiting = document.createElement("span");
            waiting.className = "waiting";
            waiting.textContent = "Waiting for an answer";
            link.append(waiting);
        }
        const last = document.createElement("span");
        last.className = "last";
        last.textContent = item.last_text;
        link.append(last);
        link.addEventListener("click", (event) => {
            event.preventDefault();
            select(item.id);
        });
        const row = document.createElement("li");
        row.append(link);
        list.append(row);
    }
    $("noConversations").hidden = conversations.length > 0;
}

// The list follows every change: each answer comes when something changed or after WAIT_SECONDS.
async function watchConversations() {
    while (state.signedIn) {
        try {
            // The first call answers at once; the next ones wait for a change.
            const answer = await api("conversations", state.stamp < 0 ? {} : { after: state.stamp, wait: WAIT_SECONDS });
            if (!answer.status) {
                throw new Error(answer.msg);
            }
            connection(true);
            state.stamp = answer.data.stamp;
            renderConversations(answer.data.conversations);
        } catch (error) {
            connection(false);
            await pause(3000);
        }
    }
}

function messageText(message) {
    if (message.from === "note" && message.text === "pin_mailed") {
        return "The pin code was mailed to the person's address by " + (message.name || "a counsellor") + ".";
    }
    return message.text;
}

function appendMessages(messages) {
    const list = $("messages");
    for (const message of messages) {
        if (message.id <= state.lastId) {
            continue;
        }
        const item = document.createElement("li");
        item.className = message.from;
        const meta = document.createElement("span");
        meta.className = "meta";
        const person = state.user ? state.user.name || state.user.email : "";
        const author = message.from === "user" ? person : message.from === "counsellor" ? (message.name || "Counsellor") : "";
        const time = new Date(message.sent_at).toLocaleTimeString([], { hour: "2-digit", minute: "2-digit" });
        meta.textContent = author ? author + " · " + time : time;
        item.append(meta, document.createTextNode(messageText(message)));
        list.append(item);
        state.lastId = message.id;
    }
    list.lastElementChild?.scrollIntoView({ block: "end" });
}

function showPerson(data) {
    state.user = data.user;
    $("personTitle").textContent = personName(data.user.name, data.user.email);
    const pin = data.user.pin === "forever" ? "pin: forever (only support can give it back)"
        : data.user.pin === "none" ? "no pin" : "pin: mailed back after " + data.user.pin;
    $("personDetails").textContent = (data.closed ? "Closed conversation · " : "") + pin;
    $("revealPin").disabled = data.user.pin === "none";
    $("revealHistory").textContent = data.reveals.length === 0 ? ""
        : "Pin code mailed: " + data.reveals.map((r) => r.counsellor + ", " + new Date(r.at).toLocaleString()).join("; ");
}

async function select(id) {
    if (state.conversationAbort) {
        state.conversationAbort.abort();
    }
    state.selected = id;
    state.lastId = 0;
    $("messages").replaceChildren();
    $("actionStatus").textContent = "";
    $("revealConfirm").hidden = true;
    $("pickOne").hidden = true;
    $("conversation").hidden = false;
    for (const link of $("conversations").querySelectorAll("a")) {
        link.setAttribute("aria-current", String(Number(link.dataset.id) === id));
    }
    const abort = new AbortController();
    state.conversationAbort = abort;
    let wait = 0;
    while (state.signedIn && state.selected === id && !abort.signal.aborted) {
        try {
            const answer = await api("conversation", { id, after: state.lastId, wait }, abort.signal);
            if (!answer.status) {
                throw new Error(answer.msg);
            }
            connection(true);
            if (state.selected === id) {
                showPerson(answer.data);
                appendMessages(answer.data.messages);
            }
            if (wait === 0) {
                $("answer").focus();
            }
            wait = WAIT_SECONDS;
        } catch (error) {
            if (abort.signal.aborted) {
                return;
            }
            connection(false);
            await pause(3000);
        }
    }
}

let sentCount = 0;

async function sendAnswer(event) {
    event.preventDefault();
    const text = $("answer").value;
    if (!text.trim() || state.selected === null) {
        return;
    }
    const clientId = "c" + Date.now().toString(36) + "-" + (sentCount++);
    try {
        const answer = await api("send", { id: state.selected, text, client_id: clientId });
        if (!answer.status) {
            $("actionStatus").textContent = answer.msg;
            return;
        }
        connection(true);
        $("answer").value = "";
        appendMessages([answer.data.message]);
    } catch (error) {
        connection(false);
        $("actionStatus").textContent = "Not sent: the server cannot be reached. Your answer is kept; send it again.";
    }
}

function askReveal() {
    $("revealQuestion").textContent = "Mail the pin code to " + (state.user ? state.user.email : "this person")
        + "? Do it only once you are sure you are talking to the account's owner.";
    $("revealConfirm").hidden = false;
    $("revealSend").focus();
}

async function reveal() {
    $("revealConfirm").hidden = true;
    try {
        const answer = await api("reveal-pin", { id: state.selected });
        $("actionStatus").textContent = answer.msg;
    } catch (error) {
        $("actionStatus").textContent = "The server cannot be reached: nothing was mailed.";
    }
    $("revealPin").focus();
}

async function closeConversation() {
    try {
        const answer = await api("close", { id: state.selected });
        $("actionStatus").textContent = answer.msg;
    } catch (error) {
        $("actionStatus").textContent = "The server cannot be reached.";
    }
}

async function signIn(event) {
    event.preventDefault();
    $("signInError").textContent = "";
    try {
        const answer = await api("sign-in", { email: $("email").value, password: $("password").value });
        if (!answer.status) {
            $("signInError").textContent = answer.msg;
            return;
        }
        $("password").value = "";
        showConsole(answer.data.name);
    } catch (error) {
        $("signInError").textContent = "The server cannot be reached. Try again in a moment.";
    }
}

async function signOut() {
    try {
        await api("sign-out");
    } finally {
        showSignIn();
    }
}

document.addEventListener("DOMContentLoaded", async () => {
    $("signInForm").addEventListener("submit", signIn);
    $("answerForm").addEventListener("submit", sendAnswer);
    $("answer").addEventListener("keydown", (event) => {
        if (event.key === "Enter" && (event.ctrlKey || event.metaKey)) {
            $("answerForm").requestSubmit();
        }
    });
    $("signOut").addEventListener("click", signOut);
    $("revealPin").addEventListener("click", askReveal);
    $("revealCancel").addEventListener("click", () => {
        $("revealConfirm").hidden = true;
        $("revealPin").focus();
    });
    $("revealSend").addEventListener("click", reveal);
    $("closeConversation").addEventListener("click", closeConversation);
    try {
        const answer = await api("session");
        if (answer.status) {
            showConsole(answer.data.name);
        }
    } catch (error) {
        connection(false);
        showSignIn();
    }
});
