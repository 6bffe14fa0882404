// Renders the search box page with each skin in headless Chromium, the viewport the size of
// the skin's background picture, with a notice shown, the box pinned and words typed.
// Run through page-skins.sh.
import { mkdirSync } from "node:fs";
import { join } from "node:path";
import { launchBrowser, loadPage, openSession, startServer } from
  "../../resources/page/tests/harness.mjs";

const out = process.argv[2];
mkdirSync(out, { recursive: true });
const { server, origin } = await startServer();
const browser = await launchBrowser();
try {
  const { page } = await openSession(browser);
  for (const skin of ["black", "black/large"]) {
    await loadPage(page, origin, { skin, showAlways: true, record: true });
    await page.evaluate(() => window.__box.fire("onUpdateNotify",
      "新しいバージョンがあります", "バージョン 1.7 の新機能", "http://example.invalid/"));
    await page.keyboard.type("東京 天気 週末");
    await page.evaluate(() => document.fonts.ready);
    const file = join(out, `page-${skin.replace("/", "-")}.png`);
    // No white page behind the picture: its soft edge shows as it is drawn.
    await page.screenshot({ path: file, omitBackground: true });
    console.log(file);
  }
} finally {
  await browser.close();
  server.close();
}
