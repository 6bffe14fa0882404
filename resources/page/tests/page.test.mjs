// The search box page against a stand-in for the program's script object, in headless
// Chromium. Run with `node --test` in this folder.
import assert from "node:assert/strict";
import { readFileSync } from "node:fs";
import { after, afterEach, before, describe, test } from "node:test";
import { parse } from "acorn";
import { calls, clearCalls, launchBrowser, loadPage, openSession, startServer, traces } from
  "./harness.mjs";

let browser;
let server;
let origin;
let session;

before(async () => {
  ({ server, origin } = await startServer());
  browser = await launchBrowser();
  session = await openSession(browser);
});

after(async () => {
  await browser?.close();
  server?.close();
});

// A script error leaves the page half working; every test fails on one.
afterEach(() => assert.deepEqual(session.errors.splice(0), []));

async function open(t, overrides) {
  await loadPage(session.page, origin, overrides);
  return session.page;
}

const names = (list) => list.map((c) => c.name);
const edit = (page) => page.locator("#oSearchWordsEdit");
const editSelection = (page) =>
  page.evaluate(() => {
    const e = document.all.oSearchWordsEdit;
    return [e.value, e.selectionStart, e.selectionEnd];
  });
const fire = (page, name, ...args) =>
  page.evaluate(([n, a]) => window.__box.fire(n, ...a), [name, args]);
const setListActive = (page, active) =>
  page.evaluate((a) => { window.__box.state.listActive = a; }, active);

test("the page opens in the Internet zone and its script parses as ECMAScript 3", () => {
  const page = readFileSync(new URL("../main.html", import.meta.url), "utf8");
  assert.equal(page.split("\n")[0], "<!-- saved from url=(0013)about:internet -->");
  for (const [, script] of page.matchAll(/<script[^>]*>([\s\S]*?)<\/script>/g)) {
    assert.doesNotThrow(() => parse(script, { ecmaVersion: 3 }));
  }
});

test("both skins hide the browser control's own clear button in the words field", () => {
  for (const skin of ["black", "black/large"]) {
    const css = readFileSync(new URL(`../../skin/${skin}/style.css`, import.meta.url), "utf8");
    assert.match(css, /#oSearchWordsEdit::-ms-clear\s*\{[^}]*display:\s*none/, skin);
  }
});

describe("a box made in advance, as it opens", () => {
  test("refreshBox reads the words, settings and engine again and sets no handler twice",
    async (t) => {
      const page = await open(t, { lastWords: "待つ前", useCustomColor: true,
                                   customColor: "#ff0000", recordConfig: false });
      await clearCalls(page);
      await page.evaluate(() => {
        Object.assign(window.__box.config,
                      { lastWords: "開く今", useCustomColor: false, recordConfig: true });
        Object.assign(window.__box.state, { showAlways: true, engine: 1, record: false });
        refreshBox();
      });
      assert.deepEqual(await editSelection(page), ["開く今", 0, 3]);
      assert.equal(await page.evaluate(() => document.activeElement.id), "oSearchWordsEdit");
      assert.equal(await edit(page).evaluate((e) => e.style.color), "");
      assert.equal(await page.locator("#oRecordSearchWordsCheck").isVisible(), true);
      assert.equal(await page.locator("#oRecordSearchWordsCheck").isChecked(), false);
      assert.equal(await page.locator("#oPushPinButtonContainer")
        .evaluate((e) => e.style.borderColor), "white");
      assert.match(await page.locator("#oSearchService").getAttribute("title"), /^辞書/);
      const list = names(await calls(page));
      assert.deepEqual(list.filter((n) => n.startsWith("set ") || n === "Init"), []);
      // The history turned on while the box waited: the completion poll runs from now on.
      await edit(page).press("End");
      await edit(page).pressSequentially("x");
      await clearCalls(page);
      await page.clock.runFor(600);
      assert.ok(names(await calls(page)).includes("ShowAutoComplete"));
    });

  test("words typed before it opened stay, the caret after them", async (t) => {
    const page = await open(t, { lastWords: "" });
    await page.evaluate(() => {
      document.all.oSearchWordsEdit.value = "tok";
      window.__box.config.lastWords = "前回";
      refreshBox();
    });
    assert.deepEqual(await editSelection(page), ["tok", 3, 3]);
  });
});

describe("start", () => {
  test("the events are set before Init, which comes last; the last words start selected",
    async (t) => {
      const page = await open(t, { lastWords: "前回の語句" });
      const list = names(await calls(page));
      assert.equal(list.at(-1), "Init");
      assert.deepEqual(list.filter((n) => n.startsWith("set ") || n === "Init"),
        ["set onUpdateNotify", "set onShowSearchServiceMenu", "set onRotateSearchService", "Init"]);
      assert.deepEqual(await editSelection(page), ["前回の語句", 0, 5]);
      assert.equal(await page.evaluate(() => document.activeElement.id), "oSearchWordsEdit");
      assert.equal(await page.locator("#oNotification").isVisible(), false);
    });

  test("a member that fails is traced and the start-up still reaches Init", async (t) => {
    for (const member of ["GetRecordSearchWordsConfig", "GetLastSearchWords", "GetShowAlways",
      "GetCurrentSearchServiceImage", "GetUseCustomSearchWordsColor", "set onUpdateNotify",
      "set onShowSearchServiceMenu", "Trace"]) {
      const page = await open(t, { lastWords: "前回", throwing: [member] });
      const list = names(await calls(page));
      assert.equal(list.at(-1), "Init", member);
      if (member !== "Trace") {
        assert.ok((await traces(page)).some((text) => /^init: .* failed: /.test(text) &&
          text.includes(`${member} failed`)), member);
      }
    }
    // Init itself failing is traced too, and no error escapes the page.
    const page = await open(t, { throwing: ["Init"] });
    assert.ok((await traces(page)).some((text) => text.startsWith("init: Init failed")));
  });

  test("with recording off: no last words, no check box, no completion poll", async (t) => {
    const page = await open(t, { recordConfig: false, lastWords: "前回", completion: "abc" });
    assert.equal(names(await calls(page)).includes("GetLastSearchWords"), false);
    assert.equal(await edit(page).inputValue(), "");
    assert.equal(await page.locator("#oRecordSearchWordsCheck").isVisible(), false);
    assert.equal(await page.locator("#oRecordSearchWordsCheckLabel").isVisible(), false);
    await page.keyboard.type("ab");
    await page.keyboard.press("ArrowDown");
    await page.clock.runFor(1500);
    assert.equal(names(await calls(page)).includes("ShowAutoComplete"), false);
  });

  test("the custom words colour is applied only when it is switched on", async (t) => {
    for (const [useCustomColor, expected] of [[true, "rgb(255, 0, 0)"], [false, "rgb(0, 0, 0)"]]) {
      const page = await open(t, { useCustomColor, customColor: "#ff0000" });
      assert.equal(await edit(page).evaluate((e) => getComputedStyle(e).color), expected);
    }
  });
});

describe("completion", () => {
  test("the poll shows the list under the edit and selects the completed tail", async (t) => {
    const page = await open(t, { completion: "abcdef" });
    await page.keyboard.type("ab");
    await clearCalls(page);
    await page.clock.runFor(500);
    const geometry = await edit(page).evaluate((e) => {
      const r = e.getBoundingClientRect();
      return [r.left, r.top + e.offsetHeight, e.offsetWidth, e.offsetHeight];
    });
    const shown = (await calls(page)).filter((c) => c.name === "ShowAutoComplete");
    assert.deepEqual(shown.map((c) => c.args),
      [[...geometry, "ab", "function", "function", "function"]]);
    assert.deepEqual(await editSelection(page), ["abcdef", 2, 6]);

    // Typing over the selected tail while the list is open asks again for the longer words.
    await page.keyboard.type("c");
    await clearCalls(page);
    await page.clock.runFor(500);
    assert.deepEqual((await calls(page)).filter((c) => c.name === "ShowAutoComplete")
      .map((c) => c.args[4]), ["abc"]);
    assert.deepEqual(await editSelection(page), ["abcdef", 3, 6]);

    // Words that no longer begin with the typed ones close the list.
    await edit(page).fill("xyz");
    await clearCalls(page);
    await page.clock.runFor(500);
    assert.deepEqual(names(await calls(page)).filter((n) => /AutoComplete$/.test(n) &&
      n !== "CanShowAutoComplete" && n !== "IsAutoCompleteActive"), ["HideAutoComplete"]);
  });

  test("Down alone opens the list unless one is open", async (t) => {
    const page = await open(t, { completion: "abc" });
    await page.keyboard.press("ArrowDown");
    assert.deepEqual((await calls(page)).filter((c) => c.name === "ShowAutoComplete")
      .map((c) => c.args[4]), [""]);
    await setListActive(page, true);
    await clearCalls(page);
    await page.keyboard.press("ArrowDown");
    assert.equal(names(await calls(page)).includes("ShowAutoComplete"), false);
  });

  test("the Enter that confirms an input method's conversion runs no search", async (t) => {
    const page = await open(t);
    await edit(page).fill("とうきょう");
    await clearCalls(page);
    // The browser submits on that Enter's key-down (code 229, composing) before its key-up.
    for (const init of [{ keyCode: 229 }, { keyCode: 13, isComposing: true }]) {
      await page.evaluate((i) => {
        const e = document.all.oSearchWordsEdit;
        e.dispatchEvent(new KeyboardEvent("keydown", { key: "Enter", bubbles: true, ...i }));
        document.all.formSearch.requestSubmit();
      }, init);
      assert.deepEqual(names(await calls(page)).filter((n) => n === "ExecuteSearch" || n === "Exit"),
        [], JSON.stringify(init));
      await page.evaluate(() => document.all.oSearchWordsEdit.dispatchEvent(
        new KeyboardEvent("keyup", { key: "Enter", keyCode: 13, bubbles: true })));
    }
    // An open composition holds the search off too, until it ends.
    await page.evaluate(() => {
      const e = document.all.oSearchWordsEdit;
      e.dispatchEvent(new CompositionEvent("compositionstart", { data: "" }));
      document.all.formSearch.requestSubmit();
    });
    assert.equal(names(await calls(page)).includes("ExecuteSearch"), false);
    await page.evaluate(() => document.all.oSearchWordsEdit.dispatchEvent(
      new CompositionEvent("compositionend", { data: "東京" })));
    // The next plain Enter searches.
    await page.keyboard.press("Enter");
    assert.deepEqual((await calls(page)).filter((c) => c.name === "ExecuteSearch")
      .map((c) => c.args), [["とうきょう"]]);
  });

  test("Enter with an open list only closes the list", async (t) => {
    const page = await open(t);
    await page.keyboard.type("ab");
    await setListActive(page, true);
    await clearCalls(page);
    await page.keyboard.press("Enter");
    const list = names(await calls(page));
    assert.ok(list.includes("HideAutoComplete"));
    assert.equal(list.includes("ExecuteSearch") || list.includes("Exit"), false);
  });
});

describe("search and engines", () => {
  test("Enter searches the words, then closes the box; the page never navigates", async (t) => {
    const page = await open(t);
    let navigations = 0;
    const count = () => navigations++;
    page.on("framenavigated", count);
    t.after(() => page.off("framenavigated", count));
    await edit(page).fill("東京 天気");
    await clearCalls(page);
    await page.keyboard.press("Enter");
    const list = (await calls(page)).filter((c) => c.name === "ExecuteSearch" || c.name === "Exit");
    assert.deepEqual(list, [{ name: "ExecuteSearch", args: ["東京 天気"] }, { name: "Exit", args: [] }]);
    await page.clock.runFor(100);
    assert.equal(navigations, 0);
  });

  test("Shift+Down and Shift+Up step the engine once each and refresh its display",
    async (t) => {
      const page = await open(t);
      for (const [key, positive, engine] of
        [["Shift+ArrowDown", true, "辞書"], ["Shift+ArrowUp", false, "ウェブ"],
         ["Shift+ArrowUp", false, "地図"]]) {
        await clearCalls(page);
        await page.keyboard.press(key);
        const rotations = (await calls(page)).filter((c) => c.name === "RotateSearchService");
        assert.deepEqual(rotations.map((c) => c.args), [[positive]], key);
        const icon = page.locator("#oSearchServiceIcon");
        assert.ok((await icon.getAttribute("title")).startsWith(
          `${engine}\n[Shiftキー+↑↓]、マウスホイールで切り替え\n[Alt+↓]で切り替えメニュー表示`));
        assert.equal(await page.locator("#oSearchService").getAttribute("title"),
          await icon.getAttribute("title"));
        assert.equal(names(await calls(page)).includes("ShowAutoComplete"), false);
      }
    });

  test("the wheel steps the engine only while no list is open", async (t) => {
    const page = await open(t);
    await clearCalls(page);
    await fire(page, "onRotateSearchService", true);
    assert.deepEqual((await calls(page)).filter((c) => c.name === "ToggleSearchService"),
      [{ name: "ToggleSearchService", args: [true] }]);
    assert.match(await page.locator("#oSearchServiceIcon").getAttribute("src"), /dictionary/);
    await setListActive(page, true);
    await clearCalls(page);
    await fire(page, "onRotateSearchService", false);
    assert.equal(names(await calls(page)).includes("ToggleSearchService"), false);
  });

  test("the engine menu opens under the clicked element and under the marker", async (t) => {
    const page = await open(t);
    const at = (selector) => page.locator(selector).evaluate((e) => {
      const icon = document.all.oSearchServiceIcon.getBoundingClientRect();
      return [icon.left, icon.top + e.offsetHeight];
    });
    await clearCalls(page);
    await page.locator("#oSearchServiceIcon").click();
    assert.deepEqual((await calls(page)).filter((c) => c.name === "ShowSearchServiceMenu")
      .map((c) => c.args), [await at("#oSearchServiceIcon")]);
    assert.match(await page.locator("#oSearchServiceIcon").getAttribute("src"), /map\.png$/);

    await setListActive(page, true);
    await clearCalls(page);
    await fire(page, "onShowSearchServiceMenu");
    const list = (await calls(page)).filter((c) =>
      c.name === "HideAutoComplete" || c.name === "ShowSearchServiceMenu");
    assert.deepEqual(list, [{ name: "HideAutoComplete", args: [] },
      { name: "ShowSearchServiceMenu", args: await at("#oSearchService") }]);
  });
});

describe("buttons and links", () => {
  test("the config, help and close buttons call the box and do not navigate", async (t) => {
    const page = await open(t);
    for (const [button, member] of [["#oConfigButton", "ExecuteConfig"],
      ["#oHelpButton", "LaunchHelp"], ["#oCloseButton", "Exit"]]) {
      await clearCalls(page);
      await page.locator(button).click();
      assert.deepEqual(names(await calls(page)), [member], button);
    }
    assert.match(page.url(), /main\.html/);
  });

  test("the push-pin flips the show-always state and its frame shows it", async (t) => {
    const page = await open(t, { showAlways: false });
    const frame = () => page.locator("#oPushPinButtonContainer")
      .evaluate((e) => getComputedStyle(e).borderTopColor);
    assert.equal(await frame(), "rgba(0, 0, 0, 0)");
    for (const [pinned, colour] of [[true, "rgb(255, 255, 255)"], [false, "rgba(0, 0, 0, 0)"]]) {
      await clearCalls(page);
      await page.locator("#oPushPinButton").click();
      assert.deepEqual((await calls(page)).filter((c) => c.name === "SetShowAlways")
        .map((c) => c.args), [[pinned]]);
      assert.equal(await frame(), colour);
    }
  });

  test("the clear button empties the edit and keeps the focus there", async (t) => {
    const page = await open(t, { lastWords: "前回" });
    await page.locator("#oClearButton").click();
    assert.equal(await edit(page).inputValue(), "");
    assert.equal(await page.evaluate(() => document.activeElement.id), "oSearchWordsEdit");
  });

  test("the record check box shows the runtime flag and sets it", async (t) => {
    const page = await open(t, { record: true });
    const check = page.locator("#oRecordSearchWordsCheck");
    assert.equal(await check.isChecked(), true);
    await clearCalls(page);
    await check.click();
    await page.locator("#oRecordSearchWordsCheckLabel").click();
    assert.deepEqual((await calls(page)).filter((c) => c.name === "SetRecordSearchWords")
      .map((c) => c.args), [[false], [true]]);
  });

  test("a notice shows its link; a click marks it handled, closes the box and asks for its window",
    async (t) => {
      const page = await open(t);
      await fire(page, "onUpdateNotify", "新しい版があります", "1.7 の説明", `${origin}/notice`);
      const link = page.locator("#oNotificationLink");
      assert.equal(await page.locator("#oNotification").isVisible(), true);
      assert.equal(await link.textContent(), "新しい版があります");
      assert.equal(await link.getAttribute("title"), "1.7 の説明");
      assert.equal(await link.getAttribute("href"), `${origin}/notice`);
      await clearCalls(page);
      const [popup] = await Promise.all([page.waitForEvent("popup"), link.click()]);
      t.after(() => popup.close());
      assert.equal(popup.url(), `${origin}/notice`);
      assert.deepEqual(names(await calls(page)), ["OnNotifyHandled", "Exit"]);
    });

  test("only a press on a drag handle itself drags the box", async (t) => {
    const page = await open(t);
    for (const [selector, drags] of [["#oTitle", true], ["#oSearchWordsEdit", false],
      ["#oSearchButton", false]]) {
      const box = await page.locator(selector).boundingBox();
      await clearCalls(page);
      await page.mouse.move(box.x + 2, box.y + 2);
      await page.mouse.down();
      await page.mouse.up();
      assert.equal(names(await calls(page)).includes("DoDragWindow"), drags, selector);
    }
  });
});
