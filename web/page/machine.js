// One machine: its info, its pockets with the tool rows in them, and a
// running list of its events. Like the command-line client's watch, the page
// connects a session of its own to the same control and registers every
// event there; the session goes when the view closes or the page's link
// breaks (the agent follows the page's client info). Nothing is written.
"use strict";
window.Plant = window.Plant || {};

Plant.MachineView = class {
  constructor(broker, overview) {
    this.broker = broker;
    this.overview = overview;
    this.key = null;
    this.session = null;
    this.pockets = [];
    this.tools = new Map();  // tool id -> row
    this.byId = (id) => document.getElementById(id);
  }

  // Event registrations that take nothing but the callback, from the class info.
  static eventFunctions(classInfo) {
    return ((classInfo && classInfo.memberFunctions) || [])
      .filter((key) => /^on[A-Z]\w*-string$/.test(key))
      .map((key) => key.slice(0, -"-string".length));
  }

  async open(key) {
    this.close();
    const machine = this.overview.machines.get(key);
    if (!machine) return;
    this.key = key;
    this.byId("machine").hidden = false;
    this.byId("overview").hidden = true;
    this.byId("events").textContent = "";
    this.pockets = [];
    this.tools.clear();
    this.showPockets();
    this.showInfo();
    if (!machine.connected) return this.status("The machine is not connected: nothing to watch.");
    const opened = key;
    const call = (instance, fn, data) => this.broker.call(machine.prefix, "DncShim", instance, fn, data);
    try {
      this.status("Opening a session of this page…");
      const session = await call("__static__", "__create__", { _1: "watch " + machine.instance });
      if (this.key !== opened) return call("__static__", "__delete__", { _1: session }).catch(() => {});
      this.session = session;
      this.broker.listen(session, (event) => this.event(event));
      await call(session, "connect", { _1: machine.host, _2: machine.controllerType });
      // Controls that keep their tables in the data tree list them only once an access mode was
      // set; without passwords the session reads in the mode the control is in. The other
      // controls refuse the call, and need none.
      await call(session, "setAccessMode", { _1: "", _2: "", _3: "", _4: "" }).catch(() => {});
      // Changed rows show within 2 s rather than the 5 s the monitor takes by default.
      await call(session, "setTableMonitorInterval", { _1: 2 });
      // Registered last, the table monitor starts with the tables readable: its first reading,
      // against which it reports changes, is taken now, before the page reads them.
      const events = Plant.MachineView.eventFunctions(this.overview.classInfos.get(machine.prefix));
      await Promise.all(events.map((fn) => call(session, fn, { _1: fn })));
      this.pockets = await call(session, "getPocketTable");
      await Promise.all(this.pockets.map((pocket) => this.loadTool(call, session, pocket.T)));
      if (this.key !== opened) return;
      this.showPockets();
      this.status("");
      this.byId("machine").dataset.ready = "true";
    } catch (error) {
      if (this.key === opened) this.status("Cannot show this machine: " + error.message);
    }
  }

  async loadTool(call, session, toolId) {
    if (!String(toolId || "").trim()) return;
    try {
      this.tools.set(toolId, await call(session, "getToolTableRow", { _1: toolId }));
    } catch (error) {
      this.tools.set(toolId, { NAME: "(" + error.message + ")" });
    }
  }

  close() {
    if (this.session) {
      this.broker.forget(this.session);
      const machine = this.overview.machines.get(this.key);
      const prefix = machine ? machine.prefix : this.key.split("/").slice(0, 2).join("/");
      this.broker.call(prefix, "DncShim", "__static__", "__delete__", { _1: this.session }).catch(() => {});
    }
    this.session = null;
    this.key = null;
    this.byId("machine").hidden = true;
    delete this.byId("machine").dataset.ready;
    this.byId("overview").hidden = false;
  }

  status(text) { this.byId("machine-status").textContent = text; }

  showInfo() {
    const machine = this.overview.machines.get(this.key);
    if (!machine) return;
    this.byId("machine-title").textContent = `${machine.session || machine.instance} (${machine.prefix})`;
    const online = this.overview.online(machine.prefix);
    const rows = [
      ["State", online ? Plant.states.words(machine.state) : "agent offline"],
      ["Program", Plant.states.words(machine.programStatus) || "–"],
      ["Host", machine.host || "–"], ["Control", machine.controllerType || "–"],
      ["NC version", machine.ncVersion || "–"], ["SDK version", machine.sdkVersion || "–"],
      ["Since", machine.since || "–"], ["Instance", machine.instance],
    ];
    const list = this.byId("machine-info");
    list.className = "info " + (online ? Plant.states.look(machine) : "gone");
    list.textContent = "";
    for (const [term, value] of rows) {
      list.append(Object.assign(document.createElement("dt"), { textContent: term }),
                  Object.assign(document.createElement("dd"), { textContent: value }));
    }
  }

  columns() {
    const preferred = ["NAME", "L", "R", "R2", "DL", "DR", "TL", "TIME1", "CUR_TIME", "DOC"];
    // Columns that no tool fills only take room.
    const present = new Set();
    for (const row of this.tools.values()) Object.keys(row).filter((c) => row[c] !== "").forEach((c) => present.add(c));
    return ["P", "T"].concat(preferred.filter((c) => present.has(c)));
  }

  cells(pocket) {
    const tool = this.tools.get(pocket.T) || {};
    return this.columns().map((column) => (column in pocket ? pocket[column] : tool[column] || ""));
  }

  showPockets(changed = new Map()) {
    const columns = this.columns();
    const head = this.byId("pockets").tHead;
    head.innerHTML = "<tr>" + columns.map(() => "<th></th>").join("") + "</tr>";
    columns.forEach((column, i) => { head.rows[0].cells[i].textContent = column; });
    const body = this.byId("pockets").tBodies[0];
    body.textContent = "";
    for (const pocket of this.pockets) {
      const row = body.insertRow();
      row.dataset.pocket = pocket.P;
      const marks = changed.get(pocket.P) || this.marked?.get(pocket.P);
      if (marks) row.classList.add("changed");
      this.cells(pocket).forEach((text, i) => {
        const cell = row.insertCell();
        cell.textContent = text;
        if (marks && marks.has(columns[i])) cell.classList.add("changed");
      });
    }
  }

  // Rows stay highlighted until the next change of the tables.
  highlight(pocketIds, newRow, oldRow) {
    const columns = new Set(Object.keys(newRow || {}).concat(Object.keys(oldRow || {}))
      .filter((c) => (newRow || {})[c] !== (oldRow || {})[c]));
    this.marked = new Map(pocketIds.map((p) => [p, columns]));
    this.showPockets();
  }

  event(message) {
    // Callbacks were registered with their function's name as id; anything else is a late reply.
    if (message.id !== message.method) return;
    const args = Object.keys(message.data || {}).sort((a, b) => a.slice(1) - b.slice(1)).map((k) => message.data[k]);
    const item = document.createElement("li");
    item.textContent = `${new Date().toLocaleTimeString()} ${message.method} ${args.map((a) => JSON.stringify(a)).join(" ")}`;
    const list = this.byId("events");
    list.prepend(item);
    while (list.children.length > 200) list.lastChild.remove();
    if (message.method === "onToolTableChanged") this.toolChanged(args[0], args[1], args[2]);
    if (message.method === "onPocketTableChanged") this.pocketChanged(args[0], args[1], args[2]);
  }

  toolChanged(toolId, newRow, oldRow) {
    // A removed tool is reported as a row that holds nothing but its id.
    const removed = Object.keys(newRow || {}).length <= 1;
    if (removed) this.tools.delete(toolId);
    else this.tools.set(toolId, newRow);
    const pockets = this.pockets.filter((p) => p.T === toolId).map((p) => p.P);
    this.highlight(pockets, newRow, oldRow);
  }

  async pocketChanged(pocketId, newRow, oldRow) {
    const at = this.pockets.findIndex((p) => p.P === pocketId);
    if (at >= 0) this.pockets[at] = newRow;
    else this.pockets.push(newRow);
    const machine = this.overview.machines.get(this.key);
    if (machine && this.session && newRow.T && !this.tools.has(newRow.T)) {
      const session = this.session;
      await this.loadTool((i, fn, data) => this.broker.call(machine.prefix, "DncShim", i, fn, data), session, newRow.T);
    }
    this.highlight([pocketId], newRow, oldRow);
  }
};
