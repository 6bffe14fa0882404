// Renders the search box page with each skin in headless Chromium, the viewport the size of
// the skin's background picture, with a notice shown, the box pinned and words typed; at
// device scale 1 (page-<skin>.png) and at 1.5 and 2, as the box zooms its page at 144 and
// 192 DPI (page-<skin>-scale-<n>.png). Run through page-skins.sh.
import { mkdirSync } from "node:fs";
import { join } from "node:path";
import { launchBrowser, loadPage, openSession, startServer } from
  "../../resources/page/tests/harness.mjs";

const out = process.argv[2];
mkdirSync(out, { recursive: true });
const { server, origin } = await startServer();
const browser = await launchBrowser();
try {
  for (const scale of [1, 1.5, 2]) {
    const { context, page } = await openSession(browser, { deviceScaleFactor: scale });
    for (const skin of ["black", "black/large"]) {
      await loadPage(page, origin, { skin, showAlways: true, record: true });
      await page.evaluate(() => window.__box.fire("onUpdateNotify",
        "新しいバージョンがあります", "バージョン 1.7 の新機能", "http://example.invalid/"));
      await page.keyboard.type("東京 天気 週末");
      await page.evaluate(() => document.fonts.ready);
      const name = `page-${skin.replace("/", "-")}${scale === 1 ? "" : `-scale-${scale}`}.png`;
      const file = join(out, name);
      // No white page behind the picture: its soft edge shows as it is drawn.
      await page.screenshot({ path: file, omitBackground: true });
      console.log(file);
    }
    await context.close();
  }
} finally {
  await browser.close();
  server.close();
}
