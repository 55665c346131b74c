// The machine page in headless Chromium against a real broker, the built
// agents and the simulated controls.
"use strict";
const { test } = require("node:test");
const assert = require("node:assert");
const { Plant, waitFor } = require("./plant.js");

// Name, state text and colour of every tile, by name.
const tiles = (page) => page.$$eval(".tile", (all) => Object.fromEntries(all.map((tile) => [
  tile.querySelector(".name").textContent,
  { state: tile.querySelector(".state").textContent, where: tile.querySelector(".where").textContent,
    look: tile.className.replace("tile ", "") }])));

test("the overview and a machine follow the plant; closing the page ends its session", async (t) => {
  const plant = await Plant.start();
  t.after(() => plant.stop());
  await plant.client();
  await plant.agent("cell1");
  const cell2 = await plant.agent("cell2");
  await plant.machine("cell1", "mill1", "itnc530");
  await plant.machine("cell1", "mill2", "tnc640");
  await plant.machine("cell2", "lathe1", "tnc640");
  const page = await (await plant.browser()).newPage();
  await page.goto(plant.pageUrl);

  await waitFor("three tiles", async () => Object.keys(await tiles(page)).length === 3);
  assert.deepStrictEqual(await tiles(page), {
    lathe1: { state: "available", where: "lathe1.local · tnc640", look: "ready" },
    mill1: { state: "available", where: "mill1.local · itnc530", look: "ready" },
    mill2: { state: "available", where: "mill2.local · tnc640", look: "ready" },
  });

  const lost = Date.now();
  await plant.simulate("cell1", "raiseMachineEvent", { _1: "mill1.local", _2: 10 });
  await waitFor("mill1 lost", async () => (await tiles(page)).mill1.look === "fault", 1000);
  assert.ok(Date.now() - lost <= 1000);
  assert.strictEqual((await tiles(page)).mill1.state, "connection lost");

  // Killed, the agent leaves by its last will: every machine of it greys out.
  cell2.kill("SIGKILL");
  await waitFor("lathe1 greyed", async () => (await tiles(page)).lathe1.look === "gone");
  assert.strictEqual((await tiles(page)).lathe1.state, "agent offline");
  assert.strictEqual((await tiles(page)).mill2.look, "ready");

  await page.click('.tile[data-key="plant/cell1/mill2"]');
  await page.waitForSelector('#machine[data-ready="true"]', { timeout: 15000 });
  const pocket1 = () => page.$eval('#pockets tr[data-pocket="1"]', (row) => ({
    text: [...row.cells].map((cell) => cell.textContent),
    changed: row.className, cells: [...row.querySelectorAll("td.changed")].map((cell) => cell.textContent) }));
  assert.deepStrictEqual((await pocket1()).text.slice(0, 3), ["1", "2", "DRILL_D6"]);
  const watching = [...plant.seen].find(([, text]) => text.includes('"session":"watch mill2"'));
  assert.ok(watching, "the page's own session is announced");

  // A change before the monitor's first reading is only remembered: changed again until shown.
  let changed = null;
  for (let attempt = 1; attempt <= 5 && !changed; attempt++) {
    const name = "DRILL_" + attempt;
    await plant.simulate("cell1", "setDataValue", { _1: "mill2.local", _2: "\\TABLE\\TOOL\\T\\2\\NAME", _3: name });
    changed = await waitFor("pocket 1 highlighted", async () => {
      const row = await pocket1();
      return row.changed === "changed" && row.text[2] === name && row;
    }, 5000).catch(() => null);
  }
  assert.ok(changed, "no highlighted change");
  assert.deepStrictEqual(changed.cells, [changed.text[2]]);
  assert.match(await page.$eval("#events", (list) => list.textContent), /onToolTableChanged "2"/);

  await page.close();
  await waitFor("the page's session deleted", () => plant.seen.get(watching[0]) === "");
});

test("a wrong password gets the broker's refusal on the page, the right one the machines", async (t) => {
  const plant = await Plant.start("secret");
  t.after(() => plant.stop());
  const page = await (await plant.browser()).newPage();
  await page.goto(plant.pageUrl);
  await page.waitForSelector("#signin:not([hidden])");
  for (const [password, link] of [["wrong", "refused"], ["secret", "live"]]) {
    await page.$eval("#signin input[name=user]", (input) => { input.value = "viewer"; });
    await page.$eval("#signin input[name=password]", (input, value) => { input.value = value; }, password);
    await page.click("#signin button");
    await waitFor(`link ${link}`, async () => (await page.$eval("#link", (e) => e.textContent)) === link);
    if (link === "refused") {
      assert.match(await page.$eval("#problem", (e) => e.textContent), /^The broker at ws:.* refused the connection/);
    }
  }
  assert.strictEqual(await page.$eval("#problem", (e) => e.hidden), true);
});

test("on a RabbitMQ node, which keeps retained messages from wildcards, the page asks the agents", async (t) => {
  if (!process.env.NOLT_RABBITMQ_NODE) return t.skip("no RabbitMQ server on this machine");
  const plant = await Plant.start(undefined, { rabbitmq: true });
  t.after(() => plant.stop());
  await plant.client();
  await plant.agent("cell1");
  await plant.machine("cell1", "mill1", "tnc640");
  const page = await (await plant.browser()).newPage();
  await page.goto(plant.pageUrl);
  await waitFor("mill1's tile", async () => (await tiles(page)).mill1?.look === "ready", 15000);
  await plant.simulate("cell1", "raiseMachineEvent", { _1: "mill1.local", _2: 10 });
  await waitFor("mill1 lost", async () => (await tiles(page)).mill1.look === "fault");
});
