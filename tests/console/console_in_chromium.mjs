// The counsellors' console in Debian's headless Chromium, against a real brevak-server: a counsellor
// signs in, sees a person's conversation (markup in it stays text), answers, sees the next message
// arrive by itself, and mails the person's pin code once, which is recorded. Screenshots go to the
// artifacts folder.
//
// Usage: node console_in_chromium.mjs BREVAK_SERVER ARTIFACTS_DIR
import { spawn, spawnSync } from "node:child_process";
import { mkdtempSync, mkdirSync, readdirSync, readFileSync, rmSync } from "node:fs";
import { tmpdir } from "node:os";
import { join } from "node:path";
import assert from "node:assert/strict";
import { chromium } from "playwright-core";

const [serverBinary, artifacts] = process.argv.slice(2);
mkdirSync(artifacts, { recursive: true });
const work = mkdtempSync(join(tmpdir(), "brevak-console-"));
const appToken = "console-test-application-token";
const common = ["--data-dir", join(work, "data"), "--dev-fast-hashing", "--default-token", appToken];
let server;
let browser;

function startServer() {
    return new Promise((resolve, reject) => {
        server = spawn(serverBinary, ["--listen", "127.0.0.1:0", ...common], { stdio: ["ignore", "pipe", "inherit"] });
        let output = "";
        server.stdout.on("data", (chunk) => {
            output += chunk;
            const listening = output.match(/listening on (http:\/\/[^\s]+)/);
            if (listening) {
                resolve(listening[1]);
            }
        });
        server.on("exit", (code) => reject(new Error("brevak-server ended with " + code + ":\n" + output)));
    });
}

function admin(args, input) {
    const result = spawnSync(serverBinary, ["admin", ...args, ...common], { input, encoding: "utf8" });
    assert.equal(result.status, 0, result.stdout + result.stderr);
}

async function post(base, endpoint, fields, token) {
    const response = await fetch(base + "/api/v3/" + endpoint, {
        method: "POST",
        headers: { Authorization: "Bearer " + token, "Content-Type": "application/x-www-form-urlencoded" },
        body: new URLSearchParams(fields),
    });
    return response.json();
}

function mails() {
    const outbox = join(work, "data", "outbox");
    try {
        return readdirSync(outbox).filter((name) => name.endsWith(".eml")).map((name) => readFileSync(join(outbox, name), "utf8"));
    } catch {
        return [];
    }
}

async function main() {
    const base = await startServer();
    admin(["add-counsellor", "--email", "carla@brevak.example", "--name", "Carla"], "listening carefully\n");

    const signUp = await post(base, "signup", { social_media: "0", device_name: "Mac", email: "ann@example.org",
        password: "correct horse", profile_id: "0" }, appToken);
    const user = signUp.data.token;
    assert.equal((await post(base, "setupPin", { time: "175200", pin: "604213" }, user)).status, true);
    const markup = "<img src=x onerror=\"window.pwned=1\"><script>window.pwned=2</script> I chose forever";
    assert.equal((await post(base, "chat/send", { text: markup }, user)).status, true);

    browser = await chromium.launch({ executablePath: process.env.BREVAK_CHROMIUM || "/usr/bin/chromium",
        args: ["--no-sandbox"] });
    const page = await browser.newPage({ viewport: { width: 1200, height: 800 } });
    const response = await page.goto(base + "/console");
    assert.match(response.headers()["content-security-policy"], /script-src 'self'/);

    // Sign in: a wrong password is refused on the page, the right one opens the console.
    await page.getByLabel("E-mail address").fill("carla@brevak.example");
    await page.getByLabel("Password").fill("not the password");
    await page.getByRole("button", { name: "Sign in" }).click();
    await page.getByRole("alert").filter({ hasText: "not right" }).waitFor();
    await page.getByLabel("Password").fill("listening carefully");
    await page.getByRole("button", { name: "Sign in" }).click();
    await page.getByText("Signed in as Carla").waitFor();

    // The conversation: the person's markup is shown as the text it is, and never runs.
    await page.getByRole("navigation").getByRole("link", { name: /ann@example.org/ }).click();
    const messages = page.getByRole("list", { name: "Messages" });
    await messages.getByText(markup, { exact: false }).waitFor();
    assert.equal(await page.evaluate(() => window.pwned), undefined);
    assert.equal(await messages.locator("img, script").count(), 0);
    await page.getByText("pin: forever").waitFor();

    // Answer: the person receives it.
    await page.getByLabel("Your answer").fill("Hello Ann, I am Carla. Which city did you sign up from?");
    await page.getByRole("button", { name: "Send" }).click();
    await messages.getByText("Which city did you sign up from?").waitFor();
    const received = await post(base, "chat/messages", { after: "1" }, user);
    assert.deepEqual(received.data.messages.map((m) => [m.from, m.name, m.text]),
        [["counsellor", "Carla", "Hello Ann, I am Carla. Which city did you sign up from?"]]);

    // The person's next message appears by itself.
    await post(base, "chat/send", { text: "Lyon, in March" }, user);
    await messages.getByText("Lyon, in March").waitFor();
    await page.screenshot({ path: join(artifacts, "console-conversation.png") });

    // Mail the pin code: asked once more, then sent once and recorded.
    await page.getByRole("button", { name: "Mail the pin code…" }).click();
    await page.getByText("Mail the pin code to ann@example.org?").waitFor();
    await page.getByRole("button", { name: "Mail it" }).click();
    await page.getByRole("status").filter({ hasText: "The pin code was mailed to ann@example.org." }).waitFor();
    assert.equal(await page.getByText("Mail the pin code to ann@example.org?").isVisible(), false);
    await page.getByText(/Pin code mailed: Carla/).waitFor();
    await messages.getByText("The pin code was mailed to the person's address by Carla.").waitFor();
    const sent = mails().filter((mail) => mail.includes("To: ann@example.org"));
    assert.equal(sent.length, 1);
    assert.match(sent[0], /Your pin code is: 604213/);
    await page.screenshot({ path: join(artifacts, "console-reveal.png") });

    // Signing out ends the session: the page asks to sign in again.
    await page.getByRole("button", { name: "Sign out" }).click();
    await page.getByRole("button", { name: "Sign in" }).waitFor();
    await page.reload();
    await page.getByRole("button", { name: "Sign in" }).waitFor();
    console.log("PASS");
}

try {
    await main();
} catch (error) {
    console.error("FAIL:", error);
    process.exitCode = 1;
} finally {
    await browser?.close();
    server?.kill("SIGTERM");
    rmSync(work, { recursive: true, force: true });
}
