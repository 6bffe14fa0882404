// Serves the search box page the way the program does (the base token replaced by a skin
// folder's address) and opens it in headless Chromium with a stand-in for the program's
// script object, which records every call in order and answers like the box.
import { existsSync, readFileSync } from "node:fs";
import { createServer } from "node:http";
import { dirname, extname, join, normalize } from "node:path";
import { fileURLToPath } from "node:url";
import { chromium } from "playwright-core";

const here = dirname(fileURLToPath(import.meta.url));
const resources = normalize(join(here, "..", ".."));
export const chromiumPath = "/usr/bin/chromium";

const kTypes = { ".html": "text/html; charset=UTF-8", ".css": "text/css", ".png": "image/png" };

// /main.html?skin=black/large serves the page with that skin folder as its base; /skin/...
// the skin files, /image/... the shipped engine icons, /notice a page for the notice link.
function serve(request, response) {
  const url = new URL(request.url, "http://127.0.0.1");
  if (url.pathname === "/main.html") {
    const base = `http://${request.headers.host}/skin/${url.searchParams.get("skin")}/`;
    const page = readFileSync(join(resources, "page", "main.html"), "utf8");
    response.writeHead(200, { "Content-Type": kTypes[".html"] });
    response.end(page.split("{BASE_LOCATION}").join(base));
    return;
  }
  if (url.pathname === "/notice") {
    response.writeHead(200, { "Content-Type": kTypes[".html"] });
    response.end("<title>notice</title>");
    return;
  }
  const roots = { "/skin/": join(resources, "skin"), "/image/": join(resources, "catalogue", "image") };
  for (const [prefix, root] of Object.entries(roots)) {
    if (!url.pathname.startsWith(prefix)) continue;
    const file = normalize(join(root, decodeURIComponent(url.pathname.slice(prefix.length))));
    if (file.startsWith(root) && existsSync(file)) {
      response.writeHead(200, { "Content-Type": kTypes[extname(file)] ?? "application/octet-stream" });
      response.end(readFileSync(file));
      return;
    }
  }
  response.writeHead(404);
  response.end();
}

export async function startServer() {
  const server = createServer(serve);
  await new Promise((resolve) => server.listen(0, "127.0.0.1", resolve));
  return { server, origin: `http://127.0.0.1:${server.address().port}` };
}

export async function launchBrowser() {
  if (!existsSync(chromiumPath)) {
    throw new Error(`${chromiumPath} is missing: install Debian's chromium (scripts/setup)`);
  }
  // Playwright gives every launch a fresh temporary profile.
  return chromium.launch({
    executablePath: chromiumPath,
    headless: true,
    args: ["--headless=new", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
           "--disable-background-networking", "--disable-component-update", "--disable-sync"],
  });
}

// Runs in every document of the session before its own script; the page under test
// carries the stand-in's answers as JSON in its "box" query parameter.
function installFakeBox() {
  const given = new URLSearchParams(location.search).get("box");
  if (given === null) return;
  const config = JSON.parse(given);
  const engines = config.engines;
  const state = { showAlways: config.showAlways, record: config.record, listActive: false,
                  engine: 0 };
  const calls = [];
  const handlers = {};
  const step = (positive) => {
    state.engine = (state.engine + (positive ? 1 : engines.length - 1)) % engines.length;
  };
  const members = {
    Init() {}, Exit() {}, DoDragWindow() {}, OnNotifyHandled() {}, LaunchHelp() {}, Trace() {},
    ExecuteConfig() { return true; },
    ExecuteSearch() {},
    ToggleSearchService(positive) { step(positive); },
    RotateSearchService(positive) { step(positive); },
    ShowSearchServiceMenu() { state.engine = config.menuChoice; return true; },
    IsAutoCompleteActive() { return state.listActive; },
    CanShowAutoComplete() { return true; },
    // Like the box: a list shows for empty words (all history) or for words that some
    // entry begins with; only non-empty words get the first candidate back.
    ShowAutoComplete(x, y, width, height, words) {
      const hit = config.completion !== "" && config.completion.startsWith(words);
      state.listActive = hit;
      return hit && words !== "" ? config.completion : "";
    },
    HideAutoComplete() { state.listActive = false; },
    GetCurrentSearchServiceName() { return engines[state.engine].name; },
    GetCurrentSearchServiceImage() { return engines[state.engine].image; },
    GetCurrentSearchServiceSuggestionURL() { return ""; },
    GetLastSearchWords() { return config.lastWords; },
    GetRecordSearchWordsConfig() { return config.recordConfig; },
    GetRecordSearchWords() { return state.record; },
    SetRecordSearchWords(record) { state.record = record; },
    GetShowAlways() { return state.showAlways; },
    SetShowAlways(showAlways) { state.showAlways = showAlways; },
    GetUseCustomSearchWordsColor() { return config.useCustomColor; },
    GetCustomSearchWordsColor() { return config.customColor; },
  };
  // Members named in "throwing" fail as a member of the real object can (a script error).
  const throwing = new Set(config.throwing ?? []);
  const box = {};
  for (const [name, body] of Object.entries(members)) {
    box[name] = (...args) => {
      calls.push({ name, args });
      if (throwing.has(name)) throw new Error(`${name} failed`);
      return body(...args);
    };
  }
  for (const name of ["onShowSearchServiceMenu", "onRotateSearchService", "onUpdateNotify"]) {
    Object.defineProperty(box, name, {
      set(fn) {
        calls.push({ name: `set ${name}`, args: [typeof fn] });
        if (throwing.has(`set ${name}`)) throw new Error(`set ${name} failed`);
        handlers[name] = fn;
      },
    });
  }
  Object.defineProperty(window, "external", { value: box, configurable: true });
  Object.defineProperty(window, "__box", {
    value: {
      calls, state, handlers, config,
      fire: (name, ...args) => handlers[name](...args),
      // Calls as plain data: functions handed over by the page show as "function".
      record: () => calls.map((c) => ({
        name: c.name, args: c.args.map((a) => (typeof a === "function" ? "function" : a)) })),
    },
  });
}

export const defaultConfig = {
  skin: "black", recordConfig: true, record: true, showAlways: false, lastWords: "",
  useCustomColor: false, customColor: "#000000", completion: "", menuChoice: 2, throwing: [],
};

export const skinSizes = { "black": { width: 380, height: 100 },
                           "black/large": { width: 500, height: 130 } };

// One page serves every test (a renderer start costs more than a test), with the timers
// stopped: the completion poll runs only when a test moves the clock.
// `options` go to the browser context (a device scale for the pictures at a higher DPI).
export async function openSession(browser, options = {}) {
  const context = await browser.newContext({ viewport: skinSizes.black, locale: "ja-JP",
                                             ...options });
  const page = await context.newPage();
  await page.clock.install({ time: 0 });
  await page.clock.pauseAt(1000);
  await page.addInitScript(installFakeBox);
  const errors = [];
  page.on("pageerror", (error) => errors.push(error.message));
  return { context, page, errors };
}

// Loads the page afresh with the stand-in answering as `overrides` say. The page's init()
// runs on load, so it has finished when this returns.
export async function loadPage(page, origin, overrides = {}) {
  const config = { ...defaultConfig, ...overrides };
  config.engines = [
    { name: "ウェブ", image: `${origin}/image/web_blue.png` },
    { name: "辞書", image: `${origin}/image/dictionary.png` },
    { name: "地図", image: `${origin}/image/map.png` },
  ];
  await page.setViewportSize(skinSizes[config.skin]);
  const query = new URLSearchParams({ skin: config.skin, box: JSON.stringify(config) });
  await page.goto(`${origin}/main.html?${query}`);
  return config;
}

// What the page traced.
export async function traces(page) {
  const all = await page.evaluate(() => window.__box.record());
  return all.filter((c) => c.name === "Trace").map((c) => c.args[0]);
}

// The recorded calls, without the page's Trace output.
export async function calls(page) {
  const all = await page.evaluate(() => window.__box.record());
  return all.filter((c) => c.name !== "Trace");
}

export async function clearCalls(page) {
  await page.evaluate(() => { window.__box.calls.length = 0; });
}
