// One tile per machine of every agent, from the retained agent infos and
// machine infos; an agent that is not online greys out all its tiles.
"use strict";
window.Plant = window.Plant || {};

Plant.Overview = class {
  constructor(broker, domain, container, onOpen) {
    this.container = container;
    this.onOpen = onOpen;
    this.agents = new Map();      // agent prefix -> agent info
    this.machines = new Map();    // prefix/instance -> machine info (with prefix and instance)
    this.classInfos = new Map();  // agent prefix -> DncShim class info
    this.tiles = new Map();       // prefix/instance -> element
    this.firstTiles = null;       // time of the first tiles, for whoever measures the page
    broker.subscribe(`${domain}/+/__agentInfo__`, (topic, text) => this.agentInfo(topic, text));
    broker.subscribe(`${domain}/+/DncShim/+/__machineInfo__`, (topic, text) => this.machineInfo(topic, text));
    broker.subscribe(`${domain}/+/DncShim/__classInfo__`, (topic, text) => {
      const info = Plant.Overview.parse(text);
      if (info) this.classInfos.set(topic.split("/").slice(0, 2).join("/"), info);
    });
    // "+" (every domain) is no topic to publish on: every agent follows __discover__.
    broker.discover(domain === "+" ? "__discover__" : `${domain}/__discover__`);
    setInterval(() => this.tick(), 1000);
  }

  static parse(text) {
    try {
      const value = JSON.parse(text);
      return value && typeof value === "object" ? value : null;
    } catch (e) {
      return null;
    }
  }

  agentInfo(topic, text) {
    const prefix = topic.split("/").slice(0, 2).join("/");
    const info = Plant.Overview.parse(text);
    if (info) this.agents.set(prefix, info);
    else this.agents.delete(prefix);
    for (const [key, machine] of this.machines) if (machine.prefix === prefix) this.draw(key);
  }

  machineInfo(topic, text) {
    const levels = topic.split("/");
    const prefix = levels.slice(0, 2).join("/");
    const key = prefix + "/" + levels[3];
    const info = Plant.Overview.parse(text);
    // Sessions that watch a machine (this page's and the command-line client's) are no machines.
    if (!info || String(info.session || "").startsWith("watch ")) {
      this.machines.delete(key);
      this.tiles.get(key)?.remove();
      this.tiles.delete(key);
    } else {
      this.machines.set(key, Object.assign(info, { prefix, instance: levels[3] }));
      this.draw(key);
    }
    this.count();
  }

  online(prefix) { return (this.agents.get(prefix) || {}).status === "online"; }

  draw(key) {
    const machine = this.machines.get(key);
    let tile = this.tiles.get(key);
    if (!tile) {
      tile = document.createElement("button");
      tile.type = "button";
      tile.dataset.key = key;
      tile.innerHTML = '<b class="name"></b><span class="state"></span><span class="program"></span>' +
                       '<span class="where"></span><span class="agent"></span><span class="age"></span>';
      tile.addEventListener("click", () => this.onOpen(key));
      const after = [...this.tiles.keys()].filter((k) => k > key).sort()[0];
      this.container.insertBefore(tile, after ? this.tiles.get(after) : null);
      this.tiles.set(key, tile);
      if (!this.firstTiles) this.firstTiles = performance.now();
    }
    const online = this.online(machine.prefix);
    tile.className = "tile " + (online ? Plant.states.look(machine) : "gone");
    const set = (part, text) => { tile.querySelector("." + part).textContent = text; };
    set("name", machine.session || machine.instance);
    set("state", online ? Plant.states.words(machine.state) : "agent offline");
    set("program", machine.programStatus ? "\u25B6 " + Plant.states.words(machine.programStatus) : "");
    set("where", [machine.host, machine.controllerType].filter(Boolean).join(" · ") || "never connected");
    set("agent", machine.prefix);
    this.age(tile, machine);
  }

  age(tile, machine) {
    const age = Plant.states.age(machine.since, Date.now());
    tile.querySelector(".age").textContent = age ? "for " + age : "";
  }

  tick() {
    for (const [key, tile] of this.tiles) this.age(tile, this.machines.get(key));
  }

  count() {
    const counts = document.getElementById("counts");
    if (counts) counts.textContent = `${this.machines.size} machine${this.machines.size === 1 ? "" : "s"}`;
  }
};
