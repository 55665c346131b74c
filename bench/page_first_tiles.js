// How long the machine page takes from its request to the tiles of N
// machines (100 unless given), served by a private broker with one agent
// whose sessions are connected to simulated controls. Prints the figures.
//   NODE_PATH=build/web/packages/node_modules node bench/page_first_tiles.js [machines]
"use strict";
const path = require("node:path");
const build = path.join(__dirname, "..", "build");
process.env.NOLT_PAGE_DIR ||= path.join(build, "web", "page");
process.env.NOLT_AGENT_EXECUTABLE ||= path.join(build, "host", "heidenhain-agent");
const { Plant } = require("../tests/browser/plant.js");

(async () => {
  const count = Number(process.argv[2] || 100);
  const plant = await Plant.start();
  try {
    await plant.client();
    await plant.agent("bench");
    const families = ["tnc640", "itnc530"];
    for (let i = 0; i < count; i++) await plant.machine("bench", `m${String(i).padStart(3, "0")}`, families[i % 2]);
    const page = await (await plant.browser()).newPage();
    await page.setViewport({ width: 1600, height: 1000 });
    const started = Date.now();
    await page.goto(plant.pageUrl);
    await page.waitForFunction((n) => document.querySelectorAll(".tile").length >= n, { polling: "raf" }, count);
    const wall = Date.now() - started;
    const timing = await page.evaluate(() => ({ first: window.plant.overview.firstTiles, all: performance.now() }));
    console.log(`${count} machines: first tile ${timing.first.toFixed(0)} ms, all tiles ${timing.all.toFixed(0)} ms ` +
                `after navigation start (${wall} ms measured outside the page)`);
    if (process.argv[3]) await page.screenshot({ path: process.argv[3] });
  } finally {
    await plant.stop();
  }
})().catch((error) => { console.error(error); process.exitCode = 1; });
