// A plant for the page's tests: a private Mosquitto serving the page on
// loopback ports of its own, agents of this build on the simulated controls,
// an MQTT client that calls them, and Debian's Chromium.
"use strict";
const { spawn, execFileSync } = require("node:child_process");
const fs = require("node:fs");
const net = require("node:net");
const os = require("node:os");
const path = require("node:path");
const mqtt = require("mqtt");
const puppeteer = require("puppeteer-core");

const env = (name) => {
  if (!process.env[name]) throw new Error(`${name} is not set (CTest sets it)`);
  return process.env[name];
};

async function freePort() {
  const server = net.createServer();
  await new Promise((done) => server.listen(0, "127.0.0.1", done));
  const { port } = server.address();
  await new Promise((done) => server.close(done));
  return port;
}

const accepts = (port) => new Promise((done) => {
  const socket = net.connect(port, "127.0.0.1", () => { socket.end(); done(true); });
  socket.on("error", () => done(false));
});

// Polls `check` until it gives a truthy value; fails after `ms`.
async function waitFor(what, check, ms = 10000) {
  const deadline = Date.now() + ms;
  for (;;) {
    const value = await check();
    if (value) return value;
    if (Date.now() > deadline) throw new Error(`Not within ${ms} ms: ${what}`);
    await new Promise((done) => setTimeout(done, 25));
  }
}

class Plant {
  // A broker with a TCP and a websockets listener; with `password`, only the
  // user "viewer" with that password gets in. With `rabbitmq`, agents and
  // page meet on a private RabbitMQ node instead, and the Mosquitto only
  // serves the page.
  static async start(password, { rabbitmq = false } = {}) {
    const plant = new Plant();
    plant.dir = fs.mkdtempSync(path.join(os.tmpdir(), "nolt-page-"));
    plant.port = await freePort();
    plant.wsPort = await freePort();
    let access = "allow_anonymous true\n";
    if (password) {
      execFileSync("mosquitto_passwd", ["-c", "-b", path.join(plant.dir, "passwd"), "viewer", password]);
      access = `allow_anonymous false\npassword_file ${path.join(plant.dir, "passwd")}\n`;
    }
    fs.writeFileSync(path.join(plant.dir, "mosquitto.conf"),
      `${access}user ${os.userInfo().username}\npersistence false\nset_tcp_nodelay true\nlistener ${plant.port} 127.0.0.1\n` +
      `listener ${plant.wsPort} 127.0.0.1\nprotocol websockets\nhttp_dir ${env("NOLT_PAGE_DIR")}\n`);
    plant.children = [plant.spawn("/usr/sbin/mosquitto", ["-c", path.join(plant.dir, "mosquitto.conf")], "broker")];
    await waitFor("the broker's listeners", async () => (await accepts(plant.port)) && accepts(plant.wsPort));
    plant.pageUrl = `http://127.0.0.1:${plant.wsPort}/index.html`;
    if (rabbitmq) await plant.startRabbitMq();
    return plant;
  }

  async startRabbitMq() {
    this.rabbitmq = spawn(env("NOLT_RABBITMQ_NODE"), [], { stdio: ["pipe", "pipe", "inherit"] });
    const ports = await new Promise((done, fail) => {
      let text = "";
      this.rabbitmq.stdout.on("data", (chunk) => {
        text += chunk;
        if (text.includes("\n")) done(text.trim().split(" ").map(Number));
      });
      this.rabbitmq.once("exit", () => fail(new Error("the RabbitMQ node did not start")));
    });
    [this.port] = ports;
    this.pageUrl += `?broker=ws://127.0.0.1:${ports[1]}/ws`;
  }

  spawn(program, args, name) {
    const log = fs.openSync(path.join(this.dir, name + ".log"), "w");
    return spawn(program, args, { cwd: this.dir, stdio: ["ignore", log, log] });
  }

  // The test's own MQTT client, with every machine info it has seen.
  async client() {
    this.mqtt = mqtt.connect(`mqtt://127.0.0.1:${this.port}`, { clientId: "page-test" });
    this.seen = new Map();
    this.mqtt.on("message", (topic, payload) => this.seen.set(topic, payload.toString()));
    await new Promise((done) => this.mqtt.once("connect", done));
    await this.mqtt.subscribeAsync(["plant/+/__agentInfo__", "plant/+/DncShim/+/__machineInfo__"]);
    await this.mqtt.subscribeAsync("page-test/replies");
  }

  async agent(name) {
    const child = this.spawn(env("NOLT_AGENT_EXECUTABLE"), ["-d", "plant", "-a", name, "-b", `tcp://127.0.0.1:${this.port}`], name);
    this.children.push(child);
    await waitFor(`agent ${name} online`, () => (this.seen.get(`plant/${name}/__agentInfo__`) || "").includes('"online"'));
    this.simulator = this.simulator || {};
    this.simulator[name] = await this.call(name, "DncSimulator/__static__/__create__");
    return child;
  }

  // A call on plant/AGENT/PATH; resolves with "r", rejects with "e".
  call(agent, what, data = {}) {
    const id = Math.random().toString(16).slice(2);
    return new Promise((resolve, reject) => {
      const answered = (topic, payload) => {
        const reply = JSON.parse(payload.toString());
        if (topic !== "page-test/replies" || reply.id !== id) return;
        this.mqtt.off("message", answered);
        if ("e" in reply.data) reject(new Error(reply.data.e)); else resolve(reply.data.r);
      };
      this.mqtt.on("message", answered);
      this.mqtt.publish(`plant/${agent}/${what}`, JSON.stringify({ sender: "page-test/replies", id, data }), { qos: 1 });
    });
  }

  async machine(agent, name, controllerType) {
    await this.call(agent, "DncShim/__static__/__createNamed__", { _1: name, _2: name });
    await this.call(agent, `DncShim/${name}/connect`, { _1: name + ".local", _2: controllerType });
  }

  simulate(agent, fn, data) { return this.call(agent, `DncSimulator/${this.simulator[agent]}/${fn}`, data); }

  async browser() {
    this.chromium = await puppeteer.launch({
      executablePath: process.env.NOLT_CHROMIUM || "/usr/bin/chromium",
      args: ["--no-sandbox", "--headless=new"],
    });
    return this.chromium;
  }

  async stop() {
    if (this.chromium) await this.chromium.close();
    if (this.mqtt) await this.mqtt.endAsync();
    for (const child of this.children.reverse()) {
      if (child.exitCode === null && child.signalCode === null) {
        const gone = new Promise((done) => child.once("exit", done));
        child.kill("SIGKILL");
        await gone;
      }
    }
    if (this.rabbitmq && this.rabbitmq.exitCode === null) {
      // Its node stops in order when its input closes.
      const gone = new Promise((done) => this.rabbitmq.once("exit", done));
      this.rabbitmq.stdin.end();
      await gone;
    }
    fs.rmSync(this.dir, { recursive: true, force: true });
  }
}

module.exports = { Plant, waitFor };
